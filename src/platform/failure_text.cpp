#include "platform/failure_text.h"

namespace klv {

std::string WithSystemReason(std::string_view text, std::string_view reason) {
  std::string message(text);
  if (!reason.empty()) message += "\n(" + std::string(reason) + ")";
  return message;
}

}  // namespace klv
