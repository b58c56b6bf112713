#pragma once
// The one message of a command whose parameter file cannot be used:
// "<file>: File data is unauthorized", with the system's reason in
// parentheses where there is one.
#include <string>

#include "editor/parameter_file.h"
#include "text/texts.h"

namespace klv::cli {

// For a load that is not Loaded with contents; a Loaded load without
// contents (which LoadParameterFile never gives) reads as a file that
// cannot be opened.
std::string FileRefusedMessage(const std::string& file, const ParameterFileLoad& load, Language language);

// The load gave a set the command can work on.
inline bool FileUsable(const ParameterFileLoad& load) {
  return load.status == ParameterFileStatus::Loaded && load.contents.has_value();
}

}  // namespace klv::cli
