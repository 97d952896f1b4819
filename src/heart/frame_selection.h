// The pixel format of the frame being drawn, as the blitters see it. Portable: no platform header.
#pragma once

#include <cstdint>

// The colour type (0 = 5x5x5, 1 = 5x6x5) of the frame being drawn. In the program
// DDrawManager::SelectScreen sets it to the current screen's; whatever draws through the heart alone
// sets it to its buffer's format.
extern int32_t CurrentColourType;
