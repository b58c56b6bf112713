#include "serial/port.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "support/fake_clock.h"
#include "support/scripted_port.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using testing::FakeClock;
using testing::ScriptedDevice;
using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A one-register TORVALEK reply: STX, 011R00,0064, ETX, BCC "3F", CR.
const Bytes kReply16 = [] {
  Bytes bytes{0x02};
  const Bytes body = Text("011R00,0064");
  bytes.insert(bytes.end(), body.begin(), body.end());
  bytes.insert(bytes.end(), {0x03, '3', 'F', 0x0D});
  return bytes;
}();

// The read of register 0100 at address 1: STX, 011R01000, ETX, DA, CR.
FrameBuffer ReadRequest0100(std::size_t& length) {
  FrameBuffer frame{};
  const std::string text =
      "\x02"
      "011R01000\x03"
      "DA\r";
  std::memcpy(frame.data(), text.data(), text.size());
  length = text.size();
  return frame;
}

class SerialLineTest : public ::testing::Test {
 protected:
  SerialLineTest() : device_(clock_), line_(device_.Factory()) {}

  OpenPortResult Open(Protocol protocol = Protocol::Torvalek, int32_t timeout = 100) {
    settings_.protocol = protocol;
    settings_.readTimeout = timeout;
    return line_.OpenPort(settings_, {});
  }
  std::size_t Receive(std::size_t wanted, Protocol protocol = Protocol::Torvalek) {
    return line_.ReceiveWireFrame(buffer_, wanted, protocol);
  }
  Bytes Received(std::size_t count) const { return Bytes(buffer_.begin(), buffer_.begin() + count); }

  FakeClock clock_;
  ScriptedDevice device_;
  SerialLine line_;
  CommSettings settings_;
  FrameBuffer buffer_{};
};

TEST_F(SerialLineTest, OpensTheResolvedDeviceWithTheLineSettings) {
  settings_.portNumber = 15;  // corrected to 1 and stored back
  settings_.plus12 = 1;
  settings_.parity = 2;
  const OpenPortResult result = Open(Protocol::ModbusRtu, 150);
  ASSERT_TRUE(result.ok);
  EXPECT_TRUE(result.message.empty());
  EXPECT_TRUE(line_.IsOpen());
  EXPECT_EQ(settings_.portNumber, 1);
  ASSERT_EQ(device_.OpenedDevices().size(), 1u);
  EXPECT_EQ(device_.OpenedDevices()[0], std::filesystem::path("/dev/ttyS12"));
  EXPECT_EQ(device_.Settings(),
            (LineSettings{9600, 8, Parity::None, 1, milliseconds(200), milliseconds(100)}));

  line_.ClosePort();
  EXPECT_FALSE(line_.IsOpen());
  EXPECT_FALSE(device_.IsOpen());
}

TEST_F(SerialLineTest, EachFailureGivesItsMessageAndLeavesThePortClosed) {
  const struct {
    PortOpenStatus status;
    const char* message;
  } cases[] = {
      {{PortStatus::CannotOpen, ""}, "Port cannot be used"},
      {{PortStatus::CannotOpen, "/dev/ttyS0: no such device"},
       "Port cannot be used\nCOM1, /dev/ttyS0: no such device"},
      {{PortStatus::NotASerialLine, "Inappropriate ioctl for device"}, "SYS ERR: The port is not a serial line (its settings cannot be read)"},
      {{PortStatus::SetupFailed, "unsupported speed"}, "SYS ERR: Port setup failed"},
      {{PortStatus::TimeoutSetupFailed, ""}, "SYS ERR: Timeout setup failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    device_.openStatus = c.status;
    const OpenPortResult result = Open();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.status, c.status.status);
    EXPECT_EQ(result.message, c.message);
    EXPECT_FALSE(line_.IsOpen());
    EXPECT_FALSE(device_.IsOpen());
    // A closed port neither sends nor receives.
    std::size_t length = 0;
    FrameBuffer frame = ReadRequest0100(length);
    RtuRequestCopy copy{};
    EXPECT_EQ(line_.SendFrame(frame, length, Protocol::Torvalek, copy).written, 0u);
    EXPECT_EQ(Receive(16), 0u);
  }
  EXPECT_TRUE(device_.Writes().empty());
}

TEST_F(SerialLineTest, APortNumberBelowOneIsRefusedWithoutTouchingADevice) {
  settings_.portNumber = 0;
  const OpenPortResult result = Open();
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Port cannot be used\nCOM0: no such port");
  EXPECT_TRUE(device_.OpenedDevices().empty());
}

TEST_F(SerialLineTest, TheCauseLineFollowsTheLineLanguage) {
  device_.openStatus = {PortStatus::CannotOpen, "/dev/ttyS0: busy, in use by another program",
                        PortFailure{PortFailureKind::Busy, "/dev/ttyS0", {}, {}}};
  EXPECT_EQ(Open().message, "Port cannot be used\nCOM1, /dev/ttyS0: busy, in use by another program");
  line_.SetLanguage(Language::Japanese);
  EXPECT_EQ(Open().message, "Port cannot be used\nCOM1, /dev/ttyS0: 使用中です（ほかのプログラムが使っています）");
  settings_.portNumber = 0;
  EXPECT_EQ(Open().message, "Port cannot be used\nCOM0: そのポートはありません");
}

