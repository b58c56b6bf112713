#pragma once
// The Japanese layout is the English one on a narrower grid, and a
// substituted Japanese font may be wider than the one it was drawn for: a
// caption whose text runs past its control is widened into the free room to
// its right (up to the next control on its row or the edge of its group), so
// that nothing is cut where there is room to show it.
#include <windows.h>

namespace klv {

// For every label, radio button and check box of dialog; the others stay.
void WidenClippedCaptions(HWND dialog);

}  // namespace klv
