#pragma once
// The message shown when the desktop has no program for a file that the
// Tools or Help menu opens (the manual, the communication log, the data
// record): without it the command would do nothing visible and leave the
// operator guessing. It names the file and its folder, so the operator can
// open it by other means.
#include <filesystem>
#include <string>

#include "text/texts.h"

namespace klv {

std::string NoProgramForFileText(const std::filesystem::path& file, Language language);

}  // namespace klv
