#pragma once
// What the tool takes from its surroundings, as the windows would: the data
// folder with its settings file, and the language of the locale.
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "model/model_kind.h"
#include "serial/comm_settings.h"

namespace klv::cli {
struct ConnectionOptions;
}

namespace klv::cli {

struct Environment {
  std::filesystem::path dataFolder;  // empty when it could not be found or made
  std::string dataFolderError;
  // The stored settings and model, or the defaults when there is no file.
  CommSettings settings;
  ModelKind model = ModelKind::Klv40;
  std::string settingsWarning;  // the file is there but could not be read
  // Why the settings file that is there could not be read (empty when it
  // was read or is missing), and the file's size when it was read.
  std::string settingsError;
  std::filesystem::path settingsPath;  // KlvTool.ini and ports/ in the data folder
  std::filesystem::path portsPath;
  std::optional<std::size_t> settingsSize;
  // Why the data folder's ports/, which is there, cannot be listed.
  std::string portsError;
};

// Finds (and makes) the data folder and reads its settings file. A missing
// settings file is not created: the tool never writes it.
// The warnings are in language.
Environment LoadEnvironment(Language language = Language::English);

// A command that talks to a regulator never runs on settings it could not
// take from the file: a settings file that is there but cannot be read, one
// too short to hold the settings, or a field no connection can use (port,
// address, speed), unless the command line gives what is missing; a ports/
// folder that cannot be listed, unless --port names the device. The message
// naming the file and what to do, in language; nothing when all is well.
std::optional<std::string> RefuseStoredSettings(const Environment& environment, const ConnectionOptions& options,
                                                Language language);

// Japanese when the locale of messages (LC_ALL, else LC_MESSAGES, else LANG)
// is Japanese, English otherwise; on Windows, when the user's interface
// language is Japanese. In posix_system.cpp and windows_system.cpp.
Language LocaleLanguage();

// Every message the tool writes on standard error starts with this, so a
// script's log tells whose message it is.
inline constexpr std::string_view kMessagePrefix = "klv-loader-cli: ";

// The text with kMessagePrefix before each of its lines but the empty ones,
// which keep a message's layout; a newline at the end.
std::string ToolMessage(std::string_view text);

// ToolMessage(text) on standard error.
void PrintError(const std::string& text);

// A usage mistake: the error and the hint to --help on standard error; the
// exit status for it.
int RefuseUsage(const std::string& error, Language language);

}  // namespace klv::cli
