#pragma once
// The name of the file a data record goes on in when the monitor meets
// another unit: the record's own name with the local date and time added,
// so that one file never mixes two regulators.
#include <filesystem>

#include "platform/clock.h"

namespace klv {

// ".../datalog.csv" at 2026-12-11 10:42:05 -> ".../datalog-20261211-104205.csv";
// "run.csv" -> "run-20261211-104205.csv"; a name without an extension gets
// none. A time the system could not convert gives zeros.
std::filesystem::path DatedLogPath(const std::filesystem::path& path, const LocalTime& time);

}  // namespace klv
