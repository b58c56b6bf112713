#pragma once
// Failure messages that name the system's reason, in the form the program's
// other failure messages take: the text, then "(reason)" on a second line.
#include <string>
#include <string_view>

namespace klv {

// text, and on a second line the reason in parentheses; text alone without a reason.
std::string WithSystemReason(std::string_view text, std::string_view reason);

}  // namespace klv
