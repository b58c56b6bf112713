#include <array>

#include "text/texts.h"

namespace klv {

namespace {

struct ToolkitText {
  std::string_view english;
  std::string_view japanese;
};

// The Type column of the file dialogs' list; without these it would show
// "Folder" in English beside Japanese headings.
constexpr std::array kToolkitTexts = {
    ToolkitText{"Folder", "フォルダ"},
    ToolkitText{"Drive", "ドライブ"},
    ToolkitText{"Shortcut", "ショートカット"},
    ToolkitText{"Unknown", "不明"},
};

}  // namespace

std::string_view ToolkitJapanese(std::string_view english) {
  for (const ToolkitText& text : kToolkitTexts) {
    if (text.english == english) return text.japanese;
  }
  return {};
}

}  // namespace klv
