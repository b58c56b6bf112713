#pragma once
// compare's output: the comparison of a parameter file with the regulator as
// a table for people or as JSON for scripts.
#include <string>

#include "editor/parameter_comparison.h"

namespace klv::cli {

// The file, the models and options, then one row per differing parameter
// (register, caption, file value and meaning, regulator value and meaning),
// or "No differences".
std::string CompareListing(const ParameterComparison& comparison, const std::string& file, Language language);

// The same as one JSON object.
std::string CompareJson(const ParameterComparison& comparison, const std::string& file);

}  // namespace klv::cli
