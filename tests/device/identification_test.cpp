// The procedures that ask a regulator who it is and what it carries, over a
// scripted device: which registers they ask, in what order, what they make of
// the replies and how they number their log entries.
#include "device/identification.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/checked_sequence.h"
#include "serial/exchange_rig.h"

namespace klv {
namespace {

using testing::Bytes;
using testing::FakeClock;
using testing::ReadReply;
using testing::ScriptedDevice;

class IdentificationTest : public testing::ExchangeRig {};

struct IdentifyCase {
  const char* name;
  std::vector<std::optional<Bytes>> replies;  // 0110, then 0119 when asked
  IdentificationResult result;
  std::optional<ModelKind> model;
  int16_t code;
  bool answered;
  std::vector<std::string> asked;
  int nextSequence;  // the log number after its exchanges, numbering started at 1
};

TEST_F(IdentificationTest, IdentifiesByTheCodesOf0110And0119) {
  const std::vector<std::string> only0110 = {"0110"};
  const std::vector<std::string> both = {"0110", "0119"};
  const IdentifyCase cases[] = {
      {"KLV40", {ReadReply("0028")}, IdentificationResult::Klv40, ModelKind::Klv40, 0x28, true, only0110, 3},
      // A device that has 0110 is no one-series model, whatever it reads.
      {"0110 reads 0",
       {ReadReply("0000")},
       IdentificationResult::OtherCodeIn0110,
       std::nullopt,
       0,
       true,
       only0110,
       3},
      {"KLV30 code in 0110",
       {ReadReply("3330")},
       IdentificationResult::OtherCodeIn0110,
       std::nullopt,
       0x3330,
       true,
       only0110,
       3},
      {"0110 code 10 is still a good reply",
       {ReadReply("0028", "10")},
       IdentificationResult::Klv40,
       ModelKind::Klv40,
       0x28,
       true,
       only0110,
       3},
      {"KLV30",
       {std::nullopt, ReadReply("3330")},
       IdentificationResult::Klv30,
       ModelKind::Klv30,
       0x3330,
       true,
       both,
       5},
      {"KLV30E after a refused 0110",
       {ReadReply("0000", "01"), ReadReply("3045")},
       IdentificationResult::Klv30E,
       ModelKind::Klv30E,
       0x3045,
       true,
       both,
       5},
      {"unknown code in 0119",
       {std::nullopt, ReadReply("0006")},
       IdentificationResult::NotIdentified,
       std::nullopt,
       6,
       true,
       both,
       5},
      {"0119 refused",
       {std::nullopt, ReadReply("3330", "09")},
       IdentificationResult::NotIdentified,
       std::nullopt,
       0,
       false,
       both,
       5},
      {"no device",
       {std::nullopt, std::nullopt},
       IdentificationResult::NotIdentified,
       std::nullopt,
       0,
       false,
       both,
       5},
  };
  Open();
  for (const IdentifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = device_.Writes().size();
    Script(c.replies);
    const int first = connection_.NextLogEntry();
    const DeviceIdentification id = IdentifyDevice(connection_);
    EXPECT_EQ(id.result, c.result);
    EXPECT_EQ(id.Model(), c.model);
    EXPECT_EQ(id.code, c.code);
    EXPECT_EQ(id.answered, c.answered);
    // Not logging, yet every exchange took its two numbers.
    EXPECT_EQ(connection_.NextLogEntry() - first + 1, c.nextSequence);
    const std::vector<std::string> asked = AskedRegisters();
    EXPECT_EQ(std::vector<std::string>(asked.begin() + static_cast<std::ptrdiff_t>(before), asked.end()),
              c.asked);
  }
  EXPECT_TRUE(connection_.log.Empty());
}

// The order itself, with the caller's own reads (as the scan's): what each
// answer leads to, where the caller stops, and whether a device refused.
TEST(IdentifyInOrder, AsksInTheIdentificationsOrderAndSaysWhereItEnded) {
  const auto outcome = [](ExchangeResult result, int16_t value) {
    Reply read;
    read.result = result;
    read.value = value;
    return std::optional<Reply>(read);
  };
  const auto ok = [&](int16_t value) { return outcome(ExchangeResult::Ok, value); };
  const std::optional<Reply> refusal = outcome(ExchangeResult::Error, 0);
  const std::optional<Reply> silence = outcome(ExchangeResult::NoResponse, 0);
  const std::optional<Reply> stop;
  struct Case {
    const char* name;
    std::vector<std::optional<Reply>> reads;  // 0110, then 0119 when asked
    std::vector<std::string> asked;
    std::string answeredRegister;  // empty when none answered
    std::optional<ModelKind> model;
    bool refused;
    bool stopped;
  };
  const Case cases[] = {
      {"KLV40 at 0110", {ok(0x28)}, {"0110"}, "0110", ModelKind::Klv40, false, false},
      {"other code at 0110", {ok(0x30)}, {"0110"}, "0110", std::nullopt, false, false},
      {"KLV30 after a refusal", {refusal, ok(0x3330)}, {"0110", "0119"}, "0119", ModelKind::Klv30, true, false},
      {"KLV30E after silence", {silence, ok(0x3045)}, {"0110", "0119"}, "0119", ModelKind::Klv30E, false, false},
      {"refused, then silent", {refusal, silence}, {"0110", "0119"}, "", std::nullopt, true, false},
      {"stopped before 0119", {silence, stop}, {"0110", "0119"}, "", std::nullopt, false, true},
      {"stopped at once", {stop}, {"0110"}, "", std::nullopt, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> asked;
    const IdentificationSteps steps = IdentifyInOrder([&](Register address) {
      asked.push_back(address.Text());
      return asked.size() <= c.reads.size() ? c.reads[asked.size() - 1] : std::optional<Reply>();
    });
    EXPECT_EQ(asked, c.asked);
    EXPECT_EQ(steps.answeredRegister ? steps.answeredRegister->Text() : std::string(), c.answeredRegister);
    EXPECT_EQ(steps.identification.Model(), c.model);
    EXPECT_EQ(steps.refused, c.refused);
    EXPECT_EQ(steps.stopped, c.stopped);
  }
}

TEST_F(IdentificationTest, LogsFromTheGivenNumberAndNumbersOnAfterIt) {
  Open();
  Script({std::nullopt, std::nullopt});
  connection_.StartLog();
  const DeviceIdentification id = IdentifyDevice(connection_);
  EXPECT_EQ(id.result, IdentificationResult::NotIdentified);
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4}));

