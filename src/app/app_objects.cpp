// The application's two owned objects, empty until the saver window is created.
#include "app/app_objects.h"

#include "rain/draw_torvane.h"

std::unique_ptr<DDrawManager> Manager;
std::unique_ptr<GraphicsLoader> Loader;

DDrawManager* DrawingManager() { return Manager.get(); }
