#pragma once
// The numbers of the main window's controls. Each radio group, edit field
// and option box has a block of its own, so the window finds a control from
// the core's RadioGroup and EditField alone.
#include "editor/field_rules.h"
#include "editor/screen_icon_shapes.h"
#include "editor/screen_mapping.h"

namespace klv::screen_id {

// A radio group's box is GroupBox(group); its buttons follow it.
constexpr int GroupBox(RadioGroup group) { return 1000 + static_cast<int>(group) * 20; }
constexpr int Radio(RadioGroup group, int button) { return GroupBox(group) + 1 + button; }
// The note inside a group ("Manual operation", "stop handling function", ...).
constexpr int Note(RadioGroup group, int index = 0) { return GroupBox(group) + 12 + index; }

// An edit field, its spin button and the caption, ":" and unit beside it.
constexpr int Edit(EditField field) { return 1500 + static_cast<int>(field) * 10; }
constexpr int Spin(EditField field) { return Edit(field) + 1; }
constexpr int Label(EditField field) { return Edit(field) + 2; }
constexpr int Colon(EditField field) { return Edit(field) + 3; }
constexpr int Unit(EditField field) { return Edit(field) + 4; }

// 0 "Output current detection function"; 1..4 the KLV40 boxes of option bits 0..3.
constexpr int OptionBox(int index) { return 1700 + index; }

inline constexpr int kAlarmAllocationBox = 1800;
inline constexpr int kRampUpperSettingBox = 1801;
inline constexpr int kSlowBox = 1802;
inline constexpr int kBootLimiterBox = 1803;
inline constexpr int kScalingBox = 1804;
inline constexpr int kOptionsBox = 1805;
inline constexpr int kOneSeriesBox = 1806;
inline constexpr int kKlv40Box = 1807;
inline constexpr int kCurrentInput = 1810;  // "Current" of "Control input"
inline constexpr int kVoltageInput = 1811;  // "Voltage" of "Control input"

// A group's picture; IconAt gives the picture of a control number, if any.
constexpr int Icon(ScreenIcon icon) { return 1850 + static_cast<int>(icon); }
constexpr bool IsIcon(int id) { return id >= Icon(ScreenIcon::KeyLock) && id <= Icon(ScreenIcon::Scaling); }
constexpr ScreenIcon IconAt(int id) { return static_cast<ScreenIcon>(id - Icon(ScreenIcon::KeyLock)); }

}  // namespace klv::screen_id
