#pragma once
// The end of a run over several units on one line: a table of every unit
// (address, model, result) or the same as a JSON array, and the line that
// names the units that did not succeed.
#include <string>

#include "text/texts.h"
#include "transfer/bus_run.h"

namespace klv::cli {

// One row per unit under the column headings, each line ending in "\n".
std::string BusSummaryTable(const BusRunResult& run, Language language);
// [{"address": 1, "model": "KLV40", "result": "ok", "file": "...", "message": "..."}, ...]
// with "model": null when the unit's model is not known.
std::string BusSummaryJson(const BusRunResult& run);
// The lines for standard error: the units that did not succeed, and those
// not tried after a stop; empty when every unit succeeded.
std::string BusFailureLines(const BusRunResult& run, Language language);

}  // namespace klv::cli
