#pragma once
// The program's data folder: the settings file, the communication log, the
// data record and the port links live there, shared by every run.
#include <filesystem>
#include <string>
#include <string_view>

namespace klv {

inline constexpr std::string_view kSettingsFileName = "KlvTool.ini";
inline constexpr std::string_view kCommLogFileName = "comlog.txt";
inline constexpr std::string_view kDataLogFileName = "datalog.csv";
// Links COM1..COM24 -> serial devices.
inline constexpr std::string_view kPortsFolderName = "ports";

struct DataFolderOutcome {
  bool ok = false;
  std::filesystem::path path;  // the folder, when ok
  std::string error;           // why it could not be found or made, otherwise
};

// Where the data folder belongs, from the values of XDG_DATA_HOME and HOME
// (nullptr when unset): $XDG_DATA_HOME/klv-loader, else
// $HOME/.local/share/klv-loader. Relative or empty values are ignored, as
// the base-directory rules require. An empty path when neither is usable.
std::filesystem::path DataFolderLocation(const char* xdgDataHome, const char* home);

// Finds the data folder from the given variable values and creates it, with
// ports/ inside, when missing.
DataFolderOutcome DataFolder(const char* xdgDataHome, const char* home);

// The same from the process environment.
DataFolderOutcome DataFolder();

}  // namespace klv
