#pragma once
// The program's own choices that KlvTool.ini has no room for (its 24 bytes
// stay exactly as other tools read them): a small text file beside it, one
// "name=value" line per choice.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_store.h"

namespace klv {

inline constexpr std::string_view kProgramOptionsFileName = "KlvLoader.conf";
// How many parameter files the File menu offers again.
inline constexpr std::size_t kRecentFileCount = 8;

struct ProgramOptions {
  // After a complete write, read every register written back and compare.
  bool verifyAfterWrite = false;
  // The serial adapter echoes every byte sent (two-wire RS-485): each
  // exchange reads that echo back before the reply.
  bool localEcho = false;
  // A write reads the regulator first and writes only the registers that differ.
  bool writeChangedOnly = false;
  // The folder each kind of file dialog last chose a file in, where it
  // starts the next time; empty: the working folder.
  std::filesystem::path parameterFolder;  // Open, Save as
  std::filesystem::path reportFolder;     // the report's PDF
  std::filesystem::path pictureFolder;    // the graph's pictures and data
  std::filesystem::path recordFolder;     // the monitor's data record
  // The parameter files last opened or saved, newest first.
  std::vector<std::filesystem::path> recentFiles;

  friend bool operator==(const ProgramOptions&, const ProgramOptions&) = default;
};

// The file's text, and the options a text gives. Lines that are not a known
// "name=value" (0 or 1 for a choice, an absolute path for a folder or a
// recent file) are passed over and change nothing; recent files beyond
// kRecentFileCount are dropped.
std::string ProgramOptionsText(const ProgramOptions& options);
ProgramOptions ParseProgramOptions(std::string_view text);

// file first in the recent files, once, the oldest dropped past kRecentFileCount.
void RememberRecentFile(ProgramOptions& options, const std::filesystem::path& file);

// The File menu's item for recent file index (from 0): "&1 " and the path
// (the digit chooses it from the keyboard), the path's start cut to "…"
// past 60 characters and "&" doubled so that it shows as itself.
std::string RecentFileMenuText(std::size_t index, const std::filesystem::path& file);

// A missing, unreadable or oversized file gives the defaults.
ProgramOptions LoadProgramOptions(const std::filesystem::path& path);
// Replaces the file as a whole (SaveFileAtomically).
SaveOutcome SaveProgramOptions(const std::filesystem::path& path, const ProgramOptions& options);

}  // namespace klv
