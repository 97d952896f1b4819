// Reading committed files of the source tree from the artwork tests.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/tool_files.h"

inline std::string ReadSource(const char* relative) {
  std::string text;
  EXPECT_TRUE(tool_files::ReadFile(std::string(SARVELLO_SOURCE_DIR) + "/" + relative, &text)) << relative;
  return text;
}

inline std::vector<unsigned char> ReadSourceBytes(const char* relative) {
  const std::string text = ReadSource(relative);
  return {text.begin(), text.end()};
}
