#include "editor/parameter_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace klv {
namespace {

namespace fs = std::filesystem;

// A set whose 27 values and option words all differ, so a value in the wrong
// record shows.
ParameterSet Distinct() {
  ParameterSet set;
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) set.Slot(i) = static_cast<int16_t>(0x0101 * (i + 1));
  set.keyLock = 1;
  set.rampLowerLimit = -2;
  set.optionDetect = 0x0001;
  set.optionFlags = 0x000D;
  return set;
}

uint16_t WordAt(const std::vector<uint8_t>& bytes, std::size_t offset) {
  return static_cast<uint16_t>(bytes[offset] | (bytes[offset + 1] << 8));
}

std::vector<uint8_t> Bytes(const ParameterFileBytes& file) { return {file.begin(), file.end()}; }

TEST(EncodeParameterFile, Klv40FileFollowsTheLayout) {
  const ParameterSet set = Distinct();
  const std::vector<uint8_t> bytes = Bytes(EncodeParameterFile(set, ModelKind::Klv40));
  ASSERT_EQ(bytes.size(), 120u);

  // Begins 28 00 00 00 20 01, then the key lock value.
  const std::vector<uint8_t> head = {0x28, 0x00, 0x00, 0x00, 0x20, 0x01, 0x01, 0x00};
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 8), head);

  // Record i: the KLV40 address, then the value of slot i.
  const uint16_t addresses[27] = {0x0120, 0x0122, 0x0123, 0x0124, 0x0125, 0x0126, 0x0127, 0x0128, 0x0129,
                                  0x012A, 0x012B, 0x011F, 0x012C, 0x012D, 0x012E, 0x012F, 0x0130, 0x0131,
                                  0x0132, 0x0133, 0x0134, 0x0135, 0x0136, 0x0137, 0x0138, 0x013D, 0x013F};
  for (std::size_t i = 0; i < 27; ++i) {
    EXPECT_EQ(WordAt(bytes, 4 + 4 * i), addresses[i]) << "record " << i;
    EXPECT_EQ(static_cast<int16_t>(WordAt(bytes, 6 + 4 * i)), set.Slot(i)) << "record " << i;
  }
  EXPECT_EQ(WordAt(bytes, 42), 0xFFFE);  // rampLowerLimit -2

  // Ends optionDetect, 0x1111, optionFlags, 0x1111.
  const std::vector<uint8_t> tail = {0x01, 0x00, 0x11, 0x11, 0x0D, 0x00, 0x11, 0x11};
  EXPECT_EQ(std::vector<uint8_t>(bytes.end() - 8, bytes.end()), tail);
}

TEST(EncodeParameterFile, ModelCodes) {
  const struct {
    int32_t model;
    uint8_t low;
    uint8_t high;
    ModelKind readBack;
  } cases[] = {
      {0, 0x28, 0x00, ModelKind::Klv40},
      {1, 0x1E, 0x00, ModelKind::Klv30},
      {2, 0x34, 0x01, ModelKind::Klv30E},
      // Shown as a KLV30E, so saved as one: never a file this program refuses.
      {3, 0x34, 0x01, ModelKind::Klv30E},
      {-1, 0x34, 0x01, ModelKind::Klv30E},
  };
  for (const auto& c : cases) {
    const ParameterFileBytes bytes = EncodeParameterFile(Distinct(), static_cast<ModelKind>(c.model));
    EXPECT_EQ(bytes[0], c.low) << c.model;
    EXPECT_EQ(bytes[1], c.high) << c.model;
    const auto decoded = DecodeParameterFile(bytes);
    ASSERT_TRUE(decoded) << c.model;
    EXPECT_EQ(decoded->model, c.readBack);
  }
}

TEST(DecodeParameterFile, RoundTripsEveryModel) {
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
    const auto decoded = DecodeParameterFile(EncodeParameterFile(Distinct(), model));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->model, model);
    EXPECT_EQ(decoded->parameters, Distinct());
  }
}

