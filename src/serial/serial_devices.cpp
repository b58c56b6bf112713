#include "serial/serial_devices.h"

#include <algorithm>
#include <string>
#include <system_error>

namespace klv {
namespace {

std::vector<std::filesystem::path> Sorted(std::vector<std::filesystem::path> paths) {
  std::sort(paths.begin(), paths.end());
  return paths;
}

}  // namespace

std::vector<std::filesystem::path> FindSerialDevices(const std::filesystem::path& devRoot) {
  std::error_code error;
  std::vector<std::filesystem::path> byId;
  for (const auto& entry : std::filesystem::directory_iterator(devRoot / "serial" / "by-id", error)) {
    byId.push_back(entry.path());
  }
  std::vector<std::filesystem::path> others;
  for (const auto& entry : std::filesystem::directory_iterator(devRoot, error)) {
    const std::string name = entry.path().filename().string();
    for (const char* prefix : {"ttyUSB", "ttyACM", "ttyAMA", "rfcomm"}) {
      if (name.rfind(prefix, 0) == 0) {
        others.push_back(entry.path());
        break;
      }
    }
  }
  std::vector<std::filesystem::path> devices = Sorted(std::move(byId));
  for (auto& device : Sorted(std::move(others))) devices.push_back(std::move(device));
  return devices;
}

}  // namespace klv
