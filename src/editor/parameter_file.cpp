#include "editor/parameter_file.h"

#include <string_view>
#include <utility>

#include "model/register_catalogue.h"

namespace klv {
namespace {

constexpr std::size_t kRecordsOffset = 4;
constexpr std::size_t kRecordSize = 4;
constexpr std::size_t kOptionDetectOffset = 112;
constexpr std::size_t kOptionFlagsOffset = 116;
static_assert(kRecordsOffset + kParameterSlotCount * kRecordSize == kOptionDetectOffset);
static_assert(kOptionFlagsOffset + 4 == kParameterFileSize);

uint16_t ReadWord(std::span<const uint8_t> bytes, std::size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

void WriteWord(ParameterFileBytes& bytes, std::size_t offset, uint16_t word) {
  bytes[offset] = static_cast<uint8_t>(word & 0xFF);
  bytes[offset + 1] = static_cast<uint8_t>(word >> 8);
}

// The file's records follow the KLV40 catalogue for files of every model:
// record i holds the address and the bound value of its row i.
std::span<const CatalogueEntry> RecordRows() { return CatalogueRows(CatalogueFor(ModelKind::Klv40)); }

}  // namespace

uint16_t ModelCode(ModelKind model) {
  switch (model) {
    case ModelKind::Klv40:
      return kModelCodeKlv40;
    case ModelKind::Klv30:
      return kModelCodeKlv30;
    default:
      return kModelCodeKlv30E;
  }
}

std::optional<ModelKind> ModelFromCode(uint16_t code) {
  switch (code) {
    case kModelCodeKlv40:
      return ModelKind::Klv40;
    case kModelCodeKlv30:
      return ModelKind::Klv30;
    case kModelCodeKlv30E:
      return ModelKind::Klv30E;
    default:
      return std::nullopt;
  }
}

ParameterFileBytes EncodeParameterFile(const ParameterSet& set, ModelKind model) {
  ParameterFileBytes bytes{};
  WriteWord(bytes, 0, ModelCode(model));
  WriteWord(bytes, 2, 0);
  std::size_t offset = kRecordsOffset;
  for (const CatalogueEntry& row : RecordRows()) {
    WriteWord(bytes, offset, row.address.Number());
    WriteWord(bytes, offset + 2, static_cast<uint16_t>(row.value.In(set)));
    offset += kRecordSize;
  }
  WriteWord(bytes, kOptionDetectOffset, set.optionDetect);
  WriteWord(bytes, kOptionDetectOffset + 2, kParameterFileMarker);
  WriteWord(bytes, kOptionFlagsOffset, set.optionFlags);
  WriteWord(bytes, kOptionFlagsOffset + 2, kParameterFileMarker);
  return bytes;
}

SaveOutcome WriteParameterFile(const std::filesystem::path& path, const ParameterSet& set, ModelKind model) {
  const ParameterFileBytes bytes = EncodeParameterFile(set, model);
  return SaveFileAtomically(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

void SetParameterFileValue(std::span<uint8_t> bytes, int slot, int16_t value) {
  if (bytes.size() != kParameterFileSize || slot < 0 || slot >= static_cast<int>(kParameterSlotCount)) return;
  std::size_t offset = kRecordsOffset;
  for (const CatalogueEntry& row : RecordRows()) {
    if (row.value.Member() == ParameterSet::kSlots[static_cast<std::size_t>(slot)]) {
      const auto word = static_cast<uint16_t>(value);
      bytes[offset + 2] = static_cast<uint8_t>(word & 0xFF);
      bytes[offset + 3] = static_cast<uint8_t>(word >> 8);
      return;
    }
    offset += kRecordSize;
  }
}

std::optional<ParameterFileContents> DecodeParameterFile(std::span<const uint8_t> bytes) {
  if (bytes.size() != kParameterFileSize) return std::nullopt;
  const std::optional<ModelKind> model = ModelFromCode(ReadWord(bytes, 0));
  if (!model) return std::nullopt;

  ParameterFileContents contents;
  contents.model = *model;
  std::size_t offset = kRecordsOffset;
  for (const CatalogueEntry& row : RecordRows()) {
    row.value.In(contents.parameters) = static_cast<int16_t>(ReadWord(bytes, offset + 2));
    offset += kRecordSize;
  }
  contents.parameters.optionDetect = ReadWord(bytes, kOptionDetectOffset);
  contents.parameters.optionFlags = ReadWord(bytes, kOptionFlagsOffset);
  return contents;
}

std::optional<TextId> RefusalText(ParameterFileStatus status) {
  switch (status) {
    case ParameterFileStatus::CannotOpen:
      return TextId::FileCannotBeOpened;
    case ParameterFileStatus::Unauthorized:
      return TextId::FileDataInvalid;
    case ParameterFileStatus::Loaded:
      break;
  }
  return std::nullopt;
}

ParameterFileLoad LoadParameterFile(const std::filesystem::path& path) {
  ParameterFileLoad load;
  ReadOutcome read = ReadFilePrefix(path, kParameterFileReadLimit);
  if (read.status != ReadOutcome::Status::Ok) {
    // A read error is reported like a file that cannot be opened.
    load.status = ParameterFileStatus::CannotOpen;
    load.error = std::move(read.error);
    return load;
  }
  load.contents = DecodeParameterFile(read.bytes);
  if (!load.contents) {
    load.status = ParameterFileStatus::Unauthorized;
    return load;
  }
  load.status = ParameterFileStatus::Loaded;
  load.documentTitle = DocumentTitleFor(path);
  return load;
}

std::string DocumentTitleFor(const std::filesystem::path& path) {
  std::string name = path.filename().string();
  // Drop four characters from the end; UTF-8 continuation bytes (10xxxxxx)
  // go with the character they belong to.
  std::size_t end = name.size();
  for (int dropped = 0; dropped < 4 && end > 0; ++dropped) {
    --end;
    while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  }
  name.resize(end);
  return name;
}

}  // namespace klv
