// winsim: CreateFileA/WriteFile/CloseHandle over host files, with the platform's sharing rules
// between open handles and injectable failures.
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <unistd.h>

#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::OpenFile;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

// The access rights that a share mode leaves to other openers.
DWORD Shared(DWORD share) {
  return (share & FILE_SHARE_READ ? GENERIC_READ : 0u) | (share & FILE_SHARE_WRITE ? GENERIC_WRITE : 0u);
}

// The platform's sharing check: a new open conflicts with an existing one of the same file when
// either asks for access that the other does not share.
bool SharingConflict(const std::string& path, DWORD access, DWORD share) {
  for (const OpenFile* f : S().openFiles) {
    if (f->path != path) continue;
    if ((f->access & ~Shared(share)) != 0 || (access & ~Shared(f->share)) != 0) return true;
  }
  return false;
}

DWORD ErrorFromErrno(const std::string& path, int error) {
  if (error == ENOENT) {
    const auto parent = std::filesystem::path(path).parent_path();
    return (parent.empty() || std::filesystem::is_directory(parent)) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
  }
  return ERROR_ACCESS_DENIED;  // EACCES, EPERM, EISDIR, EROFS: the platform says access denied
}

OpenFile* FindOpen(const void* handle) {
  for (OpenFile* f : S().openFiles) {
    if (static_cast<const void*>(f) == handle) return f;
  }
  return nullptr;
}

void Forget(OpenFile* file) {
  auto& files = S().openFiles;
  for (auto it = files.begin(); it != files.end(); ++it) {
    if (*it == file) {
      files.erase(it);
      break;
    }
  }
  close(file->fd);
  delete file;
}

}  // namespace

namespace winsim {

int OpenFileCount() {
  Guard guard(S().lock);
  return static_cast<int>(S().openFiles.size());
}

const std::vector<WriteRecord>& Writes() { return S().writes; }

void FailCreateFile(DWORD error, int count, int skip) {
  Guard guard(S().lock);
  S().createFileFault = {skip, count};
  S().createFileError = error;
}
void FailWrite(int count, int skip) {
  Guard guard(S().lock);
  S().writeFault = {skip, count};
}

}  // namespace winsim

HANDLE WINAPI CreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security, DWORD disposition,
                          DWORD attributes, HANDLE templateFile) {
  if (name == nullptr) winsim::Unmodelled("CreateFileA", "null file name");
  if (access == 0 || (access & ~(GENERIC_READ | GENERIC_WRITE)) != 0)
    winsim::Unmodelled("CreateFileA", "access flags " + std::to_string(access));
  if ((share & ~(FILE_SHARE_READ | FILE_SHARE_WRITE)) != 0)
    winsim::Unmodelled("CreateFileA", "share flags " + std::to_string(share));
  if (security != nullptr || templateFile != nullptr)
    winsim::Unmodelled("CreateFileA", "security attributes or template file");
  if (attributes != 0 && attributes != FILE_ATTRIBUTE_NORMAL)
    winsim::Unmodelled("CreateFileA", "attributes " + std::to_string(attributes));
  int flags = 0;
  switch (disposition) {
    case CREATE_ALWAYS: flags = O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: flags = 0; break;
    case OPEN_ALWAYS: flags = O_CREAT; break;
    default: winsim::Unmodelled("CreateFileA", "disposition " + std::to_string(disposition));
  }
  flags |= (access == (GENERIC_READ | GENERIC_WRITE)) ? O_RDWR : (access & GENERIC_WRITE) ? O_WRONLY : O_RDONLY;

  Guard guard(S().lock);
  if (S().createFileFault.Strike()) {
    SetLastError(S().createFileError);
    return INVALID_HANDLE_VALUE;
  }
  const std::string path = winsim::HostPath(name);
  if (SharingConflict(path, access, share)) {
    SetLastError(ERROR_SHARING_VIOLATION);
    return INVALID_HANDLE_VALUE;
  }
  const bool existed = std::filesystem::exists(path);
  const int fd = open(path.c_str(), flags | O_CLOEXEC, 0644);
  if (fd < 0) {
    SetLastError(ErrorFromErrno(path, errno));
    return INVALID_HANDLE_VALUE;
  }
  auto* file = new OpenFile{fd, path, access, share};
  S().openFiles.push_back(file);
  // The platform reports ERROR_ALREADY_EXISTS (183) on success when CREATE_ALWAYS or OPEN_ALWAYS
  // found the file, and 0 otherwise.
  SetLastError((existed && disposition != OPEN_EXISTING) ? 183 : ERROR_SUCCESS);
  return static_cast<HANDLE>(file);
}

BOOL WINAPI WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
  if (written == nullptr) winsim::Unmodelled("WriteFile", "no place for the count of bytes written");
  if (overlapped != nullptr) winsim::Unmodelled("WriteFile", "overlapped writing");
  if (buffer == nullptr && count > 0) winsim::Unmodelled("WriteFile", "null buffer");
  *written = 0;
  Guard guard(S().lock);
  OpenFile* file = FindOpen(handle);
  if (file == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  if ((file->access & GENERIC_WRITE) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  if (S().writeFault.Strike()) {
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
  }
  const ssize_t done = write(file->fd, buffer, count);
  if (done < 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  S().writes.push_back({handle, std::string(static_cast<const char*>(buffer), static_cast<size_t>(done))});
  *written = static_cast<DWORD>(done);
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE handle) {
  {
    Guard guard(S().lock);
    OpenFile* file = FindOpen(handle);
    if (file != nullptr) {
      Forget(file);
      return TRUE;
    }
  }
  if (winsim::detail::CloseThreadHandle(handle)) return TRUE;
  SetLastError(ERROR_INVALID_HANDLE);
  return FALSE;
}
