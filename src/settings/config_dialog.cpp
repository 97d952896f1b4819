// ConfigDialogProc: the configuration dialog's set-up, its device change, OK and Cancel, and the
// working table that keeps every device's edits until OK.
#include "settings/config_dialog.h"

#include <cstring>
#include <new>

#include "diag/debug_log.h"
#include "display/ddraw_manager.h"
#include "heart/fixed_string.h"
#include "rain/shared_flags.h"
#include "resource.h"
#include "settings/config_dialog_store.h"
#include "settings/read_settings.h"
#include "settings/registry_names.h"

DialogRow* WorkingTable = nullptr;
int32_t WorkingTableRows = 0;
int32_t ShownDevice = -1;

namespace {

// The record an entry of the device or resolution list carries; null for no entry or none.
template <typename Record>
Record* ItemData(HWND dialog, int list, LRESULT entry) {
  if (entry == CB_ERR) return nullptr;
  const LRESULT data = SendDlgItemMessageA(dialog, list, CB_GETITEMDATA, static_cast<WPARAM>(entry), 0);
  return data == CB_ERR ? nullptr : reinterpret_cast<Record*>(data);
}

DialogRow* RowOf(const ScreenRecord* screen) {
  for (int32_t i = 0; i < WorkingTableRows; ++i) {
    if (WorkingTable[i].screen == screen) return &WorkingTable[i];
  }
  return nullptr;
}

// "800x600, 16bit": how the resolution list names a mode.
void ModeText(const DisplayMode* mode, char (&text)[1024]) {
  std::memset(text, 0, sizeof text);
  const FixedString shown = FixedString() + mode->width + "x" + mode->height + ", " + mode->bits + "bit";
  std::memcpy(text, shown.TextOrNull(), static_cast<size_t>(shown.Length()));
}

// The resolution list for `screen`: its modes in list order, each carrying its DisplayMode, with
// the entry of its selected mode current.
void ShowModes(HWND dialog, const ScreenRecord* screen) {
  char text[1024] = {};
  for (const DisplayMode* mode = screen->modes; mode != nullptr; mode = mode->next) {
    ModeText(mode, text);
    const LRESULT entry = SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SETITEMDATA, static_cast<WPARAM>(entry),
                        reinterpret_cast<LPARAM>(mode));
  }
  if (screen->selectedMode != nullptr) {
    ModeText(screen->selectedMode, text);
    SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                        reinterpret_cast<LPARAM>(text));
  }
}

// The values the controls show become `screen`'s: its rows of the working table get the edit
// boxes' numbers, lowered to what the rain can hold, and the screen the current resolution entry's
// mode. Without a current resolution entry the screen keeps its mode.
void SaveShownValues(HWND dialog, ScreenRecord* screen) {
  uint32_t density = GetDlgItemInt(dialog, IDC_DENSITY, nullptr, FALSE);
  uint32_t highlight = GetDlgItemInt(dialog, IDC_HIGHLIGHT, nullptr, FALSE);
  if (density > kMaxDensity) density = kMaxDensity;
  if (highlight > kMaxHighlight) highlight = kMaxHighlight;
  for (int32_t i = 0; i < WorkingTableRows; ++i) {
    if (WorkingTable[i].screen != screen) continue;
    WorkingTable[i].density = density;
    WorkingTable[i].highlight = highlight;
  }
  const LRESULT entry = SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_GETCURSEL, 0, 0);
  if (DisplayMode* mode = ItemData<DisplayMode>(dialog, IDC_RESOLUTION, entry)) screen->selectedMode = mode;
}

// The device-list entry that carries `screen`. Entries are found by their text first; two devices
// of the same description (two cards of one make), or one whose description begins another's, can
// make that the wrong entry, and the controls would then show one device under another's entry.
LRESULT SelectDevice(HWND dialog, const ScreenRecord* screen) {
  LRESULT entry = SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SELECTSTRING, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(screen->description));
  if (ItemData<ScreenRecord>(dialog, IDC_DEVICE, entry) == screen) return entry;
  const LRESULT count = SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCOUNT, 0, 0);
  for (entry = 0; entry < count; ++entry) {
    if (ItemData<ScreenRecord>(dialog, IDC_DEVICE, entry) == screen)
      return SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETCURSEL, static_cast<WPARAM>(entry), 0);
  }
  return CB_ERR;
}

