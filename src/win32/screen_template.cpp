#include "win32/screen_template.h"

#include <commctrl.h>

#include <array>
#include <string>

#include "editor/screen_layout.h"
#include "text/texts.h"
#include "win32/screen_controls.h"
#include "win32/dialog_template_writer.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

constexpr DialogGrid kEnglishGrid{531, 381};
constexpr DialogGrid kJapaneseGrid{395, 381};

class ControlList {
 public:
  std::vector<ScreenControl> controls;

  void Box(int id, std::string_view key, short x, short y, short w, short h) {
    controls.push_back({id, ControlKind::GroupBox, key, x, y, w, h, false});
  }
  // Buttons of one choice, one under the other from (x, y), step apart.
  void Radios(RadioGroup group, std::initializer_list<std::string_view> keys, short x, short y, short w,
              short step) {
    int button = 0;
    for (const std::string_view key : keys) {
      controls.push_back({screen_id::Radio(group, button), ControlKind::Radio, key, x,
                          static_cast<short>(y + step * button), w, 10, button == 0});
      ++button;
    }
  }
  void Radio(int id, std::string_view key, short x, short y, short w, bool first) {
    controls.push_back({id, ControlKind::Radio, key, x, y, w, 10, first});
  }
  void Text(int id, std::string_view key, short x, short y, short w, short h = 8) {
    controls.push_back({id, ControlKind::Label, key, x, y, w, h, false});
  }
  // A group's picture, 20 x 20 dialog units.
  void Picture(ScreenIcon icon, short x, short y) {
    controls.push_back({screen_id::Icon(icon), ControlKind::Picture, "", x, y, 20, 20, false});
  }
  void Check(int id, std::string_view key, short x, short y, short w) {
    controls.push_back({id, ControlKind::Check, key, x, y, w, 10, false});
  }
  // An edit field with its spin button at its right edge.
  void Field(EditField field, short x, short y, short w) {
    controls.push_back({screen_id::Edit(field), ControlKind::Edit, "", x, y, w, 12, false});
    controls.push_back({screen_id::Spin(field), ControlKind::Spin, "", static_cast<short>(x + w - 10), y, 10, 12, false});
  }
  // "Caption : [edit] unit" on one row.
  void LabelledField(EditField field, std::string_view label, short x, short y, short labelWidth, short editWidth,
                     std::string_view unit, short unitWidth) {
    Text(screen_id::Label(field), label, x, static_cast<short>(y + 2), labelWidth);
    const short colonX = static_cast<short>(x + labelWidth);
    Text(screen_id::Colon(field), ":", colonX, static_cast<short>(y + 2), 5);
    Field(field, static_cast<short>(colonX + 6), y, editWidth);
    if (!unit.empty()) {
      Text(screen_id::Unit(field), unit, static_cast<short>(colonX + 8 + editWidth), static_cast<short>(y + 2),
           unitWidth);
    }
  }
};

