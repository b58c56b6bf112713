#pragma once
// The comparison of the screen with the regulator as a plain listing for a
// message box: the model and the options on either side, then one line per
// parameter that differs (or "No differences").
#include <string>

#include "editor/parameter_comparison.h"
#include "text/language.h"

namespace klv {

std::string ComparisonListing(const ParameterComparison& comparison, Language language);

}  // namespace klv
