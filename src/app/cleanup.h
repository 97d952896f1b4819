// Cleanup: the single teardown path of everything the saver window built.
#pragma once

#include <cstdint>

// Frees every screen's glyphs and cells, the loader and the manager (with all DirectDraw objects),
// brings the desktop's surface forward, shows the cursor and the most severe logged message.
// Window thread, only while no drawing thread runs. Always -1; a second call frees nothing.
int32_t Cleanup();