std::vector<ScreenControl> MakeControls() {
  using enum RadioGroup;
  ControlList c;
  // The picture over the buttons, in the middle of a narrow box, at the left of a wide one.
  const auto alarm = [&c](RadioGroup group, std::string_view key, short x, short w, ScreenIcon icon) {
    c.Box(screen_id::GroupBox(group), key, x, 18, w, 82);
    c.Picture(icon, static_cast<short>(w <= 70 ? x + (w - 20) / 2 : x + 7), 33);
    c.Radios(group, {"AL1", "AL2", "non"}, static_cast<short>(x + 7), 58, 36, 13);
  };

  c.Box(screen_id::GroupBox(KeyLock), "Key lock", 6, 6, 52, 97);
  c.Picture(ScreenIcon::KeyLock, 22, 28);
  c.Radios(KeyLock, {"OFF", "ON"}, 14, 64, 36, 16);

  c.Box(screen_id::kAlarmAllocationBox, "Alarm allocation", 62, 6, 459, 98);
  alarm(FuseMelted, "Fuse melted", 67, 52, ScreenIcon::FuseMelted);
  alarm(PowerSupplyError, "Power supply error", 123, 70, ScreenIcon::PowerSupplyError);
  alarm(CurrentError, "Current error", 197, 52, ScreenIcon::CurrentError);
  alarm(HardwareError, "H/W error", 253, 52, ScreenIcon::HardwareError);
  alarm(TemperatureError, "Temperature error", 309, 68, ScreenIcon::TemperatureError);
  alarm(HeaterBreak, "Heater break", 381, 135, ScreenIcon::HeaterBreak);
  c.Text(screen_id::Label(EditField::HeaterBreakCurrent), "Heater break alarm current", 427, 40, 86, 18);
  c.Field(EditField::HeaterBreakCurrent, 427, 62, 40);
  c.Text(screen_id::Unit(EditField::HeaterBreakCurrent), "( % )", 470, 64, 30);

  c.Box(screen_id::GroupBox(RampLowerLimit), "Ramp lower limit", 6, 107, 68, 75);
  c.Radio(screen_id::Radio(RampLowerLimit, 0), "Number", 12, 119, 56, true);
  c.Radio(screen_id::Radio(RampLowerLimit, 1), "VR1", 12, 157, 40, false);
  c.Radio(screen_id::Radio(RampLowerLimit, 2), "VR2", 12, 169, 40, false);
  c.Field(EditField::RampLowerLimit, 14, 131, 40);
  c.Text(screen_id::Unit(EditField::RampLowerLimit), "( x 0.1% )", 14, 145, 56);

  c.Box(screen_id::GroupBox(RampUpperSelection), "Ramp higher limit selection", 78, 107, 137, 75);
  c.Radio(screen_id::Radio(RampUpperSelection, 0), "Ramp higher limit setting only", 84, 119, 128, true);
  c.Radio(screen_id::Radio(RampUpperSelection, 1), "VR1", 84, 133, 40, false);
  c.Radio(screen_id::Radio(RampUpperSelection, 2), "VR2", 84, 157, 40, false);
  c.Text(screen_id::Note(RampUpperSelection, 0), "( Ramp higher limit setting x VR1 )", 94, 144, 118);
  c.Text(screen_id::Note(RampUpperSelection, 1), "( Ramp higher limit setting x VR2 )", 94, 168, 118);

  c.Box(screen_id::kRampUpperSettingBox, "Ramp higher limit setting", 219, 107, 93, 75);
  c.Field(EditField::RampUpperSetting, 229, 130, 44);
  c.Text(screen_id::Unit(EditField::RampUpperSetting), "( x 0.1% )", 229, 146, 70);

  c.Box(screen_id::kSlowBox, "Slow-up/slow-down", 316, 107, 124, 75);
  c.LabelledField(EditField::SlowUp, "Slow-up", 321, 121, 44, 36, "", 0);
  c.Text(screen_id::Unit(EditField::SlowUp), "( x 0.1sec )", 372, 135, 64);
  c.LabelledField(EditField::SlowDown, "Slow-down", 321, 150, 44, 36, "", 0);
  c.Text(screen_id::Unit(EditField::SlowDown), "( x 0.1sec )", 372, 164, 64);

  c.Box(screen_id::GroupBox(CurrentLimiter), "Current limiter ( % )", 444, 107, 76, 75);
  c.Radio(screen_id::Radio(CurrentLimiter, 0), "Number", 450, 119, 56, true);
  c.Radio(screen_id::Radio(CurrentLimiter, 1), "VR1", 450, 146, 32, false);
  c.Radio(screen_id::Radio(CurrentLimiter, 2), "VR2", 450, 157, 32, false);
  c.Radio(screen_id::Radio(CurrentLimiter, 3), "VR3", 450, 168, 32, false);
  c.Field(EditField::CurrentLimiter, 452, 131, 40);
  c.Picture(ScreenIcon::CurrentLimiter, 488, 150);

  c.Box(screen_id::GroupBox(Do1), "DO-1", 6, 187, 41, 65);
  c.Radios(Do1, {"non", "STY", "EXE", "HB"}, 11, 199, 32, 12);
  c.Box(screen_id::GroupBox(Do2), "DO-2", 51, 187, 41, 65);
  c.Radios(Do2, {"non", "STY", "EXE", "HB"}, 56, 199, 32, 12);
  c.Box(screen_id::GroupBox(Di1), "DI-1", 96, 187, 68, 65);
  c.Radios(Di1, {"non", "POS", "INV"}, 102, 199, 40, 12);
  c.Text(screen_id::Note(Di1), "Manual operation", 102, 238, 60);
  c.Box(screen_id::GroupBox(Di2), "DI-2", 168, 187, 68, 65);
  c.Radios(Di2, {"non", "POS", "INV"}, 174, 199, 40, 12);
  c.Text(screen_id::Note(Di2), "EXE setting", 174, 238, 60);
  c.Box(screen_id::GroupBox(Di3), "DI-3", 240, 187, 97, 65);
  c.Radios(Di3, {"non", "POS"}, 246, 199, 40, 12);
  c.Text(screen_id::Note(Di3), "Restrictions when booting", 246, 238, 88);

  c.Box(screen_id::kBootLimiterBox, "Limiter when booting", 341, 187, 178, 65);
  c.Picture(ScreenIcon::BootLimiter, 350, 207);
  c.LabelledField(EditField::BootLimiter, "Output limiter", 378, 203, 52, 36, "( x 0.1% )", 46);
  c.LabelledField(EditField::BootLimiterTime, "Limiter time", 378, 226, 52, 36, "( x 0.1sec )", 46);

  c.Box(screen_id::GroupBox(AnalogInput), "Analog input", 6, 257, 53, 54);
  c.Radios(AnalogInput, {"NON", "GAIN"}, 12, 272, 40, 14);
  c.Box(screen_id::GroupBox(AnalogOutput), "Analog output", 63, 257, 55, 54);
  c.Radios(AnalogOutput, {"OUTP", "INPT"}, 69, 272, 40, 14);

  c.Box(screen_id::kScalingBox, "Analog output scaling ( x 0.1% )", 122, 257, 126, 54);
  c.LabelledField(EditField::ScaleLow, "Lower limit value", 128, 271, 68, 38, "", 0);
  c.LabelledField(EditField::ScaleHigh, "Higher limit value", 128, 290, 68, 38, "", 0);

  c.Box(screen_id::GroupBox(ControlInput), "Control input", 252, 257, 162, 54);
  c.Radio(screen_id::kCurrentInput, "Current", 258, 267, 48, true);
  c.Radio(screen_id::kVoltageInput, "Voltage", 308, 267, 48, false);
  constexpr int kInputCount = static_cast<int>(kControlInputCount);
  constexpr std::array<std::string_view, kControlInputCount> inputs = {
      "4-20mA", "0-20mA", "0-1V", "1-5V", "0-10V", "Potential", "Contact", "Voltage pulse"};
  for (int i = 0; i < kInputCount; ++i) {
    c.Radio(screen_id::Radio(ControlInput, i), inputs[static_cast<std::size_t>(i)],
            static_cast<short>(258 + (i % 3) * 52), static_cast<short>(278 + (i / 3) * 11),
            // the last row has two buttons: the second may take the third's room
            static_cast<short>(i == kInputCount - 1 ? 100 : 50), i == 0);
  }

  c.Box(screen_id::GroupBox(PowerDip), "Power supply instantaneous", 418, 257, 101, 54);
  c.Text(screen_id::Note(PowerDip), "stop handling function", 424, 268, 90);
  c.Radios(PowerDip, {"OFF", "ON"}, 424, 281, 40, 13);

  c.Box(screen_id::kOptionsBox, "Optional item information", 6, 314, 513, 47);
  c.Box(screen_id::kOneSeriesBox, "KLV30", 12, 328, 132, 29);
  c.Check(screen_id::OptionBox(0), "Output current detection function", 18, 340, 122);
  c.Box(screen_id::kKlv40Box, "KLV40", 151, 328, 361, 29);
  c.Check(screen_id::OptionBox(1), "Analog auxiliary input", 157, 340, 86);
  c.Check(screen_id::OptionBox(2), "Alarm output 2", 246, 340, 80);
  c.Check(screen_id::OptionBox(3), "Digital control output", 329, 340, 90);
  c.Check(screen_id::OptionBox(4), kAnalogOutputOptionKey, 422, 340, 86);
  return c.controls;
}

