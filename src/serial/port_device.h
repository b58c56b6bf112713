#pragma once
// Where a COM number leads on this system (posix_port_device.cpp,
// windows_port_device.cpp).
#include <cstdint>
#include <filesystem>

namespace klv {

// The device that COM<number> reaches: the entry <dataFolder>/ports/COM<number>
// when there is one (normally a link to /dev/ttyUSB0 or /dev/serial/by-id/...;
// opening follows it, and a dangling link fails to open rather than falling
// back to another device), else /dev/ttyS<number - 1>. An empty path for a
// number below 1, which reaches no device. An empty dataFolder skips the links.
// On Windows COM<number> is the system's own port: "COM3", or "\\.\COM13"
// from 10 on; there are no links.
std::filesystem::path ResolvePortDevice(int32_t number, const std::filesystem::path& dataFolder);

}  // namespace klv
