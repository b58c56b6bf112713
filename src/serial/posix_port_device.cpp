// COM numbers on Linux and other POSIX systems: links in the data folder,
// else the built-in serial ports.
#include "serial/port_device.h"

#include <system_error>

#include "platform/data_folder.h"
#include "serial/line_settings.h"

namespace klv {

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
