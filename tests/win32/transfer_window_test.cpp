// Read from KLV, Write in KLV and Compare with KLV through the main window's
// menu commands, behind the progress window, against a simulated regulator
// in this process. The messages are checked against the core's own reports.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "app/program_state.h"
#include "editor/parameter_comparison.h"
#include "editor/parameter_file.h"
#include "support/fake_clock.h"
#include "support/regulator_port.h"
#include "text/texts.h"
#include "transfer/transfer_result_messages.h"
#include "transfer/write_verification.h"
#include "win32/main_window.h"
#include "win32/screen_controls.h"
#include "win32/transfer_progress_window.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

using klv::testing::FakeClock;
using klv::testing::InProcessRegulator;

class TransferOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::deque<std::filesystem::path> filesToSave;
  bool acceptSettings = true;
  int settingsShown = 0;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::No; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override {
    return std::nullopt;
  }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    if (filesToSave.empty()) return std::nullopt;
    std::filesystem::path file = filesToSave.front();
    filesToSave.pop_front();
    return file;
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override {
    ++settingsShown;
    return acceptSettings;
  }
  std::string Last() const { return messages.empty() ? std::string() : messages.back(); }
};

class NoProgress : public ProgressSink {
 public:
  void SetStatusText(std::string_view) override {}
  void SetBarPosition(int) override {}
};
class NoMessages : public MessageSink {
 public:
  void ShowMessage(std::string_view) override {}
};

std::filesystem::path MakeFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::filesystem::path folder =
      std::filesystem::path(temp) /
      (L"klv-transfer-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++count));
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<char> Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Waits (on the transfer's thread) for the window thread to have done
// something; a generous bound so that a fault fails the test, not hangs it.
template <typename Condition>
bool WaitFor(Condition condition) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class TransferWindowTest : public ::testing::Test {
 protected:
  void Start(ModelKind deviceModel, Language language = Language::English) {
    folder_ = MakeFolder();
    state_ = std::make_unique<ProgramState>(clock_, [this] { return device_->Factory()(); }, language);
    state_->settingsPath = folder_ / "KlvTool.ini";
    state_->commLogPath = folder_ / "comlog.txt";
    window_ = std::make_unique<MainWindow>(*state_, operator_);
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
    // The regulator speaks what the program's settings (its defaults) say.
    sim::SimConfig config;
    config.model = deviceModel;
    config.protocol = state_->connection.settings.protocol;
    config.deviceAddress = state_->connection.settings.deviceAddress;
    device_ = std::make_unique<InProcessRegulator>(config);
  }
  void TearDown() override {
    window_.reset();
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
  }
  void Preset(Register reg, int16_t value) {
    ASSERT_EQ(device_->With([&](sim::SimulatedRegulator& r) { return r.Preset(reg, value); }), sim::Refusal::None);
  }
  void KeepRegister(Register reg) {
    device_->With([&](sim::SimulatedRegulator& r) {
      sim::FaultPlan plan;
      plan.AddRegisterFault(reg, {sim::FaultKind::Stuck, {}});
      r.SetFaultPlan(std::move(plan));
    });
  }

  HWND Control(int id) const { return GetDlgItem(window_->Handle(), id); }
  std::string TextOf(int id) const {
    wchar_t text[512] = {};
    GetWindowTextW(Control(id), text, 512);
    return Narrow(text);
  }
  void Command(MenuItem item) { SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(CommandId(item), 0), 0); }
  void TypeAndLeave(EditField field, const std::string& text) {
    const int id = screen_id::Edit(field);
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Control(id)));
  }
  // The report the core makes of the last transfer, with the window's advice.
  std::string CoreReport(const TransferResult& result) const {
    NoReplyAdvice advice;
    advice.whatNext = Text(TextId::NoReplyFindDevice, state_->language);
    advice.logName = state_->commLogPath.filename().string();
    return ReportOf(result, state_->language).text + NoReplyLines(result, state_->language, advice);
  }

  FakeClock clock_;
  TransferOperator operator_;
  std::filesystem::path folder_;
  std::unique_ptr<InProcessRegulator> device_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

struct ReadCase {
  ModelKind model;
  Register reg;
  EditField field;
  int16_t value;
  Language language;
};

class ReadFromDeviceTest : public TransferWindowTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(ReadFromDeviceTest, ShowsTheRegulatorsValuesAndModel) {
  const ReadCase& c = GetParam();
  Start(c.model, c.language);
  Preset(c.reg, c.value);
  Command(MenuItem::ReadFromDevice);

