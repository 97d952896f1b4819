// winsim internals: how Reset puts the libraries, the display, the windows and the process back to
// their start.
#pragma once

namespace winsim::detail {

void ResetLibraries();  // ddraw.dll complete, nothing loaded
void ResetDisplay();    // one 5x6x5 monitor; live DirectDraw objects and surfaces destroyed
void ResetWindows();    // no windows, classes, queues or atoms; cursor and desktop records cleared
void ResetProcess();    // the start command line, platform and tick count

}  // namespace winsim::detail
