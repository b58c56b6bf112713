#pragma once
// The program's own choices that KlvTool.ini has no room for (its 24 bytes
// stay exactly as other tools read them): a small text file beside it, one
// "name=value" line per choice.
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/file_store.h"

namespace klv {

inline constexpr std::string_view kProgramOptionsFileName = "KlvLoader.conf";

struct ProgramOptions {
  // After a complete write, read every register written back and compare.
  bool verifyAfterWrite = false;

  friend bool operator==(const ProgramOptions&, const ProgramOptions&) = default;
};

// The file's text, and the options a text gives. Lines that are not a known
// "name=value" with a value of 0 or 1 are passed over and change nothing.
std::string ProgramOptionsText(const ProgramOptions& options);
ProgramOptions ParseProgramOptions(std::string_view text);

// A missing, unreadable or oversized file gives the defaults.
ProgramOptions LoadProgramOptions(const std::filesystem::path& path);
// Replaces the file as a whole (SaveFileAtomically).
SaveOutcome SaveProgramOptions(const std::filesystem::path& path, const ProgramOptions& options);

}  // namespace klv
