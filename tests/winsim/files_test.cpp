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
  int Open() const { return _open(path_.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY, _S_IREAD | _S_IWRITE); }
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
    const int fd = Open();
    ASSERT_GE(fd, 0);
    winsim::FailWrite(row.count, row.skip);
    for (size_t i = 0; i < row.results.size(); ++i)
      EXPECT_EQ(_write(fd, "x", 1) == 1, row.results[i])
          << "skip " << row.skip << " count " << row.count << " write " << i;
    _close(fd);
  }
}

TEST_F(WinsimFilesTest, InjectedFailuresReportTheirErrors) {
  winsim::FailCreateFile(ERROR_ACCESS_DENIED);
  EXPECT_EQ(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
  winsim::FailOpen();
  EXPECT_EQ(Open(), -1);
  const int fd = Open();
  EXPECT_GE(fd, 0) << "one failure only";
  _close(fd);
}

TEST_F(WinsimFilesTest, RecordsWritesAndCountsOpenFiles) {
  const int fd = Open();
  HANDLE handle = CreateFileA((path_ + "2").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_EQ(winsim::OpenFileCount(), 2);
  _write(fd, "ab\r\n", 4);
  ASSERT_EQ(winsim::Writes().size(), 1u);
  EXPECT_EQ(winsim::Writes()[0].fd, fd);
  EXPECT_EQ(winsim::Writes()[0].bytes, "ab\r\n");
  _close(fd);
  CloseHandle(handle);
  EXPECT_EQ(winsim::OpenFileCount(), 0);
  EXPECT_EQ(_write(fd, "x", 1), -1) << "a closed descriptor";
}

TEST_F(WinsimFilesTest, UnmodelledUseStopsLoudly) {
  EXPECT_DEATH(_open(path_.c_str(), _O_WRONLY | _O_CREAT, _S_IREAD | _S_IWRITE), "_open: not modelled: text mode");
  EXPECT_DEATH(CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr),
               "CreateFileA: not modelled: disposition 5");
}

}  // namespace
