// Writing to the simulated regulator over a pseudo-terminal, with the pauses
// on a fake clock.
#include "transfer/write_transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstdio>

#include "model/register_catalogue.h"
#include "support/cli_tool.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

using std::chrono::milliseconds;

// The comparison messages as the device is described, piece by piece.
const std::string kAlarm2OnMessage =
    "< Optional information differs >            \n"
    "\n  Optional information of connected device\n"
    "\n    Analog input\t :  OFF"
    "\n    Alarm output 2\t :   ON"
    "\n    Digital control output\t :  OFF"
    "\n    Analog output\t :  OFF"
    "\n\nConfirm screen setting";
const std::string kDetectionOnMessage =
    "< Optional information differs >            \n"
    "\n  Optional information of connected device\n"
    "\n    Output current detection function :   ON"
    "\n\nConfirm screen setting";
const std::string kCurrentInputMessage =
    "< Control input type differs >            \n"
    "\n  Control input type of connected device\n"
    "\nCurrent input ( 4-20mA, 0-20mA )"
    "\n\nConfirm screen setting";
const std::string kVoltageInputMessage =
    "< Control input type differs >            \n"
    "\n  Control input type of connected device\n"
    "\nVoltage input ( 0-1V, 1-5V, 0-10V, Pot, Con, Puls )"
    "\n\nConfirm screen setting";

struct Row {
  const char* address;
  uint16_t mask;
  int16_t ParameterSet::*slot;
};

// The catalogues in transfer order, with their option masks and the slots
// they send, as the regulators' register tables give them.
const std::vector<Row> kKlv40Rows = {
    {"0120", 0, &ParameterSet::keyLock},           {"0122", 0, &ParameterSet::fuseMeltedAlarm},
    {"0123", 0, &ParameterSet::powerSupplyErrorAlarm}, {"0124", 0, &ParameterSet::currentErrorAlarm},
    {"0125", 0, &ParameterSet::hardwareErrorAlarm}, {"0126", 0, &ParameterSet::temperatureErrorAlarm},
    {"0127", 0, &ParameterSet::heaterBreakAlarm},  {"0128", 4, &ParameterSet::do1Setting},
    {"0129", 4, &ParameterSet::do2Setting},        {"012A", 0, &ParameterSet::rampLowerLimit},
    {"012B", 0, &ParameterSet::rampUpperSelection}, {"011F", 0, &ParameterSet::rampUpperSetting},
    {"012C", 0, &ParameterSet::slowUpTime},        {"012D", 0, &ParameterSet::slowDownTime},
    {"012E", 0, &ParameterSet::currentLimiter},    {"012F", 0, &ParameterSet::heaterBreakCurrent},
    {"0130", 0, &ParameterSet::di1Setting},        {"0131", 0, &ParameterSet::di2Setting},
    {"0132", 0, &ParameterSet::di3Setting},        {"0133", 0, &ParameterSet::bootLimiter},
    {"0134", 0, &ParameterSet::bootLimiterTime},   {"0135", 1, &ParameterSet::analogInputSetting},
    {"0136", 8, &ParameterSet::analogOutputSetting}, {"0137", 8, &ParameterSet::scaleLow},
    {"0138", 8, &ParameterSet::scaleHigh},         {"013D", 0, &ParameterSet::controlInputRange},
    {"013F", 0, &ParameterSet::powerDipHandling},
};
const std::vector<Row> kKlv30Rows = {
    {"0120", 0, &ParameterSet::keyLock},           {"0123", 1, &ParameterSet::powerSupplyErrorAlarm},
    {"0124", 1, &ParameterSet::currentErrorAlarm}, {"0125", 1, &ParameterSet::hardwareErrorAlarm},
    {"0127", 1, &ParameterSet::heaterBreakAlarm},  {"012A", 0, &ParameterSet::rampLowerLimit},
    {"012B", 0, &ParameterSet::rampUpperSelection}, {"011F", 0, &ParameterSet::rampUpperSetting},
    {"012C", 0, &ParameterSet::slowUpTime},        {"012E", 1, &ParameterSet::currentLimiter},
    {"012F", 1, &ParameterSet::heaterBreakCurrent}, {"013D", 0, &ParameterSet::controlInputRange},
    {"013F", 0, &ParameterSet::powerDipHandling},
};
const std::vector<Row> kKlv30ERows = {
    {"0120", 0, &ParameterSet::keyLock},           {"0123", 1, &ParameterSet::powerSupplyErrorAlarm},
    {"0124", 1, &ParameterSet::currentErrorAlarm}, {"0125", 1, &ParameterSet::hardwareErrorAlarm},
    {"0127", 1, &ParameterSet::heaterBreakAlarm},  {"0128", 0, &ParameterSet::scaleLow},
    {"0129", 0, &ParameterSet::scaleHigh},         {"012A", 0, &ParameterSet::rampLowerLimit},
    {"012B", 0, &ParameterSet::rampUpperSelection}, {"011F", 0, &ParameterSet::rampUpperSetting},
    {"012C", 0, &ParameterSet::slowUpTime},        {"012D", 0, &ParameterSet::slowDownTime},
    {"012E", 1, &ParameterSet::currentLimiter},    {"012F", 1, &ParameterSet::heaterBreakCurrent},
    {"013F", 0, &ParameterSet::powerDipHandling},
};

