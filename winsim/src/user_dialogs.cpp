// winsim: modal dialogs — DialogBoxParamA with its scripted user, EndDialog, GetDlgItem,
// InitCommonControls — and their part of the control API and of Reset.
#include <algorithm>

#include "commctrl.h"
#include "dialog_state.h"
#include "settings_reset.h"
#include "windows.h"

namespace winsim::detail {

DialogState& G() {
  static auto* state = new DialogState;
  return *state;
}

Control* FindControl(HWND dialog, int id) {
  auto& open = G().open;
  if (open == nullptr || open->handle != dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
  }
  // A DIALOG template stores its identifiers as 16-bit words.
  for (Control& control : open->controls) {
    if (control.layout.id == (id & 0xFFFF)) return &control;
  }
  SetLastError(ERROR_CONTROL_ID_NOT_FOUND);
  return nullptr;
}

void Deliver(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DLGPROC procedure;
  {
    std::lock_guard<std::recursive_mutex> guard(S().lock);
    if (G().open == nullptr || G().open->handle != dialog) return;
    procedure = G().open->procedure;
  }
  procedure(dialog, message, wParam, lParam);
}

void ResetDialogs() {
  auto& g = G();
  g.open.reset();
  g.script.clear();
  g.failNext = false;
  g.commonControls = false;
  g.records.clear();
}

}  // namespace winsim::detail

namespace {
using winsim::DialogStep;
using winsim::detail::Control;
using winsim::detail::G;
using winsim::detail::S;
using Guard = std::lock_guard<std::recursive_mutex>;

// Dialog and control handles: multiples of 4 in a range of their own, never reused.
HWND NextHandle() {
  G().lastHandle = G().lastHandle == 0 ? 0x00A00004u : G().lastHandle + 4;
  return reinterpret_cast<HWND>(G().lastHandle);
}

bool KnownClass(const std::string& name) {
  return name == "button" || name == "static" || name == "edit" || name == "combobox" || name == TRACKBAR_CLASSA;
}

// The control a step works on, which must be of `className`; the step's control as a handle.
HWND StepControl(HWND dialog, const DialogStep& step, const char* className, Control** control) {
  *control = winsim::detail::FindControl(dialog, step.control);
  if (*control == nullptr || (*control)->layout.className != className)
    winsim::Unmodelled("the scripted user", "no " + std::string(className) + " " + std::to_string(step.control));
  return (*control)->handle;
}

LPARAM AsLParam(HWND handle) { return reinterpret_cast<LPARAM>(handle); }

// One step of the scripted user: the control's new state first, then what the control sends.
void Perform(HWND dialog, const DialogStep& step) {
  using Action = DialogStep::Action;
  if (step.action == Action::kCheck) {
    step.check(dialog);
    return;
  }
  std::vector<std::pair<UINT, WPARAM>> sent;  // messages to the dialog procedure, in order
  HWND from = nullptr;
  {
    Guard guard(S().lock);
    Control* control = nullptr;
    const WORD id = static_cast<WORD>(step.control);
    switch (step.action) {
      case Action::kTypeText:
        from = StepControl(dialog, step, "edit", &control);
        control->text = step.text;
        sent = {{WM_COMMAND, MAKEWPARAM(id, EN_UPDATE)}, {WM_COMMAND, MAKEWPARAM(id, EN_CHANGE)}};
        break;
      case Action::kPickEntry: {
        from = StepControl(dialog, step, "combobox", &control);
        const auto& entries = control->entries;
        const auto found =
            std::find_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.first == step.text; });
        if (found == entries.end()) winsim::Unmodelled("the scripted user", "no entry \"" + step.text + "\" to pick");
        const int index = static_cast<int>(found - entries.begin());
        sent.push_back({WM_COMMAND, MAKEWPARAM(id, CBN_DROPDOWN)});
        if (index != control->selection) sent.push_back({WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE)});
        sent.push_back({WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK)});
        sent.push_back({WM_COMMAND, MAKEWPARAM(id, CBN_CLOSEUP)});
        control->selection = index;
        control->text = found->first;
        break;
      }
      case Action::kTypeComboText:
        from = StepControl(dialog, step, "combobox", &control);
        if ((control->layout.style & 0x3u) != 0x2u)  // CBS_DROPDOWN: a list with an edit field
          winsim::Unmodelled("the scripted user", "typing into a combo box without an edit field");
        // With the list closed, a changed edit field leaves the list without a current entry.
        control->text = step.text;
        control->selection = -1;
        sent = {{WM_COMMAND, MAKEWPARAM(id, CBN_EDITUPDATE)}, {WM_COMMAND, MAKEWPARAM(id, CBN_EDITCHANGE)}};
        break;
      case Action::kMoveTrackbar: {
        from = StepControl(dialog, step, TRACKBAR_CLASSA, &control);
        control->position = std::clamp(step.position, control->rangeMin, control->rangeMax);
        const auto position = static_cast<WORD>(control->position);
        sent = {{WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position)},
                {WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position)},
                {WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0)}};
        break;
      }
      case Action::kClick:
        from = StepControl(dialog, step, "button", &control);
        sent = {{WM_COMMAND, MAKEWPARAM(id, BN_CLICKED)}};
        break;
      case Action::kPressEscape:
        // The dialog manager sends IDCANCEL from the control of that id, if the dialog has one.
        control = winsim::detail::FindControl(dialog, IDCANCEL);
        from = control != nullptr ? control->handle : nullptr;
        sent = {{WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED)}};
        break;
      case Action::kCheck: break;
    }
  }
  for (const auto& [message, wParam] : sent) winsim::detail::Deliver(dialog, message, wParam, AsLParam(from));
}