  connection_.log.Clear();
  Script({std::nullopt, ReadReply("3330")});
  connection_.StartLog(7);
  IdentifyDevice(connection_);
  EXPECT_EQ(connection_.NextLogEntry(), 11);
  EXPECT_EQ(LogNumbers(), (std::vector<int>{7, 8, 9, 10}));
}

TEST_F(IdentificationTest, OptionWordComesFromTheModelFamilysSource) {
  Open();
  // A KLV30 whose load current reads 0 still has the detection function.
  Script({ReadReply("0000")});
  EXPECT_EQ(DeviceOptionWord(connection_, ModelKind::Klv30).word, kOptionCurrentDetection);
  Script({std::nullopt, std::nullopt, std::nullopt});
  const OptionReading silent = DeviceOptionWord(connection_, ModelKind::Klv30E);
  EXPECT_EQ(silent.word, 0);
  EXPECT_TRUE(silent.probeSilent);
  Script({ReadReply("0000"), ReadReply("0001"), ReadReply("0000"), ReadReply("0006")});
  EXPECT_EQ(DeviceOptionWord(connection_, ModelKind::Klv40).word, kOptionAlarmOutput2 | kOptionAnalogOutput);
  EXPECT_EQ(DeviceOptionWord(connection_, static_cast<ModelKind>(7)).word, 0);

  EXPECT_EQ(AskedRegisters(),
            (std::vector<std::string>{"0102", "0102", "0102", "0102", "0116", "0117", "0118", "0119"}));
}

struct OptionCase {
  const char* name;
  std::vector<std::optional<Bytes>> replies;  // 0116, 0117, 0118, 0119
  uint16_t options;
  std::vector<std::string> asked;
};

TEST_F(IdentificationTest, ReadOptionInfoSetsBitsAndGivesUpAtTheFirstBadReply) {
  const std::vector<std::string> all = {"0116", "0117", "0118", "0119"};
  const OptionCase cases[] = {
      {"1, 0, 5, 6", {ReadReply("0001"), ReadReply("0000"), ReadReply("0005"), ReadReply("0006")}, 13, all},
      {"0119 reads 7", {ReadReply("0001"), ReadReply("0000"), ReadReply("0005"), ReadReply("0007")}, 5, all},
      {"only 0119 is 6",
       {ReadReply("0000"), ReadReply("0000"), ReadReply("0000"), ReadReply("0006")},
       8,
       all},
      {"all set", {ReadReply("FFFF"), ReadReply("0002"), ReadReply("0100"), ReadReply("0006")}, 15, all},
      {"0117 silent", {ReadReply("0001"), std::nullopt}, 0, {"0116", "0117"}},
      {"0119 refused",
       {ReadReply("0001"), ReadReply("0001"), ReadReply("0001"), ReadReply("0006", "09")},
       0,
       all},
  };
  for (const OptionCase& c : cases) {
    SCOPED_TRACE(c.name);
    FakeClock clock;
    ScriptedDevice device(clock);
    Connection connection(device.Factory());
    connection.settings = connection_.settings;
    ASSERT_TRUE(connection.Open().ok);
    for (const auto& reply : c.replies) {
      if (reply)
        device.QueueReply(*reply);
      else
        device.QueueSilence();
    }
    EXPECT_EQ(ReadOptionInfo(connection).word, c.options);
    std::vector<std::string> asked;
    for (const Bytes& write : device.Writes()) asked.push_back(testing::RegisterOf(write));
    EXPECT_EQ(asked, c.asked);
  }
}

