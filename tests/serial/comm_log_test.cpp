#include "serial/comm_log.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "support/fake_clock.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using Frame = std::vector<uint8_t>;

// A frame from its text, with STX, ETX and CR written as \x02, \x03, \r.
Frame F(std::string_view text) { return Frame(text.begin(), text.end()); }

// Frames of the worked examples: reading register 0116 (value 1) and 0100
// (value 0064) from address 1, the device's exception, and a write of 0001
// to 0120 with its converted RTU echo. The BCCs are the frames' Sum BCCs.
const Frame kRead0116 = F("\x02" "011R01160" "\x03" "E1\r");
const Frame kReply0001 = F("\x02" "011R00,0001" "\x03" "36\r");
const Frame kRead0100 = F("\x02" "011R01000" "\x03" "DA\r");
const Frame kReply0064 = F("\x02" "011R00,0064" "\x03" "3F\r");
const Frame kReplyException = F("\x02" "011R09" "\x03" "52\r");
const Frame kWrite0120 = F("\x02" "011W01200,0001" "\x03" "CE\r");
const Frame kWriteEcho = F("\x02" "011W00,20" "\x03" "DC\r");

class CommLogTest : public ::testing::Test {
 protected:
  std::size_t Add(const Frame& frame, int sequence, FrameDirection direction,
                  Protocol protocol = Protocol::Torvalek) {
    return AppendLogEntry(log_, frame.data(), frame.size(), sequence, direction, protocol, lastRtu_);
  }
  // The text that one frame adds to an empty log.
  std::string Line(const Frame& frame, int sequence, FrameDirection direction, Protocol protocol) {
    log_.Clear();
    Add(frame, sequence, direction, protocol);
    return std::string(log_.Text());
  }
  CommLog log_;
  RtuRequestCopy lastRtu_{};
};

TEST_F(CommLogTest, TorvalekExchangeAsInTheFile) {
  EXPECT_TRUE(log_.Empty());
  Add(kRead0116, 1, FrameDirection::Request);
  const std::size_t length = Add(kReply0001, 2, FrameDirection::Response);
  const std::string expected =
      "001. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
      "002. KLV->PC: (STX)011R00,0001(ETX)36(CR)\r\n"
      "\r\n";
  EXPECT_EQ(log_.Text(), expected);
  EXPECT_EQ(length, expected.size());
  EXPECT_EQ(log_.Text().data()[length], '\0');
  EXPECT_FALSE(log_.Empty());

  log_.Clear();
  EXPECT_TRUE(log_.Empty());
  EXPECT_STREQ(log_.Text().data(), "");
}