TEST(DecodeParameterFile, TakesValuesAsTheyAreAndIgnoresReservedAddressesAndMarkers) {
  std::vector<uint8_t> bytes = Bytes(EncodeParameterFile(ParameterSet{}, ModelKind::Klv30));
  bytes[2] = 0xAB;  // reserved
  bytes[3] = 0xCD;
  bytes[4] = 0x99;  // address of record 0
  bytes[109] = 0x77;  // address of record 26
  bytes[114] = 0x00;  // markers
  bytes[119] = 0xFF;
  bytes[6] = 0xFF;  // keyLock 0x7FFF, far above its maximum of 1
  bytes[7] = 0x7F;
  bytes[42] = 0x00;  // rampLowerLimit 0x8000
  bytes[43] = 0x80;
  bytes[62] = 0xFE;  // currentLimiter FFFE -> -2
  bytes[63] = 0xFF;
  bytes[112] = 0x34;  // optionDetect 0x1234
  bytes[113] = 0x12;
  bytes[116] = 0xFF;  // optionFlags 0xFFFF
  bytes[117] = 0xFF;

  const auto decoded = DecodeParameterFile(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->model, ModelKind::Klv30);
  ParameterSet expected;
  expected.keyLock = 0x7FFF;
  expected.rampLowerLimit = -0x8000;
  expected.currentLimiter = -2;
  expected.optionDetect = 0x1234;
  expected.optionFlags = 0xFFFF;
  EXPECT_EQ(decoded->parameters, expected);
}

TEST(SetParameterFileValue, ChangesOnlyTheValueWordOfTheSlotsRecord) {
  ParameterSet set;
  set.slowUpTime = 10;
  set.scaleLow = 7;
  ParameterFileBytes bytes = EncodeParameterFile(set, ModelKind::Klv30E);
  bytes[2] = 0x5A;  // a reserved word and a marker that another program filled otherwise
  bytes[114] = 0x22;
  const ParameterFileBytes before = bytes;

  SetParameterFileValue(bytes, 12, -2);  // slowUpTime
  SetParameterFileValue(bytes, 23, 150);  // scaleLow, whatever register the model gives it

  const std::optional<ParameterFileContents> decoded = DecodeParameterFile(bytes);
  ASSERT_TRUE(decoded);
  EXPECT_EQ(decoded->parameters.slowUpTime, -2);
  EXPECT_EQ(decoded->parameters.scaleLow, 150);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const bool valueWord = (i >= 4 + 12 * 4 + 2 && i < 4 + 12 * 4 + 4) || (i >= 4 + 23 * 4 + 2 && i < 4 + 23 * 4 + 4);
    if (!valueWord) {
      EXPECT_EQ(bytes[i], before[i]) << "byte " << i;
    }
  }
}

TEST(DecodeParameterFile, RefusesWrongSizesAndUnknownModelCodes) {
  const std::vector<uint8_t> valid = Bytes(EncodeParameterFile(Distinct(), ModelKind::Klv40));
  for (const std::size_t size : {0u, 1u, 119u, 121u, 200u}) {
    std::vector<uint8_t> bytes = valid;
    bytes.resize(size, 0x11);
    EXPECT_FALSE(DecodeParameterFile(bytes)) << size << " bytes";
  }
  for (const uint16_t code : {0, 296, 41, 0x2800, 0x3401, 0xFFFF}) {
    std::vector<uint8_t> bytes = valid;
    bytes[0] = static_cast<uint8_t>(code & 0xFF);
    bytes[1] = static_cast<uint8_t>(code >> 8);
    EXPECT_FALSE(DecodeParameterFile(bytes)) << "model code " << code;
  }
}

class ParameterFileOnDisk : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("klv-parameter-file-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }

  fs::path Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path path = folder_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::vector<uint8_t> Contents(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }

  fs::path folder_;
};

