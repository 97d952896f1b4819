// Plain file access for the conformance tests, outside the platform calls under test: on the host
// through winsim's path mapping, on Windows through the C++ library.
#pragma once

#include <string>

// The path the C++ library opens for a path the program would hand the platform.
std::string NativePath(const std::string& windowsPath);

// The Windows directory as the platform reports it, with a trailing backslash.
std::string WindowsDirectoryPath();
std::string ReadWholeFile(const std::string& windowsPath);
void WriteWholeFile(const std::string& windowsPath, const std::string& bytes);
bool FileExists(const std::string& windowsPath);
void RemoveFile(const std::string& windowsPath);
