// COM numbers on Windows: the system's own COM ports.
#include "serial/port_device.h"

#include "serial/line_settings.h"

namespace klv {

// COM1..COM9 by their plain names; from COM10 on only the device namespace
// name "\\.\COM10" reaches the port, so those go by it.
std::filesystem::path ResolvePortDevice(int32_t number, const std::filesystem::path&) {
  if (number < 1) return {};
  if (number < 10) return PortName(number);
  return "\\\\.\\" + PortName(number);
}

}  // namespace klv
