#pragma once
// The application folder: the folder of the running executable, where the
// installation's data files lie beside the programs. Kept with a trailing
// '/', so that file names can be appended directly.
#include <string>

namespace kel {

// The folder of /proc/self/exe, or the one set with SetApplicationFolder.
std::string ApplicationFolder();

// Points the program at another installation (tests, tools). An empty text
// goes back to the executable's folder. A missing trailing '/' is added.
void SetApplicationFolder(std::string folder);

// `folder` with a trailing '/' (unchanged when empty or already there).
std::string WithTrailingSlash(std::string folder);

} // namespace kel
