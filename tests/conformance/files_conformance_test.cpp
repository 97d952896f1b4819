// Files as the debug log uses them: the Windows directory, CreateFileA's emptying and sharing
// rules, and a handle opened without truncation that writes untranslated bytes from the start of
// the file.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/win32.h"
#include "test_files.h"

namespace {

class FilesConformance : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = WindowsDirectoryPath() + "sarvello_conformance_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".tmp";
    RemoveFile(path_);
  }
  void TearDown() override { RemoveFile(path_); }

  // As the log opens its file for writing, after emptying it.
  HANDLE OpenForLog() const { return OpenForLog(path_); }
  static HANDLE OpenForLog(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                       nullptr);
  }
  static DWORD Write(HANDLE file, const char* bytes, DWORD size) {
    DWORD written = 0xDEADBEEF;
    EXPECT_NE(WriteFile(file, bytes, size, &written, nullptr), FALSE);
    return written;
  }

  std::string path_;
};

TEST(WindowsDirectoryConformance, ReportsLengthOrTheSizeNeeded) {
  char buffer[1024];
  const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  ASSERT_GT(length, 0u);
  EXPECT_EQ(std::strlen(buffer), length);
  char small[2] = {'x', 'x'};
  EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), length + 1) << "too small: the size with the NUL";
  EXPECT_EQ(GetWindowsDirectoryA(buffer, length + 1), length) << "exactly large enough";
}

TEST_F(FilesConformance, CreateAlwaysEmptiesAnExistingFile) {
  WriteWholeFile(path_, std::string(100, 'o'));
  SetLastError(0xDEADBEEF);
  HANDLE handle = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 183u) << "ERROR_ALREADY_EXISTS for a file that was there";
  EXPECT_NE(CloseHandle(handle), FALSE);
  EXPECT_EQ(ReadWholeFile(path_), "");
  EXPECT_EQ(CloseHandle(handle), FALSE) << "a closed handle cannot be closed again";
}

TEST_F(FilesConformance, CreateAlwaysMakesAMissingFile) {
  SetLastError(0xDEADBEEF);
  HANDLE handle = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u);
  CloseHandle(handle);
  EXPECT_TRUE(FileExists(path_));
}

TEST_F(FilesConformance, ExclusiveCreateFailsWhileTheLogHandleIsOpen) {
  HANDLE log = OpenForLog();
  ASSERT_NE(log, INVALID_HANDLE_VALUE);
  HANDLE handle = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  EXPECT_NE(CloseHandle(log), FALSE);
}

TEST_F(FilesConformance, LogHandleWritesFromTheStartWithoutShortening) {
  WriteWholeFile(path_, "0123456789");
  HANDLE log = OpenForLog();
  ASSERT_NE(log, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 183u) << "ERROR_ALREADY_EXISTS: opened, not created";
  EXPECT_EQ(Write(log, "ab", 2), 2u);
  EXPECT_EQ(Write(log, "c", 1), 1u) << "each write goes on where the last one ended";
  EXPECT_NE(CloseHandle(log), FALSE);
  EXPECT_EQ(ReadWholeFile(path_), "abc3456789");
}

TEST_F(FilesConformance, LogHandleMakesAMissingFileAndWritesBytesAsTheyAre) {
  HANDLE log = OpenForLog();
  ASSERT_NE(log, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), 0u) << "created";
  const char bytes[] = "a\nb\r\nc\r\x1a\xff";
  EXPECT_EQ(Write(log, bytes, sizeof bytes - 1), sizeof bytes - 1);
  // Another reader sees every byte at once: nothing waits in a buffer of the program's.
  EXPECT_EQ(ReadWholeFile(path_), std::string(bytes, sizeof bytes - 1));
  EXPECT_NE(CloseHandle(log), FALSE);
}

TEST_F(FilesConformance, MissingFolderFailsBothWays) {
  const std::string inMissing = WindowsDirectoryPath() + "sarvello_no_such_folder\\x.log";
  HANDLE handle = CreateFileA(inMissing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(OpenForLog(inMissing), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
