// On the host, the program's paths are winsim's: backslashes become slashes.
#include "test_files.h"
#include "winsim/control.h"

std::string NativePath(const std::string& windowsPath) { return winsim::HostPath(windowsPath); }