uint32_t StyleOf(const ScreenControl& control) {
  const uint32_t common = WS_CHILD | WS_VISIBLE;
  switch (control.kind) {
    case ControlKind::GroupBox: return common | BS_GROUPBOX | WS_GROUP;
    case ControlKind::Radio:
      return common | BS_AUTORADIOBUTTON | (control.startsGroup ? WS_GROUP | WS_TABSTOP : 0u);
    case ControlKind::Check: return common | BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP;
    case ControlKind::Label: return common | SS_LEFT | WS_GROUP;
    case ControlKind::Edit: return common | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP;
    case ControlKind::Picture: return common | SS_OWNERDRAW;
    case ControlKind::Spin:
      return common | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ARROWKEYS | UDS_AUTOBUDDY;
  }
  return common;
}

}  // namespace

const std::vector<ScreenControl>& ScreenControls() {
  static const std::vector<ScreenControl> controls = MakeControls();
  return controls;
}

DialogGrid GridFor(Language language) { return language == Language::Japanese ? kJapaneseGrid : kEnglishGrid; }

RECT PlaceOnGrid(const ScreenControl& control, Language language) {
  const DialogGrid grid = GridFor(language);
  const auto across = [&grid](int x) { return (x * grid.width + kEnglishGrid.width / 2) / kEnglishGrid.width; };
  const LONG left = across(control.x);
  const LONG right = across(control.x + control.width);
  return RECT{left, control.y, right, control.y + control.height};
}

std::vector<uint32_t> MainWindowTemplate(Language language) {
  const std::vector<ScreenControl>& controls = ScreenControls();
  const DialogGrid grid = GridFor(language);
  DialogTemplateWriter t;
  // No menu in the template: the window builds its menu bar from the text tables.
  t.Head(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_SETFONT | DS_CENTER, controls.size(), grid.width,
         grid.height, "KLV Loader", language);
  for (const ScreenControl& control : controls) {
    const RECT place = PlaceOnGrid(control, language);
    t.ItemStart(StyleOf(control), static_cast<short>(place.left), static_cast<short>(place.top),
                static_cast<short>(place.right - place.left), static_cast<short>(place.bottom - place.top),
                static_cast<uint32_t>(control.id));
    switch (control.kind) {
      case ControlKind::Edit: t.ClassAtom(0x0081); break;
      case ControlKind::Label:
      case ControlKind::Picture: t.ClassAtom(0x0082); break;
      case ControlKind::Spin: t.WideString("msctls_updown32"); break;
      default: t.ClassAtom(0x0080); break;
    }
    t.ItemEnd(control.captionKey.empty() ? std::string_view{}
                                         : Caption(Screen::MainWindow, control.captionKey, language));
  }
  return t.Finish();
}

}  // namespace klv
