#pragma once
// The two languages of the program's texts, and the rule that picks one.
#include <string_view>

namespace klv {

enum class Language { English, Japanese };

// Japanese when the first of the system's user-interface languages is
// Japanese ("ja", "ja-JP", "ja_JP", any case), English otherwise. Only the
// primary language tag counts: "ja-Jpan-JP" and "ja_JP.UTF-8" are Japanese,
// "jv" or an empty name are English.
Language ChooseLanguage(std::string_view firstUiLanguage);

// The one place a text is picked by language: every table of texts (numbered
// texts, menu, captions, the command-line tool's texts) stores both and asks
// here.
constexpr std::string_view InLanguage(Language language, std::string_view english, std::string_view japanese) {
  return language == Language::Japanese ? japanese : english;
}

}  // namespace klv
