// Real-time tests over a pseudo-terminal: the test holds the master side and
// plays the regulator; the port under test opens the slave side. Time bounds
// are generous so a loaded machine does not make them fail.
#include "serial/posix_serial_port.h"
#include "serial/port_failure_text.h"
#include "serial/reply_check.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "serial/port.h"

namespace klv {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

// A one-register TORVALEK reply, 16 bytes.
const Bytes kReply16 = {0x02, '0', '1', '1', 'R', '0', '0', ',', '0', '0', '6', '4', 0x03, '3', 'F', 0x0D};

LineSettings Line(std::chrono::milliseconds readTimeout) {
  return LineSettings{9600, 7, Parity::Even, 1, readTimeout, 100ms};
}

std::chrono::milliseconds Since(SteadyClock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(SteadyClock::now() - start);
}

std::chrono::microseconds ThreadCpuTime() {
  rusage usage{};
  ::getrusage(RUSAGE_THREAD, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

class PseudoTerminalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(::grantpt(master_), 0);
    ASSERT_EQ(::unlockpt(master_), 0);
    slave_ = ::ptsname(master_);
  }
  void TearDown() override { CloseFarEnd(); }

  void Reply(const Bytes& bytes) {
    ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
  }
  void CloseFarEnd() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }
  // What the port wrote, as far as it arrived within the wait.
  Bytes FarEndReceives(std::size_t count, std::chrono::milliseconds wait = 1000ms) {
    Bytes bytes;
    const auto deadline = SteadyClock::now() + wait;
    while (bytes.size() < count && SteadyClock::now() < deadline) {
      pollfd waiting{master_, POLLIN, 0};
      if (::poll(&waiting, 1, 50) <= 0) continue;
      uint8_t chunk[256];
      const ssize_t n = ::read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
      if (n > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    }
    return bytes;
  }

  int master_ = -1;
  std::string slave_;
  PosixSerialPort port_;
};

// A time-out far longer than the reply takes, so that a busy machine cannot
// blur ending with the reply and waiting out the time-out.
constexpr auto kLongTimeout = 2000ms;

TEST_F(PseudoTerminalTest, A16ByteReceiveEndsAsSoonAsTheReplyIsIn) {
  ASSERT_EQ(port_.Open(slave_, Line(kLongTimeout)).status, PortStatus::Ok);
  std::thread farEnd([this] {
    std::this_thread::sleep_for(20ms);
    Reply(kReply16);
  });
  Bytes buffer(16);
  const auto start = SteadyClock::now();
  const std::size_t count = port_.Read(buffer, {});
  const auto took = Since(start);
  farEnd.join();
  EXPECT_EQ(count, 16u);
  EXPECT_EQ(buffer, kReply16);
  EXPECT_LT(took, kLongTimeout / 2) << "the read waited for its time-out instead of ending with the reply";
}

class FullTimeoutTest : public PseudoTerminalTest, public ::testing::WithParamInterface<int> {};

TEST_P(FullTimeoutTest, A90ByteReceiveLastsTheWholeTimeout) {
  const auto timeout = std::chrono::milliseconds(GetParam());
  ASSERT_EQ(port_.Open(slave_, Line(timeout)).status, PortStatus::Ok);
  Reply(kReply16);
  Bytes buffer(90);
  const auto start = SteadyClock::now();
  const std::size_t count = port_.Read(buffer, {});
  const auto took = Since(start);
  EXPECT_EQ(count, 16u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 16), kReply16);
  EXPECT_GE(took, timeout);
}

INSTANTIATE_TEST_SUITE_P(Timeouts, FullTimeoutTest, ::testing::Values(50, 100, 200));

// With the frame's end known, a 90-byte receive ends with the reply's CR
// instead of waiting out its time-out.
TEST_F(PseudoTerminalTest, AReceiveEndsWhenItsFrameIsWhole) {
  ASSERT_EQ(port_.Open(slave_, Line(kLongTimeout)).status, PortStatus::Ok);
  std::thread farEnd([this] {
    std::this_thread::sleep_for(20ms);
    Reply(Bytes(kReply16.begin(), kReply16.begin() + 9));
    std::this_thread::sleep_for(20ms);
    Reply(Bytes(kReply16.begin() + 9, kReply16.end()));
  });
  Bytes buffer(90);
  const auto start = SteadyClock::now();
  const std::size_t count = port_.Read(buffer, IsWholeTorvalekFrame);
  const auto took = Since(start);
  farEnd.join();
  EXPECT_EQ(count, 16u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 16), kReply16);
  EXPECT_LT(took, kLongTimeout / 2) << "the read waited for its time-out instead of ending with the frame";
}

