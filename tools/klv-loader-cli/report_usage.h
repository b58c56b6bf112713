#pragma once
// The texts of the report command in English and Japanese: its usage, the
// line the general --help adds, and its own errors.
#include <string_view>

#include "text/texts.h"

namespace klv::cli {

enum class ReportUsage { Usage, Summary, NeedsOutput, Unavailable };

std::string_view ReportUsageText(ReportUsage text, Language language);

}  // namespace klv::cli
