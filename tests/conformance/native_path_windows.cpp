// On Windows, the C++ library opens the program's paths as they are.
#include "test_files.h"

std::string NativePath(const std::string& windowsPath) { return windowsPath; }
