#pragma once
// What the port is opened with, worked out from the communication settings:
// the line settings, the COM number in use and the device it reaches. Plain
// functions, no I/O beyond looking for a port link.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "serial/comm_settings.h"

namespace klv {

enum class Parity { None, Even, Odd };

struct LineSettings {
  int32_t speed = 9600;  // bits per second, as stored; the port refuses speeds it cannot set
  int dataBits = 7;      // 8 for Modbus RTU, 7 for TORVALEK and Modbus ASCII
  Parity parity = Parity::Even;
  int stopBits = 1;  // 1 or 2
  // Total time of one read, counted from the call; there is no interval
  // time-out, so a read of more bytes than a reply holds lasts all of it.
  std::chrono::milliseconds readTimeout{100};
  // Total time of one write, including the wait for the bytes to leave.
  std::chrono::milliseconds writeTimeout{100};

  friend bool operator==(const LineSettings&, const LineSettings&) = default;
};

// The line settings for the stored values. Stored values outside the screen's
// choices still give a definite setting: parity 1 even, 2 none, anything else
// odd; stop bits 1 one, anything else two; read time-out 50 or 100 as
// stored, anything else 200 ms.
LineSettings BuildLineSettings(const CommSettings& settings);

// Replaces a stored port number above 12 (only a settings file can hold one)
// by 1, in the settings themselves, and returns the COM number in use: the
// stored number, plus 12 with the "+ 12" flag.
int32_t CorrectPortNumber(CommSettings& settings);

// "COM19" for 19.
std::string PortName(int32_t number);

}  // namespace klv
