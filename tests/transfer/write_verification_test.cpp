// Reading back what a write sent, against the simulated regulator on a
// pseudo-terminal, with the pauses on a fake clock.
#include "transfer/write_verification.h"

#include <gtest/gtest.h>

#include "model/register_catalogue.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

class WriteVerificationTest : public TransferRig {
 protected:
  // A KLV30 with output current detection, the screen's set its defaults
  // with slow-up 3.3 s.
  void Prepare(const sim::FaultPlan& faults = {}) {
    Connect(Device(ModelKind::Klv30, 0, true));
    device_->Faults(faults);
    currentModel_ = ModelKind::Klv30;
    LoadDefaults(parameters_, ModelKind::Klv30);
    parameters_.optionDetect = kOptionCurrentDetection;
    parameters_.slowUpTime = 33;
    state_.verifyAfterWrite = true;
  }
  static constexpr std::size_t kKlv30Rows = 13;
};

TEST_F(WriteVerificationTest, EveryRegisterWrittenIsReadBackAfterTheWrite) {
  Prepare();
  const TransferCommandOutcome outcome = Write();

  EXPECT_TRUE(outcome.report.succeeded) << outcome.report.text;
  EXPECT_EQ(outcome.report.text,
            "--- KLV30 Parameter writing complete ---\nVerified: all 13 registers read back equal");
  const WriteVerification& verification = state_.verification;
  EXPECT_TRUE(verification.AllEqual());
  EXPECT_EQ(verification.checked, static_cast<int>(kKlv30Rows));

  // The read-backs follow the last write in the log, in the order written,
  // their numbers going on from the write's.
  const std::vector<LoggedRequest> requests = Requests();
  ASSERT_GE(requests.size(), 2 * kKlv30Rows);
  const std::size_t firstReadBack = requests.size() - kKlv30Rows;
  const LoggedRequest& lastWrite = requests[firstReadBack - 1];
  EXPECT_EQ(lastWrite.command, 'W');
  for (std::size_t i = 0; i < kKlv30Rows; ++i) {
    const LoggedRequest& readBack = requests[firstReadBack + i];
    const LoggedRequest& written = requests[firstReadBack - kKlv30Rows + i];
    EXPECT_EQ(readBack.command, 'R');
    EXPECT_EQ(readBack.reg, written.reg);
    EXPECT_EQ(readBack.number, lastWrite.number + 2 + 2 * static_cast<int>(i));
  }
  // One pause of 100 ms before each read-back, besides the write's own.
  EXPECT_EQ(PausesOf(kReadBackPause), kKlv30Rows + 1 + kKlv30Rows);
  EXPECT_EQ(journal_.statuses.back(), "KLV30 Verifying…");
}

TEST_F(WriteVerificationTest, RegistersThatKeepTheirValueOrDoNotAnswerAreNamed) {
  struct Case {
    const char* name;
    sim::FaultPlan faults;
    std::string expected;  // the verification's part of the report
  };
  sim::FaultPlan stuck;
  stuck.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Stuck, {}});
  // The write of a KLV30 takes 0110, 0119, 0102, three pre-writes and 13
  // rows: everything after them, the read-backs, goes unanswered.
  sim::FaultPlan silentAfterWrite;
  silentAfterWrite.AddFailAfter(3 + 3 + kKlv30Rows, {sim::FaultKind::Silent, {}});
  const Case cases[] = {
      {"stuck", stuck, "Verification failed: 1 of 13 registers do not read back equal\n  012C: written 33, read back "},
      {"silent", silentAfterWrite,
       "Verification failed: 13 of 13 registers do not read back equal\n  0120: no valid reply when read back"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Prepare(c.faults);
    const TransferCommandOutcome outcome = Write();
    EXPECT_FALSE(outcome.report.succeeded);
    const std::string complete = "--- KLV30 Parameter writing complete ---\n";
    ASSERT_EQ(outcome.report.text.rfind(complete, 0), 0u) << outcome.report.text;
    EXPECT_EQ(outcome.report.text.find(c.expected), complete.size()) << outcome.report.text;
    EXPECT_FALSE(state_.verification.AllEqual());
  }
  // The stuck register, as the device holds it: the value before the write.
  EXPECT_EQ(state_.verification.unanswered.size(), kKlv30Rows);
}

// A KLV40 in control mode ZC keeps the pre-written limiter: the report says
// 012E was not written, and the read-back counts and compares only what was.
TEST_F(WriteVerificationTest, ARegisterLeftOutIsNamedAndNotCountedAsEqual) {
  sim::SimConfig config = Device(ModelKind::Klv40);
  config.controlMode = 5;
  config.controlInputType = 4;
  Connect(config);
  currentModel_ = ModelKind::Klv40;
  LoadDefaults(parameters_, ModelKind::Klv40);
  parameters_.controlInputRange = 0;
  parameters_.currentLimiter = 80;
  state_.verifyAfterWrite = true;

  const TransferCommandOutcome outcome = Write();

  EXPECT_TRUE(outcome.report.succeeded) << outcome.report.text;
  EXPECT_EQ(outcome.report.text,
            "--- KLV40 Parameter writing complete ---\n"
            "012E not written: not used in control mode ZC\n"
            "Verified: all 20 registers read back equal");
  EXPECT_EQ(state_.verification.checked, 20);
  for (const LoggedRequest& request : Requests()) {
    if (request.reg != "012E") continue;
    // Only the pre-write (100) reaches the limiter, and nothing reads it back.
    EXPECT_EQ(request.command, 'W');
    EXPECT_EQ(request.value, "0064");
  }
  const TransferReport japanese = WriteReport(currentModel_, outcome.result.count, state_.tally, Language::Japanese);
  EXPECT_NE(japanese.text.find("\n012E は書き込んでいません: 制御モード ZC では使用しません"), std::string::npos)
      << japanese.text;
}

TEST_F(WriteVerificationTest, NoReadBackWithoutTheChoiceOrAfterAnIncompleteWrite) {
  Prepare();
  state_.verifyAfterWrite = false;
  const TransferCommandOutcome plain = Write();
  EXPECT_EQ(plain.report.text, "--- KLV30 Parameter writing complete ---");
  EXPECT_FALSE(state_.verification.ran);
  EXPECT_EQ(Requests().back().command, 'W');

  sim::FaultPlan refused;
  refused.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Error, {}});
  Prepare(refused);
  connection_.log.Clear();
  const TransferCommandOutcome incomplete = Write();
  EXPECT_FALSE(incomplete.report.succeeded);
  EXPECT_FALSE(state_.verification.ran);
  EXPECT_EQ(incomplete.report.text.find("Verif"), std::string::npos) << incomplete.report.text;
  EXPECT_EQ(Requests().back().command, 'W');
}

TEST(WriteVerificationMessage, JapaneseNamesTheSameRegisters) {
  WriteVerification verification;
  verification.ran = true;
  verification.checked = 21;
  EXPECT_EQ(VerificationMessage(verification, Language::Japanese), "照合済み: 全 21 レジスタの読出し値が一致しました");
  verification.differing.push_back({Register{0x0130}, 1, 0});
  verification.unanswered.push_back(Register{0x0131});
  EXPECT_EQ(VerificationMessage(verification, Language::Japanese),
            "照合失敗: 21 レジスタ中 2 レジスタが一致しません\n  0130: 書込み値 1、読出し値 0\n"
            "  0131: 読出しに正常な応答なし");
}

}  // namespace
}  // namespace klv::testing
