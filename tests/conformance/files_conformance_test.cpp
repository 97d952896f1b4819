// Files as the debug log uses them: the Windows directory, CreateFileA's emptying and sharing
// rules, and runtime descriptors that write untranslated bytes from the start of the file.
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

  int OpenForLog() const { return _open(path_.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE); }

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

TEST_F(FilesConformance, ExclusiveCreateFailsWhileADescriptorIsOpen) {
  const int fd = OpenForLog();
  ASSERT_GE(fd, 0);
  HANDLE handle = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
  if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
  EXPECT_EQ(_close(fd), 0);
}

TEST_F(FilesConformance, DescriptorWritesFromTheStartWithoutShortening) {
  WriteWholeFile(path_, "0123456789");
  const int fd = OpenForLog();
  ASSERT_GE(fd, 0);
  EXPECT_EQ(_write(fd, "ab", 2), 2);
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(ReadWholeFile(path_), "ab23456789");
}

TEST_F(FilesConformance, BinaryDescriptorKeepsLineEndsAsWritten) {
  const int fd = OpenForLog();
  ASSERT_GE(fd, 0);
  const char bytes[] = "a\nb\r\nc\r\x1a\xff";
  EXPECT_EQ(_write(fd, bytes, sizeof bytes - 1), static_cast<int>(sizeof bytes - 1));
  EXPECT_EQ(_close(fd), 0);
  EXPECT_EQ(ReadWholeFile(path_), std::string(bytes, sizeof bytes - 1));
}

TEST_F(FilesConformance, MissingFolderFailsBothWays) {
  const std::string inMissing = WindowsDirectoryPath() + "sarvello_no_such_folder\\x.log";
  HANDLE handle = CreateFileA(inMissing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(handle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
  EXPECT_EQ(_open(inMissing.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE), -1);
}

}  // namespace
