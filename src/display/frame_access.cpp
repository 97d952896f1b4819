// The frame cycle: SelectScreen is in ddraw_manager.cpp; here BeginFrame, InterruptFrame and Flip,
// which present by a flip in full screen and by a copy into the window in the preview.
#include <cstring>

#include "diag/hex_text.h"
#include "display/ddraw_manager.h"
#include "heart/fixed_string.h"
#include "heart/log_message.h"

namespace {

// A back buffer that is merely busy frees itself soon; give up after this many attempts so that
// a lock that keeps failing for another reason never stalls the drawing thread.
constexpr int kLockAttempts = 100000;

// Writes a presentation line unless the screen's previous Flip wrote the same one: a presentation
// that keeps failing the same way (a flip pending frame after frame) writes one line per run.
// `text` null records a result that writes nothing, which also ends a run.
// True when the line was written.
bool NotePresentation(ScreenRecord* screen, const char* text, uint32_t level) {
  const char* last = screen->lastPresentLine.TextOrNull();
  if (text != nullptr && last != nullptr && std::strcmp(last, text) == 0) return false;
  screen->lastPresentLine = text != nullptr ? text : "";
  if (text != nullptr) LogMessage(text, level);
  return text != nullptr;
}

const char* RestoreLine(HRESULT code) {
  switch (code) {
    case DDERR_NOEXCLUSIVEMODE: return "[DDrawManager::Flip] Restore returned DDERR_NOEXCLUSIVEMODE";
    case DDERR_WRONGMODE: return "[DDrawManager::Flip] Restore returned DDERR_WRONGMODE";
    case DDERR_INCOMPATIBLEPRIMARY: return "[DDrawManager::Flip] Restore returned DDERR_INCOMPATIBLEPRIMARY";
    case DDERR_UNSUPPORTED: return "[DDrawManager::Flip] Restore returned DDERR_UNSUPPORTED";
    case DDERR_OUTOFMEMORY: return "[DDrawManager::Flip] Restore returned DDERR_OUTOFMEMORY";
    case DDERR_INVALIDPARAMS: return "[DDrawManager::Flip] Restore returned DDERR_INVALIDPARAMS";
    case DDERR_INVALIDOBJECT: return "[DDrawManager::Flip] Restore returned DDERR_INVALIDOBJECT";
    case DDERR_IMPLICITLYCREATED: return "[DDrawManager::Flip] Restore returned DDERR_IMPLICITLYCREATED";
    case DDERR_GENERIC: return "[DDrawManager::Flip] Restore returned DDERR_GENERIC";
    default: return nullptr;
  }
}

// A failure code the table does not name, as printf's "%#04lx" writes it: "0x" and lower-case
// digits, at least four characters in all.
FixedString UnknownRestoreLine(HRESULT code) {
  const uint32_t value = static_cast<DWORD>(code);
  char digits[16] = "0000";  // zero has no prefix
  if (value != 0) {
    digits[1] = 'x';
    WriteHex(digits + 2, value, 2, '0', false);
  }
  return FixedString("[DDrawManager::Flip] Restore returned unknown error, code ") + digits;
}

// Cuts `destination` to the screen's width x height, and `source` by the same amounts so that the
// two stay in step. False when nothing of the destination lies on the screen.
bool ClipToScreen(RECT* destination, RECT* source, LONG screenWidth, LONG screenHeight) {
  const LONG cutLeft = destination->left < 0 ? -destination->left : 0;
  const LONG cutTop = destination->top < 0 ? -destination->top : 0;
  const LONG cutRight = destination->right > screenWidth ? destination->right - screenWidth : 0;
  const LONG cutBottom = destination->bottom > screenHeight ? destination->bottom - screenHeight : 0;
  if (cutLeft + cutRight >= destination->right - destination->left ||
      cutTop + cutBottom >= destination->bottom - destination->top)
    return false;
  *destination = {destination->left + cutLeft, destination->top + cutTop, destination->right - cutRight,
                  destination->bottom - cutBottom};
  *source = {source->left + cutLeft, source->top + cutTop, source->right - cutRight, source->bottom - cutBottom};
  return true;
}

}  // namespace

FrameDescriptor* DDrawManager::BeginFrame() {
  if (framesSuspended) return nullptr;
  ScreenRecord* screen = CurrentScreen;
  if (screen == nullptr || screen->backBuffer == nullptr) return nullptr;
  HRESULT result = DDERR_GENERIC;
  for (int attempt = 0; attempt < kLockAttempts; ++attempt) {
    std::memset(&screen->surfaceDesc, 0, sizeof screen->surfaceDesc);
    screen->surfaceDesc.dwSize = sizeof screen->surfaceDesc;
    result = screen->backBuffer->Lock(nullptr, &screen->surfaceDesc, 0, nullptr);
    // A lost buffer stays lost until Flip restores it: no frame this time.
    if (SUCCEEDED(result) || result == DDERR_SURFACELOST) break;
  }
  if (FAILED(result)) return nullptr;
  FrameDescriptor& frame = screen->frameDescs[screen->frameIndex];
  frame.pixels = static_cast<uint16_t*>(screen->surfaceDesc.lpSurface);
  frame.width = screen->selectedMode->width;
  frame.height = screen->selectedMode->height;
  frame.pitch = screen->surfaceDesc.lPitch / 2;
  return &frame;
}

