// Any bytes as a settings file: decoding never reads past the input, and the
// 24 bytes written back are the file's first 24 (zero-padded), so a damaged
// file survives a load and a save unchanged in the fields it has.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "serial/settings_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const klv::SettingsRecord record = klv::DecodeSettings(input);
  const auto encoded = klv::EncodeSettings(record.settings, record.model);

  std::array<uint8_t, klv::kSettingsRecordSize> expected{};
  std::copy_n(input.begin(), std::min(size, expected.size()), expected.begin());
  if (encoded != expected) __builtin_trap();

  // Decoding what was written gives the same record, except that the
  // protocol loses an upper half that only bytes 24-25 could carry.
  klv::SettingsRecord again = klv::DecodeSettings(encoded);
  klv::SettingsRecord original = record;
  original.settings.protocol = static_cast<klv::Protocol>(static_cast<uint16_t>(record.settings.protocol));
  if (again != original) __builtin_trap();
  return 0;
}
