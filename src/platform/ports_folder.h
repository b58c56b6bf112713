#pragma once
// Whether the data folder's ports/ (the links COM1..COM24 -> devices) can be
// listed. A folder that is there but cannot be listed would send COM<n> to
// the system's own device of that number instead of the linked one.
#include <filesystem>
#include <string>

namespace klv {

// Why the ports/ folder at the path cannot be listed; empty when it can or
// is not there at all.
std::string PortsFolderError(const std::filesystem::path& ports);

}  // namespace klv
