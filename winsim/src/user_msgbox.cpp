// winsim: MessageBoxA, recorded with its owner, text, caption and style, answered from a script.
#include "state.h"
#include "windows.h"

namespace {
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;
}  // namespace

namespace winsim {

const std::vector<MessageBoxRecord>& MessageBoxes() { return S().messageBoxes; }

void ScriptMessageBoxAnswers(const std::vector<int>& answers) {
  Guard guard(S().lock);
  S().messageBoxAnswers = answers;
}

void OnMessageBox(std::function<void(const MessageBoxRecord&)> hook) {
  Guard guard(S().lock);
  S().messageBoxHook = std::move(hook);
}

}  // namespace winsim

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
  const UINT buttons = style & 0xFu;
  if (buttons != MB_OK && buttons != MB_OKCANCEL && buttons != MB_YESNO)
    winsim::Unmodelled("MessageBoxA", "button style " + std::to_string(buttons));
  std::function<void(const winsim::MessageBoxRecord&)> hook;
  winsim::MessageBoxRecord record{owner, text ? text : "", caption ? caption : "Error", style};
  {
    Guard guard(S().lock);
    hook = S().messageBoxHook;
  }
  // The user looks at the box while it is up: before it is answered, without winsim's lock.
  if (hook) hook(record);
  Guard guard(S().lock);
  // The platform shows "Error" for a null caption and an empty text for a null text.
  S().messageBoxes.push_back(record);
  auto& answers = S().messageBoxAnswers;
  if (!answers.empty()) {
    const int answer = answers.front();
    answers.erase(answers.begin());
    return answer;
  }
  return buttons == MB_YESNO ? IDYES : IDOK;
}
