#pragma once
// The typeface of the screens: the language's own (ScreenFontFor) where the
// system has it, else an installed font of the same script, so that a
// Japanese system without "ＭＳ Ｐゴシック" (or Wine) never shows square boxes.
#include <string>

#include "text/language.h"

namespace klv {

std::string ScreenFaceName(Language language);

}  // namespace klv
