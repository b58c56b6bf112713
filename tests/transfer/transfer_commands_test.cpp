// The command side around the worker: preparing, the port, comlog.txt and
// the report.
#include "transfer/transfer_commands.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "model/register_catalogue.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class TransferCommandsTest : public TransferRig {};

TEST_F(TransferCommandsTest, PortThatCannotBeOpenedLeavesTheOldLogAndTheSet) {
  ports_ = DevicePathPortFactory(folder_.Path() / "no-such-tty");
  {
    std::ofstream(LogPath(), std::ios::binary) << "the previous transfer";
  }
  currentModel_ = ModelKind::Klv30E;
  parameters_.scaleHigh = 850;
  parameters_.optionFlags = 4;
  state_.readResult = 12;
  RtuRequestCopy rtu{};
  AppendLogEntry(connection_.log, reinterpret_cast<const uint8_t*>("x"), 1, 1, FrameDirection::Request, Protocol::Torvalek, rtu);

  const TransferCommandOutcome outcome = Read();

  EXPECT_FALSE(outcome.open.ok);
  EXPECT_EQ(outcome.open.message.substr(0, 19), "Port cannot be used");
  EXPECT_EQ(ReadFile(LogPath()), "the previous transfer");
  EXPECT_TRUE(connection_.log.Empty());
  EXPECT_EQ(parameters_.scaleHigh, 850);  // not replaced by the defaults
  EXPECT_EQ(parameters_.optionFlags, 4);
  EXPECT_EQ(state_.readResult, 12);
  EXPECT_TRUE(journal_.Events().empty());
}

TEST_F(TransferCommandsTest, WriteLogNamesTheDevicePathAndThePortIsClosedAfterwards) {
  Connect(Device(ModelKind::Klv30));
  currentModel_ = ModelKind::Klv40;  // refused after 0110 and 0119
  connection_.settings.speed = 19200;
  TransferSession session = Session();
  connection_.portLabel = device_->Path();

  const TransferCommandOutcome outcome = RunWriteCommand(session, Language::English, journal_, journal_);

  EXPECT_TRUE(outcome.open.ok);
  EXPECT_FALSE(connection_.line.IsOpen());
  EXPECT_EQ(outcome.logSave.status, CommLogSave::Status::Saved);
  EXPECT_EQ(state_.mode, TransferMode::Write);
  const std::vector<std::string> lines = SplitLines(ReadFile(LogPath()));
  ASSERT_EQ(lines.size(), 2u + 6u);
  EXPECT_EQ(lines[0], "12/09/26 08:05:03 < Parameter Write > " + device_->Path() + " 19200bps");
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "001. PC->KLV: " + LoggedFrame("011R01100"));
  EXPECT_EQ(lines[5], "003. PC->KLV: " + LoggedFrame("011R01190"));
  EXPECT_EQ(outcome.report.text, "KLV40 Parameter writing failure");
}

TEST_F(TransferCommandsTest, LogFileThatCannotBeWrittenDoesNotChangeTheReport) {
  Connect(Device(ModelKind::Klv30, 0, false));
  TransferSession session = Session();
  session.commLogPath = folder_.Path() / "missing-folder" / "comlog.txt";

  const TransferCommandOutcome outcome = RunReadCommand(session, Language::English, journal_, journal_);

  EXPECT_EQ(outcome.logSave.status, CommLogSave::Status::Failed);
  EXPECT_FALSE(outcome.logSave.error.empty());
  EXPECT_EQ(outcome.result.count, 7);
  EXPECT_EQ(outcome.report.text, "--- KLV30 Parameter reading complete ---");
}

// The result is data for whoever shows it: how the transfer ended, whether
// anything answered, why it was refused and the line it was tried on.
TEST_F(TransferCommandsTest, TheResultSaysHowItEndedAndOnWhichLine) {
  Connect(Device(ModelKind::Klv30));
  connection_.portLabel = device_->Path();
  connection_.settings.deviceAddress = 1;
  TransferSession session = Session();

  const TransferCommandOutcome read = RunReadCommand(session, Language::English, journal_, journal_);
  EXPECT_EQ(read.result.status, TransferStatus::Complete);
  EXPECT_TRUE(read.result.Succeeded());
  EXPECT_FALSE(read.result.NoReply());
  EXPECT_EQ(read.result.model, ModelKind::Klv30);
  EXPECT_EQ(read.result.tally.done, read.result.count);
  EXPECT_EQ(read.result.line.portLabel, device_->Path());
  EXPECT_EQ(read.result.line.settings, connection_.settings);
  EXPECT_EQ(read.result.line.finished.hour, 8);
  EXPECT_EQ(read.result.line.finished.minute, 5);

  // Another model: refused, the message shown by the command once the body has ended.
  currentModel_ = ModelKind::Klv40;
  const TransferCommandOutcome refused = RunWriteCommand(session, Language::English, journal_, journal_);
  EXPECT_EQ(refused.result.status, TransferStatus::Refused);
  ASSERT_TRUE(refused.result.refusal.has_value());
  EXPECT_EQ(refused.result.refusal->reason, TransferRefusal::Reason::ModelDiffers);
  EXPECT_FALSE(refused.result.NoReply());
  EXPECT_EQ(journal_.messages, std::vector<std::string>{"Model differs"});

  // Nothing answers: a failure with no reply, not a refusal.
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  const TransferCommandOutcome unanswered = RunReadCommand(session, Language::English, journal_, journal_);
  EXPECT_EQ(unanswered.result.status, TransferStatus::Failed);
  EXPECT_TRUE(unanswered.result.NoReply());
  EXPECT_FALSE(unanswered.result.refusal.has_value());
  EXPECT_EQ(unanswered.result.model, ModelKind::Klv40);  // the one selected
  EXPECT_EQ(journal_.messages.size(), 1u);
}

