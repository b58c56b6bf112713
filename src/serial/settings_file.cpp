#include "serial/settings_file.h"

#include <algorithm>
#include <string_view>
#include <system_error>

namespace klv {
namespace {

// Two bytes as a signed 16-bit number, sign-extended.
int32_t Word(const std::array<uint8_t, kSettingsReadLimit>& b, std::size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(b[at] | (b[at + 1] << 8)));
}

int32_t Long(const std::array<uint8_t, kSettingsReadLimit>& b, std::size_t at) {
  const uint32_t value = static_cast<uint32_t>(b[at]) | (static_cast<uint32_t>(b[at + 1]) << 8) |
                         (static_cast<uint32_t>(b[at + 2]) << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
  return static_cast<int32_t>(value);
}

void PutWord(std::array<uint8_t, kSettingsRecordSize>& b, std::size_t at, int32_t value) {
  const auto bits = static_cast<uint32_t>(value);
  b[at] = static_cast<uint8_t>(bits);
  b[at + 1] = static_cast<uint8_t>(bits >> 8);
}

void PutLong(std::array<uint8_t, kSettingsRecordSize>& b, std::size_t at, int32_t value) {
  PutWord(b, at, value);
  PutWord(b, at + 2, static_cast<int32_t>(static_cast<uint32_t>(value) >> 16));
}

SaveOutcome Save(const std::filesystem::path& path, const SettingsRecord& record) {
  if (path.empty()) return SaveOutcome{false, "no settings path"};
  const auto bytes = EncodeSettings(record.settings, record.model);
  return SaveFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace

SettingsRecord DecodeSettings(std::span<const uint8_t> bytes) {
  std::array<uint8_t, kSettingsReadLimit> b{};
  std::copy_n(bytes.begin(), std::min(bytes.size(), b.size()), b.begin());

  SettingsRecord record;
  CommSettings& s = record.settings;
  s.portNumber = Word(b, 0);
  s.speed = Word(b, 2);
  s.parity = Word(b, 4);
  s.readTimeout = Word(b, 6);
  s.stopBits = Word(b, 8);
  s.deviceAddress = Word(b, 10);
  record.model = static_cast<ModelKind>(Word(b, 12));
  s.plus12 = Word(b, 14);
  s.samplingInterval = Word(b, 16);
  s.recordDuration = Long(b, 18);
  s.protocol = static_cast<Protocol>(Long(b, 22));
  return record;
}

std::array<uint8_t, kSettingsRecordSize> EncodeSettings(const CommSettings& s, ModelKind model) {
  std::array<uint8_t, kSettingsRecordSize> b{};
  PutWord(b, 0, s.portNumber);
  PutWord(b, 2, s.speed);
  PutWord(b, 4, s.parity);
  PutWord(b, 6, s.readTimeout);
  PutWord(b, 8, s.stopBits);
  PutWord(b, 10, s.deviceAddress);
  PutWord(b, 12, static_cast<int32_t>(model));
  PutWord(b, 14, s.plus12);
  PutWord(b, 16, s.samplingInterval);
  PutLong(b, 18, s.recordDuration);
  PutWord(b, 22, static_cast<int32_t>(s.protocol));
  return b;
}

SettingsLoad LoadSettings(const std::filesystem::path& path) {
  SettingsLoad load;
  if (!path.empty()) {
    ReadOutcome read = ReadFilePrefix(path, kSettingsReadLimit);
    if (read.status == ReadOutcome::Status::Ok) {
      load.record = DecodeSettings(read.bytes);
      return load;
    }
    // Only a file that is not there is made anew. Anything else at the path
    // (no permission, a read fault, a folder) keeps what it holds.
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (type != std::filesystem::file_type::not_found) {
      load.status = SettingsLoad::Status::Unreadable;
      load.error = read.error;
      return load;
    }
  }
  // A new file: the defaults of CommSettings, model KLV40.
  load.record = SettingsRecord{};
  const SaveOutcome saved = Save(path, load.record);
  load.status = saved.ok ? SettingsLoad::Status::CreatedDefaults : SettingsLoad::Status::DefaultsNotSaved;
  load.error = saved.error;
  return load;
}

SaveOutcome SaveSettings(const std::filesystem::path& path, const CommSettings& settings, ModelKind model) {
  return Save(path, SettingsRecord{settings, model});
}

}  // namespace klv
