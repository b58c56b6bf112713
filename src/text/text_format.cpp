#include "text/text_format.h"

namespace klv {

std::string FillIn(std::string_view pattern, std::initializer_list<std::string_view> values) {
  std::string out;
  out.reserve(pattern.size());
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] >= '1' && pattern[i + 1] <= '9') {
      const auto index = static_cast<std::size_t>(pattern[i + 1] - '1');
      if (index < values.size()) out += *(values.begin() + index);
      ++i;
      continue;
    }
    out += pattern[i];
  }
  return out;
}

}  // namespace klv
