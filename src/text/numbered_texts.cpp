#include <charconv>

#include "text/numbered_text_table.h"
#include "text/texts.h"

namespace klv {

std::string_view Text(TextId id, Language language) {
  const texts_detail::NumberedText* text = texts_detail::FindNumberedText(static_cast<int>(id));
  if (text == nullptr) return {};
  return language == Language::Japanese ? text->japanese : text->english;
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
