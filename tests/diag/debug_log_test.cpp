// The debug log: the file it recreates in the Windows directory, its exact bytes, the kept
// most-severe message, the message box, failures of the file, and lines kept whole across threads.
#include "diag/debug_log.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "winsim/control.h"

namespace {

namespace fs = std::filesystem;

class DebugLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StopErrorMsg();  // whatever an earlier test left open
    winsim::Reset();
    dir_ = winsim::WindowsDirectory();
    ErrorMsgLevel = 0;
    ErrorMsgText = "";
  }
  void TearDown() override {
    StopErrorMsg();
    fs::remove_all(dir_);
  }

  std::string Read(const char* name = "torvanecode.log") const {
    std::ifstream in(fs::path(dir_) / name, std::ios::binary);
    std::stringstream all;
    all << in.rdbuf();
    return all.str();
  }
  static std::string Kept() {
    const char* t = ErrorMsgText.TextOrNull();
    return t ? t : "";
  }

  std::string dir_;
};

const std::string kStarted = "LOG_INFO: [InitErrorMsg] DEBUG SESSION STARTED\r\n";
const std::string kTerminated = "LOG_INFO: [StopErrorMsg] DEBUG SESSION TERMINATED\r\n";

TEST_F(DebugLogTest, InitRecreatesTheFileForItsMode) {
  struct Row {
    bool fullscreen;
    const char* name;
    const char* other;
  } rows[] = {{true, "torvanecode_fs.log", "torvanecode.log"}, {false, "torvanecode.log", "torvanecode_fs.log"}};
  for (const Row& row : rows) {
    std::ofstream(fs::path(dir_) / row.name, std::ios::binary) << std::string(5000, 'O') << "\r\nold tail\r\n";
    ErrorMsgLevel = 5;
    ErrorMsgText = "left over";
    EXPECT_TRUE(InitErrorMsg(row.fullscreen)) << row.name;
    EXPECT_EQ(Read(row.name), kStarted) << row.name;
    EXPECT_FALSE(fs::exists(fs::path(dir_) / row.other)) << row.name;
    EXPECT_EQ(ErrorMsgLevel, LOG_INFO) << row.name;  // the start line itself is remembered
    StopErrorMsg();
    fs::remove(fs::path(dir_) / row.name);
  }
}

TEST_F(DebugLogTest, EveryLevelHasItsPrefix) {
  struct Row {
    uint32_t level;
    const char* prefix;
  } rows[] = {{0, "LOG_SPAM: "},
              {1, "LOG_GOSSIP: "},
              {2, "LOG_INFO: "},
              {3, "LOG_WARNING: "},
              {4, "LOG_ERROR: "},
              {5, "LOG_PANIC: "},
              {6, "LOG_PANIC (UNRECONGNIZED STATE): "},
              {7, "LOG_PANIC (UNRECONGNIZED STATE): "},
              {0xFFFFFFFFu, "LOG_PANIC (UNRECONGNIZED STATE): "}};
  ASSERT_TRUE(InitErrorMsg(false));
  std::string expected = kStarted;
  for (const Row& row : rows) {
    const std::string text = "[Test] level " + std::to_string(row.level);
    LogMessage(text.c_str(), row.level);
    expected += row.prefix + text + "\r\n";
  }
  EXPECT_EQ(Read(), expected);
}

TEST_F(DebugLogTest, KeepsTheLatestOfTheMostSevereMessages) {
  struct Step {
    const char* text;
    uint32_t level;
    const char* keptText;
    uint32_t keptLevel;
  } steps[] = {
      {"[A] warning", LOG_WARNING, "[A] warning", LOG_WARNING},
      {"[B] error", LOG_ERROR, "[B] error", LOG_ERROR},
      {"[C] second error", LOG_ERROR, "[C] second error", LOG_ERROR},
      {"[D] warning after error", LOG_WARNING, "[C] second error", LOG_ERROR},
      {"[E] panic", LOG_PANIC, "[E] panic", LOG_PANIC},
      {"[F] unknown level", 7, "[F] unknown level", 7},
      {"[G] panic below unknown", LOG_PANIC, "[F] unknown level", 7},
  };
  ASSERT_TRUE(InitErrorMsg(true));
  for (const Step& step : steps) {
    LogMessage(step.text, step.level);
    EXPECT_EQ(Kept(), step.keptText) << "after " << step.text;
    EXPECT_EQ(ErrorMsgLevel, step.keptLevel) << "after " << step.text;
  }
}

