// The Windows program's entry point. The saver reads its command line itself, so the arguments
// the runtime passes are not used.
#include "frame/run_modes.h"

int WINAPI WinMain(HINSTANCE /*instance*/, HINSTANCE /*previous*/, LPSTR /*commandLine*/, int /*show*/) {
  SaverMain();
}