// Discarding empties what has arrived, so a late reply cannot be read as
// the answer to the next request.
TEST_F(PseudoTerminalTest, DiscardedInputIsNeverRead) {
  ASSERT_EQ(port_.Open(slave_, Line(50ms)).status, PortStatus::Ok);
  Reply(kReply16);
  std::this_thread::sleep_for(20ms);
  port_.DiscardInput();
  Bytes buffer(16);
  EXPECT_EQ(port_.Read(buffer, {}), 0u);
}

TEST_F(PseudoTerminalTest, AReplySplitAcrossTheTimeoutArrivesOverTwoReceives) {
  ASSERT_EQ(port_.Open(slave_, Line(50ms)).status, PortStatus::Ok);
  const Bytes head(kReply16.begin(), kReply16.begin() + 9);
  const Bytes tail(kReply16.begin() + 9, kReply16.end());
  Reply(head);
  Bytes buffer(16);
  ASSERT_EQ(port_.Read(buffer, {}), head.size());
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 9), head);
  // The rest comes after the first receive has given up.
  Reply(tail);
  ASSERT_EQ(port_.Read(buffer, {}), tail.size());
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 7), tail);
}

TEST_F(PseudoTerminalTest, BytesBeyondTheWantedNumberStayQueued) {
  ASSERT_EQ(port_.Open(slave_, Line(50ms)).status, PortStatus::Ok);
  Bytes twoReplies = kReply16;
  twoReplies.insert(twoReplies.end(), {'e', 'x', 't', 'r', 'a'});
  Reply(twoReplies);
  Bytes buffer(16);
  ASSERT_EQ(port_.Read(buffer, {}), 16u);
  EXPECT_EQ(buffer, kReply16);
  ASSERT_EQ(port_.Read(buffer, {}), 5u);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + 5), (Bytes{'e', 'x', 't', 'r', 'a'}));
}

TEST_F(PseudoTerminalTest, WritesReachTheFarEndAsTheyAre) {
  ASSERT_EQ(port_.Open(slave_, Line(100ms)).status, PortStatus::Ok);
  // CR and LF must pass untranslated (no output processing).
  const Bytes frame = {0x02, '0', '1', '1', 'R', '0', '1', '0', '0', '0', 0x03, 'D', 'A', 0x0D, 0x0A};
  const WriteOutcome outcome = port_.Write(frame);
  EXPECT_TRUE(outcome.ok);
  EXPECT_EQ(outcome.written, frame.size());
  // Asking for one byte more shows that nothing was added on the way.
  EXPECT_EQ(FarEndReceives(frame.size() + 1, 200ms), frame);
}

TEST_F(PseudoTerminalTest, AWriteTheFarEndDoesNotTakeIsBoundedBy100ms) {
  ASSERT_EQ(port_.Open(slave_, Line(100ms)).status, PortStatus::Ok);
  // Far more than a pseudo-terminal buffers while nobody reads.
  const Bytes flood(1 << 20, 'x');
  const auto start = SteadyClock::now();
  const WriteOutcome outcome = port_.Write(flood);
  const auto took = Since(start);
  EXPECT_FALSE(outcome.ok);
  EXPECT_LT(outcome.written, flood.size());
  EXPECT_GE(took, 100ms);
  EXPECT_LT(took, 1000ms) << "the write was not bounded";
}

TEST_F(PseudoTerminalTest, ClosedFarEndGivesQuickEmptyExchangesWithoutSpinning) {
  ASSERT_EQ(port_.Open(slave_, Line(kLongTimeout)).status, PortStatus::Ok);
  Reply(kReply16);
  Bytes buffer(90);
  ASSERT_EQ(port_.Read(buffer, {}), 16u);

  CloseFarEnd();
  const auto cpuBefore = ThreadCpuTime();
  const auto start = SteadyClock::now();
  for (int i = 0; i < 10; ++i) {
    const auto exchangeStart = SteadyClock::now();
    EXPECT_FALSE(port_.Write(kReply16).ok);
    EXPECT_EQ(port_.Read(buffer, {}), 0u);
    EXPECT_LT(Since(exchangeStart), kLongTimeout / 2);
  }
  const auto wall = Since(start);
  const auto cpu = ThreadCpuTime() - cpuBefore;
  // A loop that spun until each deadline would burn seconds of CPU here.
  EXPECT_LT(cpu, 50ms) << "wall " << wall.count() << " ms";
  EXPECT_TRUE(port_.IsOpen());
  port_.Close();
  EXPECT_FALSE(port_.IsOpen());
}