TEST_F(DebugLogTest, LongMessageIsWrittenWholeAndKeptCut) {
  ASSERT_TRUE(InitErrorMsg(false));
  const std::string text = "[Long] " + std::string(293, 'm');
  LogMessage(text.c_str(), LOG_ERROR);
  EXPECT_EQ(Read(), kStarted + "LOG_ERROR: " + text + "\r\n");
  EXPECT_EQ(Kept(), text.substr(0, 254));
}

TEST_F(DebugLogTest, ClosedLogWritesAndKeepsNothing) {
  LogMessage("[Before] init", LOG_PANIC);
  EXPECT_EQ(ErrorMsgLevel, 0u);
  EXPECT_TRUE(winsim::Writes().empty());
  ASSERT_TRUE(InitErrorMsg(false));
  StopErrorMsg();
  const size_t writes = winsim::Writes().size();
  LogMessage("[After] stop", LOG_PANIC);
  StopErrorMsg();  // a second stop writes nothing either
  EXPECT_EQ(winsim::Writes().size(), writes);
  EXPECT_EQ(Read(), kStarted + kTerminated);
  EXPECT_EQ(ErrorMsgLevel, LOG_INFO);  // kept across the stop
  EXPECT_EQ(winsim::OpenFileCount(), 0);
}

TEST_F(DebugLogTest, ShowErrorMsgShowsOnlyErrorsAndAlwaysForgets) {
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(0x1234));
  struct Row {
    uint32_t level;
    bool shown;
  } rows[] = {{LOG_SPAM, false}, {LOG_INFO, false}, {LOG_WARNING, false},
              {LOG_ERROR, true}, {LOG_PANIC, true}, {9, true}};
  ASSERT_TRUE(InitErrorMsg(true));
  for (const Row& row : rows) {
    winsim::Reset();
    winsim::SetWindowsDirectory(dir_);
    const std::string text = "[Show] level " + std::to_string(row.level);
    LogMessage(text.c_str(), row.level);
    ShowErrorMsg(owner);
    const auto& boxes = winsim::MessageBoxes();
    ASSERT_EQ(boxes.size(), row.shown ? 1u : 0u) << text;
    if (row.shown) {
      EXPECT_EQ(boxes[0].owner, owner);
      EXPECT_EQ(boxes[0].text, text);
      EXPECT_EQ(boxes[0].caption, "Sarvello v1.30");
      EXPECT_EQ(boxes[0].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL | MB_SETFOREGROUND));
    }
    EXPECT_EQ(ErrorMsgLevel, 0u) << text;
    EXPECT_EQ(Kept(), "No Error") << text;
  }
}

TEST_F(DebugLogTest, MessageBoxThatCannotShowIsLoggedThenForgotten) {
  ASSERT_TRUE(InitErrorMsg(true));
  LogMessage("[X] broken", LOG_ERROR);
  winsim::ScriptMessageBoxAnswers({0});
  ShowErrorMsg(nullptr);
  EXPECT_EQ(Read("torvanecode_fs.log"),
            kStarted + "LOG_ERROR: [X] broken\r\nLOG_ERROR: [ShowErrorMsg] Unable to display error message\r\n");
  EXPECT_EQ(ErrorMsgLevel, 0u);
  EXPECT_EQ(Kept(), "No Error");
}

TEST_F(DebugLogTest, FailedWriteDropsTheRestOfTheLineOnly) {
  ASSERT_TRUE(InitErrorMsg(false));
  struct Row {
    int skip;  // writes of the line that succeed before the failing one
    const char* written;
  } rows[] = {{0, ""}, {1, "LOG_ERROR: "}, {2, "LOG_ERROR: [W] lost"}};
  std::string expected = kStarted;
  for (const Row& row : rows) {
    winsim::FailWrite(1, row.skip);
    LogMessage("[W] lost", LOG_ERROR);
    expected += row.written;
    EXPECT_EQ(ErrorMsgLevel, LOG_INFO) << "failing write " << row.skip;  // not remembered
    LogMessage("[W] next", LOG_GOSSIP);                                  // later calls try again
    expected += "LOG_GOSSIP: [W] next\r\n";
  }
  EXPECT_EQ(Read(), expected);
}

