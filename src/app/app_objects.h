// The objects the saver window builds when it is created and Cleanup destroys: the display
// manager and the glyph loader, one each per process.
#pragma once

#include <memory>

#include "display/ddraw_manager.h"
#include "heart/graphics_loader.h"

// Window thread: made at window creation, destroyed by Cleanup once the drawing thread has ended.
// The drawing thread uses the manager while it runs and never changes the pointer.
extern std::unique_ptr<DDrawManager> Manager;
extern std::unique_ptr<GraphicsLoader> Loader;
