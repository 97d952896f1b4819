// EnumScreens and the DirectDraw enumeration callbacks that build the screen list.
#include "display/screen_list.h"

#include <cstring>
#include <new>

#include "display/ddraw_library.h"
#include "heart/log_message.h"

ScreenRecord* ScreenList = nullptr;
bool ScreensEnumerated = false;

bool IsZeroGuid(const GUID& guid) {
  static const GUID zero = {};
  return std::memcmp(&guid, &zero, sizeof guid) == 0;
}

namespace {

void FreeModes(DisplayMode* mode) {
  while (mode != nullptr) {
    DisplayMode* next = mode->next;
    delete mode;
    mode = next;
  }
}

}  // namespace

void FreeScreenRecord(ScreenRecord* screen) {
  FreeModes(screen->modes);
  delete screen;
}

HRESULT EnumScreens() {
  LogMessage("[EnumScreens] Entering enumeration sequence", LOG_INFO);
  while (ScreenList != nullptr) {
    ScreenRecord* removed = ScreenList;
    ScreenList = removed->next;
    FreeScreenRecord(removed);
  }

  if (!LoadDirectDraw()) return E_FAIL;

  HRESULT result;
  if (DDraw.enumerateEx != nullptr) {
    result = DDraw.enumerateEx(DDEnumCallbackEx, &ScreenList, DDENUM_ATTACHEDSECONDARYDEVICES);
  } else {
    result = DDraw.enumerate(EnumCallbackFallback, &ScreenList);
  }
  ScreensEnumerated = true;
  return result;
}

BOOL WINAPI DDEnumCallbackEx(GUID* guid, LPSTR description, LPSTR /*driverName*/, LPVOID context, HMONITOR monitor) {
  auto* head = static_cast<ScreenRecord**>(context);
  // The primary display driver comes first and without a GUID; once a monitor device follows, the
  // list holds the monitor devices only.
  if (*head != nullptr && IsZeroGuid((*head)->guid)) {
    ScreenRecord* driver = *head;
    *head = driver->next;
    if (*head != nullptr) (*head)->prev = nullptr;
    FreeScreenRecord(driver);
  }

  auto* screen = new (std::nothrow) ScreenRecord();
  if (screen == nullptr) return DDENUMRET_CANCEL;
  if (guid != nullptr) screen->guid = *guid;
  if (description != nullptr) {
    std::strncpy(screen->description, description, ScreenRecord::kDescriptionSize - 1);
    screen->description[ScreenRecord::kDescriptionSize - 1] = '\0';
  }
  screen->monitor = monitor;

  ScreenRecord** tail = head;
  ScreenRecord* last = nullptr;
  while (*tail != nullptr) {
    last = *tail;
    tail = &(*tail)->next;
  }
  screen->prev = last;
  *tail = screen;

  LogMessage(
      (FixedString("[DDEnumCallbackEx] Found screen <") + screen->description + ">, enumerating modes").TextOrNull(),
      LOG_INFO);

  IDirectDraw* directDraw = nullptr;
  // Called only from within the enumeration, so the library is loaded.
  screen->enumResult = DDraw.create(IsZeroGuid(screen->guid) ? nullptr : &screen->guid, &directDraw, nullptr);
  if (SUCCEEDED(screen->enumResult) && directDraw == nullptr) screen->enumResult = E_FAIL;
  if (SUCCEEDED(screen->enumResult)) {
    directDraw->EnumDisplayModes(0, nullptr, &screen->modes, DDEnumModesCallback);
    directDraw->Release();
  } else {
    // The screen stays listed without modes; it cannot be given a device.
    LogMessage("[DDEnumCallbackEx] Unable to create DirectDraw object, no modes", LOG_WARNING);
  }
  return DDENUMRET_OK;
}

BOOL WINAPI EnumCallbackFallback(GUID* guid, LPSTR description, LPSTR driverName, LPVOID context) {
  DDEnumCallbackEx(guid, description, driverName, context, nullptr);
  return DDENUMRET_CANCEL;
}

HRESULT WINAPI DDEnumModesCallback(LPDDSURFACEDESC mode, LPVOID context) {
  if (mode->ddpfPixelFormat.dwRGBBitCount != 16) return DDENUMRET_OK;
  auto* added = new (std::nothrow)
      DisplayMode{static_cast<int32_t>(mode->dwWidth), static_cast<int32_t>(mode->dwHeight), 16, nullptr};
  // Without memory the screen keeps the modes found so far.
  if (added == nullptr) return DDENUMRET_CANCEL;
  DisplayMode** tail = static_cast<DisplayMode**>(context);
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = added;
  LogMessage((FixedString() + "[DDEnumModesCallback] Found mode <" + added->width + "x" + added->height + ", 16bit>")
                 .TextOrNull(),
             LOG_INFO);
  return DDENUMRET_OK;
}
