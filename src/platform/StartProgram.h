#pragma once
// Starting another program of the installation without waiting for it: the
// program file beside the running executable (the application folder) is
// started with no arguments, in that folder as its current directory, so
// that files it opens by relative name ("./AVSet.ini") are the
// installation's. The caller goes on at once; the child is reaped by a
// small thread of its own, so it leaves no zombie behind.
#include <string>

namespace kel {

// Starts `program` (a file name such as "Calibrator") from `folder`, or
// from the application folder when `folder` is empty. False, with `error`,
// when it is missing, not executable or cannot be started.
bool StartProgram(const std::string& program, std::string& error, const std::string& folder = {});

} // namespace kel
