#include "file_refusal.h"

namespace klv::cli {

std::string FileRefusedMessage(const std::string& file, const ParameterFileLoad& load, Language language) {
  std::string text = file + ": " + std::string(Text(RefusalText(load.status).value_or(TextId::FileCannotBeOpened), language));
  if (!load.error.empty()) text += " (" + load.error + ")";
  return text;
}

}  // namespace klv::cli
