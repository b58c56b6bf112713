#pragma once
// The small pictures of the editing screen's groups, painted from the core's
// shapes (editor/screen_icon_shapes.h).
#include <QPixmap>

#include "editor/screen_icon_shapes.h"

namespace klv {

// The picture, size x size pixels (drawn on a 32 x 32 grid and scaled).
QPixmap DrawScreenIcon(ScreenIcon icon, int size = 32);

}  // namespace klv
