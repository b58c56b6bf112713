#pragma once
// Checks the text tables' tests share: the values a text fills in and
// whether it holds anything beyond ASCII.
#include <set>
#include <string>
#include <string_view>

namespace klv::test {

// The placeholders "%1".."%9" a text fills in, counted: a text that names a
// value twice gives it twice.
inline std::multiset<std::string> PlaceholderCounts(std::string_view text) {
  std::multiset<std::string> found;
  for (std::size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] == '%' && text[i + 1] >= '1' && text[i + 1] <= '9') found.insert(std::string(text.substr(i, 2)));
  }
  return found;
}

// Each placeholder once however often it stands (a Japanese text may name a
// value twice for its word order).
inline std::set<std::string> Placeholders(std::string_view text) {
  const std::multiset<std::string> counted = PlaceholderCounts(text);
  return {counted.begin(), counted.end()};
}

inline bool HasNonAscii(std::string_view text) {
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return true;
  }
  return false;
}

}  // namespace klv::test
