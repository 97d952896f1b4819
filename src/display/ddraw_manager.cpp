// DDrawManager's construction and destruction, and the process-wide frame selection.
#include "display/ddraw_manager.h"

#include "heart/log_message.h"

ScreenRecord* CurrentScreen = nullptr;
HWND DeviceWindow = nullptr;

DDrawManager::DDrawManager() {
  LogMessage("[DDrawManager::DDrawManager] *ENTER*", LOG_INFO);
  CurrentScreen = nullptr;
  // The settings reader enumerates before window creation; its list, with the modes chosen in
  // it, stays in use, as does DirectDraw's library that the enumeration loaded.
  if (!ScreensEnumerated) EnumScreens();
  LogMessage("[DDrawManager::DDrawManager] *LEAVE*", LOG_INFO);
}

DDrawManager::~DDrawManager() {
  LogMessage("[DDrawManager::~DDrawManager] *ENTER*", LOG_INFO);
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    if (screen->directDraw != nullptr) {
      if (screen->backBuffer != nullptr) {
        LogMessage("[DDrawManager::~DDrawManager] Deallocating back buffer", LOG_GOSSIP);
        screen->backBuffer->Release();
      }
      if (screen->primary != nullptr) {
        LogMessage("[DDrawManager::~DDrawManager] Deallocating primary surface", LOG_GOSSIP);
        screen->primary->Release();
      }
      screen->backBuffer = nullptr;
      screen->primary = nullptr;
      LogMessage("[DDrawManager::~DDrawManager] Deallocating IID_DirectDraw4 interface", LOG_GOSSIP);
      screen->directDraw->Release();
      screen->directDraw = nullptr;
    } else if (screen->deviceObject != nullptr) {
      // An object whose cooperative level failed is not kept by `directDraw`; release it too.
      screen->deviceObject->Release();
    }
    screen->deviceObject = nullptr;
  }
  LogMessage("[DDrawManager::~DDrawManager] *LEAVE*", LOG_INFO);
}

int32_t DDrawManager::SelectScreen(ScreenRecord* screen) {
  CurrentScreen = screen;
  CurrentColourType = screen->colourType;
  return CurrentColourType;
}

void DDrawManager::BringDesktopForward() {
  for (ScreenRecord* screen = ScreenList; screen != nullptr; screen = screen->next) {
    // Only a screen that became current has a picture of the saver's in front; one whose creation
    // stopped before its surfaces existed has nothing to take away.
    if (screen->directDraw != nullptr && screen->primary != nullptr && screen->backBuffer != nullptr)
      screen->directDraw->FlipToGDISurface();
  }
}
