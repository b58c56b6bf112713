#pragma once
// The parameter file (*.klv): one whole ParameterSet and its model in 120
// bytes of little-endian 16-bit words, the same on every system the program
// runs on, so files move between Linux and Windows PCs unchanged.
//
//   offset   0  model code: 40 KLV40, 30 KLV30, 308 KLV30E
//   offset   2  reserved, written 0
//   offset   4  27 records of (address, value), in KLV40 catalogue order
//   offset 112  optionDetect
//   offset 114  marker 0x1111
//   offset 116  optionFlags
//   offset 118  marker 0x1111
//
// Reading checks only the size and the model code; the reserved word, the
// addresses and the markers are ignored, and values are taken as they are.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "text/text_id.h"
#include "platform/file_store.h"

namespace klv {

inline constexpr std::size_t kParameterFileSize = 120;
// A read takes at most this much, so a longer file shows up as a wrong size.
inline constexpr std::size_t kParameterFileReadLimit = 200;
inline constexpr uint16_t kParameterFileMarker = 0x1111;

inline constexpr uint16_t kModelCodeKlv40 = 40;
inline constexpr uint16_t kModelCodeKlv30 = 30;
inline constexpr uint16_t kModelCodeKlv30E = 308;

using ParameterFileBytes = std::array<uint8_t, kParameterFileSize>;

// The file's model code. A model that is none of the three is shown and
// handled as a KLV30E, so it is written as 308: writing its own number would
// give a file that this program refuses to open.
uint16_t ModelCode(ModelKind model);
// The model of a file's code; nothing for a code that is none of the three.
std::optional<ModelKind> ModelFromCode(uint16_t code);

// The 120 bytes for set as a file of model.
ParameterFileBytes EncodeParameterFile(const ParameterSet& set, ModelKind model);

// Replaces path as a whole with the file for set and model (also when the old
// file was longer). On failure the old file is left as it was.
SaveOutcome WriteParameterFile(const std::filesystem::path& path, const ParameterSet& set, ModelKind model);

// Puts value into the record of slot (an index into ParameterSet::kSlots)
// in a file's bytes, leaving every other byte as it was: a file changed this
// way differs from the old one only where a value changed. bytes must be a
// whole file.
void SetParameterFileValue(std::span<uint8_t> bytes, int slot, int16_t value);

// What a valid file holds.
struct ParameterFileContents {
  ParameterSet parameters;  // all 27 values and both option words
  ModelKind model = ModelKind::Klv40;
};

// The contents of bytes, or nothing when they are not exactly 120 bytes with
// a model code of 40, 30 or 308.
std::optional<ParameterFileContents> DecodeParameterFile(std::span<const uint8_t> bytes);

enum class ParameterFileStatus {
  Loaded,
  CannotOpen,    // cannot be opened or read: text 186 "File cannot be opened"
  Unauthorized,  // wrong size or unknown model: text 185 "File data is unauthorized"
};

// The text that reports a refusal ("File cannot be opened", "File data is
// unauthorized"); nothing for Loaded.
std::optional<TextId> RefusalText(ParameterFileStatus status);

struct ParameterFileLoad {
  ParameterFileStatus status = ParameterFileStatus::CannotOpen;
  // Set only when Loaded: a refused file carries no values, so the caller
  // changes nothing.
  std::optional<ParameterFileContents> contents;
  std::string documentTitle;  // when Loaded: see DocumentTitleFor
  std::string error;          // when CannotOpen: the system's reason
};

// Reads and checks the file at path.
ParameterFileLoad LoadParameterFile(const std::filesystem::path& path);

// A document's title: the file name without its folder and without its last
// four characters (the ".klv"). Characters, not bytes, so that a Japanese
// name is never cut inside a character; a name of four or fewer gives "".
std::string DocumentTitleFor(const std::filesystem::path& path);

}  // namespace klv
