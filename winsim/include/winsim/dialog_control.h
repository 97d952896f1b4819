// winsim's control API for dialogs: the scripted user who works the next modal dialog, the record of
// dialogs shown, and the dialog templates as the resource script declares them.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "winsim/win_dialog.h"
#include "winsim/win_types.h"

namespace winsim {

// --- the scripted user ------------------------------------------------------------------------
// After WM_INITDIALOG, DialogBoxParamA performs the script's steps in order, each delivering to the
// dialog procedure what the real control sends, until the dialog ends. A dialog still open when the
// script is used up stops the process (a test that forgot to close it would otherwise hang). Focus
// changes, painting and keyboard navigation are not modelled.
struct DialogStep {
  enum class Action { kTypeText, kPickEntry, kTypeComboText, kMoveTrackbar, kClick, kPressEscape, kCheck };
  Action action;
  int control;
  std::string text;
  int position;
  std::function<void(HWND dialog)> check;
};
// Replaces an edit box's text as typed: EN_UPDATE, then EN_CHANGE.
DialogStep TypeText(int control, const std::string& text);
// Picks the entry of exactly this text from a combo box's list: CBN_DROPDOWN, CBN_SELCHANGE (only
// when the selection changes), CBN_SELENDOK, CBN_CLOSEUP.
DialogStep PickEntry(int control, const std::string& entryText);
// Types into the edit field of a CBS_DROPDOWN combo box with its list closed: the list then has no
// current entry; CBN_EDITUPDATE, CBN_EDITCHANGE.
DialogStep TypeComboText(int control, const std::string& text);
// Drags a horizontal trackbar's thumb to `position` (kept within the range): WM_HSCROLL with
// TB_THUMBTRACK and TB_THUMBPOSITION at the position, then TB_ENDTRACK.
DialogStep MoveTrackbar(int control, int position);
// Clicks a button: WM_COMMAND with BN_CLICKED.
DialogStep Click(int control);
// The Escape key (or the title bar's close button): WM_COMMAND with IDCANCEL.
DialogStep PressEscape();
// Runs test code with the dialog on screen, e.g. to read its controls through the platform calls.
DialogStep Check(std::function<void(HWND dialog)> check);

// The script of the next DialogBoxParamA (it is used up by that dialog).
void ScriptDialog(std::vector<DialogStep> steps);
// The next DialogBoxParamA fails (-1) as if the dialog could not be made.
void FailNextDialog();

struct DialogRecord {
  int templateId;
  HWND owner;
  HWND dialog;
  LPARAM param;
  INT_PTR result;  // as DialogBoxParamA answered it
};
// Every dialog shown, in order, once it has ended.
const std::vector<DialogRecord>& Dialogs();
bool CommonControlsInitialised();

// --- templates --------------------------------------------------------------------------------
struct DialogControlSpec {
  int id;                 // as the template stores it: 65535 for IDC_STATIC
  std::string className;  // lower case: "button", "static", "edit", "combobox", "msctls_trackbar32"
  std::string text;
  DWORD style;
  int x, y, width, height;  // dialog units
};
struct DialogTemplateSpec {
  int id;
  DWORD style;
  std::string caption;
  std::string font;
  int pointSize;
  int x, y, width, height;
  std::vector<DialogControlSpec> controls;  // in template order
};
// The dialog template `id` of resources/sarvello.rc; stops the process when there is none.
const DialogTemplateSpec& DialogTemplate(int id);

}  // namespace winsim