const std::vector<Row>& RowsOf(ModelKind model) {
  if (model == ModelKind::Klv40) return kKlv40Rows;
  if (model == ModelKind::Klv30) return kKlv30Rows;
  return kKlv30ERows;
}

std::string Hex(int16_t value) {
  char text[5];
  std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(static_cast<uint16_t>(value)));
  return text;
}

// Screen values that every model's registers take, none of them a default.
ParameterSet ScreenValues() {
  ParameterSet set;
  set.keyLock = 1;
  set.fuseMeltedAlarm = 1;
  set.powerSupplyErrorAlarm = 1;
  set.currentErrorAlarm = 1;
  set.hardwareErrorAlarm = 1;
  set.temperatureErrorAlarm = 1;
  set.heaterBreakAlarm = 1;
  set.do1Setting = 3;
  set.do2Setting = 2;
  set.rampLowerLimit = -2;  // "VR2", sent as FFFE
  set.rampUpperSelection = -1;
  set.rampUpperSetting = 750;
  set.slowUpTime = 25;
  set.slowDownTime = 500;
  set.currentLimiter = 50;
  set.heaterBreakCurrent = 40;
  set.di1Setting = 2;
  set.di2Setting = 1;
  set.di3Setting = 1;
  set.bootLimiter = 800;
  set.bootLimiterTime = 55;
  set.analogInputSetting = 1;
  set.analogOutputSetting = 1;
  set.scaleLow = 150;
  set.scaleHigh = 900;
  set.controlInputRange = 1;
  set.powerDipHandling = 0;
  return set;
}

class WriteTransferTest : public TransferRig {
 protected:
  void Screen(ModelKind model, uint16_t flags, uint16_t detect, int16_t range) {
    currentModel_ = model;
    parameters_ = ScreenValues();
    parameters_.optionFlags = flags;
    parameters_.optionDetect = detect;
    parameters_.controlInputRange = range;
  }
};

// --- Walks -----------------------------------------------------------------------