TEST_F(PseudoTerminalTest, FarEndClosingDuringAReceiveEndsItAtOnce) {
  ASSERT_EQ(port_.Open(slave_, Line(kLongTimeout)).status, PortStatus::Ok);
  std::thread farEnd([this] {
    std::this_thread::sleep_for(20ms);
    CloseFarEnd();
  });
  Bytes buffer(90);
  const auto start = SteadyClock::now();
  EXPECT_EQ(port_.Read(buffer, {}), 0u);
  const auto took = Since(start);
  farEnd.join();
  EXPECT_LT(took, kLongTimeout / 2) << "the receive sat out its time-out after the hang-up";
}

TEST_F(PseudoTerminalTest, ASecondOpenOfTheSamePortIsRefusedUntilTheFirstCloses) {
  ASSERT_EQ(port_.Open(slave_, Line(100ms)).status, PortStatus::Ok);
  PosixSerialPort second;
  const PortOpenStatus refused = second.Open(slave_, Line(100ms));
  EXPECT_EQ(refused.status, PortStatus::CannotOpen);
  EXPECT_NE(refused.cause.find("busy"), std::string::npos) << refused.cause;
  EXPECT_FALSE(second.IsOpen());
  port_.Close();
  EXPECT_EQ(second.Open(slave_, Line(100ms)).status, PortStatus::Ok);
}

TEST_F(PseudoTerminalTest, AnUnsupportedSpeedIsAPortSetupFailure) {
  LineSettings line = Line(100ms);
  line.speed = 12345;
  EXPECT_EQ(port_.Open(slave_, line).status, PortStatus::SetupFailed);
  EXPECT_FALSE(port_.IsOpen());
  // The device was let go: a good open follows.
  EXPECT_EQ(port_.Open(slave_, Line(100ms)).status, PortStatus::Ok);
}

// The whole road from the settings: COM5 links to the pseudo-terminal.
class SerialLineOverPtyTest : public PseudoTerminalTest {
 protected:
  void SetUp() override {
    PseudoTerminalTest::SetUp();
    folder_ = std::filesystem::temp_directory_path() / ("klv-port-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder_);
    std::filesystem::create_directories(folder_ / "ports");
    settings_.portNumber = 5;
    settings_.protocol = Protocol::Torvalek;
  }
  void TearDown() override {
    std::filesystem::remove_all(folder_);
    PseudoTerminalTest::TearDown();
  }
  void Link(const std::filesystem::path& target) {
    std::filesystem::create_symlink(target, folder_ / "ports" / "COM5");
  }
  std::filesystem::path folder_;
  CommSettings settings_;
};

TEST_F(SerialLineOverPtyTest, ASecondProgramOpeningThePortIsToldItCannotBeUsed) {
  Link(slave_);
  SerialLine first;
  ASSERT_TRUE(first.OpenPort(settings_, folder_).ok);
  SerialLine second;
  const OpenPortResult result = second.OpenPort(settings_, folder_);
  EXPECT_FALSE(result.ok);
  EXPECT_EQ(result.message, "Port cannot be used\nCOM5, " + slave_ + ": busy, in use by another program");
  EXPECT_FALSE(second.IsOpen());
}

TEST_F(SerialLineOverPtyTest, ADanglingLinkNamesTheMissingDevice) {
  Link("/dev/klv-no-such-adapter");
  SerialLine line;
  EXPECT_EQ(line.OpenPort(settings_, folder_).message,
            "Port cannot be used\nCOM5, /dev/klv-no-such-adapter: no such device");
}

TEST_F(SerialLineOverPtyTest, SomethingThatIsNoTerminalIsNoSerialLine) {
  const std::filesystem::path file = folder_ / "not-a-port";
  std::ofstream(file) << "x";
  Link(file);
  SerialLine line;
  const OpenPortResult result = line.OpenPort(settings_, folder_);
  EXPECT_EQ(result.message, "SYS ERR: The port is not a serial line (its settings cannot be read)");
  EXPECT_FALSE(line.IsOpen());
}

TEST_F(SerialLineOverPtyTest, OneExchangeOverTheLink) {
  Link(slave_);
  SerialLine line;
  ASSERT_TRUE(line.OpenPort(settings_, folder_).ok);
  FrameBuffer frame{};
  const Bytes request = {0x02, '0', '1', '1', 'R', '0', '1', '0', '0', '0', 0x03, 'D', 'A', 0x0D};
  std::copy(request.begin(), request.end(), frame.begin());
  RtuRequestCopy copy{};
  EXPECT_EQ(line.SendFrame(frame, request.size(), Protocol::Torvalek, copy).written, request.size());
  EXPECT_EQ(FarEndReceives(request.size()), request);
  Reply(kReply16);
  EXPECT_EQ(line.ReceiveWireFrame(frame, 16, Protocol::Torvalek), 16u);
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 16), kReply16);
}

