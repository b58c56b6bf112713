#include <charconv>

#include "editor/numbered_text_table.h"
#include "editor/texts.h"

namespace klv {

std::string_view Text(int number, Language language) {
  const texts_detail::NumberedText* text = texts_detail::FindNumberedText(number);
  if (text == nullptr) return {};
  return language == Language::Japanese ? text->japanese : text->english;
}

int TextNumber(int number, Language language) {
  const std::string_view text = Text(number, language);
  int value = 0;
  // Leading digits only, like the resource strings are read; anything else is 0.
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc{} ? value : 0;
}

WindowSize MainWindowSize(Language language) {
  return {TextNumber(kTextMainWindowWidth, language), TextNumber(kTextMainWindowHeight, language)};
}

WindowSize MonitorWindowSize(Language language) {
  return {TextNumber(kTextMonitorWindowWidth, language),
          TextNumber(kTextMonitorWindowHeight, language)};
}

}  // namespace klv
