#pragma once
// The bytes of a dialog template made in memory (DLGTEMPLATEEX and its
// items), kept as DWORDs so the template stays aligned as the system wants.
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

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
