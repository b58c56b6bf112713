#pragma once
// The one way the program fills values into its texts: "%1" .. "%9" stand
// for the values in order, wherever the language puts them.
#include <initializer_list>
#include <string>
#include <string_view>

namespace klv {

// The pattern with every "%1".."%9" replaced by that value (empty when there
// is no such value); any other "%" stays. Values are copied as they are, so a
// "%2" inside a value is never replaced itself.
std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values);

}  // namespace klv
