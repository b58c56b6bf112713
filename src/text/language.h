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

}  // namespace klv
