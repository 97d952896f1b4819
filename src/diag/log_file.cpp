// LogFile over the C runtime's unbuffered descriptors, in binary mode so CR LF stays as written.
#include "diag/log_file.h"

#include "platform/win32.h"

LogFile::~LogFile() { Close(); }

void LogFile::OpenForWriting(const char* path) {
  mode_ = kWriting;
  // Empty the file (or create it); the descriptor below then writes from offset 0. If another
  // process holds the file, emptying fails silently and the old content is overwritten in place.
  HANDLE emptied = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (emptied != INVALID_HANDLE_VALUE) CloseHandle(emptied);
  descriptor_ = _open(path, _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE);
  if (descriptor_ < 0) mode_ = kNotOpen;
}

int32_t LogFile::Status() const { return mode_ != kNotOpen ? kOk : kFailed; }

int32_t LogFile::Write(const void* bytes, size_t size) {
  if (mode_ == kNotOpen) return kFailed;
  const char* next = static_cast<const char*>(bytes);
  while (size > 0) {
    const int written = _write(descriptor_, next, static_cast<unsigned int>(size));
    if (written <= 0) return kFailed;
    next += written;
    size -= static_cast<size_t>(written);
  }
  return kOk;
}

void LogFile::Close() {
  if (mode_ == kNotOpen) return;
  _close(descriptor_);
  mode_ = kNotOpen;
  descriptor_ = -1;
}