  EXPECT_EQ(operator_.settingsShown, 1);
  EXPECT_EQ(state_->currentModel, c.model);
  EXPECT_EQ(TextOf(screen_id::Edit(c.field)), std::to_string(c.value));
  EXPECT_FALSE(window_->Modified());
  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_TRUE(ReportOf(state_->transfer.result, c.language).succeeded) << operator_.Last();
  EXPECT_EQ(operator_.Last(), CoreReport(state_->transfer.result));
  EXPECT_TRUE(std::filesystem::exists(state_->commLogPath));
}

INSTANTIATE_TEST_SUITE_P(
    Models, ReadFromDeviceTest,
    ::testing::Values(ReadCase{ModelKind::Klv40, Register{0x012C}, EditField::SlowUp, 15, Language::English},
                      ReadCase{ModelKind::Klv30, Register{0x012C}, EditField::SlowUp, 15, Language::Japanese},
                      ReadCase{ModelKind::Klv30E, Register{0x012D}, EditField::SlowDown, 12, Language::English}));

TEST_F(TransferWindowTest, SaveAfterAReadGivesTheBytesOfTheCoresRead) {
  Start(ModelKind::Klv30);
  Preset(Register{0x012C}, 15);
  Command(MenuItem::ReadFromDevice);
  const std::filesystem::path saved = folder_ / "window.klv";
  operator_.filesToSave.push_back(saved);
  Command(MenuItem::Save);

  // The same regulator read by the core alone, without any window.
  ProgramState core(clock_, device_->Factory());
  TransferSession session = core.Session();
  NoProgress progress;
  NoMessages messages;
  const TransferCommandOutcome outcome = RunReadCommand(session, Language::English, progress, messages);
  ASSERT_TRUE(outcome.report.succeeded);
  const std::filesystem::path expected = folder_ / "core.klv";
  ASSERT_TRUE(WriteParameterFile(expected, core.parameters, core.currentModel).ok);

  EXPECT_FALSE(Bytes(expected).empty());
  EXPECT_EQ(Bytes(saved), Bytes(expected));
}

// A regulator that keeps 012C answers the write as taken; only the
// read-back after the write shows it.
TEST_F(TransferWindowTest, WriteWithVerifyShowsTheRegisterTheRegulatorKept) {
  for (const bool keeps : {false, true}) {
    SCOPED_TRACE(keeps ? "keeps 012C" : "takes every value");
    TearDown();
    operator_.messages.clear();
    Start(ModelKind::Klv30);
    Preset(Register{0x012C}, 15);
    if (keeps) KeepRegister(Register{0x012C});
    // The screen takes the regulator's options from a read, then one value changes.
    Command(MenuItem::ReadFromDevice);
    operator_.messages.clear();
    TypeAndLeave(EditField::SlowUp, "20");
    state_->options.verifyAfterWrite = true;
    Command(MenuItem::WriteToDevice);

    const WriteVerification& verification = state_->transfer.result.verification;
    EXPECT_TRUE(verification.ran);
    EXPECT_EQ(verification.AllEqual(), !keeps);
    ASSERT_EQ(operator_.messages.size(), 1u) << operator_.messages.front();
    EXPECT_EQ(operator_.Last(), CoreReport(state_->transfer.result));
    EXPECT_NE(operator_.Last().find(VerificationMessage(verification, Language::English)), std::string::npos);
    EXPECT_EQ(operator_.Last().find("012C") != std::string::npos, keeps);
    EXPECT_EQ(device_->With([](sim::SimulatedRegulator& r) { return r.Parameters().slowUpTime; }), keeps ? 15 : 20);
  }
}