// --- pure parts ---

TEST(ApplyLineSettings, TurnsTheReportedSettingsIntoTheLineSettings) {
  // A terminal as a driver typically reports it: cooked, echoing, with
  // hardware and software flow control and hang-up on close.
  termios reported{};
  reported.c_iflag = ICRNL | IXON | IXOFF | ISTRIP | IGNPAR | BRKINT;
  reported.c_oflag = OPOST | ONLCR;
  reported.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  reported.c_cflag = CS8 | CRTSCTS | HUPCL | CREAD | PARODD;
  reported.c_cc[VSTART] = 0x11;
  reported.c_cc[VSTOP] = 0x13;
  cfsetispeed(&reported, B38400);
  cfsetospeed(&reported, B38400);

  const struct {
    LineSettings line;
    tcflag_t size, parity;  // expected CSIZE bits and PARENB|PARODD bits
    bool twoStops;
    speed_t speed;
  } cases[] = {
      {{9600, 7, Parity::Even, 1, 100ms, 100ms}, CS7, PARENB, false, B9600},
      {{19200, 8, Parity::None, 2, 100ms, 100ms}, CS8, 0, true, B19200},
      {{9600, 7, Parity::Odd, 1, 100ms, 100ms}, CS7, PARENB | PARODD, false, B9600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line.speed);
    termios tio = reported;
    ASSERT_TRUE(ApplyLineSettings(tio, c.line));
    EXPECT_EQ(tio.c_cflag & CSIZE, c.size);
    EXPECT_EQ(tio.c_cflag & (PARENB | PARODD), c.parity);
    EXPECT_EQ((tio.c_cflag & CSTOPB) != 0, c.twoStops);
    EXPECT_EQ(cfgetispeed(&tio), c.speed);
    EXPECT_EQ(cfgetospeed(&tio), c.speed);
    // Parity checking stays on, also with no parity.
    EXPECT_NE(tio.c_iflag & INPCK, 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP | IGNPAR), 0u);
    EXPECT_EQ(tio.c_cflag & (CRTSCTS | HUPCL), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(tio.c_cc[VSTART], 0x11);
    EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
  }
}

TEST(LineSettingsTookEffect, IgnoresOnlyTheCharacterFormat) {
  termios wanted{};
  ASSERT_TRUE(ApplyLineSettings(wanted, {9600, 7, Parity::Odd, 2, 100ms, 100ms}));
  // What a pseudo-terminal reads back: 8 bits, no parity, the rest as asked.
  termios pty = wanted;
  pty.c_cflag = (pty.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB)) | CS8;
  EXPECT_TRUE(LineSettingsTookEffect(wanted, pty));

  termios slower = wanted;
  cfsetospeed(&slower, B4800);
  EXPECT_FALSE(LineSettingsTookEffect(wanted, slower));
  termios cooked = wanted;
  cooked.c_lflag |= ICANON;
  EXPECT_FALSE(LineSettingsTookEffect(wanted, cooked));
  termios flowControl = wanted;
  flowControl.c_iflag |= IXON;
  EXPECT_FALSE(LineSettingsTookEffect(wanted, flowControl));
  termios hangUpOnClose = wanted;
  hangUpOnClose.c_cflag |= HUPCL;
  EXPECT_FALSE(LineSettingsTookEffect(wanted, hangUpOnClose));
}

TEST(ApplyLineSettings, RefusesASpeedWithoutACode) {
  termios tio{};
  tio.c_cflag = CS8;
  const termios before = tio;
  EXPECT_FALSE(ApplyLineSettings(tio, {9601, 7, Parity::Even, 1, 100ms, 100ms}));
  EXPECT_EQ(std::memcmp(&tio, &before, sizeof tio), 0);
}

TEST(DescribeOpenFailure, NamesTheCause) {
  const DeviceOwner dialout{"root", "dialout", 20, 0660};
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", ENOENT, dialout), "/dev/ttyUSB0: no such device");
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", EBUSY, dialout), "/dev/ttyUSB0: busy, in use by another program");
  EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", EACCES, std::nullopt), "/dev/ttyUSB0: permission denied");
}

