// Writing only what differs, against the simulated regulator over a
// pseudo-terminal, with the pauses on a fake clock.
#include "transfer/changed_only_write.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/register_catalogue.h"
#include "support/cli_tool.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

using std::chrono::milliseconds;

class ChangedOnlyWriteTest : public TransferRig {
 protected:
  // The screen as the regulator holds it, with the option word a read gives.
  void ScreenLikeDevice(ModelKind model, uint16_t optionWord) {
    currentModel_ = model;
    parameters_ = device_->Parameters();
    parameters_.optionFlags = model == ModelKind::Klv40 ? optionWord : 0;
    parameters_.optionDetect = model == ModelKind::Klv40 ? 0 : optionWord;
  }

  TransferCommandOutcome WriteChanged(bool verify = false) {
    state_.writeChangedOnly = true;
    state_.verifyAfterWrite = verify;
    return Write();
  }

  // The writes of the log as "REG=VALUE", in order.
  std::vector<std::string> Writes() const {
    std::vector<std::string> writes;
    for (const LoggedRequest& request : Requests()) {
      if (request.command == 'W') writes.push_back(request.reg + "=" + request.value);
    }
    return writes;
  }

  // Every catalogue row of the model holds the screen's value on the device.
  void ExpectDeviceHoldsScreen(ModelKind model) {
    const ParameterSet device = device_->Parameters();
    for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
      EXPECT_EQ(row.value.In(device), row.value.In(parameters_)) << row.address.Text();
    }
  }
};

struct ChangeCase {
  const char* name;
  ModelKind model;
  uint16_t optionWord;
  std::vector<std::pair<int16_t ParameterSet::*, int16_t>> changes;
  std::vector<std::string> writes;  // "REG=VALUE" in the order sent, pre-writes included
  std::string writtenLine;
  std::size_t readPauses;  // the read's 100 ms pauses: its rows and the blank row
  milliseconds writePause;
};
void PrintTo(const ChangeCase& c, std::ostream* os) { *os << c.name; }

class ChangedOnlyWalkTest : public ChangedOnlyWriteTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(ChangedOnlyWalkTest, ReadsThenWritesOnlyTheChangedRegistersWithTheirPreWrites) {
  const ChangeCase& c = GetParam();
  Connect(Device(c.model, c.model == ModelKind::Klv40 ? c.optionWord : 0, c.optionWord != 0));
  ScreenLikeDevice(c.model, c.optionWord);
  for (const auto& [slot, value] : c.changes) parameters_.*slot = value;

  const TransferCommandOutcome outcome = WriteChanged();

  EXPECT_EQ(Writes(), c.writes);
  EXPECT_TRUE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text,
            "--- " + std::string(ModelName(c.model)) + " Parameter writing complete ---\n" + c.writtenLine);
  EXPECT_EQ(outcome.result.count, static_cast<int16_t>(c.changes.size()));
  ExpectDeviceHoldsScreen(c.model);
  // The read's pauses, then the full write's pause before each row written, and no more.
  EXPECT_EQ(PausesOf(milliseconds(100)), c.readPauses + (c.writePause == milliseconds(100) ? 2 : 0));
  if (c.writePause != milliseconds(100)) {
    EXPECT_EQ(PausesOf(c.writePause), 2u);
  }
  // One log, numbered on from the read into the writes.
  const std::vector<LoggedRequest> requests = Requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().reg, "0110");
  EXPECT_EQ(requests.front().number, 1);
  int previous = 0;
  bool writing = false;
  for (const LoggedRequest& request : requests) {
    writing = writing || request.command == 'W';
    if (writing) {
      EXPECT_GT(request.number, previous) << request.reg;
      previous = request.number;
    }
  }
  EXPECT_NE(ReadFile(LogPath()).find(" < Parameter Write > "), std::string::npos);
}

