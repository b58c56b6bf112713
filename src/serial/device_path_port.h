#pragma once
// A port opened on one named device, whatever COM number the settings hold:
// for the command-line tool's --port /dev/..., the tests and the benchmarks,
// which talk to a pseudo-terminal that no COM link names. Everything else
// (line settings, time-outs, protocol conversion) stays with SerialLine.
#include <filesystem>

#include "serial/port.h"

namespace klv {

// Ports from `inner` (by default the system's) that open `device` instead of
// the device SerialLine resolved from the COM number.
SerialPortFactory DevicePathPortFactory(std::filesystem::path device, SerialPortFactory inner = MakeSystemSerialPort);

// Ports from `inner` that open `to` when asked for the device `from`, and any
// other device as asked (the demo mode's COM1 reaching the simulated regulator).
SerialPortFactory RedirectingPortFactory(std::filesystem::path from, std::filesystem::path to,
                                         SerialPortFactory inner = MakeSystemSerialPort);

}  // namespace klv
