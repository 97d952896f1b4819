// winsim's file faults and records: what the debug log's failure paths are tested with.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

class WinsimFilesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    winsim::Reset();
    path_ = winsim::WindowsDirectory() + "\\faults.tmp";
  }
  void TearDown() override { std::filesystem::remove_all(winsim::WindowsDirectory()); }
  HANDLE Open() const {
    return CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0,
                       nullptr);
  }
  static bool Write(HANDLE file, const char* bytes, DWORD size) {
    DWORD written = 0xDEADBEEF;
    const bool done = WriteFile(file, bytes, size, &written, nullptr) != FALSE;
    return done && written == size;
  }
  std::string path_;
};

TEST_F(WinsimFilesTest, FaultsStrikeAfterTheirSkipForTheirCount) {
  struct Row {
    int skip;
    int count;
    std::vector<bool> results;  // success of five writes in a row
  } rows[] = {{0, 1, {false, true, true, true, true}},
              {2, 1, {true, true, false, true, true}},
              {1, 3, {true, false, false, false, true}},
              {0, 0, {true, true, true, true, true}}};
  for (const Row& row : rows) {
    HANDLE file = Open();
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    winsim::FailWrite(row.count, row.skip);
    for (size_t i = 0; i < row.results.size(); ++i)
      EXPECT_EQ(Write(file, "x", 1), row.results[i]) << "skip " << row.skip << " count " << row.count << " write " << i;
    CloseHandle(file);
  }
}

TEST_F(WinsimFilesTest, InjectedFailuresReportTheirErrors) {
  winsim::FailCreateFile(ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  HANDLE file = Open();
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "one failure only";
  winsim::FailWrite();
  DWORD written = 0xDEADBEEF;
  EXPECT_EQ(WriteFile(file, "x", 1, &written, nullptr), FALSE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
  EXPECT_EQ(written, 0u) << "nothing written";
  CloseHandle(file);
}

TEST_F(WinsimFilesTest, RecordsWritesAndCountsOpenFiles) {
  HANDLE file = Open();
  HANDLE reader =
      CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(winsim::OpenFileCount(), 2);
  EXPECT_TRUE(Write(file, "ab\r\n", 4));
  EXPECT_FALSE(Write(reader, "x", 1)) << "a handle opened for reading only";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  ASSERT_EQ(winsim::Writes().size(), 1u);
  EXPECT_EQ(winsim::Writes()[0].handle, file);
  EXPECT_EQ(winsim::Writes()[0].bytes, "ab\r\n");
  CloseHandle(file);
  CloseHandle(reader);
  EXPECT_EQ(winsim::OpenFileCount(), 0);
  EXPECT_FALSE(Write(file, "x", 1)) << "a closed handle";
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

TEST_F(WinsimFilesTest, UnmodelledUseStopsLoudly) {
  HANDLE file = Open();
  EXPECT_DEATH(WriteFile(file, "x", 1, nullptr, nullptr), "WriteFile: not modelled: no place for the count");
  CloseHandle(file);
  EXPECT_DEATH(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
               "CreateFileA: not modelled: disposition 5");
}

}  // namespace
