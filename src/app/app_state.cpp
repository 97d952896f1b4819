// The application's state with its start values.
#include "app/app_state.h"

HWND MainWindow = nullptr;
uint8_t Fullscreen = 0;
uint8_t CreatingDevices = 0;
uint8_t CloseTrap = 1;
POINT MoveStartPos = {0, 0};
uint8_t MoveArmed = 0;
