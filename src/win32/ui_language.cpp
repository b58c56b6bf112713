#include "win32/ui_language.h"

#include <windows.h>

namespace klv {

Language UserInterfaceLanguage() {
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese : Language::English;
}

}  // namespace klv
