#pragma once
// The main window as a dialog template in dialog units: the English layout
// on a 531 x 381 grid with 8-point Tahoma, the Japanese one on 395 x 381
// with the Japanese screen font (ScreenFontFor). The template is made in
// memory so that every caption comes from the core's text tables.
#include <windows.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "text/language.h"

namespace klv {

// Picture: a group's icon, drawn by the window (owner-drawn).
enum class ControlKind { GroupBox, Radio, Check, Label, Edit, Spin, Picture };

// One control of the screen, at its place in the English layout.
struct ScreenControl {
  int id = 0;
  ControlKind kind = ControlKind::Label;
  std::string_view captionKey;  // looked up with Caption(Screen::MainWindow, ...)
  short x = 0, y = 0, width = 0, height = 0;
  bool startsGroup = false;  // the first radio button of an exclusive choice
};

// Every control, in tab order: group boxes before what they hold, a spin
// button right after its edit field.
const std::vector<ScreenControl>& ScreenControls();

// The grid of each language's layout.
struct DialogGrid {
  short width = 0;
  short height = 0;
};
DialogGrid GridFor(Language language);

// The control's place on the language's grid: the English layout scaled
// across to the narrower Japanese grid.
RECT PlaceOnGrid(const ScreenControl& control, Language language);

// The bytes of a DLGTEMPLATEEX for the main window in that language, to
// hand to CreateDialogIndirectParamW. DWORD-aligned.
std::vector<uint32_t> MainWindowTemplate(Language language);

}  // namespace klv
