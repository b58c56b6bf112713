#include <charconv>

#include "text/numbered_text_table.h"
#include "text/text_format.h"
#include "text/texts.h"

namespace klv {

namespace {

// A number given twice would hide one of its texts.
constexpr bool NumbersAreUnique() {
  for (const texts_detail::NumberedText& a : texts_detail::kNumberedTexts) {
    int seen = 0;
    for (const texts_detail::NumberedText& b : texts_detail::kNumberedTexts) seen += a.number == b.number;
    for (const texts_detail::NumberedText& b : texts_detail::kMessageTexts) seen += a.number == b.number;
    if (seen != 1) return false;
  }
  for (const texts_detail::NumberedText& a : texts_detail::kMessageTexts) {
    int seen = 0;
    for (const texts_detail::NumberedText& b : texts_detail::kMessageTexts) seen += a.number == b.number;
    if (seen != 1) return false;
  }
  return true;
}
static_assert(NumbersAreUnique(), "every text number stands for one text");

}  // namespace

std::string_view Text(TextId id, Language language) {
  const texts_detail::NumberedText* text = texts_detail::FindNumberedText(static_cast<int>(id));
  if (text == nullptr) return {};
  return InLanguage(language, text->english, text->japanese);
}

std::string Text(TextId id, Language language, std::initializer_list<std::string_view> values) {
  return FillIn(Text(id, language), values);
}

int TextNumber(TextId id, Language language) {
  const std::string_view text = Text(id, language);
  int value = 0;
  // Leading digits only, like the resource strings are read; anything else is 0.
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc{} ? value : 0;
}

WindowSize MainWindowSize(Language language) {
  return {TextNumber(TextId::MainWindowWidth, language), TextNumber(TextId::MainWindowHeight, language)};
}

WindowSize MonitorWindowSize(Language language) {
  return {TextNumber(TextId::MonitorWindowWidth, language),
          TextNumber(TextId::MonitorWindowHeight, language)};
}

}  // namespace klv
