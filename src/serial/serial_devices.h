#pragma once
// The serial devices found on the machine, as the communication settings
// screen offers them and the scan for regulators tries them.
#include <filesystem>
#include <vector>

namespace klv {

// Serial devices under devRoot: the stable names of serial/by-id first
// (sorted), then ttyUSB*, ttyACM*, ttyAMA* and rfcomm* (sorted). The
// on-board ttyS* are left out: a COM number without a link reaches them.
std::vector<std::filesystem::path> FindSerialDevices(const std::filesystem::path& devRoot = "/dev");

}  // namespace klv
