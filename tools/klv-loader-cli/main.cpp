// klv-loader-cli: the command-line front end of KLV Loader, for scripts and
// production lines. It shares the core with the windows.
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "model/parameter_set.h"
#include "model/register_catalogue.h"
#include "platform/data_folder.h"
#include "serial/settings_file.h"

namespace {

constexpr const char* kUsage =
    "Usage: klv-loader-cli COMMAND [OPTIONS]\n"
    "\n"
    "Commands:\n"
    "  defaults   show the default parameter set of the model stored in the\n"
    "             settings file (KlvTool.ini in the data folder)\n"
    "\n"
    "Options:\n"
    "  --help     show this text\n"
    "  --version  show the version\n";

// Prints every register of the model with its default value.
int ShowDefaults() {
  const klv::DataFolderOutcome folder = klv::DataFolder();
  if (!folder.ok) {
    std::fprintf(stderr, "klv-loader-cli: data folder: %s\n", folder.error.c_str());
    return 1;
  }
  const std::filesystem::path settingsPath = folder.path / klv::kSettingsFileName;
  const klv::SettingsLoad load = klv::LoadSettings(settingsPath);
  if (load.status == klv::SettingsLoad::Status::DefaultsNotSaved ||
      load.status == klv::SettingsLoad::Status::Unreadable) {
    std::fprintf(stderr, "klv-loader-cli: %s: %s\n", settingsPath.c_str(), load.error.c_str());
  }
  const klv::ModelKind model = load.record.model;
  klv::ParameterSet parameters;
  klv::LoadDefaults(parameters, model);

  std::printf("Model %.*s (settings: %s)\n", static_cast<int>(klv::ModelName(model).size()),
              klv::ModelName(model).data(), settingsPath.c_str());
  std::printf("Register  Default  Range          Option mask\n");
  for (const klv::CatalogueEntry& row : klv::CatalogueRows(klv::CatalogueFor(model))) {
    std::printf("%.*s      %7d  %6d..%-6d  %u\n", static_cast<int>(row.address.size()), row.address.data(),
                row.value.In(parameters), row.minimum, row.maximum, static_cast<unsigned>(row.optionMask));
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "--help" || command == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (command == "--version") {
    std::printf("klv-loader-cli %s\n", KLV_VERSION);
    return 0;
  }
  if (command == "defaults") return ShowDefaults();
  std::fputs(kUsage, stderr);
  return 2;
}