struct WalkCase {
  const char* name;
  ModelKind model;
  uint16_t options;  // KLV40 option bits, on the device and the screen
  bool detect;       // one-series output current detection, on both
  int16_t controlMode;
  int16_t controlInputType;
  int16_t range;  // the screen's controlInputRange, fitting the input
};
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class WriteWalkTest : public WriteTransferTest, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(WriteWalkTest, ChecksPreWritesAndSendsThePresentRows) {
  const WalkCase& c = GetParam();
  sim::SimConfig config = Device(c.model, c.options, c.detect);
  config.controlMode = c.controlMode;
  config.controlInputType = c.controlInputType;
  Connect(config);
  const bool klv40 = c.model == ModelKind::Klv40;
  const uint16_t word = klv40 ? c.options : static_cast<uint16_t>(c.detect ? 1 : 0);
  Screen(c.model, klv40 ? c.options : 0, klv40 ? 0 : word, c.range);
  const ParameterSet screen = parameters_;

  const TransferCommandOutcome outcome = Write();

  // Expected requests: identification, option reads, the KLV40's 0112 and
  // 0113, the three pre-writes, then each present row with its value.
  std::vector<LoggedRequest> expected;
  if (klv40) {
    expected = {{1, 'R', "0110", ""}, {1, 'R', "0116", ""}, {3, 'R', "0117", ""}, {5, 'R', "0118", ""},
                {7, 'R', "0119", ""}, {3, 'R', "0112", ""}, {5, 'R', "0113", ""}};
  } else {
    expected = {{1, 'R', "0110", ""}, {3, 'R', "0119", ""}, {1, 'R', "0102", ""}};
  }
  int number = klv40 ? 7 : 5;
  for (const auto& [reg, value] : std::vector<std::pair<const char*, const char*>>{
           {"012B", "0000"}, {"012A", "0000"}, {"012E", "0064"}}) {
    expected.push_back({number, 'W', reg, value});
    number += 2;
  }
  const bool keepsLimiter = klv40 && c.controlMode >= 5;
  int written = 0;
  for (const Row& row : RowsOf(c.model)) {
    if (row.mask != 0 && (row.mask & word) == 0) continue;
    if (keepsLimiter && std::string(row.address) == "012E") continue;
    expected.push_back({number, 'W', row.address, Hex(screen.*row.slot)});
    number += 2;
    ++written;
  }
  EXPECT_EQ(Requests(), expected);
  EXPECT_EQ(outcome.result.count, written);
  EXPECT_EQ(state_.writeResult, written);
  EXPECT_TRUE(journal_.messages.empty());
  // A limiter left unwritten is named with the mode that leaves it out.
  const std::string unwritten =
      !keepsLimiter ? "" : c.controlMode == 5 ? "\n012E not written: not used in control mode ZC"
                                              : "\n012E not written: not used in control mode PA-Z";
  EXPECT_EQ(outcome.report.text,
            "--- " + std::string(ModelName(c.model)) + " Parameter writing complete ---" + unwritten);
  EXPECT_EQ(journal_.statuses, (std::vector<std::string>{"Writing parameter…",
                                                         std::string(ModelName(c.model)) + " Writing parameter…"}));

  // The device now holds the screen's values; a kept limiter holds the pre-write.
  const ParameterSet device = device_->Parameters();
  for (const Row& row : RowsOf(c.model)) {
    if (row.mask != 0 && (row.mask & word) == 0) continue;
    const bool limiter = std::string(row.address) == "012E";
    EXPECT_EQ(device.*row.slot, limiter && keepsLimiter ? 100 : screen.*row.slot) << row.address;
  }
  // The write reads nothing back and leaves the screen's set as it was.
  EXPECT_EQ(parameters_, screen);
  EXPECT_EQ(currentModel_, c.model);

  // Each row costs its pause, skipped rows and the blank end row included.
  const milliseconds pause(c.model == ModelKind::Klv30E ? 1000 : 100);
  const std::size_t rows = RowsOf(c.model).size();
  EXPECT_EQ(journal_.Pauses(), std::vector<milliseconds>(rows + 1, pause));
  const int step = klv40 ? 4 : 8;
  std::vector<int> bars;
  for (std::size_t i = 1; i <= rows; ++i) bars.push_back(std::min(100, step * static_cast<int>(i)));
  EXPECT_EQ(journal_.bars, bars);
}

