#pragma once
// The links that say which serial device a COM number reaches
// (<data folder>/ports/COM<n>), as the communication settings screen shows
// and changes them, and the serial devices found on the machine.
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "serial/serial_devices.h"

namespace klv {

// What COM<number> reaches: the target of its link (as written in the link),
// the network address its entry file holds ("tcp://10.0.0.5:4001"), or
// nothing when it has no entry and reaches /dev/ttyS<number - 1>.
std::optional<std::filesystem::path> PortLinkTarget(const std::filesystem::path& dataFolder, int32_t number);

// Points COM<number> at device, replacing any link as a whole (a new link
// beside it, renamed over the old one); with no device the link is removed.
// A network address is written as an entry file holding it instead.
// False with the system's reason in error when the link cannot be made.
bool AssignPortLink(const std::filesystem::path& dataFolder, int32_t number,
                    const std::optional<std::filesystem::path>& device, std::string& error);

}  // namespace klv
