#include "serial/comm_settings_screen.h"

#include <algorithm>
#include <cstdio>

namespace klv {

namespace {

// The index of value in choices, or fallback when it is none of them.
template <std::size_t N>
int IndexOf(int32_t value, const int32_t (&choices)[N], int fallback) {
  for (std::size_t i = 0; i < N; ++i) {
    if (choices[i] == value) return static_cast<int>(i);
  }
  return fallback;
}

// The value of the marked index, or fallback when none (or no such) is marked.
template <std::size_t N>
int32_t ValueOf(int index, const int32_t (&choices)[N], int32_t fallback) {
  if (index < 0 || static_cast<std::size_t>(index) >= N) return fallback;
  return choices[static_cast<std::size_t>(index)];
}

constexpr int32_t kSpeeds[] = {19200, 9600};
constexpr int32_t kParities[] = {1, 2, 3};
constexpr int32_t kStopBits[] = {1, 2};
constexpr int32_t kTimeouts[] = {50, 100, 200};
constexpr int32_t kSamplings[] = {10, 60, 300};
constexpr int32_t kDurations[] = {600, 3600, 86400};

}  // namespace

CommSettingsMarks MarksForOpening(CommSettings& settings) {
  CommSettingsMarks marks;
  // A stored number outside 2..12 marks COM01.
  marks.port = (settings.portNumber >= 2 && settings.portNumber <= kPortButtonCount) ? settings.portNumber - 1 : 0;
  marks.plus12 = settings.plus12 != 0;
  marks.speed = IndexOf(settings.speed, kSpeeds, 1);
  marks.parity = IndexOf(settings.parity, kParities, 2);
  marks.stopBits = IndexOf(settings.stopBits, kStopBits, 1);
  marks.timeout = IndexOf(settings.readTimeout, kTimeouts, 2);
  settings.deviceAddress = std::clamp(settings.deviceAddress, kLowestDeviceAddress, kHighestDeviceAddress);
  marks.address = settings.deviceAddress;
  // The protocol buttons are never shown: every opening marks TORVALEK.
  marks.protocol = 0;
  marks.sampling = IndexOf(settings.samplingInterval, kSamplings, 0);
  settings.samplingInterval = kSamplings[marks.sampling];
  marks.duration = IndexOf(settings.recordDuration, kDurations, 0);
  settings.recordDuration = kDurations[marks.duration];
  return marks;
}

CommSettings SettingsFromMarks(const CommSettings& shown, const CommSettingsMarks& marks) {
  CommSettings chosen = shown;
  chosen.deviceAddress = std::clamp(marks.address, kLowestDeviceAddress, kHighestDeviceAddress);
  chosen.portNumber = (marks.port >= 0 && marks.port < kPortButtonCount) ? marks.port + 1 : 1;
  chosen.plus12 = marks.plus12 ? 1 : 0;
  chosen.speed = ValueOf(marks.speed, kSpeeds, 19200);
  chosen.parity = ValueOf(marks.parity, kParities, 1);
  chosen.stopBits = marks.stopBits == 0 ? 1 : 2;
  chosen.readTimeout = marks.timeout == 0 ? 50 : marks.timeout == 1 ? 100 : 200;
  chosen.protocol = marks.protocol == 0 ? Protocol::Torvalek
                    : marks.protocol == 1 ? Protocol::ModbusRtu
                                          : Protocol::ModbusAscii;
  chosen.samplingInterval = ValueOf(marks.sampling, kSamplings, 10);
  chosen.recordDuration = ValueOf(marks.duration, kDurations, 600);
  return chosen;
}

int32_t AddressFromText(std::string_view text) {
  int64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') break;
    // Saturates: a long run of digits is simply too high.
    value = std::min<int64_t>(value * 10 + (c - '0'), 1'000'000);
  }
  return std::clamp(static_cast<int32_t>(value), kLowestDeviceAddress, kHighestDeviceAddress);
}

std::string PortButtonCaption(int index, bool plus12) {
  char caption[16];
  std::snprintf(caption, sizeof caption, "COM%02d", index + 1 + (plus12 ? kPortButtonCount : 0));
  return caption;
}

}  // namespace klv
