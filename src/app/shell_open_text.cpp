#include "app/shell_open_text.h"

#include "text/texts.h"

namespace klv {

std::string NoProgramForFileText(const std::filesystem::path& file, Language language) {
  const std::string name = file.filename().string();
  const std::string folder = file.parent_path().string();
  return Text(TextId::NoProgramForFile, language, {name, folder});
}

}  // namespace klv
