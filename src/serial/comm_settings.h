#pragma once
// The communication settings record: which port, how, which regulator, which
// wire protocol, and how the monitor records data.
#include <cstdint>

namespace klv {

enum class Protocol : int32_t {
  Torvalek = 0,
  ModbusRtu = 1,
  ModbusAscii = 2,
};

// Values are kept as loaded; out-of-range values are corrected where they are
// used (port opening, settings screen), never here.
struct CommSettings {
  int32_t portNumber = 1;        // 1..12, the screen's COM buttons
  int32_t plus12 = 0;            // 1: the port used is portNumber + 12
  int32_t speed = 9600;          // bits per second, 9600 or 19200
  int32_t parity = 1;            // 1 even, 2 none, 3 odd
  int32_t stopBits = 1;          // 1 or 2
  int32_t readTimeout = 100;     // milliseconds: 50, 100 or 200
  int32_t deviceAddress = 1;     // 1..99
  Protocol protocol = Protocol::ModbusRtu;
  int32_t samplingInterval = 10;   // data record, seconds: 10, 60 or 300
  int32_t recordDuration = 600;    // data record, seconds: 600, 3600 or 86400

  // The COM number in use: the stored number, plus 12 with the "+ 12" flag.
  int32_t PortInUse() const { return portNumber + (plus12 != 0 ? 12 : 0); }

  friend bool operator==(const CommSettings&, const CommSettings&) = default;
};

}  // namespace klv
