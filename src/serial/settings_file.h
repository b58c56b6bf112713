#pragma once
// The settings file KlvTool.ini: despite its name a 24-byte little-endian
// binary record of the communication settings and the selected model, laid
// out the same on every system, so the file moves between Linux and Windows
// PCs unchanged.
//
//  offset size  field                offset size  field
//   0     2     port number          12     2     selected model
//   2     2     speed                14     2     "+ 12" flag
//   4     2     parity               16     2     sampling interval
//   6     2     read time-out        18     4     record duration
//   8     2     stop bits            22     2     protocol
//  10     2     device address
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

#include "model/model_kind.h"
#include "platform/file_store.h"
#include "serial/comm_settings.h"

namespace klv {

inline constexpr std::size_t kSettingsRecordSize = 24;
// A longer file is read this far; only its first 26 bytes matter.
inline constexpr std::size_t kSettingsReadLimit = 260;

struct SettingsRecord {
  CommSettings settings;
  ModelKind model = ModelKind::Klv40;

  friend bool operator==(const SettingsRecord&, const SettingsRecord&) = default;
};

// The record as read from the first (up to 260) bytes of a settings file.
// Missing bytes count as 0, each 2-byte field is a signed 16-bit number, the
// duration a signed 32-bit one, and the protocol the 32-bit number at offset
// 22, whose upper half comes from offsets 24-25 of a longer file. Nothing is
// checked: odd values are corrected where they are used.
SettingsRecord DecodeSettings(std::span<const uint8_t> bytes);

// The 24 bytes of the file: the low 16 bits of each 2-byte field, the
// duration as 32 bits.
std::array<uint8_t, kSettingsRecordSize> EncodeSettings(const CommSettings& settings, ModelKind model);

struct SettingsLoad {
  enum class Status {
    Loaded,           // read from the file
    CreatedDefaults,  // no file: defaults, and a new file holds them
    DefaultsNotSaved,  // no file: defaults, but the new file could not be made
                       // (the caller shows text 197)
    Unreadable,       // the file is there but could not be read: defaults
                      // for this run, the file is left as it is
  };
  Status status = Status::Loaded;
  SettingsRecord record;
  std::string error;  // the system's reason for the last two statuses
};

// Fills the settings and the model from the file at path. When there is no
// file (or no path), the defaults (model KLV40) apply and are written to a
// new file. A file that exists but cannot be read is not replaced here: it
// may hold the operator's settings behind a passing fault or a permission.
SettingsLoad LoadSettings(const std::filesystem::path& path);

// Replaces the file at path with the record of settings and model, as a
// whole. On failure the old file stays and the caller shows text 197.
SaveOutcome SaveSettings(const std::filesystem::path& path, const CommSettings& settings, ModelKind model);

}  // namespace klv
