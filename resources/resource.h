// Resource identifiers of Sarvello, shared by the resource script and the program.
#pragma once

#define IDI_SARVELLO 100  // icon group: the program's icon
#define IDR_GLYPHS 111    // DATAFILE: the glyph animation
