// Whole-file reading and writing for Sarvello's host tools and the tests that rerun them.
#pragma once

#include <string>
#include <vector>

namespace tool_files {

// The file's bytes as text; false when it cannot be read.
bool ReadFile(const std::string& path, std::string* text);
// Writes (replaces) the file; false when it cannot be written completely.
bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes);

}  // namespace tool_files
