// winsim internals: the dialogs on screen and their controls, shared by the dialog sources; the
// dialog templates read from the resource script.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "state.h"
#include "winsim/dialog_control.h"

namespace winsim::detail {

struct Control {
  HWND handle;
  DialogControlSpec layout;
  std::string text;  // window text; for a combo box, its edit field or its current entry
  // Combo box list: entries with their item data, and the current entry (-1 for none).
  std::vector<std::pair<std::string, LRESULT>> entries;
  int selection = -1;
  // Trackbar.
  int rangeMin = 0;
  int rangeMax = 100;
  int position = 0;
};

struct Dialog {
  HWND handle;
  int templateId;
  HWND owner;
  LPARAM param;
  DLGPROC procedure;
  std::vector<Control> controls;
  bool ended = false;
  INT_PTR result = 0;
};

struct DialogState {
  std::unique_ptr<Dialog> open;  // the modal dialog on screen; nested dialogs are not modelled
  std::vector<DialogStep> script;
  bool failNext = false;
  bool commonControls = false;
  std::vector<DialogRecord> records;
  uintptr_t lastHandle = 0;  // dialog and control handles are never reused
};

DialogState& G();  // guarded by S().lock

// The template of that id in the resource script, or null.
const DialogTemplateSpec* FindDialogTemplate(int id);
// The control of the open dialog `dialog` with that id, or null (GetLastError set as the platform
// sets it).
Control* FindControl(HWND dialog, int id);
// A WM_COMMAND or WM_HSCROLL delivered to the open dialog's procedure, without winsim's lock held.
void Deliver(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace winsim::detail
