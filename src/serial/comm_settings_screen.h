#pragma once
// The rules of the communication settings screen, shared by every window
// program: which buttons a stored record marks (correcting what the screen
// cannot show) and which record the marked buttons give on OK.
#include <cstdint>
#include <string>
#include <string_view>

#include "serial/comm_settings.h"

namespace klv {

inline constexpr int kPortButtonCount = 12;
inline constexpr int32_t kLowestDeviceAddress = 1;
inline constexpr int32_t kHighestDeviceAddress = 99;

// The marked button of each choice as an index in the screen's order, -1
// for none: port COM01..COM12; speed 19200, 9600; parity EVEN, NON, ODD;
// stop bits 1, 2; time-out 50, 100, 200 ms; protocol TORVALEK, Modbus RTU,
// Modbus ASCII; sampling 10 s, 1 min, 5 min; record time 10 min, 1 h, 24 h.
struct CommSettingsMarks {
  int port = 0;
  bool plus12 = false;
  int speed = 0;
  int parity = 0;
  int stopBits = 0;
  int timeout = 0;
  int protocol = 0;
  int sampling = 0;
  int duration = 0;
  int32_t address = kLowestDeviceAddress;

  friend bool operator==(const CommSettingsMarks&, const CommSettingsMarks&) = default;
};

// Opening the screen: the marks the record gives. The address, sampling
// interval and record time the screen cannot show are corrected in the
// record itself (clamped, or set to the first choice).
CommSettingsMarks MarksForOpening(CommSettings& settings);

// OK: the record the marks give; what the screen does not show is kept from
// shown.
CommSettings SettingsFromMarks(const CommSettings& shown, const CommSettingsMarks& marks);

// The address field's text as an address: its leading decimal digits
// (none: 0), clamped to the address range.
int32_t AddressFromText(std::string_view text);

// The caption of a port button (index 0..11) while "+ 12" is or is not
// ticked: "COM01".."COM12" or "COM13".."COM24".
std::string PortButtonCaption(int index, bool plus12);

}  // namespace klv
