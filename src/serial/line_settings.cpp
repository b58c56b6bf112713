#include "serial/line_settings.h"

#include <system_error>

#include "platform/data_folder.h"

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

std::filesystem::path ResolvePortDevice(int32_t number, const std::filesystem::path& dataFolder) {
  if (number < 1) return {};
  if (!dataFolder.empty()) {
    const std::filesystem::path link = dataFolder / kPortsFolderName / PortName(number);
    std::error_code error;
    // symlink_status: a link whose device is unplugged still counts, so the
    // open names the missing device instead of reaching /dev/ttyS*.
    if (std::filesystem::exists(std::filesystem::symlink_status(link, error))) return link;
  }
  return "/dev/ttyS" + std::to_string(number - 1);
}

}  // namespace klv
