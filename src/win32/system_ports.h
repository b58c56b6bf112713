#pragma once
// The COM ports the system has, with the device's friendly name where the
// device manager gives one ("USB Serial Port (COM3)").
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace klv {

struct SystemPort {
  int32_t number = 0;  // COM<number>
  std::string name;    // the friendly name, else the port's own name

  friend bool operator==(const SystemPort&, const SystemPort&) = default;
};

// The number of a port name "COM<n>" (any case), nothing for anything else.
std::optional<int32_t> ComNumberOf(std::string_view name);

// The ports COM1..COM24 that exist, by number, each once: the device
// manager's ports first, then the system's device names.
std::vector<SystemPort> SystemComPorts();

}  // namespace klv
