#pragma once
// The core's pictures (editor/screen_icon_shapes.h) painted with GDI: drawn
// four times larger on the background, then shrunk into place with halftone
// stretching, so that the lines come out smooth as on Linux.
#include <windows.h>

#include "editor/screen_icon_shapes.h"

namespace klv {

// The picture as the largest square centred in place, on background.
void PaintScreenIcon(HDC target, const RECT& place, ScreenIcon icon, COLORREF background);

}  // namespace klv
