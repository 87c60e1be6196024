// The capacitor drawing beside the inputs of the lower frame.
#pragma once

#include <windows.h>

namespace varnitz {

// Handles WM_PAINT of the main window: validates it and copies the drawing to its place.
// Loads and releases every object it uses; nothing is kept between paints.
void PaintPlatePicture(HWND window, HINSTANCE instance);

}  // namespace varnitz
