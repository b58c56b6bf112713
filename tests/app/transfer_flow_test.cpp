// The transfers' window-independent half over a window that records what it
// was asked to do, against a simulated regulator in this process: what is
// asked before, which messages follow and what the program state becomes.
#include "app/transfer_flow.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "model/register_catalogue.h"
#include "support/fake_clock.h"
#include "support/regulator_port.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_result_messages.h"

namespace klv::testing {
namespace {

class RecordingWindow : public TransferWindow {
 public:
  explicit RecordingWindow(ProgramState& state) : state_(state) {}

  void ShowMessage(std::string_view text) override {
    steps.push_back("message");
    messages.emplace_back(text);
  }
  bool SaveChangesFirst() override {
    steps.push_back("save question");
    return saveAnswer;
  }
  bool ConfirmSettings() override {
    steps.push_back("settings");
    return settingsAnswer;
  }
  void RunBehindProgress(TransferSession& session) override {
    steps.push_back("progress");
    // The worker's own procedure, on this thread: the result lands where the
    // progress window's worker leaves it.
    NoProgressShown progress;
    std::atomic<bool> done{false};
    TransferWorker(MakeTransferContext(session, state_.language, progress), session.state, done);
  }
  void ReadScreen() override {
    steps.push_back("read screen");
    state_.parameters = screen;
  }
  void ShowReadSet() override { steps.push_back("show read set"); }
  void ShowComparison(const ParameterComparison& shown) override {
    steps.push_back("comparison");
    comparison = shown;
  }

  bool saveAnswer = true;
  bool settingsAnswer = true;
  ParameterSet screen;  // what the screen holds for ReadScreen
  std::vector<std::string> steps;
  std::vector<std::string> messages;
  std::optional<ParameterComparison> comparison;

 private:
  class NoProgressShown : public ProgressSink {
   public:
    void SetStatusText(std::string_view) override {}
    void SetBarPosition(int) override {}
  };
  ProgramState& state_;
};

class TransferFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // A folder of this test's own: ctest runs the tests side by side, each in a
    // process of its own.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    folder_ = std::filesystem::temp_directory_path() /
              ("klv-flow-" + std::string(test->name()) + "-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder_);
    state_ = std::make_unique<ProgramState>(clock_, [this] { return device_->Factory()(); });
    // The regulator speaks what the program's settings (its defaults) say.
    sim::SimConfig config;
    config.model = ModelKind::Klv30;
    config.protocol = state_->connection.settings.protocol;
    config.deviceAddress = state_->connection.settings.deviceAddress;
    device_ = std::make_unique<InProcessRegulator>(config);
    state_->commLogPath = folder_ / "comlog.txt";
    window_ = std::make_unique<RecordingWindow>(*state_);
    // The screen is arranged for the regulator's model.
    state_->currentModel = ModelKind::Klv30;
    LoadDefaults(state_->parameters, state_->currentModel);
    window_->screen = state_->parameters;
  }
  void TearDown() override {
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }
  ParameterSet DeviceSet() {
    return device_->With([](sim::SimulatedRegulator& r) { return r.Parameters(); });
  }
  using Steps = std::vector<std::string>;