TEST(TransferLogTest, HeaderNamesTheComPortOrTheGivenLabel) {
  TempFolder folder;
  FakeClock clock;
  CommLog log;
  RtuRequestCopy rtu{};
  CommSettings settings;
  settings.portNumber = 1;
  settings.plus12 = 1;
  settings.speed = 19200;
  const auto path = folder.Path() / "comlog.txt";

  EXPECT_EQ(SaveCommLog(log, path, kParameterReadTitle, settings, clock, "/dev/ttyUSB0").status,
            CommLogSave::Status::NothingToSave);
  EXPECT_FALSE(std::filesystem::exists(path));

  const uint8_t frame[] = {0x02, '0', '1', 0x03};
  AppendLogEntry(log, frame, sizeof frame, 7, FrameDirection::Request, Protocol::Torvalek, rtu);
  ASSERT_EQ(SaveCommLog(log, path, kParameterReadTitle, settings, clock, "").status, CommLogSave::Status::Saved);
  EXPECT_EQ(ReadFile(path), "12/09/26 08:05:03 < Parameter Read > COM13 19200bps\r\n\r\n007. PC->KLV: (STX)01(ETX)\r\n");
  ASSERT_EQ(SaveCommLog(log, path, kParameterReadTitle, settings, clock, "/dev/ttyUSB0").status,
            CommLogSave::Status::Saved);
  EXPECT_EQ(ReadFile(path),
            "12/09/26 08:05:03 < Parameter Read > /dev/ttyUSB0 19200bps\r\n\r\n007. PC->KLV: (STX)01(ETX)\r\n");
}

struct ReportCase {
  bool read;
  ModelKind model;
  int16_t result;
  Language language;
  const char* text;
  bool succeeded;
};

// What a walk over every register with a good reply leaves.
TransferTally WholeWalk(int registers) {
  TransferTally tally;
  tally.walked = true;
  tally.asked = tally.done = registers;
  return tally;
}

TEST(TransferReportTest, ByTheCurrentModelAndTheResult) {
  const ReportCase cases[] = {
      {true, ModelKind::Klv40, 27, Language::English, "--- KLV40 Parameter reading complete ---", true},
      {true, ModelKind::Klv30, 0, Language::English, "KLV30 Parameter reading failure", false},
      {true, ModelKind::Klv30E, -1, Language::English, "KLV30E Parameter reading failure", false},
      {true, static_cast<ModelKind>(7), 5, Language::English, "??Parameter reading failure", false},
      {true, ModelKind::Klv30E, 1, Language::Japanese, "--- KLV30E パラメータ読出し終了 ---", true},
      {false, ModelKind::Klv30E, 15, Language::English, "--- KLV30E Parameter writing complete ---", true},
      {false, ModelKind::Klv40, 0, Language::English, "KLV40 Parameter writing failure", false},
      {false, static_cast<ModelKind>(-1), 3, Language::English, "?? Parameter writing failure", false},
      {false, ModelKind::Klv30, 0, Language::Japanese, "KLV30 パラメータ書込み失敗", false},
      {false, static_cast<ModelKind>(3), 0, Language::Japanese, "??パラメータ書込み失敗", false},
  };
  for (const ReportCase& c : cases) {
    // Failures here end before the walk; successes walked every register.
    const TransferTally tally = c.succeeded ? WholeWalk(c.result) : TransferTally{};
    const TransferReport report = c.read ? ReadReport(c.model, c.result, tally, c.language)
                                         : WriteReport(c.model, c.result, tally, c.language);
    EXPECT_EQ(report.text, c.text);
    EXPECT_EQ(report.succeeded, c.succeeded) << c.text;
    EXPECT_EQ(report.modelKnown, std::string(c.text).find("??") == std::string::npos) << c.text;
  }
}

TEST(TransferReportTest, AWalkWithRegistersMissingIsIncompleteAndNamesThem) {
  TransferTally tally;
  tally.walked = true;
  tally.Note(Register{0x012A}, ExchangeResult::Error, false);  // a pre-write: named, not counted
  tally.Note(Register{0x0120}, ExchangeResult::Ok, true);
  tally.Note(Register{0x0121}, ExchangeResult::Error, true);
  tally.Note(Register{0x0122}, ExchangeResult::NoResponse, true);
  ASSERT_FALSE(tally.Complete());

  const TransferReport read = ReadReport(ModelKind::Klv40, 1, tally, Language::English);
  EXPECT_FALSE(read.succeeded);
  EXPECT_EQ(read.text,
            "Parameter reading incomplete: 1 of 3 registers read\nRefused by the device: 012A, 0121\n"
            "No valid reply: 0122\n\nThe values read have not been used.");
  const TransferReport write = WriteReport(ModelKind::Klv40, 1, tally, Language::English);
  EXPECT_FALSE(write.succeeded);
  EXPECT_EQ(write.text.rfind("Parameter writing incomplete: 1 of 3 registers written\n", 0), 0u) << write.text;
  EXPECT_NE(write.text.find("mix of old and new values"), std::string::npos);
  const std::string japanese = WriteReport(ModelKind::Klv40, 1, tally, Language::Japanese).text;
  EXPECT_EQ(japanese.rfind("パラメータ書込み未完了: 3 レジスタ中 1 レジスタを書込み", 0), 0u) << japanese;

  TransferTally options;
  options.optionsUnanswered = Register{0x0117};
  EXPECT_EQ(ReadReport(ModelKind::Klv40, 0, options, Language::English).text,
            "Parameter reading incomplete: the options of the connected device could not be read\n"
            "No valid reply: 0117\n\nThe values read have not been used.");
}

}  // namespace
}  // namespace klv::testing
