// The current screen's pixel format, as the drawing code sees it. Portable: no platform header.
#pragma once

#include <cstdint>

// The current screen's colour type (0 = 5x5x5, 1 = 5x6x5), set by DDrawManager::SelectScreen only.
extern int32_t CurrentColourType;