TEST_F(SerialLineTest, OpeningAgainClosesTheOpenPortFirst) {
  ASSERT_TRUE(Open().ok);
  // Without the close the device would still be held by the first port and
  // refuse the second open, leaving it locked for the rest of the run.
  ASSERT_TRUE(Open().ok);
  EXPECT_EQ(device_.Opens(), 2);
  EXPECT_EQ(device_.Closes(), 1);
  EXPECT_TRUE(device_.IsOpen());
}

TEST_F(SerialLineTest, TorvalekFrameGoesOutUnchanged) {
  ASSERT_TRUE(Open().ok);
  std::size_t length = 0;
  FrameBuffer frame = ReadRequest0100(length);
  RtuRequestCopy copy{};
  const WriteOutcome sent = line_.SendFrame(frame, length, Protocol::Torvalek, copy);
  EXPECT_TRUE(sent.ok);
  EXPECT_EQ(sent.written, 14u);
  ASSERT_EQ(device_.Writes().size(), 1u);
  EXPECT_EQ(device_.Writes()[0], Text("\x02"
                                      "011R01000\x03"
                                      "DA\r"));
}

TEST_F(SerialLineTest, RtuRequestIsConvertedInPlaceBeforeItIsWritten) {
  ASSERT_TRUE(Open(Protocol::ModbusRtu).ok);
  std::size_t length = 0;
  FrameBuffer frame = ReadRequest0100(length);
  RtuRequestCopy copy{};
  const WriteOutcome sent = line_.SendFrame(frame, length, Protocol::ModbusRtu, copy);
  const Bytes wire{0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6};
  EXPECT_TRUE(sent.ok);
  EXPECT_EQ(sent.written, 8u);
  ASSERT_EQ(device_.Writes().size(), 1u);
  EXPECT_EQ(device_.Writes()[0], wire);
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 8), wire);
  EXPECT_EQ(Bytes(copy.begin(), copy.end()), wire);
}

TEST_F(SerialLineTest, ReceiveEndsAtAWholeFrameTheWantedBytesOrTheTimeout) {
  ASSERT_TRUE(Open(Protocol::Torvalek, 200).ok);
  std::size_t length = 0;
  FrameBuffer frame = ReadRequest0100(length);
  RtuRequestCopy copy{};

  // 16 wanted: done when the one-register reply is in.
  device_.QueueReply(kReply16, milliseconds(30));
  line_.SendFrame(frame, length, Protocol::Torvalek, copy);
  EXPECT_EQ(Receive(16), 16u);
  EXPECT_EQ(Received(16), kReply16);
  // 90 wanted: the same reply; the read ends with its CR all the same.
  device_.QueueReply(kReply16, milliseconds(30));
  frame = ReadRequest0100(length);
  line_.SendFrame(frame, length, Protocol::Torvalek, copy);
  EXPECT_EQ(Receive(90), 16u);
  // Nothing at all: 0 after the time-out.
  EXPECT_EQ(Receive(90), 0u);
  // More than the buffer holds is asked as 100.
  device_.QueueInput(Bytes(120, 'x'));
  EXPECT_EQ(Receive(500), 100u);
  EXPECT_EQ(device_.QueuedInput(), 20u);

  EXPECT_EQ(device_.ReadDurations(), (std::vector<Clock::Duration>{milliseconds(30), milliseconds(30),
                                                                   milliseconds(200), milliseconds(0)}));
}

TEST_F(SerialLineTest, ExtraAndLateBytesWaitForTheNextReceive) {
  ASSERT_TRUE(Open(Protocol::Torvalek, 100).ok);
  std::size_t length = 0;
  FrameBuffer frame = ReadRequest0100(length);
  RtuRequestCopy copy{};
  // The reply comes in two parts, the second after the time-out.
  const Bytes head(kReply16.begin(), kReply16.begin() + 10);
  const Bytes tail(kReply16.begin() + 10, kReply16.end());
  device_.QueueReply({{head, milliseconds(20)}, {tail, milliseconds(130)}});
  line_.SendFrame(frame, length, Protocol::Torvalek, copy);
  ASSERT_EQ(Receive(16), 10u);
  EXPECT_EQ(Received(10), head);
  ASSERT_EQ(Receive(16), 6u);
  EXPECT_EQ(Received(6), tail);
}

TEST_F(SerialLineTest, AfterAHangUpEveryExchangeGivesNothing) {
  ASSERT_TRUE(Open().ok);
  device_.HangUp();
  for (int i = 0; i < 3; ++i) {
    std::size_t length = 0;
    FrameBuffer frame = ReadRequest0100(length);
    RtuRequestCopy copy{};
    EXPECT_FALSE(line_.SendFrame(frame, length, Protocol::Torvalek, copy).ok);
    EXPECT_EQ(Receive(90), 0u);
  }
  EXPECT_TRUE(line_.IsOpen());
}

}  // namespace
}  // namespace klv
