#include "text/language.h"

#include "text/ascii_case.h"

namespace klv {

namespace {

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

}  // namespace

Language ChooseLanguage(std::string_view firstUiLanguage) {
  // The primary tag is the leading run of letters: "ja" in "ja-JP", "ja_JP.UTF-8".
  std::size_t length = 0;
  while (length < firstUiLanguage.size() && IsAsciiLetter(firstUiLanguage[length])) ++length;
  if (length == 2 && AsciiLower(firstUiLanguage[0]) == 'j' &&
      AsciiLower(firstUiLanguage[1]) == 'a') {
    return Language::Japanese;
  }
  return Language::English;
}

}  // namespace klv
