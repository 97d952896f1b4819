// Conformance test file access through the C++ library, on the path the platform would open.
#include "test_files.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/win32.h"

std::string WindowsDirectoryPath() {
  char buffer[1024];
  GetWindowsDirectoryA(buffer, sizeof buffer);
  return std::string(buffer) + "\\";
}

std::string ReadWholeFile(const std::string& windowsPath) {
  std::ifstream in(NativePath(windowsPath), std::ios::binary);
  std::stringstream all;
  all << in.rdbuf();
  return all.str();
}

void WriteWholeFile(const std::string& windowsPath, const std::string& bytes) {
  std::ofstream(NativePath(windowsPath), std::ios::binary) << bytes;
}

bool FileExists(const std::string& windowsPath) { return std::ifstream(NativePath(windowsPath)).good(); }

void RemoveFile(const std::string& windowsPath) { std::remove(NativePath(windowsPath).c_str()); }