bool Ended() {
  Guard guard(S().lock);
  return G().open->ended;
}

}  // namespace

namespace winsim {

DialogStep TypeText(int control, const std::string& text) {
  return {DialogStep::Action::kTypeText, control, text, 0, {}};
}
DialogStep PickEntry(int control, const std::string& entryText) {
  return {DialogStep::Action::kPickEntry, control, entryText, 0, {}};
}
DialogStep TypeComboText(int control, const std::string& text) {
  return {DialogStep::Action::kTypeComboText, control, text, 0, {}};
}
DialogStep MoveTrackbar(int control, int position) {
  return {DialogStep::Action::kMoveTrackbar, control, "", position, {}};
}
DialogStep Click(int control) { return {DialogStep::Action::kClick, control, "", 0, {}}; }
DialogStep PressEscape() { return {DialogStep::Action::kPressEscape, IDCANCEL, "", 0, {}}; }
DialogStep Check(std::function<void(HWND dialog)> check) {
  return {DialogStep::Action::kCheck, 0, "", 0, std::move(check)};
}

void ScriptDialog(std::vector<DialogStep> steps) {
  Guard guard(S().lock);
  G().script = std::move(steps);
}

void FailNextDialog() {
  Guard guard(S().lock);
  G().failNext = true;
}

const std::vector<DialogRecord>& Dialogs() { return G().records; }

bool CommonControlsInitialised() {
  Guard guard(S().lock);
  return G().commonControls;
}

}  // namespace winsim

void WINAPI InitCommonControls() {
  Guard guard(S().lock);
  G().commonControls = true;
}

INT_PTR WINAPI DialogBoxParamA(HINSTANCE /*instance: winsim has one module*/, LPCSTR templateName, HWND owner,
                               DLGPROC procedure, LPARAM param) {
  const char* call = "DialogBoxParamA";
  if (!IS_INTRESOURCE(templateName)) winsim::Unmodelled(call, "a template named by text");
  if (procedure == nullptr) winsim::Unmodelled(call, "no dialog procedure");
  const int id = static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName));
  HWND dialog;
  HWND focus = nullptr;
  std::vector<DialogStep> script;
  {
    Guard guard(S().lock);
    auto& g = G();
    if (g.open != nullptr) winsim::Unmodelled(call, "a dialog inside a dialog");
    if (g.failNext) {
      g.failNext = false;
      return -1;
    }
    const winsim::DialogTemplateSpec* layout = winsim::detail::FindDialogTemplate(id);
    if (layout == nullptr) {
      SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
      return -1;
    }
    for (const auto& control : layout->controls) {
      if (!KnownClass(control.className)) winsim::Unmodelled(call, "control class " + control.className);
      // The trackbar's class exists once the common controls are initialised.
      if (control.className == TRACKBAR_CLASSA && !g.commonControls) {
        SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
        return -1;
      }
    }
    g.open = std::make_unique<winsim::detail::Dialog>();
    g.open->handle = dialog = NextHandle();
    g.open->templateId = id;
    g.open->owner = owner;
    g.open->param = param;
    g.open->procedure = procedure;
    for (const auto& control : layout->controls) {
      Control made;
      made.handle = NextHandle();
      made.layout = control;
      made.text = control.className == "combobox" ? "" : control.text;
      g.open->controls.push_back(made);
      // The first control one can tab to gets the focus.
      if (focus == nullptr && (control.style & 0x00010000u) != 0) focus = g.open->controls.back().handle;
    }
    script = std::move(g.script);
    g.script.clear();
  }

  procedure(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), param);
  for (size_t step = 0; !Ended(); ++step) {
    if (step == script.size())
      winsim::Unmodelled(call,
                         "the scripted user has no step left and dialog " + std::to_string(id) + " is still open");
    Perform(dialog, script[step]);
  }

  Guard guard(S().lock);
  const INT_PTR result = G().open->result;
  G().records.push_back({id, owner, dialog, param, result});
  G().open.reset();
  return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  Guard guard(S().lock);
  auto& open = G().open;
  if (open == nullptr || open->handle != dialog) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  open->ended = true;
  open->result = result;
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  Guard guard(S().lock);
  Control* control = winsim::detail::FindControl(dialog, id);
  return control != nullptr ? control->handle : nullptr;
}