TEST_F(TransferWindowTest, CancelDuringAReadStopsItAndSaysSo) {
  Start(ModelKind::Klv30);
  Preset(Register{0x012C}, 15);
  const ParameterSet before = state_->parameters;
  int barSeen = 0;
  std::string statusSeen;
  bool clicked = false;
  device_->afterRequest = [&](int request) {
    if (request != 5) return;
    // As an operator: the bar has moved, then Cancel is pressed.
    const HWND progress = FindWindowW(TransferProgressWindow::kClassName, nullptr);
    if (progress == nullptr) return;
    const HWND bar = GetDlgItem(progress, TransferProgressWindow::kBarId);
    const HWND cancel = GetDlgItem(progress, TransferProgressWindow::kCancelId);
    WaitFor([&] { return (barSeen = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0))) > 0; });
    wchar_t status[256] = {};
    GetWindowTextW(GetDlgItem(progress, TransferProgressWindow::kStatusId), status, 256);
    statusSeen = Narrow(status);
    PostMessageW(cancel, BM_CLICK, 0, 0);
    clicked = WaitFor([&] { return IsWindowEnabled(cancel) == FALSE; });
  };
  Command(MenuItem::ReadFromDevice);

  ASSERT_TRUE(clicked);
  EXPECT_GT(barSeen, 0);
  EXPECT_NE(statusSeen.find("KLV30"), std::string::npos);
  EXPECT_TRUE(state_->transfer.result.tally.cancelled);
  EXPECT_LE(device_->Requests(), 6);
  // Nothing half-read reaches the screen: the model and values stay.
  EXPECT_EQ(state_->currentModel, ModelKind::Klv40);
  EXPECT_EQ(state_->parameters, before);
  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_EQ(operator_.Last(), CoreReport(state_->transfer.result));
  EXPECT_NE(operator_.Last().find(CancelledReadMessage(state_->transfer.result.tally, Language::English)),
            std::string::npos);
}

// The main window still handles messages while the worker runs, but neither
// closes nor starts another command before the transfer has ended.
TEST_F(TransferWindowTest, TheWindowNeitherClosesNorStartsAnotherCommandDuringATransfer) {
  Start(ModelKind::Klv40);
  const HWND main = window_->Handle();
  device_->afterRequest = [&](int request) {
    if (request != 3) return;
    SendMessageW(main, WM_CLOSE, 0, 0);
    SendMessageW(main, WM_COMMAND, MAKEWPARAM(CommandId(MenuItem::WriteToDevice), 0), 0);
  };
  Command(MenuItem::ReadFromDevice);

  EXPECT_FALSE(window_->Closed());
  EXPECT_EQ(operator_.settingsShown, 1);
  EXPECT_EQ(state_->transfer.result.mode, TransferMode::Read);
  EXPECT_TRUE(ReportOf(state_->transfer.result, Language::English).succeeded);
  ASSERT_EQ(operator_.messages.size(), 1u);
}

TEST_F(TransferWindowTest, ASilentRegulatorGivesTheNoReplyMessage) {
  Start(ModelKind::Klv40);
  device_->Silence();
  const ParameterSet before = state_->parameters;
  Command(MenuItem::ReadFromDevice);

  EXPECT_GT(device_->Requests(), 0);
  EXPECT_EQ(state_->parameters, before);
  ASSERT_EQ(operator_.messages.size(), 1u);
  EXPECT_EQ(operator_.Last(), CoreReport(state_->transfer.result));
  EXPECT_NE(operator_.Last().find(Text(TextId::NoReplyFindDevice, Language::English)), std::string::npos);
}

TEST_F(TransferWindowTest, SettingsNotAcceptedAbandonTheCommand) {
  for (const MenuItem item : {MenuItem::ReadFromDevice, MenuItem::WriteToDevice, MenuItem::CompareWithDevice}) {
    TearDown();
    operator_ = TransferOperator{};
    Start(ModelKind::Klv40);
    operator_.acceptSettings = false;
    Command(item);
    EXPECT_EQ(operator_.settingsShown, 1);
    EXPECT_EQ(device_->Requests(), 0);
    EXPECT_TRUE(operator_.messages.empty());
  }
}

TEST_F(TransferWindowTest, CompareListsWhatDiffersFromTheRegulator) {
  for (const bool differs : {false, true}) {
    SCOPED_TRACE(differs ? "012C differs" : "all equal");
    TearDown();
    operator_.messages.clear();
    Start(ModelKind::Klv30);
    Command(MenuItem::ReadFromDevice);
    if (differs) Preset(Register{0x012C}, 15);
    operator_.messages.clear();
    Command(MenuItem::CompareWithDevice);

    ASSERT_EQ(operator_.messages.size(), 1u);
    EXPECT_EQ(operator_.Last().find("012C") != std::string::npos, differs);
    EXPECT_EQ(operator_.Last().find(std::string(NoDifferencesText(Language::English))) != std::string::npos, !differs);
  }
}

}  // namespace
}  // namespace klv