TEST_F(DebugLogTest, UnopenableFileLeavesLoggingOff) {
  winsim::FailCreateFile(ERROR_ACCESS_DENIED, 1, 1);  // emptied, then not opened for writing
  EXPECT_FALSE(InitErrorMsg(true));
  LogMessage("[Y] error", LOG_ERROR);
  ShowErrorMsg(nullptr);
  EXPECT_TRUE(winsim::MessageBoxes().empty());
  EXPECT_TRUE(winsim::Writes().empty());
  StopErrorMsg();
  EXPECT_EQ(winsim::OpenFileCount(), 0);

  winsim::SetWindowsDirectory(dir_ + "/missing-folder");
  EXPECT_FALSE(InitErrorMsg(false));
  LogMessage("[Y] error", LOG_ERROR);
  EXPECT_EQ(ErrorMsgLevel, 0u);
}

TEST_F(DebugLogTest, FailedEmptyingOverwritesInPlace) {
  const std::string old = std::string(200, 'o');
  std::ofstream(fs::path(dir_) / "torvanecode.log", std::ios::binary) << old;
  winsim::FailCreateFile(ERROR_SHARING_VIOLATION);
  ASSERT_TRUE(InitErrorMsg(false));
  EXPECT_EQ(Read(), kStarted + old.substr(kStarted.size()));
}

TEST_F(DebugLogTest, SecondInitClosesTheFirstFile) {
  ASSERT_TRUE(InitErrorMsg(true));
  ASSERT_TRUE(InitErrorMsg(false));
  EXPECT_EQ(winsim::OpenFileCount(), 1);
  EXPECT_EQ(Read("torvanecode.log"), kStarted);
}

TEST_F(DebugLogTest, WindowsDirectoryTooLongForTheNameLeavesLoggingOff) {
  // The name is built in a FixedString of at most 255 characters; a directory that leaves no room
  // for the whole file name must not produce a cut name.
  struct Row {
    size_t length;  // of the Windows directory
    bool fullscreen;
    bool opens;
  } rows[] = {{239, false, true}, {240, false, false}, {236, true, true}, {237, true, false}, {300, false, false}};
  for (const Row& row : rows) {
    std::string folder = dir_;
    while (folder.size() < row.length)
      folder += "/" + std::string(std::min<size_t>(99, row.length - folder.size() - 1), 'p');
    ASSERT_EQ(folder.size(), row.length);
    fs::create_directories(folder);
    winsim::SetWindowsDirectory(folder);
    EXPECT_EQ(InitErrorMsg(row.fullscreen), row.opens) << row.length;
    LogMessage("[Long] line", LOG_ERROR);
    StopErrorMsg();
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_)) files += entry.is_regular_file();
    EXPECT_EQ(files, row.opens ? 1 : 0) << row.length;
    fs::remove_all(fs::path(dir_) / fs::path(folder.substr(dir_.size() + 1)).begin()->string());
  }
}

TEST_F(DebugLogTest, LinesFromTwoThreadsNeverInterleave) {
  ASSERT_TRUE(InitErrorMsg(true));
  constexpr int kLines = 2000;
  auto writer = [](char tag) {
    const std::string text = std::string("[Thread") + tag + "] " + std::string(40, tag);
    for (int i = 0; i < kLines; ++i) LogMessage(text.c_str(), LOG_SPAM);
  };
  std::thread a(writer, 'a');
  std::thread b(writer, 'b');
  a.join();
  b.join();
  std::istringstream in(Read("torvanecode_fs.log"));
  std::string line;
  int counts[2] = {0, 0};
  std::getline(in, line);  // the start line
  while (std::getline(in, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    line.pop_back();
    const char tag = line.back();
    ASSERT_EQ(line, "LOG_SPAM: [Thread" + std::string(1, tag) + "] " + std::string(40, tag));
    ++counts[tag == 'a' ? 0 : 1];
  }
  EXPECT_EQ(counts[0], kLines);
  EXPECT_EQ(counts[1], kLines);
}

}  // namespace