// A group is advised only when joining it would let the user open the device.
TEST(DescribeOpenFailure, AdvisesAGroupOnlyWhenItMayReadAndWrite) {
  const std::string join =
      "/dev/ttyUSB0: permission denied; join the group \"dialout\" that owns it (sudo usermod -aG dialout $USER) "
      "and log in again";
  struct Case {
    DeviceOwner owner;
    int error;
    std::string said;
  } cases[] = {
      {{"root", "dialout", 20, 0660}, EACCES, join},
      {{"root", "dialout", 20, 0664}, EPERM, join},
      {{"root", "dialout", 20, 02660}, EACCES, join},
      {{"root", "root", 0, 0600}, EACCES, "/dev/ttyUSB0: permission denied; owned by root:root, mode 0600"},
      {{"root", "root", 0, 0660}, EACCES, "/dev/ttyUSB0: permission denied; owned by root:root, mode 0660"},
      {{"root", "wheel0", 0, 0660}, EACCES, "/dev/ttyUSB0: permission denied; owned by root:wheel0, mode 0660"},
      {{"root", "dialout", 20, 0640}, EACCES, "/dev/ttyUSB0: permission denied; owned by root:dialout, mode 0640"},
      {{"root", "dialout", 20, 0620}, EACCES, "/dev/ttyUSB0: permission denied; owned by root:dialout, mode 0620"},
      {{"uucp", "dialout", 20, 0600}, EACCES, "/dev/ttyUSB0: permission denied; owned by uucp:dialout, mode 0600"},
      {{"1001", "1002", 1002, 0606}, EACCES, "/dev/ttyUSB0: permission denied; owned by 1001:1002, mode 0606"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DescribeOpenFailure("/dev/ttyUSB0", c.error, c.owner), c.said) << c.owner.group << " " << c.owner.mode;
  }
}

TEST(ClassifyOpenFailure, SystemErrorsAreSortedIntoCauses) {
  const DeviceOwner dialout{"root", "dialout", 20, 0660};
  const DeviceOwner rootOnly{"root", "root", 0, 0600};
  EXPECT_EQ(ClassifyOpenFailure("/dev/x", ENOENT, dialout).kind, PortFailureKind::NoSuchDevice);
  EXPECT_EQ(ClassifyOpenFailure("/dev/x", ENXIO, dialout).kind, PortFailureKind::NoSuchDevice);
  EXPECT_EQ(ClassifyOpenFailure("/dev/x", EBUSY, dialout).kind, PortFailureKind::Busy);
  const PortFailure denied = ClassifyOpenFailure("/dev/x", EACCES, dialout);
  EXPECT_EQ(denied.kind, PortFailureKind::PermissionDenied);
  EXPECT_EQ(denied.ownerGroup, "dialout");
  const PortFailure rootDevice = ClassifyOpenFailure("/dev/x", EACCES, rootOnly);
  EXPECT_EQ(rootDevice.ownerGroup, "");
  EXPECT_EQ(PortFailureText(rootDevice, Language::English), "/dev/x: permission denied; owned by root:root, mode 0600");
  EXPECT_EQ(PortFailureText(rootDevice, Language::Japanese),
            "/dev/x: アクセスが許可されていません（所有者 root:root、モード 0600）");
  const PortFailure other = ClassifyOpenFailure("/dev/x", EIO, dialout);
  EXPECT_EQ(other.kind, PortFailureKind::Other);
  EXPECT_FALSE(other.systemText.empty());
}

TEST(OwnerOf, ReadsOwnerGroupAndModeOfTheFile) {
  const std::optional<DeviceOwner> null = OwnerOf("/dev/null");
  ASSERT_TRUE(null);
  EXPECT_EQ(null->user, "root");
  EXPECT_EQ(null->group, "root");
  EXPECT_EQ(null->gid, 0u);
  EXPECT_EQ(null->mode, 0666u);
  const std::filesystem::path file =
      std::filesystem::temp_directory_path() / ("klv-owner-" + std::to_string(::getpid()));
  std::ofstream(file) << "x";
  ASSERT_EQ(::chmod(file.c_str(), 0604), 0);
  const std::optional<DeviceOwner> own = OwnerOf(file);
  std::filesystem::remove(file);
  ASSERT_TRUE(own);
  EXPECT_EQ(own->mode, 0604u);
  EXPECT_EQ(own->gid, ::getegid());
  EXPECT_EQ(OwnerOf("/no/such/file"), std::nullopt);
}

}  // namespace
}  // namespace klv
