#pragma once

namespace kel::bench {

// Measures raw UDP and TPackUdp on loopback and prints the figures; returns
// the process exit code.
int RunBench(bool plain);

} // namespace kel::bench