using P = ParameterSet;
INSTANTIATE_TEST_SUITE_P(
    PerModel, ChangedOnlyWalkTest,
    ::testing::Values(
        ChangeCase{"Klv30E", ModelKind::Klv30E, 1, {{&P::keyLock, 1}, {&P::slowDownTime, 25}},
                   {"0120=0001", "012D=0019"}, "Changed values written: 2 registers (0120, 012D)", 16,
                   milliseconds(1000)},
        ChangeCase{"Klv30", ModelKind::Klv30, 1, {{&P::controlInputRange, 3}, {&P::slowUpTime, 55}},
                   {"012C=0037", "013D=0003"}, "Changed values written: 2 registers (012C, 013D)", 14,
                   milliseconds(100)},
        // The ramp's upper setting takes the ramp pre-writes first; the
        // lower limit and selection already hold 0, so nothing is written back.
        ChangeCase{"Klv40RampSetting", ModelKind::Klv40, 0, {{&P::bootLimiter, 700}, {&P::rampUpperSetting, 800}},
                   {"012B=0000", "012A=0000", "011F=0320", "0133=02BC"},
                   "Changed values written: 2 registers (011F, 0133)", 28, milliseconds(100)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChangedOnlyWriteTest, APreWriteThatMovesAnUnchangedRegisterWritesItBack) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  device_->Preset(Register{0x012A}, 40);
  ScreenLikeDevice(ModelKind::Klv30E, 1);
  parameters_.rampUpperSetting = 900;

  const TransferCommandOutcome outcome = WriteChanged();

  EXPECT_EQ(Writes(), (std::vector<std::string>{"012B=0000", "012A=0000", "012A=0028", "011F=0384"}));
  EXPECT_TRUE(outcome.report.succeeded);
  ExpectDeviceHoldsScreen(ModelKind::Klv30E);
}

TEST_F(ChangedOnlyWriteTest, ARegulatorThatHoldsTheSetGetsNoWrite) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  ScreenLikeDevice(ModelKind::Klv30E, 1);

  const TransferCommandOutcome outcome = WriteChanged(true);

  EXPECT_TRUE(Writes().empty());
  EXPECT_TRUE(outcome.report.succeeded);
  EXPECT_TRUE(outcome.result.Succeeded());
  EXPECT_EQ(outcome.report.text, "Nothing to write: the regulator already holds these values");
  EXPECT_EQ(ReportOf(outcome.result, Language::Japanese).text,
            "書き込む値はありません：調整器はすでにこれらの値を保持しています");
  EXPECT_FALSE(outcome.result.verification.ran);
  EXPECT_EQ(PausesOf(milliseconds(1000)), 0u);
}

struct ReadFailureCase {
  const char* name;
  sim::FaultKind fault;
  std::optional<Register> reg;  // none: every exchange
  std::string report;
  bool noReply;
};
void PrintTo(const ReadFailureCase& c, std::ostream* os) { *os << c.name; }

class ChangedOnlyReadFailureTest : public ChangedOnlyWriteTest,
                                   public ::testing::WithParamInterface<ReadFailureCase> {};

TEST_P(ChangedOnlyReadFailureTest, AReadThatFailsWritesNothingAndSaysSoAsAFailedRead) {
  const ReadFailureCase& c = GetParam();
  Connect(Device(ModelKind::Klv30E, 0, true));
  ScreenLikeDevice(ModelKind::Klv30E, 1);
  parameters_.keyLock = 1;
  const ParameterSet before = device_->Parameters();
  sim::FaultPlan plan;
  plan.AddRegisterFault(c.reg, {c.fault, {}});
  device_->Faults(plan);

  const TransferCommandOutcome outcome = WriteChanged();

  EXPECT_TRUE(Writes().empty());
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text.substr(0, c.report.size()), c.report);
  EXPECT_EQ(outcome.result.NoReply(), c.noReply);
  EXPECT_EQ(device_->Parameters(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ChangedOnlyReadFailureTest,
    ::testing::Values(ReadFailureCase{"Silent", sim::FaultKind::Silent, std::nullopt,
                                      "KLV30E Parameter reading failure", true},
                      ReadFailureCase{"Garbled", sim::FaultKind::BadCheck, Register{0x012C},
                                      "Parameter reading incomplete: 14 of 15 registers read", false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ChangedOnlyWriteTest, VerifyReadsBackOnlyTheRegistersWritten) {
  Connect(Device(ModelKind::Klv30, 0, true));
  ScreenLikeDevice(ModelKind::Klv30, 1);
  parameters_.heaterBreakCurrent = 40;

  const TransferCommandOutcome outcome = WriteChanged(true);

  const std::vector<LoggedRequest> requests = Requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests[requests.size() - 2], (LoggedRequest{requests[requests.size() - 2].number, 'W', "012F", "0028"}));
  EXPECT_EQ(requests.back(), (LoggedRequest{requests.back().number, 'R', "012F", ""}));
  ASSERT_TRUE(outcome.result.verification.ran);
  EXPECT_EQ(outcome.result.verification.checked, 1);
  EXPECT_TRUE(outcome.report.succeeded);
  EXPECT_NE(outcome.report.text.find("Verified: all 1 registers read back equal"), std::string::npos);
}

TEST_F(ChangedOnlyWriteTest, AnotherModelIsRefusedAfterTheReadWithoutAWrite) {
  Connect(Device(ModelKind::Klv30, 0, true));
  ScreenLikeDevice(ModelKind::Klv30, 1);
  currentModel_ = ModelKind::Klv30E;

  const TransferCommandOutcome outcome = WriteChanged();

  EXPECT_TRUE(Writes().empty());
  ASSERT_TRUE(outcome.result.refusal.has_value());
  EXPECT_EQ(outcome.result.refusal->reason, TransferRefusal::Reason::ModelDiffers);
  EXPECT_EQ(journal_.messages, std::vector<std::string>{"Model differs"});
}

}  // namespace
}  // namespace klv::testing
