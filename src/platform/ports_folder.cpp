#include "platform/ports_folder.h"

#include <system_error>

namespace klv {

std::string PortsFolderError(const std::filesystem::path& ports) {
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(ports, error))) return {};
  const std::filesystem::directory_iterator listing(ports, error);
  return error ? error.message() : std::string();
}

}  // namespace klv
