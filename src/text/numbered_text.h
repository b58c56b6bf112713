#pragma once
// One numbered text: its number and its wording in both languages.
#include <string_view>

namespace klv::texts_detail {

struct NumberedText {
  int number;
  std::string_view english;
  std::string_view japanese;
};

}  // namespace klv::texts_detail
