#include "app/shell_open_text.h"

namespace klv {

std::string NoProgramForFileText(const std::filesystem::path& file, Language language) {
  const std::string name = file.filename().string();
  const std::string folder = file.parent_path().string();
  if (language == Language::Japanese) {
    return name + " を開くプログラムが設定されていません。\nファイルのフォルダ：\n" + folder;
  }
  return "No program is set up to open " + name + ".\nThe file is in the folder:\n" + folder;
}

}  // namespace klv
