#include "text/texts.h"

namespace klv {

ScreenFont ScreenFontFor(Language language) {
  if (language == Language::Japanese) return {"ＭＳ Ｐゴシック", 9};
  return {"Tahoma", 8};
}

}  // namespace klv
