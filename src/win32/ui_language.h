#pragma once
// The language of the windows: Japanese when the user's interface language
// is Japanese, English otherwise.
#include "text/language.h"

namespace klv {

Language UserInterfaceLanguage();

}  // namespace klv