INSTANTIATE_TEST_SUITE_P(
    ModelsOptionsAndModes, WriteWalkTest,
    ::testing::Values(WalkCase{"Klv40AllOptionsCurrentInput", ModelKind::Klv40, 15, true, 4, 4, 1},
                      WalkCase{"Klv40Mode5KeepsTheLimiter", ModelKind::Klv40, 0, true, 5, 4, 0},
                      WalkCase{"Klv40Mode6KeepsTheLimiter", ModelKind::Klv40, 2, true, 6, 4, 0},
                      WalkCase{"Klv40DigitalAndAnalogInputVoltage", ModelKind::Klv40, 5, true, 0, 0, 7},
                      WalkCase{"Klv30WithDetection", ModelKind::Klv30, 0, true, 0, 0, 1},
                      WalkCase{"Klv30WithoutDetection", ModelKind::Klv30, 0, false, 0, 0, 6},
                      WalkCase{"Klv30EWithDetection", ModelKind::Klv30E, 0, true, 0, 0, 0},
                      WalkCase{"Klv30EWithoutDetection", ModelKind::Klv30E, 0, false, 0, 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Refusals: nothing is written ------------------------------------------------

struct RefusalCase {
  const char* name;
  ModelKind device;
  uint16_t deviceOptions;
  bool deviceDetect;
  int16_t controlInputType;
  std::optional<uint16_t> silentRegister;
  std::optional<uint16_t> strangeCode;  // answers 8000
  ModelKind screen;
  uint16_t flags;
  uint16_t detect;
  int16_t range;
  std::vector<std::string> asked;
  std::string message;  // empty: none
};
void PrintTo(const RefusalCase& c, std::ostream* os) { *os << c.name; }

class WriteRefusalTest : public WriteTransferTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(WriteRefusalTest, StopsBeforeWritingWithTheRightMessage) {
  const RefusalCase& c = GetParam();
  sim::SimConfig config = Device(c.device, c.deviceOptions, c.deviceDetect);
  config.controlInputType = c.controlInputType;
  Connect(config);
  sim::FaultPlan plan;
  if (c.silentRegister) plan.AddRegisterFault(Register{*c.silentRegister}, {sim::FaultKind::Silent, {}});
  if (c.strangeCode) plan.AddRegisterFault(Register{*c.strangeCode}, {sim::FaultKind::Under, {}});
  device_->Faults(plan);
  Screen(c.screen, c.flags, c.detect, c.range);
  const ParameterSet before = device_->Parameters();

  const TransferCommandOutcome outcome = Write();

  EXPECT_EQ(outcome.result.count, 0);
  EXPECT_EQ(RegistersFrom(0), c.asked);
  for (const LoggedRequest& request : Requests()) EXPECT_EQ(request.command, 'R');
  EXPECT_EQ(device_->Parameters(), before);
  EXPECT_EQ(journal_.messages, c.message.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.message});
  EXPECT_EQ(outcome.report.text, std::string(ModelName(c.screen)) + " Parameter writing failure");
  EXPECT_EQ(currentModel_, c.screen);
  EXPECT_TRUE(journal_.Pauses().empty());
}

const std::vector<std::string> kKlv40Checks = {"0110", "0116", "0117", "0118", "0119", "0112", "0113"};

INSTANTIATE_TEST_SUITE_P(
    Checks, WriteRefusalTest,
    ::testing::Values(
        RefusalCase{"Klv30OnAKlv40Screen", ModelKind::Klv30, 0, true, 4, {}, {}, ModelKind::Klv40, 0, 0, 0,
                    {"0110", "0119"}, "Model differs"},
        RefusalCase{"Klv40OnAKlv30Screen", ModelKind::Klv40, 0, true, 4, {}, {}, ModelKind::Klv30, 0, 0, 0,
                    {"0110"}, "Model differs"},
        RefusalCase{"Klv30EOnAKlv30Screen", ModelKind::Klv30E, 0, true, 4, {}, {}, ModelKind::Klv30, 0, 1, 0,
                    {"0110", "0119"}, "Model differs"},
        RefusalCase{"OtherCodeIn0110", ModelKind::Klv40, 0, true, 4, {}, 0x0110, ModelKind::Klv40, 0, 0, 0,
                    {"0110"}, "Model differs"},
        RefusalCase{"UnknownCodeIn0119", ModelKind::Klv30, 0, true, 4, {}, 0x0119, ModelKind::Klv30, 0, 1, 0,
                    {"0110", "0119"}, "Model differs"},
        RefusalCase{"NoDevice", ModelKind::Klv30, 0, true, 4, 0x0119, {}, ModelKind::Klv30, 0, 1, 0,
                    {"0110", "0119"}, ""},
        RefusalCase{"Klv40Alarm2NotTicked", ModelKind::Klv40, kOptionAlarmOutput2, true, 4, {}, {}, ModelKind::Klv40,
                    0, 0, 0, {"0110", "0116", "0117", "0118", "0119"}, kAlarm2OnMessage},
        RefusalCase{"Klv40OptionTickedButAbsent", ModelKind::Klv40, kOptionAlarmOutput2, true, 4, {}, {},
                    ModelKind::Klv40, kOptionAlarmOutput2 | kOptionAnalogInput, 0, 0,
                    {"0110", "0116", "0117", "0118", "0119"}, kAlarm2OnMessage},
        RefusalCase{"Klv30DetectionNotTicked", ModelKind::Klv30, 0, true, 4, {}, {}, ModelKind::Klv30, 0, 0, 0,
                    {"0110", "0119", "0102"}, kDetectionOnMessage},
        RefusalCase{"CurrentInputWith0To10V", ModelKind::Klv40, 0, true, 4, {}, {}, ModelKind::Klv40, 0, 0, 4,
                    kKlv40Checks, kCurrentInputMessage},
        RefusalCase{"VoltageInputWith0To20mA", ModelKind::Klv40, 0, true, 0, {}, {}, ModelKind::Klv40, 0, 0, 1,
                    kKlv40Checks, kVoltageInputMessage},
        RefusalCase{"Silent0112", ModelKind::Klv40, 0, true, 4, 0x0112, {}, ModelKind::Klv40, 0, 0, 0,
                    {"0110", "0116", "0117", "0118", "0119", "0112"}, ""},
        RefusalCase{"Silent0113", ModelKind::Klv40, 0, true, 4, 0x0113, {}, ModelKind::Klv40, 0, 0, 0,
                    kKlv40Checks, ""}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Failures on the way ------------------------------------------------------------

TEST_F(WriteTransferTest, SilentAndRefusedRegistersMakeTheWriteIncomplete) {
  Connect(Device(ModelKind::Klv30, 0, true));
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{0x0124}, {sim::FaultKind::Silent, {}});
  plan.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Error, {}});
  plan.AddRegisterFault(Register{0x012E}, {sim::FaultKind::Error, {}});  // the pre-write too
  device_->Faults(plan);
  Screen(ModelKind::Klv30, 0, 1, 1);

  const TransferCommandOutcome outcome = Write();

  EXPECT_EQ(outcome.result.count, 13 - 3);
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text,
            "Parameter writing incomplete: 10 of 13 registers written\n"
            "Refused by the device: 012E, 012C, 012E\nNo valid reply: 0124\n\n"
            "The device may now hold a mix of old and new values.");
  std::vector<std::string> walk;
  for (const Row& row : kKlv30Rows) walk.emplace_back(row.address);
  EXPECT_EQ(RegistersFrom(6), walk);
  EXPECT_EQ(device_->Parameters().keyLock, 1);
  EXPECT_EQ(device_->Parameters().slowUpTime, 10);  // refused: the device's default stays
}