void DDrawManager::InterruptFrame() {
  if (framesSuspended) return;
  ScreenRecord* screen = CurrentScreen;
  if (screen == nullptr) {
    LogMessage("[DDrawManager::InterruptFrame] No screen selected", LOG_WARNING);
    return;
  }
  if (screen->backBuffer != nullptr) screen->backBuffer->Unlock(nullptr);
  screen->frameDescs[screen->frameIndex].pixels = nullptr;
}

int32_t DDrawManager::Flip() {
  InterruptFrame();
  ScreenRecord* screen = CurrentScreen;
  if (screen == nullptr) {
    LogMessage("[DDrawManager::Flip] No screen selected", LOG_WARNING);
    return 1;
  }
  if (screen->primary == nullptr || screen->backBuffer == nullptr) return 1;
  return fullscreen ? FlipFullScreen(screen) : CopyToWindow(screen);
}

int32_t DDrawManager::FlipFullScreen(ScreenRecord* screen) {
  const HRESULT status = screen->backBuffer->GetFlipStatus(DDGFS_ISFLIPDONE);
  if (status == DDERR_WASSTILLDRAWING) {
    NotePresentation(screen, "[DDrawManager::Flip] GetFlipStatus returned DDERR_WASSTILLDRAWING", LOG_INFO);
    return 1;
  }
  if (status == DDERR_SURFACELOST) {
    const bool newRun =
        NotePresentation(screen, "[DDrawManager::Flip] GetFlipStatus returned DDERR_SURFACELOST", LOG_INFO);
    const HRESULT restored = screen->backBuffer->Restore();
    if (FAILED(restored) && newRun) {
      const char* line = RestoreLine(restored);
      FixedString unknown;
      if (line == nullptr) {
        unknown = UnknownRestoreLine(restored);
        line = unknown.TextOrNull();
      }
      LogMessage(line, LOG_INFO);
    }
    // The back buffer of a flip chain is restored through its primary surface; the platform
    // refuses to restore it alone.
    screen->primary->Restore();
    return 1;
  }
  if (status == DDERR_SURFACEBUSY) {
    NotePresentation(screen, "[DDrawManager::Flip] GetFlipStatus returned DDERR_SURFACEBUSY", LOG_INFO);
    return 1;
  }
  if (FAILED(status)) {
    NotePresentation(screen, "[DDrawManager::Flip] GetFlipStatus returned unknown error", LOG_INFO);
    return 1;
  }

  const HRESULT flipped = screen->primary->Flip(nullptr, 0);
  if (SUCCEEDED(flipped)) {
    screen->frameIndex = screen->frameIndex == 0 ? 1 : 0;
    NotePresentation(screen, nullptr, LOG_INFO);
    return 0;
  }
  if (flipped == DDERR_SURFACELOST) {
    const bool newRun = NotePresentation(screen, "[DDrawManager::Flip] Surfaces lost, trying to restore...", LOG_INFO);
    if (FAILED(screen->primary->Restore()) && newRun)
      LogMessage("[DDrawManager::Flip] Unable to restore primary surface", LOG_WARNING);
    return 1;
  }
  NotePresentation(screen, "[DDrawManager::Flip] Unrecognized error when trying to flip", LOG_WARNING);
  return 1;
}

int32_t DDrawManager::CopyToWindow(ScreenRecord* screen) {
  POINT origin = {0, 0};
  ClientToScreen(DeviceWindow, &origin);
  const LONG width = screen->selectedMode->width;
  const LONG height = screen->selectedMode->height;
  RECT destination = {origin.x, origin.y, origin.x + width, origin.y + height};
  RECT source = {0, 0, width, height};
  // Without a clipper the platform refuses a copy that leaves the primary surface, so a preview
  // window dragged partly off the screen would never be shown: the copy is cut to the screen.
  DDSURFACEDESC desktop;
  std::memset(&desktop, 0, sizeof desktop);
  desktop.dwSize = sizeof desktop;
  if (SUCCEEDED(screen->primary->GetSurfaceDesc(&desktop)) &&
      !ClipToScreen(&destination, &source, static_cast<LONG>(desktop.dwWidth), static_cast<LONG>(desktop.dwHeight))) {
    // Wholly off the screen: there is nothing to show, and nothing to try again.
    NotePresentation(screen, nullptr, LOG_INFO);
    return 0;
  }
  const HRESULT copied = screen->primary->Blt(&destination, screen->backBuffer, &source, 0, nullptr);
  if (SUCCEEDED(copied)) {
    NotePresentation(screen, nullptr, LOG_INFO);
    return 0;
  }
  if (copied == DDERR_SURFACELOST) {
    const bool newRun = NotePresentation(screen, "[DDrawManager::Flip] Surfaces lost, trying to restore...", LOG_INFO);
    if (FAILED(screen->primary->Restore())) {
      if (newRun) LogMessage("[DDrawManager::Flip] Unable to restore primary surface", LOG_WARNING);
      return 1;
    }
    if (FAILED(screen->backBuffer->Restore()) && newRun)
      LogMessage("[DDrawManager::Flip] Unable to restore back buffer surface", LOG_WARNING);
    return 1;
  }
  NotePresentation(screen, nullptr, LOG_INFO);
  return 1;
}
