#include "platform/data_folder.h"

#include <cstdlib>
#include <system_error>

namespace klv {
namespace {

constexpr std::string_view kFolderName = "klv-loader";

// Usable as a base folder: set, non-empty and absolute.
bool Usable(const char* value) { return value != nullptr && value[0] == '/'; }

// Creates folder (and its parents) unless it is already a folder.
bool MakeFolder(const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    error = folder.string() + ": " + ec.message();
    return false;
  }
  // create_directories is silent when the name exists as something else.
  if (!std::filesystem::is_directory(folder, ec)) {
    error = folder.string() + ": " + std::make_error_code(std::errc::not_a_directory).message();
    return false;
  }
  return true;
}

}  // namespace

std::filesystem::path DataFolderLocation(const char* xdgDataHome, const char* home) {
  if (Usable(xdgDataHome)) return std::filesystem::path(xdgDataHome) / kFolderName;
  if (Usable(home)) return std::filesystem::path(home) / ".local" / "share" / kFolderName;
  return {};
}

DataFolderOutcome DataFolder(const char* xdgDataHome, const char* home) {
  DataFolderOutcome outcome;
  const std::filesystem::path folder = DataFolderLocation(xdgDataHome, home);
  if (folder.empty()) {
    outcome.error = "neither XDG_DATA_HOME nor HOME names an absolute folder";
    return outcome;
  }
  if (!MakeFolder(folder, outcome.error) || !MakeFolder(folder / kPortsFolderName, outcome.error)) {
    return outcome;
  }
  outcome.ok = true;
  outcome.path = folder;
  return outcome;
}

DataFolderOutcome DataFolder() {
  return DataFolder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"));
}

}  // namespace klv