// Turns the cancel flag on once the bar has moved so many times, as an
// operator's Ctrl+C would between two exchanges.
class CancelAfterBars final : public ProgressSink {
 public:
  CancelAfterBars(ProgressSink& inner, std::atomic<bool>& cancel, std::size_t bars)
      : inner_(inner), cancel_(cancel), bars_(bars) {}
  void SetStatusText(std::string_view text) override { inner_.SetStatusText(text); }
  void SetBarPosition(int position) override {
    inner_.SetBarPosition(position);
    if (--bars_ == 0) cancel_.store(true);
  }

 private:
  ProgressSink& inner_;
  std::atomic<bool>& cancel_;
  std::size_t bars_;
};

// A stop asked for during the walk ends it before the next register: what
// was written is counted, nothing more is sent, and the report says so.
TEST_F(WriteTransferTest, AStopDuringTheWalkEndsItBeforeTheNextRegister) {
  Connect(Device(ModelKind::Klv30, 0, true));
  Screen(ModelKind::Klv30, 0, 1, 1);
  std::atomic<bool> cancel{false};
  state_.cancel = &cancel;
  CancelAfterBars progress(journal_, cancel, 4);
  TransferSession session = Session();

  const TransferCommandOutcome outcome = RunWriteCommand(session, Language::English, progress, journal_);

  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text,
            "Cancelled: 4 of 13 registers written; the regulator may hold a mix of old and new values.");
  std::vector<std::string> walk;
  for (std::size_t i = 0; i < 4; ++i) walk.emplace_back(kKlv30Rows[i].address);
  EXPECT_EQ(RegistersFrom(6), walk);
  EXPECT_EQ(PausesOf(milliseconds(100)), 4u);
  EXPECT_NE(ReadFile(LogPath()).find(" < Parameter Write > "), std::string::npos);
}

TEST_F(WriteTransferTest, ValuesOutsideTheirLimitsStopTheWriteBeforeAnythingIsWritten) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  Screen(ModelKind::Klv30E, 0, 1, 0);
  parameters_.scaleLow = 500;  // 0128 of a KLV30E takes 0..200
  parameters_.keyLock = -4;
  const ParameterSet device = device_->Parameters();

  const TransferCommandOutcome outcome = Write();

  EXPECT_EQ(outcome.result.count, 0);
  EXPECT_FALSE(outcome.report.succeeded);
  ASSERT_EQ(journal_.messages.size(), 1u);
  EXPECT_EQ(journal_.messages[0],
            "Values outside their range; nothing was written:\n  0120 = -4  (0..1)\n  0128 = 500  (0..200)");
  EXPECT_EQ(outcome.report.text, "KLV30E Parameter writing failure");
  for (const LoggedRequest& request : Requests()) EXPECT_NE(request.command, 'W') << request.reg;
  EXPECT_EQ(device_->Parameters(), device);
}

TEST_F(WriteTransferTest, ClosedPortIsARefusalWithMinusOneAndShowsNothing) {
  TransferSession session = Session();  // the port is never opened
  const TransferResult result = RunWriteTransfer(MakeTransferContext(session, Language::English, journal_));
  EXPECT_EQ(result.count, -1);
  ASSERT_TRUE(result.refusal.has_value());
  EXPECT_EQ(result.refusal->reason, TransferRefusal::Reason::PortNotOpen);
  EXPECT_TRUE(journal_.messages.empty());  // the caller shows it
  EXPECT_TRUE(connection_.log.Empty());
  EXPECT_EQ(WriteReport(ModelKind::Klv30E, -1, {}, Language::English).text, "KLV30E Parameter writing failure");
}

}  // namespace
}  // namespace klv::testing
