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