TEST_F(ParameterFileOnDisk, WrittenFileLoadsBackWithItsTitle) {
  const fs::path path = folder_ / "Line 3 oven.klv";
  ASSERT_TRUE(WriteParameterFile(path, Distinct(), ModelKind::Klv30E).ok);
  EXPECT_EQ(Contents(path), Bytes(EncodeParameterFile(Distinct(), ModelKind::Klv30E)));

  const ParameterFileLoad load = LoadParameterFile(path);
  ASSERT_EQ(load.status, ParameterFileStatus::Loaded);
  ASSERT_TRUE(load.contents);
  EXPECT_EQ(load.contents->model, ModelKind::Klv30E);
  EXPECT_EQ(load.contents->parameters, Distinct());
  EXPECT_EQ(load.documentTitle, "Line 3 oven");
  EXPECT_FALSE(RefusalText(load.status));
}

TEST_F(ParameterFileOnDisk, SavingOverALongerFileLeavesExactly120Bytes) {
  const fs::path path = Put("old.klv", std::vector<uint8_t>(4096, 0x5A));
  ASSERT_TRUE(WriteParameterFile(path, Distinct(), ModelKind::Klv40).ok);
  EXPECT_EQ(fs::file_size(path), 120u);
  EXPECT_EQ(LoadParameterFile(path).status, ParameterFileStatus::Loaded);
}

TEST_F(ParameterFileOnDisk, WriteIntoAMissingFolderFails) {
  const SaveOutcome outcome = WriteParameterFile(folder_ / "no such folder" / "a.klv", Distinct(), ModelKind::Klv40);
  EXPECT_FALSE(outcome.ok);
  EXPECT_FALSE(outcome.error.empty());
}

TEST_F(ParameterFileOnDisk, RefusalsCarryNoValues) {
  const std::vector<uint8_t> valid = Bytes(EncodeParameterFile(Distinct(), ModelKind::Klv40));
  std::vector<uint8_t> longer = valid;
  longer.resize(250, 0);  // only 200 bytes are read, still not 120
  std::vector<uint8_t> shorter(valid.begin(), valid.end() - 1);
  std::vector<uint8_t> code296 = valid;
  code296[0] = 0x28;
  code296[1] = 0x01;

  const struct {
    const char* what;
    fs::path path;
    ParameterFileStatus status;
    TextId text;
  } cases[] = {
      {"missing", folder_ / "missing.klv", ParameterFileStatus::CannotOpen, TextId::FileCannotBeOpened},
      {"folder", folder_, ParameterFileStatus::CannotOpen, TextId::FileCannotBeOpened},
      {"119 bytes", Put("short.klv", shorter), ParameterFileStatus::Unauthorized, TextId::FileDataInvalid},
      {"250 bytes", Put("long.klv", longer), ParameterFileStatus::Unauthorized, TextId::FileDataInvalid},
      {"empty", Put("empty.klv", {}), ParameterFileStatus::Unauthorized, TextId::FileDataInvalid},
      {"model code 296", Put("296.klv", code296), ParameterFileStatus::Unauthorized, TextId::FileDataInvalid},
  };
  for (const auto& c : cases) {
    const ParameterFileLoad load = LoadParameterFile(c.path);
    EXPECT_EQ(load.status, c.status) << c.what;
    EXPECT_FALSE(load.contents) << c.what;
    EXPECT_TRUE(load.documentTitle.empty()) << c.what;
    EXPECT_EQ(RefusalText(load.status), c.text) << c.what;
  }
}

TEST(DocumentTitleFor, DropsFolderAndLastFourCharacters) {
  const struct {
    const char* path;
    const char* title;
  } cases[] = {
      {"/home/op/Untitled.klv", "Untitled"},
      {"relative/dir/A.klv", "A"},
      {"/x/設定ファイル.klv", "設定ファイル"},
      {"/x/name.KLV", "name"},
      {"/x/archive.klv.bak", "archive.klv"},  // the last four characters, whatever they are
      {"/x/加熱炉の設定", "加熱"},            // characters, not bytes
      {"/x/.klv", ""},
      {"/x/ab", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(DocumentTitleFor(c.path), c.title) << c.path;
}

}  // namespace
}  // namespace klv
