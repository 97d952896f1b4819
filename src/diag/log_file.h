// LogFile: the debug log's file, written unbuffered so the log is complete up to its last line
// even when the process dies.
#pragma once

#include <cstddef>
#include <cstdint>

class LogFile {
 public:
  static constexpr int32_t kNotOpen = 0;
  static constexpr int32_t kWriting = 2;
  static constexpr int32_t kOk = 0;
  static constexpr int32_t kFailed = 3;

  LogFile() = default;
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // Empties or creates the file at `path`, then opens it for writing from its start.
  void OpenForWriting(const char* path);
  // 0 when open, 3 when not.
  int32_t Status() const;
  // Hands `size` bytes to the operating system; 0 on success, 3 when not open or the write failed.
  int32_t Write(const void* bytes, size_t size);
  void Close();

 private:
  int32_t mode_ = kNotOpen;
  void* handle_ = nullptr;  // the platform's file handle while open
};