// Replies carry no register number: a copy of 0116's reply that arrives
// while 0117 is asked would set the wrong option bits, and a late 0110 would
// pass for 0119's code. Each is found on the line and its register asked again.
TEST_F(IdentificationTest, ALateOrDoubledReplyIsNeverTakenForAnotherRegister) {
  using namespace std::chrono_literals;
  Open();
  const auto doubled = [](const Bytes& reply, std::chrono::milliseconds gap) {
    return std::vector<testing::ScriptedChunk>{{reply, 5ms}, {reply, 5ms + gap}};
  };
  device_.QueueReply(doubled(ReadReply("0001"), 60ms));  // 0116 = 1, and its copy
  device_.QueueReply(ReadReply("0001"), 5ms);             // 0116 asked again
  device_.QueueReply(ReadReply("0000"), 5ms);             // 0117
  device_.QueueReply(ReadReply("0000"), 5ms);             // 0118
  device_.QueueReply(ReadReply("0006"), 5ms);             // 0119
  EXPECT_EQ(ReadOptionInfo(connection_).word, kOptionAnalogInput | kOptionAnalogOutput);
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"0116", "0116", "0117", "0118", "0119"}));

  // 0110 answers after the time-out: asked again, not taken as 0119's code.
  device_.QueueReply(ReadReply("0028"), 150ms);
  device_.QueueReply(ReadReply("0028"), 5ms);
  connection_.StartLog();
  const DeviceIdentification id = IdentifyDevice(connection_);
  EXPECT_EQ(id.Model(), ModelKind::Klv40);
  EXPECT_NE(connection_.log.Text().find(std::string(kStrayAskAgainNote)), std::string_view::npos);

  // The monitor watches the line itself: its identification takes replies as they come.
  connection_.log.Clear();
  Script({ReadReply("0028")});
  EXPECT_EQ(IdentifyDevice(connection_, StrayCheck::ByCaller).Model(), ModelKind::Klv40);
}

TEST_F(IdentificationTest, ReadOptionInfoStoppingAt0118LeavesSixLogLines) {
  Open();
  Script({ReadReply("0001"), ReadReply("0001"), std::nullopt});
  EXPECT_EQ(ReadOptionInfo(connection_).word, 0);
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
}

// The fixed exchanges number their own entries from 1, whatever the
// transfer's numbering has reached, and the transfer's goes on after them.
TEST_F(IdentificationTest, FixedExchangesRestartTheLogNumbersAtOne) {
  Open();
  Script({ReadReply("0028"), ReadReply("0028"), ReadReply("0000"), ReadReply("0000"), ReadReply("0000"),
          ReadReply("0000"), ReadReply("0000"), ReadReply("0001")});
  connection_.StartLog();
  connection_.Read(Register{0x0110});
  connection_.Read(Register{0x0110});
  ReadOptionInfo(connection_);
  ProbeDevice(connection_);
  connection_.Read(Register{0x0120});
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4, 1, 2, 3, 4, 5, 6, 7, 8, 1, 2, 5, 6}));
  EXPECT_EQ(AskedRegisters(),
            (std::vector<std::string>{"0110", "0110", "0116", "0117", "0118", "0119", "0102", "0120"}));
}

// A connection that is not logging (the monitor's) logs only the fixed
// exchanges, and is still not logging after them.
TEST_F(IdentificationTest, FixedExchangesLogOnAConnectionThatDoesNot) {
  Open();
  Script({ReadReply("0028"), ReadReply("0000"), ReadReply("0000"), ReadReply("0000"), ReadReply("0000"),
          ReadReply("0028")});
  IdentifyDevice(connection_, StrayCheck::ByCaller);
  ReadOptionInfo(connection_, StrayCheck::ByCaller);
  IdentifyDevice(connection_, StrayCheck::ByCaller);
  EXPECT_FALSE(connection_.Logging());
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
}

TEST_F(IdentificationTest, ProbeDeviceTakesAnyGoodReplyWhateverTheValue) {
  Open();
  Script({ReadReply("0000"), ReadReply("0000", "01")});
  EXPECT_TRUE(ProbeDevice(connection_).answered);
  // An error reply is an answer: not asked again, and not silence.
  const ProbeResult refused = ProbeDevice(connection_);
  EXPECT_FALSE(refused.answered);
  EXPECT_FALSE(refused.silent);
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"0102", "0102"}));
}

// One lost reply must not drop the function: silence is asked again, up to
// three times in all, and only silence to all of them is said to be silence.
TEST_F(IdentificationTest, ProbeDeviceAsksASilentDeviceThreeTimes) {
  Open();
  Script({std::nullopt, std::nullopt, ReadReply("0000")});
  EXPECT_TRUE(ProbeDevice(connection_).answered);
  EXPECT_EQ(AskedRegisters().size(), 3u);

  Script({std::nullopt, std::nullopt, std::nullopt, ReadReply("0000")});
  const ProbeResult silent = ProbeDevice(connection_);
  EXPECT_FALSE(silent.answered);
  EXPECT_TRUE(silent.silent);
  EXPECT_EQ(AskedRegisters().size(), 6u);
  const OptionReading options = DeviceOptionWord(connection_, ModelKind::Klv30);
  EXPECT_EQ(options.word, kOptionCurrentDetection);
  EXPECT_FALSE(options.probeSilent);
}

}  // namespace
}  // namespace klv
