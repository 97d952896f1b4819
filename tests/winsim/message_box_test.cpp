// winsim's message boxes: recorded as shown, answered from the script, then by their style.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/win32.h"
#include "winsim/control.h"

namespace {

TEST(WinsimMessageBoxTest, RecordsAndAnswersInOrder) {
  winsim::Reset();
  winsim::ScriptMessageBoxAnswers({IDCANCEL, 0});
  HWND owner = reinterpret_cast<HWND>(static_cast<uintptr_t>(42));
  EXPECT_EQ(MessageBoxA(owner, "one", "Title", MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxA(nullptr, "two", nullptr, MB_OK), 0);
  EXPECT_EQ(MessageBoxA(nullptr, nullptr, "T", MB_OK | MB_ICONEXCLAMATION), IDOK);
  EXPECT_EQ(MessageBoxA(nullptr, "four", "T", MB_YESNO), IDYES);
  const auto& boxes = winsim::MessageBoxes();
  ASSERT_EQ(boxes.size(), 4u);
  EXPECT_EQ(boxes[0].owner, owner);
  EXPECT_EQ(boxes[0].text, "one");
  EXPECT_EQ(boxes[0].caption, "Title");
  EXPECT_EQ(boxes[1].caption, "Error") << "a null caption shows as Error";
  EXPECT_EQ(boxes[2].text, "");
  EXPECT_EQ(boxes[2].style, static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  winsim::Reset();
  EXPECT_TRUE(winsim::MessageBoxes().empty());
}

TEST(WinsimMessageBoxTest, HookSeesTheBoxWhileItIsUp) {
  winsim::Reset();
  std::vector<std::string> seen;
  size_t recordedMeanwhile = 99;
  winsim::OnMessageBox([&](const winsim::MessageBoxRecord& box) {
    seen.push_back(box.text + "|" + box.caption);
    recordedMeanwhile = winsim::MessageBoxes().size();
  });
  EXPECT_EQ(MessageBoxA(nullptr, "one", nullptr, MB_OK), IDOK);
  ASSERT_EQ(seen, std::vector<std::string>{"one|Error"});
  EXPECT_EQ(recordedMeanwhile, 0u) << "recorded once it is answered";
  EXPECT_EQ(winsim::MessageBoxes().size(), 1u);
  winsim::Reset();
  MessageBoxA(nullptr, "two", "T", MB_OK);
  EXPECT_EQ(seen.size(), 1u) << "Reset removes the hook";
}

}  // namespace
