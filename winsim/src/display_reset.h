// winsim internals: how Reset puts the libraries, the display and the windows back to their start.
#pragma once

namespace winsim::detail {

void ResetLibraries();  // ddraw.dll complete, nothing loaded
void ResetDisplay();    // one 5x6x5 monitor; live DirectDraw objects and surfaces destroyed
void ResetWindows();    // no windows

}  // namespace winsim::detail
