// The frame's state with its start values.
#include "frame/frame_state.h"

HINSTANCE Module = nullptr;
int32_t IsWin9x = 0;
int32_t IsPreview = 0;
UINT AutoPlayMessage = 0;
HWND SaverWindow = nullptr;

int32_t Closing = 0;
int32_t Verifying = 0;
uint32_t LastVerifyTick = kNoVerifyYet;
POINT CloseMousePos = {0, 0};

HMODULE PasswordLibrary = nullptr;
VerifyScreenSavePwdProc PasswordVerifier = nullptr;
HMODULE ImeLibrary = nullptr;
ImmAssociateContextProc ImmAssociate = nullptr;
InputContext SavedImeContext = nullptr;