  FakeClock clock_;
  std::filesystem::path folder_;
  std::unique_ptr<InProcessRegulator> device_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<RecordingWindow> window_;
};

TEST_F(TransferFlowTest, ACompleteReadShowsTheRegulatorsSetBeforeItsReport) {
  device_->With([](sim::SimulatedRegulator& r) { return r.Preset(Register{0x012C}, 15); });

  transfer_flow::Read(*state_, *window_);

  EXPECT_EQ(window_->steps, (Steps{"save question", "settings", "progress", "show read set", "message"}));
  EXPECT_EQ(state_->parameters.slowUpTime, 15);
  EXPECT_TRUE(state_->settingsConfirmed);
  ASSERT_TRUE(state_->transferredSet.has_value());
  EXPECT_EQ(state_->transferredSet->source, UnitProvenance::Source::Read);
  EXPECT_EQ(window_->messages.back(), ReportOf(state_->transfer.result, Language::English).text);
}

TEST_F(TransferFlowTest, AReadWithoutRepliesLeavesTheSetAndAdvisesWhatToTry) {
  device_->Silence();
  state_->parameters.slowUpTime = 33;

  transfer_flow::Read(*state_, *window_);

  EXPECT_EQ(window_->steps, (Steps{"save question", "settings", "progress", "message"}));
  EXPECT_EQ(state_->parameters.slowUpTime, 33);
  EXPECT_EQ(state_->currentModel, ModelKind::Klv30);
  EXPECT_FALSE(state_->transferredSet.has_value());
  const std::string& message = window_->messages.back();
  EXPECT_EQ(message.find(ReportOf(state_->transfer.result, Language::English).text), 0u);
  EXPECT_NE(message.find(Text(TextId::NoReplyFindDevice, Language::English)), std::string::npos);
  EXPECT_NE(message.find("comlog.txt"), std::string::npos);
}

TEST_F(TransferFlowTest, NothingRunsWhenTheOperatorStopsBeforeTheTransfer) {
  const struct {
    const char* name;
    bool save;
    bool settings;
    Steps steps;
  } cases[] = {
      {"stopped at the save question", false, true, {"save question"}},
      {"settings cancelled", true, false, {"save question", "settings"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    window_->steps.clear();
    window_->saveAnswer = c.save;
    window_->settingsAnswer = c.settings;
    transfer_flow::Read(*state_, *window_);
    EXPECT_EQ(window_->steps, c.steps);
    EXPECT_FALSE(state_->settingsConfirmed);
    EXPECT_EQ(device_->Requests(), 0);
  }
}

TEST_F(TransferFlowTest, ASettingsFileThatCouldNotBeReadIsToldBeforeTheFirstConfirmationOnly) {
  state_->keepSettingsFile = true;
  state_->settingsPath = folder_ / "KlvTool.ini";
  state_->settingsReadError = "Permission denied";

  ASSERT_TRUE(transfer_flow::ConfirmConnection(*state_, *window_));
  ASSERT_TRUE(transfer_flow::ConfirmConnection(*state_, *window_));

  EXPECT_EQ(window_->steps, (Steps{"message", "settings", "settings"}));
  EXPECT_EQ(window_->messages.front(), UnreadableSettingsBeforeTransferText(state_->settingsPath, "Permission denied",
                                                                            Language::English));
}

TEST_F(TransferFlowTest, AVerifiedWriteOfARegisterTheRegulatorKeepsIsRecordedAsDiffering) {
  // The screen takes the regulator's options from a read, then one value changes.
  device_->With([](sim::SimulatedRegulator& r) { return r.Preset(Register{0x012C}, 15); });
  transfer_flow::Read(*state_, *window_);
  window_->screen = state_->parameters;
  window_->screen.slowUpTime = 20;
  window_->steps.clear();
  device_->With([](sim::SimulatedRegulator& r) {
    sim::FaultPlan plan;
    plan.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Stuck, {}});
    r.SetFaultPlan(std::move(plan));
  });
  state_->options.verifyAfterWrite = true;

  transfer_flow::Write(*state_, *window_);

  EXPECT_EQ(window_->steps, (Steps{"settings", "read screen", "progress", "message"}));
  const WriteVerification& verification = state_->transfer.result.verification;
  ASSERT_TRUE(verification.ran);
  EXPECT_FALSE(verification.AllEqual());
  ASSERT_TRUE(state_->transferredSet.has_value());
  EXPECT_EQ(state_->transferredSet->source, UnitProvenance::Source::VerifiedWrite);
  EXPECT_EQ(state_->transferredSet->verification.status, ReportVerification::Status::Differs);
  EXPECT_NE(state_->transferredSet->verification.details.find("012C"), std::string::npos);
  EXPECT_EQ(window_->messages.back(), ReportOf(state_->transfer.result, Language::English).text);
}

TEST_F(TransferFlowTest, CompareHoldsTheScreenAgainstACompleteReadOnly) {
  transfer_flow::Read(*state_, *window_);
  window_->screen = state_->parameters;
  window_->screen.slowUpTime = static_cast<int16_t>(window_->screen.slowUpTime + 1);
  window_->steps.clear();

  transfer_flow::Compare(*state_, *window_);

  EXPECT_EQ(window_->steps, (Steps{"settings", "read screen", "progress", "comparison"}));
  ASSERT_TRUE(window_->comparison.has_value());
  const ParameterComparison expected =
      CompareParameters(window_->screen, ModelKind::Klv30, DeviceSet(), ModelKind::Klv30, Language::English);
  EXPECT_EQ(window_->comparison->differences.size(), expected.differences.size());
  EXPECT_FALSE(window_->comparison->Equal());
  // The screen's set is not replaced by what was read.
  EXPECT_EQ(state_->parameters.slowUpTime, window_->screen.slowUpTime);

  window_->steps.clear();
  window_->comparison.reset();
  device_->Silence();
  transfer_flow::Compare(*state_, *window_);
  EXPECT_EQ(window_->steps, (Steps{"settings", "read screen", "progress", "message"}));
  EXPECT_FALSE(window_->comparison.has_value());
  EXPECT_NE(window_->messages.back().find("comlog.txt"), std::string::npos);
}

}  // namespace
}  // namespace klv::testing