void ShowNumbers(HWND dialog, uint32_t density, uint32_t highlight) {
  SetDlgItemInt(dialog, IDC_DENSITY, density, FALSE);
  SetDlgItemInt(dialog, IDC_HIGHLIGHT, highlight, FALSE);
}

void Initialise(HWND dialog) {
  InitErrorMsg(false);
  ReadSettings();
  ReadDensitySettings();

  // The slider runs from slow (left) to fast (right): its position is 100 minus the frame delay.
  const int64_t position = 100 - static_cast<int64_t>(FrameDelay.load());
  SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETRANGE, TRUE, MAKELPARAM(0, 100));
  SendDlgItemMessageA(dialog, IDC_SPEED, TBM_SETPOS, TRUE, static_cast<LPARAM>(position < 0 ? 0 : position));

  int32_t screens = 0;
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next, ++screens) {
    const LRESULT entry =
        SendDlgItemMessageA(dialog, IDC_DEVICE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(screen->description));
    SendDlgItemMessageA(dialog, IDC_DEVICE, CB_SETITEMDATA, static_cast<WPARAM>(entry),
                        reinterpret_cast<LPARAM>(screen));
  }

  delete[] WorkingTable;
  WorkingTable = screens > 0 ? new (std::nothrow) DialogRow[screens] : nullptr;
  WorkingTableRows = WorkingTable != nullptr ? screens : 0;
  ShownDevice = -1;
  ScreenRecord* first = ScreenList;
  if (first == nullptr) return;  // nothing to configure but the speed
  DDrawManager::SelectScreen(first);
  ShownDevice = static_cast<int32_t>(SelectDevice(dialog, first));
  ShowModes(dialog, first);
  ShowNumbers(dialog, static_cast<uint32_t>(first->rain.dropCount),
              static_cast<uint32_t>(first->rain.highlightPercent));
  int32_t i = 0;
  for (ScreenRecord* screen = ScreenList; screen != nullptr && i < WorkingTableRows; screen = screen->next, ++i) {
    WorkingTable[i] = {screen, static_cast<uint32_t>(screen->rain.dropCount),
                       static_cast<uint32_t>(screen->rain.highlightPercent)};
  }
}

void ChangeDevice(HWND dialog) {
  if (ScreenRecord* shown = ItemData<ScreenRecord>(dialog, IDC_DEVICE, ShownDevice)) SaveShownValues(dialog, shown);
  const LRESULT entry = SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0);
  ShownDevice = static_cast<int32_t>(entry);
  ScreenRecord* screen = ItemData<ScreenRecord>(dialog, IDC_DEVICE, entry);
  if (screen == nullptr) return;
  if (const DialogRow* row = RowOf(screen)) ShowNumbers(dialog, row->density, row->highlight);
  SendDlgItemMessageA(dialog, IDC_RESOLUTION, CB_RESETCONTENT, 0, 0);
  ShowModes(dialog, screen);
}

void Save(HWND dialog) {
  // The controls show the device of the current entry; when typing has left the device list
  // without one, they still show the last device chosen.
  LRESULT entry = SendDlgItemMessageA(dialog, IDC_DEVICE, CB_GETCURSEL, 0, 0);
  if (entry == CB_ERR) entry = ShownDevice;
  if (ScreenRecord* screen = ItemData<ScreenRecord>(dialog, IDC_DEVICE, entry)) SaveShownValues(dialog, screen);
  StoreSettings(dialog);
  EndDialog(dialog, 1);
}

}  // namespace

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
  if (message == WM_INITDIALOG) {
    Initialise(dialog);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  switch (LOWORD(wParam)) {
    case IDC_DEVICE:
      if (HIWORD(wParam) == CBN_SELCHANGE) ChangeDevice(dialog);
      return FALSE;
    case IDC_CONFIG_OK: Save(dialog); return TRUE;
    case IDC_CONFIG_CANCEL: EndDialog(dialog, 0); return TRUE;
    default: return FALSE;
  }
}