TEST_F(CommLogTest, ModbusFramesAreShownAsOnTheWire) {
  struct Case {
    const char* name;
    const Frame* frame;
    FrameDirection direction;
    Protocol protocol;
    const char* expected;
  };
  const Case cases[] = {
      {"RTU read 0116", &kRead0116, FrameDirection::Request, Protocol::ModbusRtu,
       "001. PC->KLV: (01)(03)(01)(16)(00)(01)(64)(32)\r\n"},
      {"RTU read 0100", &kRead0100, FrameDirection::Request, Protocol::ModbusRtu,
       "001. PC->KLV: (01)(03)(01)(00)(00)(01)(85)(F6)\r\n"},
      {"RTU reply 0064", &kReply0064, FrameDirection::Response, Protocol::ModbusRtu,
       "001. KLV->PC: (01)(03)(02)(00)(64)(B9)(AF)\r\n\r\n"},
      {"RTU exception", &kReplyException, FrameDirection::Response, Protocol::ModbusRtu,
       "001. KLV->PC: (01)(83)(01)(80)(F0)\r\n\r\n"},
      {"ASCII read 0100", &kRead0100, FrameDirection::Request, Protocol::ModbusAscii,
       "001. PC->KLV: :010301000001FA(CR)(LF)\r\n"},
      // A protocol value from a damaged settings file sends TORVALEK.
      {"unknown protocol", &kRead0116, FrameDirection::Request, static_cast<Protocol>(7),
       "001. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Line(*c.frame, 1, c.direction, c.protocol), c.expected) << c.name;
  }
}

TEST_F(CommLogTest, RtuWriteReplyShowsTheEchoOfTheLoggedRequest) {
  Add(kWrite0120, 3, FrameDirection::Request, Protocol::ModbusRtu);
  Add(kWriteEcho, 4, FrameDirection::Response, Protocol::ModbusRtu);
  EXPECT_EQ(log_.Text(),
            "003. PC->KLV: (01)(06)(01)(20)(00)(01)(48)(3C)\r\n"
            "004. KLV->PC: (01)(06)(01)(20)(00)(01)(48)(3C)\r\n\r\n");
  EXPECT_EQ(lastRtu_, (RtuRequestCopy{0x01, 0x06, 0x01, 0x20, 0x00, 0x01, 0x48, 0x3C}));
}

TEST_F(CommLogTest, LoggingLeavesTheCallersFrameAlone) {
  Frame frame = kRead0100;
  AppendLogEntry(log_, frame.data(), frame.size(), 1, FrameDirection::Request, Protocol::ModbusAscii, lastRtu_);
  EXPECT_EQ(frame, kRead0100);
}

TEST_F(CommLogTest, SequenceNumbersHaveAtLeastThreeDigits) {
  const Frame empty;
  EXPECT_EQ(Line(empty, 7, FrameDirection::Request, Protocol::Torvalek), "007. PC->KLV: \r\n");
  EXPECT_EQ(Line(empty, 1000, FrameDirection::Request, Protocol::Torvalek), "1000. PC->KLV: \r\n");
}

TEST_F(CommLogTest, ZeroByteResponseEndsAfterTheHead) {
  const Frame empty;
  for (const Protocol protocol : {Protocol::Torvalek, Protocol::ModbusRtu, Protocol::ModbusAscii}) {
    EXPECT_EQ(Line(empty, 2, FrameDirection::Response, protocol), "002. KLV->PC: \r\n\r\n");
  }
  // No frame at all is the same as an empty one.
  log_.Clear();
  AppendLogEntry(log_, nullptr, 5, 2, FrameDirection::Response, Protocol::Torvalek, lastRtu_);
  EXPECT_EQ(log_.Text(), "002. KLV->PC: \r\n\r\n");
}

TEST_F(CommLogTest, CharactersOutsideBlankToSmallZShowAsQuestionMarks) {
  const Frame frame = {' ', 'z', '{', '|', '}', '~', 0x7F, 0x80, 0xFF, 0x00, 0x01, 0x1F, '\n', '!', 'A'};
  EXPECT_EQ(Line(frame, 1, FrameDirection::Request, Protocol::Torvalek),
            "001. PC->KLV:  z(?)(?)(?)(?)(?)(?)(?)(?)(?)(?)(LF)!A\r\n");
}

TEST_F(CommLogTest, LongLinesAreCutAfterAWholeMarkAt255Characters) {
  // Head (14) + 46 x "(STX)" (230) + 9 characters + CR LF = 255: kept whole.
  Frame frame(46, 0x02);
  frame.insert(frame.end(), 9, 'A');
  std::string line = Line(frame, 1, FrameDirection::Request, Protocol::Torvalek);
  EXPECT_EQ(line.size(), 255u);
  EXPECT_EQ(line.substr(line.size() - 11), "AAAAAAAAA\r\n");

  // One character more does not fit: the line is cut and says so.
  frame.push_back('A');
  line = Line(frame, 1, FrameDirection::Request, Protocol::Torvalek);
  EXPECT_LE(line.size(), 255u);
  EXPECT_EQ(line.substr(line.size() - 7), "(...)\r\n");
  EXPECT_EQ(line.rfind("001. PC->KLV: (STX)", 0), 0u);

  // A frame of 100 marks (500 characters) ends on a whole mark, and a
  // response keeps its empty line.
  const Frame stx(100, 0x02);
  line = Line(stx, 2, FrameDirection::Response, Protocol::Torvalek);
  const std::string body = line.substr(14, line.size() - 14 - 9);
  EXPECT_EQ(line.substr(line.size() - 9), "(...)\r\n\r\n");
  EXPECT_LE(line.size() - 2, 255u);
  ASSERT_EQ(body.size() % 5, 0u);
  for (std::size_t i = 0; i < body.size(); i += 5) ASSERT_EQ(body.substr(i, 5), "(STX)") << i;
  EXPECT_GT(14 + body.size() + 5 + 5 + 2, 255u) << "one more mark would have fitted";
}

TEST_F(CommLogTest, FullLogKeepsItsBeginningAndCountsWhatItRefused) {
  // 199 request lines of 41 characters and 2 empty ones of 16 fill the 8191
  // characters of text exactly.
  for (int i = 1; i <= 199; ++i) Add(kRead0116, i, FrameDirection::Request);
  const Frame empty;
  for (int i = 200; i <= 201; ++i) Add(empty, i, FrameDirection::Request);
  EXPECT_EQ(log_.Text().size(), kCommLogSize - 1);
  EXPECT_EQ(log_.DroppedLines(), 0u);
  EXPECT_EQ(std::strlen(log_.Text().data()), kCommLogSize - 1);

  // Nothing more fits; later lines are refused even when short.
  const std::size_t length = Add(kReply0001, 202, FrameDirection::Response);
  Add(empty, 203, FrameDirection::Request);
  EXPECT_EQ(length, kCommLogSize - 1);
  EXPECT_EQ(log_.DroppedLines(), 2u);
  EXPECT_EQ(log_.Text().substr(log_.Text().size() - 16), "201. PC->KLV: \r\n");

  log_.Clear();
  EXPECT_EQ(log_.DroppedLines(), 0u);
  Add(empty, 1, FrameDirection::Request);
  EXPECT_EQ(log_.Text(), "001. PC->KLV: \r\n");
}

TEST_F(CommLogTest, OnceALineIsRefusedLaterShortLinesAreToo) {
  for (int i = 1; i <= 199; ++i) Add(kRead0116, i, FrameDirection::Request);  // 8159 characters
  Add(kRead0116, 200, FrameDirection::Request);  // refused: 32 characters are left
  const std::string before(log_.Text());
  Add(Frame{}, 201, FrameDirection::Request);     // 16 would fit, but the record has a gap
  EXPECT_EQ(log_.Text(), before);
  EXPECT_EQ(log_.DroppedLines(), 2u);
}

class CommLogFileTest : public CommLogTest {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "klv-comlog-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    path_ = folder_ / "comlog.txt";
    clock_.SetLocalTime({2026, 3, 4, 5, 6, 7});
  }
  void TearDown() override {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    ::chmod(folder_.c_str(), 0700);
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
  std::string ReadFile() const {
    std::ifstream in(path_, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }
  void WriteFile(std::string_view text) const { std::ofstream(path_, std::ios::binary) << text; }
  // Makes the folder refuse new files: read-only for an ordinary user, a
  // read-only file system of its own for root (who ignores file modes).
  bool MakeFolderUnwritable(std::string_view oldLog) {
    if (::geteuid() == 0) {
      mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=64k") == 0;
      if (!mounted_) return false;
      WriteFile(oldLog);
      return ::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k") == 0;
    }
    WriteFile(oldLog);
    return ::chmod(folder_.c_str(), 0500) == 0;
  }

  fs::path folder_;
  fs::path path_;
  testing::FakeClock clock_;
  bool mounted_ = false;
};

TEST_F(CommLogFileTest, FileHasTheHeaderThenTheLog) {
  CommSettings settings;
  settings.portNumber = 1;
  settings.plus12 = 1;
  settings.speed = 19200;
  Add(kRead0116, 1, FrameDirection::Request);
  Add(kReply0001, 2, FrameDirection::Response);
  const CommLogSave save = SaveCommLog(log_, path_, kParameterReadTitle, settings, clock_);
  ASSERT_EQ(save.status, CommLogSave::Status::Saved) << save.error;
  EXPECT_EQ(ReadFile(),
            "03/04/26 05:06:07 < Parameter Read > COM13 19200bps\r\n"
            "\r\n"
            "001. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
            "002. KLV->PC: (STX)011R00,0001(ETX)36(CR)\r\n"
            "\r\n");

  // Without the flag the stored number is the port; the file is replaced.
  settings.plus12 = 0;
  settings.portNumber = 12;
  settings.speed = 9600;
  clock_.SetLocalTime({2031, 12, 31, 23, 59, 58});
  ASSERT_EQ(SaveCommLog(log_, path_, kParameterWriteTitle, settings, clock_).status, CommLogSave::Status::Saved);
  EXPECT_EQ(ReadFile().substr(0, 55), "12/31/31 23:59:58 < Parameter Write > COM12 9600bps\r\n\r\n");
}

TEST_F(CommLogFileTest, EmptyLogLeavesTheOldFile) {
  WriteFile("old log");
  const CommLogSave save = SaveCommLog(log_, path_, kParameterReadTitle, CommSettings{}, clock_);
  EXPECT_EQ(save.status, CommLogSave::Status::NothingToSave);
  EXPECT_EQ(ReadFile(), "old log");
}

TEST_F(CommLogFileTest, FullLogEndsWithHowManyLinesWereNotRecorded) {
  for (int i = 1; i <= 202; ++i) Add(kRead0116, i, FrameDirection::Request);
  ASSERT_EQ(log_.DroppedLines(), 3u);
  ASSERT_EQ(SaveCommLog(log_, path_, kParameterReadTitle, CommSettings{}, clock_).status,
            CommLogSave::Status::Saved);
  const std::string file = ReadFile();
  const std::string tail = "199. PC->KLV: (STX)011R01160(ETX)E1(CR)\r\n"
                           "*** The log was full: 3 further lines were not recorded ***\r\n";
  ASSERT_GE(file.size(), tail.size());
  EXPECT_EQ(file.substr(file.size() - tail.size()), tail);
}

TEST_F(CommLogFileTest, FailedSaveLeavesTheOldFileByteForByte) {
  const std::string old = "01/02/26 03:04:05 < Parameter Write > COM1 9600bps\r\n\r\n001. PC->KLV: \r\n";
  if (!MakeFolderUnwritable(old)) GTEST_SKIP() << "cannot make an unwritable folder here";
  Add(kRead0116, 1, FrameDirection::Request);
  const CommLogSave save = SaveCommLog(log_, path_, kParameterReadTitle, CommSettings{}, clock_);
  EXPECT_EQ(save.status, CommLogSave::Status::Failed);
  EXPECT_FALSE(save.error.empty());
  EXPECT_EQ(ReadFile(), old);
}

TEST_F(CommLogFileTest, NoPathIsAFailure) {
  Add(kRead0116, 1, FrameDirection::Request);
  EXPECT_EQ(SaveCommLog(log_, fs::path(), kParameterReadTitle, CommSettings{}, clock_).status,
            CommLogSave::Status::Failed);
}

}  // namespace
}  // namespace klv
