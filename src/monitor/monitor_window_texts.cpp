#include "monitor/monitor_window_texts.h"

#include <array>

namespace klv {

namespace {

// Fixed captions of the rows; rows 0 and 8 take theirs from the display.
constexpr std::array<std::string_view, kMonitorRowCount> kRowCaptions = {
    "Output ( x 0.1% )",
    "Load voltage ( V )",
    "Load current  ( x 0.1A )",
    "Load power ( x 0.01VA )",
    "Control input ( x 0.1% )",
    "VR1 operation amount ( x 0.1% )",
    "VR2 operation amount ( x 0.1% )",
    "VR3 operation amount ( x 0.1% )",
    "AL/DO output",
    "DI input",
    "Analog input ( x 0.1% )",
    "Analog output ( x 0.1% )",
};

constexpr std::array<std::string_view, kLampCount> kLampNames = {"AL1", "AL2", "DO1", "DO2", "DI1", "DI2", "DI3"};

}  // namespace

std::string_view MonitorRowCaption(const MonitorDisplay& display, int row, Language language) {
  if (row < 0 || row >= kMonitorRowCount) return {};
  std::string_view key = kRowCaptions[static_cast<std::size_t>(row)];
  if (row == kOutputRow) key = display.outputCaption;
  if (row == kAlarmOutputRow) key = display.alarmRowCaption;
  return Caption(Screen::Monitor, key, language);
}

std::string_view MonitorLampName(int lamp) {
  if (lamp < 0 || lamp >= kLampCount) return {};
  return kLampNames[static_cast<std::size_t>(lamp)];
}

std::string MonitorStatusText(const MonitorView& view, Language language) {
  // Nothing ever answered: what was tried and what to do, in place of a lost line.
  if (view.nothingAnswered) return view.noReplyText;
  const MonitorDisplay& display = view.display;
  const std::string_view line = LineStatusText(display, language);
  const std::string unit = UnitChangeText(display, language);
  if (!display.lineLost && !unit.empty()) return unit;
  if (!line.empty()) return std::string(line);
  return view.recordStatus;
}

std::string MonitoredUnitName(const MonitorDisplay& display) {
  constexpr std::string_view kSeparator = " - ";
  const std::size_t at = display.title.find(kSeparator);
  if (at == std::string::npos) return {};
  std::string name = display.title.substr(at + kSeparator.size());
  // The mode texts are padded to four characters ("PA  ").
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

}  // namespace klv
