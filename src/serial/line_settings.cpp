#include "serial/line_settings.h"

namespace klv {

LineSettings BuildLineSettings(const CommSettings& settings) {
  LineSettings line;
  line.speed = settings.speed;
  line.dataBits = settings.protocol == Protocol::ModbusRtu ? 8 : 7;
  switch (settings.parity) {
    case 1: line.parity = Parity::Even; break;
    case 2: line.parity = Parity::None; break;
    default: line.parity = Parity::Odd; break;
  }
  line.stopBits = settings.stopBits == 1 ? 1 : 2;
  switch (settings.readTimeout) {
    case 50: line.readTimeout = std::chrono::milliseconds(50); break;
    case 100: line.readTimeout = std::chrono::milliseconds(100); break;
    default: line.readTimeout = std::chrono::milliseconds(200); break;
  }
  line.writeTimeout = std::chrono::milliseconds(100);
  return line;
}

int32_t CorrectPortNumber(CommSettings& settings) {
  if (settings.portNumber > 12) settings.portNumber = 1;
  return settings.PortInUse();
}

std::string PortName(int32_t number) { return "COM" + std::to_string(number); }

}  // namespace klv
