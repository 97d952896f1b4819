// winsim internals: how Reset puts the libraries, the display, the windows, the process, the clock
// and the threads back to their start.
#pragma once

namespace winsim::detail {

void ResetLibraries();  // ddraw.dll complete, nothing loaded
void ResetDisplay();    // one 5x6x5 monitor; live DirectDraw objects and surfaces destroyed
void ResetClock();      // virtual clock at its start, nothing recorded
void ResetFaults();     // no top-level filter, the platform lets faults go on
void ResetThreads();    // every started thread joined (loud failure if one still runs)
void ResetWindows();    // no windows, classes, queues or atoms; cursor and desktop records cleared
void ResetProcess();    // the start command line and platform

// A monitor presented a frame: the virtual clock moves on by the set presentation time.
void Presented();

}  // namespace winsim::detail
