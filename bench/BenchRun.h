#pragma once

namespace kel::bench {

// Measures raw UDP and TPackUdp on loopback and prints the figures, `repeat`
// times over (each run measures its own raw baseline), then the range of
// the ratios when there was more than one run; returns the process exit
// code.
int RunBench(bool plain, int repeat = 1);

} // namespace kel::bench
