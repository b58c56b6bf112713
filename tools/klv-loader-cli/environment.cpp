#include "environment.h"

#include <cstdio>

#include "cli_options.h"
#include "cli_texts.h"
#include "commands.h"
#include "system_services.h"
#include "platform/data_folder.h"
#include "platform/file_store.h"
#include "platform/ports_folder.h"
#include "serial/settings_file.h"

namespace klv::cli {

Environment LoadEnvironment(Language language) {
  Environment environment;
  const DataFolderOutcome folder = DataFolder();
  // Where the files are, also when the folder is unusable: the settings and
  // the port links there must not be passed over for the defaults.
  const std::filesystem::path location = folder.ok ? folder.path : DataFolderPlace();
  if (!location.empty()) {
    environment.settingsPath = location / kSettingsFileName;
    environment.portsPath = location / kPortsFolderName;
    environment.portsError = PortsFolderError(environment.portsPath);
  }
  if (!folder.ok) {
    environment.dataFolderError = folder.error;
    std::error_code error;
    if (!location.empty() && std::filesystem::exists(std::filesystem::symlink_status(environment.settingsPath, error))) {
      environment.settingsError = folder.error;
    }
    return environment;
  }
  environment.dataFolder = folder.path;
  const std::filesystem::path& path = environment.settingsPath;
  std::error_code error;
  if (!std::filesystem::exists(std::filesystem::symlink_status(path, error))) return environment;
  const ReadOutcome read = ReadFilePrefix(path, kSettingsReadLimit);
  if (read.status != ReadOutcome::Status::Ok) {
    environment.settingsWarning = CliText(CliTextId::SettingsUnreadable, language, {path.string(), read.error});
    environment.settingsError = read.error;
    return environment;
  }
  environment.settingsSize = read.bytes.size();
  const SettingsRecord record = DecodeSettings(read.bytes);
  environment.settings = record.settings;
  environment.model = record.model;
  return environment;
}

std::optional<std::string> RefuseStoredSettings(const Environment& environment, const ConnectionOptions& options,
                                                Language language) {
  const bool portGiven = options.portNumber.has_value() || !options.devicePath.empty();
  const bool allGiven = portGiven && options.deviceAddress && options.speed && options.parity && options.stopBits &&
                        options.readTimeout && options.protocol;
  const std::string settingsPath = environment.settingsPath.string();
  if (!environment.settingsError.empty() && !allGiven) {
    return CliText(CliTextId::SettingsCannotBeRead, language, {settingsPath, environment.settingsError});
  }
  // COM<n> reaches its device through ports/; what cannot be listed there
  // would send the transfer to /dev/ttyS<n-1> instead.
  if (!environment.portsError.empty() && options.devicePath.empty()) {
    return CliText(CliTextId::PortsCannotBeRead,
                   language, {environment.portsPath.string(), environment.portsError});
  }
  if (!environment.settingsSize || allGiven) return std::nullopt;
  if (*environment.settingsSize < kSettingsRecordSize) {
    return CliText(CliTextId::SettingsTooShort, language, {settingsPath, std::to_string(*environment.settingsSize)});
  }
  const CommSettings& stored = environment.settings;
  const auto invalid = [&](CliTextId field, int32_t value, CliTextId allowed, std::string_view option) {
    return CliText(CliTextId::SettingsFieldInvalid, language,
                   {settingsPath, CliText(field, language), std::to_string(value), CliText(allowed, language), option});
  };
  if (!portGiven && stored.portNumber < 1) {
    return invalid(CliTextId::FieldPortNumber, stored.portNumber, CliTextId::AllowedPort, "port");
  }
  if (!options.deviceAddress && (stored.deviceAddress < 1 || stored.deviceAddress > 99)) {
    return invalid(CliTextId::FieldDeviceAddress, stored.deviceAddress, CliTextId::AllowedAddress, "address");
  }
  if (!options.speed && stored.speed != 9600 && stored.speed != 19200) {
    return invalid(CliTextId::FieldSpeed, stored.speed, CliTextId::AllowedSpeed, "speed");
  }
  return std::nullopt;
}

std::string ToolMessage(std::string_view text) {
  std::string out;
  std::size_t start = 0;
  while (true) {
    const std::size_t end = text.find('\n', start);
    const std::string_view line = text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty()) out += kMessagePrefix;
    out += line;
    out += '\n';
    if (end == std::string_view::npos || end + 1 == text.size()) break;
    start = end + 1;
  }
  return out;
}

void PrintError(const std::string& text) {
  std::fputs(ToolMessage(text).c_str(), stderr);
  std::fflush(stderr);
}

int RefuseUsage(const std::string& error, Language language) {
  PrintError(error);
  PrintError(CliText(CliTextId::TryHelp, language));
  return kExitUnusable;
}

}  // namespace klv::cli
