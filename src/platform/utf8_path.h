#pragma once
// Paths to and from the UTF-8 text the program keeps everywhere else. A
// plain std::string would be taken in the system's code page of the moment
// on Windows (so a Japanese folder name would not survive); on POSIX both
// are the same bytes.
#include <filesystem>
#include <string>
#include <string_view>

namespace klv {

inline std::filesystem::path PathFromUtf8(std::string_view text) {
  return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

}  // namespace klv
