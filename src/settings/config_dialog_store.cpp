// StoreSettings: the configuration dialog's values into the registry, reporting the first refusal.
#include "settings/config_dialog_store.h"

#include "rain/shared_flags.h"
#include "resource.h"
#include "settings/config_dialog.h"
#include "settings/registry_dword.h"
#include "settings/registry_names.h"
#include "settings/screen_key_name.h"

namespace {

const char kCaption[] = "Sarvello v1.30";
const char kCannotOpen[] = "Unable to open registry key to store values";
const char kCannotSetDensity[] = "Unable to set density settings in registry";
const char kCannotSetResolution[] = "Unable to set resolution settings in registry";
const char kCannotSetSpeed[] = "Unable to set speed settings in registry";

void Report(HWND owner, const char* text) { MessageBoxA(owner, text, kCaption, MB_OK | MB_ICONHAND); }

const DialogRow* RowOf(const ScreenRecord* screen) {
  for (int32_t i = 0; i < WorkingTableRows; ++i) {
    if (WorkingTable[i].screen == screen) return &WorkingTable[i];
  }
  return nullptr;
}

// One screen's values into its sub-key; the message for the first refusal, or null.
const char* StoreScreen(HKEY product, const ScreenRecord* screen, const DialogRow& row) {
  HKEY device;
  if (RegOpenKeyExA(product, ScreenKeyName(screen), 0, KEY_SET_VALUE, &device) != ERROR_SUCCESS) return kCannotOpen;
  const char* refused = nullptr;
  if (!WriteDword(device, kDensityValue, row.density) || !WriteDword(device, kHighlightValue, row.highlight)) {
    refused = kCannotSetDensity;
  } else if (screen->selectedMode != nullptr &&  // a screen without a 16-bit mode keeps its stored resolution
             (!WriteDword(device, kWidthValue, static_cast<uint32_t>(screen->selectedMode->width)) ||
              !WriteDword(device, kHeightValue, static_cast<uint32_t>(screen->selectedMode->height)))) {
    refused = kCannotSetResolution;
  }
  RegCloseKey(device);
  return refused;
}

}  // namespace

void StoreSettings(HWND dialog) {
  HKEY product;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, kProductKey, 0, KEY_ALL_ACCESS, &product) != ERROR_SUCCESS) {
    Report(dialog, kCannotOpen);
    return;
  }
  for (const ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    const DialogRow* row = RowOf(screen);
    if (row == nullptr) continue;  // no working table: nothing was edited
    if (const char* refused = StoreScreen(product, screen, *row)) {
      Report(dialog, refused);
      RegCloseKey(product);
      return;
    }
  }
  const LRESULT position = SendDlgItemMessageA(dialog, IDC_SPEED, TBM_GETPOS, 0, 0);
  FrameDelay = static_cast<uint32_t>(100 - (position < 0 ? 0 : position > 100 ? 100 : position));
  const bool stored = WriteDword(product, kSpeedValue, FrameDelay.load());
  RegCloseKey(product);
  // The speed is the one setting of all devices: its message belongs to no window.
  if (!stored) Report(nullptr, kCannotSetSpeed);
}
