// winsim: the controls of a dialog as the program talks to them — SendDlgItemMessageA with the
// combo box, trackbar and window-text messages, and the Set/GetDlgItemText and Set/GetDlgItemInt
// helpers with the platform's parsing of numbers.
#include <strings.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include "commctrl.h"
#include "dialog_state.h"
#include "windows.h"

namespace {
using winsim::detail::Control;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

[[noreturn]] void Refuse(const Control& control, UINT message) {
  char what[96];
  std::snprintf(what, sizeof what, "message 0x%04X to a %s control", message, control.layout.className.c_str());
  winsim::Unmodelled("SendDlgItemMessageA", what);
}

int Index(WPARAM wParam) { return static_cast<int>(static_cast<INT_PTR>(wParam)); }

const char* TextOf(const char* call, LPARAM lParam) {
  const char* text = reinterpret_cast<const char*>(lParam);
  if (text == nullptr) winsim::Unmodelled(call, "a null text");
  return text;
}

LRESULT CopyText(const std::string& text, WPARAM size, LPARAM lParam) {
  char* buffer = reinterpret_cast<char*>(lParam);
  if (size == 0 || buffer == nullptr) return 0;
  const size_t copied = std::min<size_t>(text.size(), size - 1);
  std::memcpy(buffer, text.data(), copied);
  buffer[copied] = '\0';
  return static_cast<LRESULT>(copied);
}

// Makes `index` the current entry (or none, for an index outside the list); CB_ERR for none.
LRESULT Select(Control& control, int index) {
  const bool valid = index >= 0 && index < static_cast<int>(control.entries.size());
  control.selection = valid ? index : -1;
  control.text = valid ? control.entries[index].first : "";
  return valid ? index : CB_ERR;
}

// Entries are compared as the platform's sorted lists do for plain text: without regard to case.
// (Its locale's word order puts punctuation before letters; winsim compares characters, which
// agrees for letters, digits and blanks.)
LRESULT ComboMessage(Control& control, UINT message, WPARAM wParam, LPARAM lParam) {
  auto& entries = control.entries;
  const int index = Index(wParam);
  const bool valid = index >= 0 && index < static_cast<int>(entries.size());
  switch (message) {
    case CB_ADDSTRING: {
      const std::string text = TextOf("CB_ADDSTRING", lParam);
      size_t at = entries.size();
      if (control.layout.style & 0x100u) {  // CBS_SORT: before the first entry that is not smaller
        at = 0;
        while (at < entries.size() && strcasecmp(entries[at].first.c_str(), text.c_str()) < 0) ++at;
      }
      entries.insert(entries.begin() + static_cast<long>(at), {text, 0});
      if (control.selection >= static_cast<int>(at)) ++control.selection;
      return static_cast<LRESULT>(at);
    }
    case CB_GETCOUNT: return static_cast<LRESULT>(entries.size());
    case CB_GETCURSEL: return control.selection >= 0 ? control.selection : CB_ERR;
    case CB_SETCURSEL: return Select(control, index);
    case CB_SELECTSTRING: {
      // The first entry after `index` (from the top for -1), going round, that begins with the text.
      const std::string prefix = TextOf("CB_SELECTSTRING", lParam);
      const int count = static_cast<int>(entries.size());
      const int start = index < 0 || index >= count ? -1 : index;
      for (int n = 1; n <= count; ++n) {
        const int at = (start + n) % count;
        if (strncasecmp(entries[at].first.c_str(), prefix.c_str(), prefix.size()) == 0) return Select(control, at);
      }
      return CB_ERR;
    }
    case CB_GETITEMDATA: return valid ? entries[index].second : CB_ERR;
    case CB_SETITEMDATA:
      if (!valid) return CB_ERR;
      entries[index].second = lParam;
      return TRUE;
    case CB_GETLBTEXT:
      if (!valid) return CB_ERR;
      std::strcpy(reinterpret_cast<char*>(lParam), entries[index].first.c_str());
      return static_cast<LRESULT>(entries[index].first.size());
    case CB_GETLBTEXTLEN: return valid ? static_cast<LRESULT>(entries[index].first.size()) : CB_ERR;
    case CB_RESETCONTENT:
      entries.clear();
      Select(control, -1);
      return CB_OKAY;
    default: Refuse(control, message);
  }
}

LRESULT TrackbarMessage(Control& control, UINT message, LPARAM lParam) {
  switch (message) {
    case TBM_SETRANGE: {
      // Both ends are signed 16-bit numbers.
      const int low = static_cast<short>(LOWORD(lParam));
      const int high = static_cast<short>(HIWORD(lParam));
      if (low > high) winsim::Unmodelled("TBM_SETRANGE", "a range whose start is beyond its end");
      control.rangeMin = low;
      control.rangeMax = high;
      control.position = std::clamp(control.position, low, high);
      return 0;
    }
    case TBM_SETPOS:
      control.position = std::clamp(static_cast<int>(static_cast<LONG>(lParam)), control.rangeMin, control.rangeMax);
      return 0;
    case TBM_GETPOS: return control.position;
    case TBM_GETRANGEMIN: return control.rangeMin;
    case TBM_GETRANGEMAX: return control.rangeMax;
    default: Refuse(control, message);
  }
}

// Handles one message under winsim's lock; `notify` receives the notifications the control sends
// to the dialog, which go out once the lock is released.
LRESULT ControlMessage(Control& control, UINT message, WPARAM wParam, LPARAM lParam, std::vector<WORD>* notify) {
  const std::string& kind = control.layout.className;
  switch (message) {
    case WM_SETTEXT:
      if (kind == "combobox" || kind == TRACKBAR_CLASSA) Refuse(control, message);
      control.text = lParam != 0 ? reinterpret_cast<const char*>(lParam) : "";
      // A single-line edit box reports a new text as if it had been typed.
      if (kind == "edit") *notify = {EN_UPDATE, EN_CHANGE};
      return TRUE;
    case WM_GETTEXT: return CopyText(control.text, wParam, lParam);
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(control.text.size());
    default: break;
  }
  if (kind == "combobox") return ComboMessage(control, message, wParam, lParam);
  if (kind == TRACKBAR_CLASSA) return TrackbarMessage(control, message, lParam);
  Refuse(control, message);
}

}  // namespace

LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  std::vector<WORD> notify;
  LRESULT result;
  HWND from;
  {
    Guard guard(S().lock);
    Control* control = winsim::detail::FindControl(dialog, id);
    if (control == nullptr) return 0;
    from = control->handle;
    result = ControlMessage(*control, message, wParam, lParam, &notify);
  }
  for (WORD code : notify)
    winsim::detail::Deliver(dialog, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(from));
  return result;
}

BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  {
    Guard guard(S().lock);
    if (winsim::detail::FindControl(dialog, id) == nullptr) return FALSE;
  }
  return SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

UINT WINAPI GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  if (text != nullptr && size > 0) text[0] = '\0';
  if (size <= 0) return 0;
  return static_cast<UINT>(
      SendDlgItemMessageA(dialog, id, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(text)));
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  char text[16];
  if (isSigned) {
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
  } else {
    std::snprintf(text, sizeof text, "%u", value);
  }
  return SetDlgItemTextA(dialog, id, text);
}

// The platform strips blanks at the start, takes a minus sign only when asked for a signed number,
// then decimal digits up to the first other character. No digit, or a number beyond the type's
// range, fails: 0 and not translated.
UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated != nullptr) *translated = FALSE;
  std::string text;
  {
    Guard guard(S().lock);
    const Control* control = winsim::detail::FindControl(dialog, id);
    if (control == nullptr) return 0;
    text = control->text;
  }
  size_t at = text.find_first_not_of(' ');
  if (at == std::string::npos) return 0;
  const bool negative = isSigned && text[at] == '-';
  if (negative) ++at;
  const unsigned long long limit = !isSigned ? UINT_MAX : negative ? 1ull + INT_MAX : INT_MAX;
  unsigned long long value = 0;
  const size_t first = at;
  for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
    value = value * 10 + static_cast<unsigned>(text[at] - '0');
    if (value > limit) return 0;
  }
  if (at == first) return 0;
  if (translated != nullptr) *translated = TRUE;
  return negative ? static_cast<UINT>(0u - static_cast<UINT>(value)) : static_cast<UINT>(value);
}
