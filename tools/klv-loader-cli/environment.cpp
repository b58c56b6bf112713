#include "environment.h"

#include <cstdio>

#include "cli_texts.h"
#include "commands.h"
#include "platform/data_folder.h"
#include "platform/file_store.h"
#include "serial/settings_file.h"

namespace klv::cli {

Environment LoadEnvironment(Language language) {
  Environment environment;
  const DataFolderOutcome folder = DataFolder();
  if (!folder.ok) {
    environment.dataFolderError = folder.error;
    return environment;
  }
  environment.dataFolder = folder.path;
  const std::filesystem::path path = folder.path / kSettingsFileName;
  std::error_code error;
  if (!std::filesystem::exists(path, error)) return environment;
  const ReadOutcome read = ReadFilePrefix(path, kSettingsReadLimit);
  if (read.status != ReadOutcome::Status::Ok) {
    environment.settingsWarning = CliText(CliTextId::SettingsUnreadable, language, {path.string(), read.error});
    return environment;
  }
  const SettingsRecord record = DecodeSettings(read.bytes);
  environment.settings = record.settings;
  environment.model = record.model;
  return environment;
}

void PrintError(const std::string& text) { std::fprintf(stderr, "klv-loader-cli: %s\n", text.c_str()); }

int RefuseUsage(const std::string& error, Language language) {
  PrintError(error);
  std::fputs((CliText(CliTextId::TryHelp, language) + "\n").c_str(), stderr);
  return kExitUnusable;
}

}  // namespace klv::cli
