#pragma once
// The data folder on Windows: the all-users documents folder itself, where
// the settings file, the communication log and the data record live, so
// they sit where the regulators' own Windows tool keeps them.
#include <filesystem>

#include "platform/data_folder.h"

namespace klv {

// Takes `documents` as the data folder, creating it when missing. There is
// no ports/ folder: COM numbers are the system's own ports.
DataFolderOutcome DataFolderAt(const std::filesystem::path& documents);

}  // namespace klv
