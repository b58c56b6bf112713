#pragma once
// The Japanese layout is the English one on a narrower grid, and a
// substituted Japanese font may be wider than the one it was drawn for: a
// caption whose text runs past its control is widened into the free room to
// its right (up to the next control on its row or the edge of its group), so
// that nothing is cut where there is room to show it. Where there is none (a
// group box's title, a caption against its neighbour, an edit field too
// narrow for four digits), the text takes the same face up to three pixels
// smaller.
#include <windows.h>

namespace klv {

// For every label, radio button, check box, group box and edit field of
// dialog; fitting again starts from each control's original font.
void WidenClippedCaptions(HWND dialog);

}  // namespace klv
