#include "serial/line_settings.h"
#include "serial/port_device.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace klv {
namespace {

using std::chrono::milliseconds;

struct LineCase {
  const char* name;
  int32_t speed, parity, stopBits, readTimeout;
  Protocol protocol;
  LineSettings expected;
};

class LineSettingsTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(LineSettingsTest, FollowsTheStoredValues) {
  const LineCase& c = GetParam();
  CommSettings settings;
  settings.speed = c.speed;
  settings.parity = c.parity;
  settings.stopBits = c.stopBits;
  settings.readTimeout = c.readTimeout;
  settings.protocol = c.protocol;
  EXPECT_EQ(BuildLineSettings(settings), c.expected);
}

// Every result carries a write time-out of 100 ms whatever is stored.
INSTANTIATE_TEST_SUITE_P(
    Cases, LineSettingsTest,
    ::testing::Values(LineCase{"Torvalek7E1",
                               9600,
                               1,
                               1,
                               100,
                               Protocol::Torvalek,
                               {9600, 7, Parity::Even, 1, milliseconds(100), milliseconds(100)}},
                      LineCase{"RtuHasEightDataBits",
                               19200,
                               2,
                               2,
                               50,
                               Protocol::ModbusRtu,
                               {19200, 8, Parity::None, 2, milliseconds(50), milliseconds(100)}},
                      LineCase{"AsciiHasSevenDataBits",
                               9600,
                               3,
                               1,
                               200,
                               Protocol::ModbusAscii,
                               {9600, 7, Parity::Odd, 1, milliseconds(200), milliseconds(100)}},
                      LineCase{"Timeout150Gives200",
                               9600,
                               1,
                               1,
                               150,
                               Protocol::Torvalek,
                               {9600, 7, Parity::Even, 1, milliseconds(200), milliseconds(100)}},
                      LineCase{"Timeout0Gives200",
                               9600,
                               1,
                               1,
                               0,
                               Protocol::Torvalek,
                               {9600, 7, Parity::Even, 1, milliseconds(200), milliseconds(100)}},
                      LineCase{"Parity0IsOddStop0IsTwo",
                               9600,
                               0,
                               0,
                               100,
                               Protocol::Torvalek,
                               {9600, 7, Parity::Odd, 2, milliseconds(100), milliseconds(100)}},
                      LineCase{"Parity4IsOddStop3IsTwo",
                               9600,
                               4,
                               3,
                               100,
                               Protocol::Torvalek,
                               {9600, 7, Parity::Odd, 2, milliseconds(100), milliseconds(100)}},
                      // An unknown protocol value from a settings file is not RTU: 7 bits.
                      LineCase{"UnknownProtocolSevenBits",
                               4800,
                               1,
                               1,
                               100,
                               static_cast<Protocol>(7),
                               {4800, 7, Parity::Even, 1, milliseconds(100), milliseconds(100)}}),
    [](const auto& info) { return std::string(info.param.name); });

struct PortNumberCase {
  int32_t stored, plus12;
  int32_t storedAfter, inUse;
  const char* device;  // without port links
};

TEST(PortNumber, CorrectsAndResolvesAsStored) {
  const PortNumberCase cases[] = {
      {7, 1, 7, 19, "/dev/ttyS18"},
      {3, 0, 3, 3, "/dev/ttyS2"},
      {10, 0, 10, 10, "/dev/ttyS9"},
      {12, 1, 12, 24, "/dev/ttyS23"},
      // Only a settings file can hold these: replaced by 1 and stored back.
      {13, 0, 1, 1, "/dev/ttyS0"},
      {13, 1, 1, 13, "/dev/ttyS12"},
      {32767, 0, 1, 1, "/dev/ttyS0"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "stored " << c.stored << " plus12 " << c.plus12);
    CommSettings settings;
    settings.portNumber = c.stored;
    settings.plus12 = c.plus12;
    EXPECT_EQ(CorrectPortNumber(settings), c.inUse);
    EXPECT_EQ(settings.portNumber, c.storedAfter);
    EXPECT_EQ(settings.plus12, c.plus12);
    EXPECT_EQ(ResolvePortDevice(c.inUse, {}), std::filesystem::path(c.device));
  }
  EXPECT_EQ(PortName(19), "COM19");
  EXPECT_EQ(PortName(3), "COM3");
}

TEST(PortNumber, BelowOneReachesNoDevice) {
  EXPECT_TRUE(ResolvePortDevice(0, {}).empty());
  EXPECT_TRUE(ResolvePortDevice(-11, {}).empty());
}

class PortLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::filesystem::temp_directory_path() / ("klv-port-links-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "ports");
  }
  void TearDown() override { std::filesystem::remove_all(folder_); }
  std::filesystem::path folder_;
};

TEST_F(PortLinkTest, ALinkWinsOverTheDefaultDeviceEvenWhenItsDeviceIsGone) {
  // An unplugged adapter leaves its link dangling; the port must then fail to
  // open, not reach /dev/ttyS18 instead.
  std::filesystem::create_symlink("/dev/serial/by-id/usb-no-such-adapter", folder_ / "ports" / "COM19");
  EXPECT_EQ(ResolvePortDevice(19, folder_), folder_ / "ports" / "COM19");
  EXPECT_EQ(ResolvePortDevice(18, folder_), std::filesystem::path("/dev/ttyS17"));
  // The link of one number does not serve another that merely starts alike.
  EXPECT_EQ(ResolvePortDevice(1, folder_), std::filesystem::path("/dev/ttyS0"));
}

TEST_F(PortLinkTest, NoPortsFolderMeansDefaultDevices) {
  std::filesystem::remove_all(folder_ / "ports");
  EXPECT_EQ(ResolvePortDevice(5, folder_), std::filesystem::path("/dev/ttyS4"));
}

}  // namespace
}  // namespace klv
