#include "serial/ui/port_links.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/data_folder.h"
#include "serial/line_settings.h"
#include "serial/network_address.h"

namespace klv {
namespace {

std::filesystem::path LinkPath(const std::filesystem::path& dataFolder, int32_t number) {
  return dataFolder / std::string(kPortsFolderName) / PortName(number);
}

}  // namespace

std::optional<std::filesystem::path> PortLinkTarget(const std::filesystem::path& dataFolder, int32_t number) {
  if (dataFolder.empty() || number < 1) return std::nullopt;
  std::error_code error;
  const std::filesystem::path link = LinkPath(dataFolder, number);
  if (std::filesystem::is_symlink(std::filesystem::symlink_status(link, error))) {
    std::filesystem::path target = std::filesystem::read_symlink(link, error);
    if (!error) return target;
  }
  // A file holding a network address reaches that address: shown as it.
  if (std::optional<std::string> address = NetworkAddressInFile(link)) return std::filesystem::path(*address);
  // A plain file or device node put there by hand is what the port opens.
  if (std::filesystem::exists(std::filesystem::symlink_status(link, error))) return link;
  return std::nullopt;
}

bool AssignPortLink(const std::filesystem::path& dataFolder, int32_t number,
                    const std::optional<std::filesystem::path>& device, std::string& error) {
  error.clear();
  if (dataFolder.empty() || number < 1) {
    error = "no data folder";
    return false;
  }
  std::error_code code;
  const std::filesystem::path folder = dataFolder / std::string(kPortsFolderName);
  std::filesystem::create_directories(folder, code);
  const std::filesystem::path link = LinkPath(dataFolder, number);
  if (!device) {
    std::filesystem::remove(link, code);
    if (code) error = code.message();
    return !code;
  }
  // A new link under a temporary name, renamed over the old one: the COM
  // number always reaches either the old device or the new one.
  const std::filesystem::path temporary = folder / ("." + PortName(number) + ".new-" + std::to_string(::getpid()));
  std::filesystem::remove(temporary, code);
  if (HasNetworkScheme(device->string())) {
    // A network address is not a device to link to: the entry is a text file holding it.
    std::ofstream entry(temporary, std::ios::binary | std::ios::trunc);
    entry << device->string() << '\n';
    entry.flush();
    if (!entry) code = std::make_error_code(std::errc::io_error);
  } else {
    std::filesystem::create_symlink(*device, temporary, code);
  }
  if (!code) std::filesystem::rename(temporary, link, code);
  if (code) {
    error = code.message();
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
  }
  return true;
}

}  // namespace klv
