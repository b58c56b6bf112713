#include "serial/settings_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace klv {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<uint8_t>;

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "klv-settings-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = folder_ / "KlvTool.ini";
  }
  void TearDown() override {
    ::chmod(path_.c_str(), 0600);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  void Write(const Bytes& bytes) {
    std::ofstream out(path_, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  Bytes Read() const {
    std::ifstream in(path_, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  fs::path folder_;
  fs::path path_;
};

// A new file written at first start: 1, 9600, 1, 100, 1, 1, 0 (KLV40), 0,
// 10, 600 (32 bits), 1 (Modbus RTU), little-endian.
const Bytes kNewFile = {0x01, 0x00, 0x80, 0x25, 0x01, 0x00, 0x64, 0x00, 0x01, 0x00, 0x01, 0x00,
                        0x00, 0x00, 0x00, 0x00, 0x0A, 0x00, 0x58, 0x02, 0x00, 0x00, 0x01, 0x00};

TEST_F(SettingsFileTest, MissingFileGivesDefaultsAndIsCreatedWithThem) {
  const SettingsLoad load = LoadSettings(path_);
  EXPECT_EQ(load.status, SettingsLoad::Status::CreatedDefaults) << load.error;
  const CommSettings& s = load.record.settings;
  EXPECT_EQ(s.portNumber, 1);
  EXPECT_EQ(s.plus12, 0);
  EXPECT_EQ(s.speed, 9600);
  EXPECT_EQ(s.parity, 1);
  EXPECT_EQ(s.stopBits, 1);
  EXPECT_EQ(s.readTimeout, 100);
  EXPECT_EQ(s.deviceAddress, 1);
  EXPECT_EQ(s.protocol, Protocol::ModbusRtu);
  EXPECT_EQ(s.samplingInterval, 10);
  EXPECT_EQ(s.recordDuration, 600);
  EXPECT_EQ(load.record.model, ModelKind::Klv40);
  EXPECT_EQ(Read(), kNewFile);

  // The next start reads the same settings back from the file.
  const SettingsLoad again = LoadSettings(path_);
  EXPECT_EQ(again.status, SettingsLoad::Status::Loaded);
  EXPECT_EQ(again.record, load.record);
}

TEST_F(SettingsFileTest, TenByteFileLeavesTheRestZero) {
  // port 3, 19200 bps, parity 3, 200 ms, 2 stop bits; nothing more.
  Write({0x03, 0x00, 0x00, 0x4B, 0x03, 0x00, 0xC8, 0x00, 0x02, 0x00});
  const SettingsLoad load = LoadSettings(path_);
  ASSERT_EQ(load.status, SettingsLoad::Status::Loaded);
  const CommSettings& s = load.record.settings;
  EXPECT_EQ(s.portNumber, 3);
  EXPECT_EQ(s.speed, 19200);
  EXPECT_EQ(s.parity, 3);
  EXPECT_EQ(s.readTimeout, 200);
  EXPECT_EQ(s.stopBits, 2);
  EXPECT_EQ(s.deviceAddress, 0);
  EXPECT_EQ(load.record.model, ModelKind::Klv40);
  EXPECT_EQ(s.plus12, 0);
  EXPECT_EQ(s.samplingInterval, 0);
  EXPECT_EQ(s.recordDuration, 0);
  EXPECT_EQ(s.protocol, Protocol::Torvalek);
  // Reading never rewrites the file.
  EXPECT_EQ(Read().size(), 10u);
}

TEST(DecodeSettingsTest, WordsAreSignExtendedAndNothingIsCorrected) {
  Bytes bytes(24, 0);
  bytes[0] = 0xFF, bytes[1] = 0xFF;    // port -1
  bytes[2] = 0x00, bytes[3] = 0x80;    // speed -32768
  bytes[10] = 0x9C, bytes[11] = 0xFF;  // address -100
  bytes[12] = 0x05;                    // model 5: kept, the window maps it
  bytes[14] = 0xFE, bytes[15] = 0xFF;  // "+ 12" flag -2
  bytes[18] = 0x80, bytes[19] = 0x51, bytes[20] = 0x01, bytes[21] = 0x00;  // 86400: needs all 32 bits
  const SettingsRecord record = DecodeSettings(bytes);
  EXPECT_EQ(record.settings.portNumber, -1);
  EXPECT_EQ(record.settings.speed, -32768);
  EXPECT_EQ(record.settings.deviceAddress, -100);
  EXPECT_EQ(static_cast<int32_t>(record.model), 5);
  EXPECT_EQ(record.settings.plus12, -2);
  EXPECT_EQ(record.settings.recordDuration, 86400);

  bytes[18] = bytes[19] = bytes[20] = bytes[21] = 0xFF;
  EXPECT_EQ(DecodeSettings(bytes).settings.recordDuration, -1);
}

TEST(DecodeSettingsTest, BytesBeyondTheRecordFormTheProtocolsUpperHalf) {
  Bytes bytes(300, 0);
  bytes[22] = 0x02;                    // Modbus ASCII in the low half
  bytes[24] = 0x01;                    // and 1 in the upper half
  bytes[299] = 0xFF;                   // beyond the 260 bytes read: ignored
  EXPECT_EQ(static_cast<int32_t>(DecodeSettings(bytes).settings.protocol), 0x00010002);
  // A 24-byte file has no upper half.
  bytes.resize(24);
  EXPECT_EQ(DecodeSettings(bytes).settings.protocol, Protocol::ModbusAscii);
}

TEST_F(SettingsFileTest, LongFileIsReadThroughLoad) {
  Bytes bytes = kNewFile;
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0x11, 0x22});
  Write(bytes);
  const SettingsLoad load = LoadSettings(path_);
  ASSERT_EQ(load.status, SettingsLoad::Status::Loaded);
  EXPECT_EQ(static_cast<int32_t>(load.record.settings.protocol), static_cast<int32_t>(0xFFFF0001));
}

TEST(EncodeSettingsTest, KeepsTheLow16BitsOfEachWordAndAll32OfTheDuration) {
  CommSettings s;
  s.portNumber = 70000;      // 0x11170 -> 0x1170
  s.speed = -2;              // 0xFFFE
  s.recordDuration = 86400;  // 0x00015180
  s.protocol = static_cast<Protocol>(0x00030000);  // upper half lost
  const auto bytes = EncodeSettings(s, static_cast<ModelKind>(5));
  EXPECT_EQ(bytes[0], 0x70);
  EXPECT_EQ(bytes[1], 0x11);
  EXPECT_EQ(bytes[2], 0xFE);
  EXPECT_EQ(bytes[3], 0xFF);
  EXPECT_EQ(bytes[12], 5);
  EXPECT_EQ(bytes[13], 0);
  EXPECT_EQ(bytes[18], 0x80);
  EXPECT_EQ(bytes[19], 0x51);
  EXPECT_EQ(bytes[20], 0x01);
  EXPECT_EQ(bytes[21], 0x00);
  EXPECT_EQ(bytes[22], 0x00);
  EXPECT_EQ(bytes[23], 0x00);
}

TEST_F(SettingsFileTest, SavedSettingsComeBackUnchanged) {
  CommSettings s;
  s.portNumber = 12;
  s.plus12 = 1;
  s.speed = 19200;
  s.parity = 3;
  s.stopBits = 2;
  s.readTimeout = 50;
  s.deviceAddress = 99;
  s.protocol = Protocol::Torvalek;
  s.samplingInterval = 300;
  s.recordDuration = 86400;
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
    const SaveOutcome saved = SaveSettings(path_, s, model);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(Read().size(), kSettingsRecordSize);
    const SettingsLoad load = LoadSettings(path_);
    ASSERT_EQ(load.status, SettingsLoad::Status::Loaded);
    EXPECT_EQ(load.record, (SettingsRecord{s, model}));
  }
}

TEST_F(SettingsFileTest, NoPathOrNoFolderGivesDefaultsThatCannotBeSaved) {
  for (const fs::path& path : {fs::path(), folder_ / "missing" / "KlvTool.ini"}) {
    const SettingsLoad load = LoadSettings(path);
    EXPECT_EQ(load.status, SettingsLoad::Status::DefaultsNotSaved) << path;
    EXPECT_FALSE(load.error.empty());
    EXPECT_EQ(load.record, SettingsRecord{});
    EXPECT_FALSE(SaveSettings(path, CommSettings{}, ModelKind::Klv40).ok);
  }
}

TEST_F(SettingsFileTest, FileThatCannotBeReadIsNotReplaced) {
  const Bytes mine = {0x05, 0x00, 0x00, 0x4B};
  Write(mine);
  ASSERT_EQ(::chmod(path_.c_str(), 0), 0);
  if (::access(path_.c_str(), R_OK) == 0) GTEST_SKIP() << "running with rights that ignore file modes";
  const SettingsLoad load = LoadSettings(path_);
  EXPECT_EQ(load.status, SettingsLoad::Status::Unreadable);
  EXPECT_FALSE(load.error.empty());
  EXPECT_EQ(load.record, SettingsRecord{});
  ASSERT_EQ(::chmod(path_.c_str(), 0600), 0);
  EXPECT_EQ(Read(), mine);
}

TEST_F(SettingsFileTest, FolderInThePlaceOfTheFileIsLeftAlone) {
  fs::create_directory(path_);
  const SettingsLoad load = LoadSettings(path_);
  EXPECT_EQ(load.status, SettingsLoad::Status::Unreadable);
  EXPECT_EQ(load.record, SettingsRecord{});
  EXPECT_TRUE(fs::is_directory(path_));
}

}  // namespace
}  // namespace klv
