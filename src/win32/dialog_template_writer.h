#pragma once
// The bytes of a dialog template made in memory (DLGTEMPLATEEX and its
// items), kept as DWORDs so the template stays aligned as the system wants.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "text/language.h"
#include "text/texts.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

class DialogTemplateWriter {
 public:
  void Word(uint16_t value) { Bytes(&value, sizeof value); }
  void Dword(uint32_t value) { Bytes(&value, sizeof value); }
  void Short(short value) { Bytes(&value, sizeof value); }
  void Byte(uint8_t value) { Bytes(&value, 1); }
  // UTF-16, ended by a zero word.
  void WideString(std::string_view utf8) {
    for (const wchar_t ch : Widen(utf8)) Word(static_cast<uint16_t>(ch));
    Word(0);
  }
  // The head of an extended template: style, the number of items, the size in
  // dialog units, no menu, the system's dialog class, the title, and the
  // screens' font of language (DS_SETFONT in style).
  void Head(uint32_t style, std::size_t itemCount, short width, short height, std::string_view title,
            Language language) {
    Word(1);       // dlgVer
    Word(0xFFFF);  // signature: an extended template
    Dword(0);      // help id
    Dword(0);      // extended style
    Dword(style);
    Word(static_cast<uint16_t>(itemCount));
    Short(0);
    Short(0);
    Short(width);
    Short(height);
    Word(0);  // no menu
    Word(0);  // the dialog class
    WideString(title);
    Word(static_cast<uint16_t>(ScreenFontFor(language).pointSize));
    Word(FW_NORMAL);
    Byte(0);  // not italic
    Byte(language == Language::Japanese ? SHIFTJIS_CHARSET : DEFAULT_CHARSET);
    WideString(ScreenFaceName(language));
  }
  // An item up to its class: then ClassAtom or WideString(name), then ItemEnd.
  void ItemStart(uint32_t style, short x, short y, short width, short height, uint32_t id) {
    AlignToDword();
    Dword(0);  // help id
    Dword(0);  // extended style
    Dword(style);
    Short(x);
    Short(y);
    Short(width);
    Short(height);
    Dword(id);
  }
  // One of the system's classes: 0x0080 button, 0x0081 edit, 0x0082 static,
  // 0x0085 combo box.
  void ClassAtom(uint16_t atom) {
    Word(0xFFFF);
    Word(atom);
  }
  // The item's caption, and no creation data.
  void ItemEnd(std::string_view caption) {
    WideString(caption);
    Word(0);
  }
  void AlignToDword() {
    while (bytes_.size() % 4 != 0) bytes_.push_back(0);
  }
  std::vector<uint32_t> Finish() {
    AlignToDword();
    std::vector<uint32_t> words(bytes_.size() / 4);
    std::memcpy(words.data(), bytes_.data(), bytes_.size());
    return words;
  }

 private:
  void Bytes(const void* data, std::size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    bytes_.insert(bytes_.end(), p, p + size);
  }
  std::vector<uint8_t> bytes_;
};

}  // namespace klv
