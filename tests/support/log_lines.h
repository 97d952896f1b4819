// The lines of a debug log file in winsim's Windows folder, without their CR LF.
#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "winsim/control.h"

inline std::vector<std::string> LogFileLines(const std::string& fileName) {
  std::ifstream in(winsim::WindowsDirectory() + "/" + fileName, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}
