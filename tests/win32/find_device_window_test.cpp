// Find device in the Win32 communication settings window, against a
// simulated regulator in this process that answers on one port at one line
// setting only: the scan runs off the window thread, lists what it finds, and
// the row taken marks its settings in the window.
#include "win32/find_device_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "device/scan_texts.h"
#include "model/parameter_set.h"
#include "serial/port_device.h"
#include "support/fake_clock.h"
#include "support/regulator_port.h"
#include "text/texts.h"
#include "win32/comm_settings_dialog.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

using klv::testing::FakeClock;
using klv::testing::InProcessRegulator;

// A port that reaches the regulator only through one device and only at one
// line setting; at any other setting the line stays silent, and any other
// device cannot be opened.
class OneLinePort final : public SerialPort {
 public:
  OneLinePort(PortHandle inner, std::filesystem::path device, LineSettings line)
      : inner_(std::move(inner)), device_(std::move(device)), line_(line) {}

  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    if (device != device_) {
      return {PortStatus::CannotOpen, device.string() + ": no such port",
              PortFailure(PortFailureKind::NoSuchPort, device.string())};
    }
    answering_ = settings.speed == line_.speed && settings.parity == line_.parity && settings.stopBits == line_.stopBits;
    return inner_->Open(device, settings);
  }
  bool IsOpen() const override { return inner_->IsOpen(); }
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    return answering_ ? inner_->Write(bytes) : WriteOutcome{true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override {
    return inner_->Read(buffer, frameEnd);
  }
  void DiscardInput() override { inner_->DiscardInput(); }
  void Close() override { inner_->Close(); }

 private:
  PortHandle inner_;
  std::filesystem::path device_;
  LineSettings line_;
  bool answering_ = false;
};

class NoOperator : public WindowOperator {
 public:
  void ShowMessage(HWND, std::string_view) override {}
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::Cancel; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override { return {}; }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return {};
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return false; }
};

std::string TextOf(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, 1024);
  return Narrow(text);
}

std::string Cell(HWND list, int row, int column) {
  wchar_t text[256] = {};
  LVITEMW item{};
  item.iSubItem = column;
  item.pszText = text;
  item.cchTextMax = 256;
  SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  return Narrow(text);
}

std::vector<std::string> Row(HWND list, int row) {
  std::vector<std::string> cells;
  for (int column = 0; column < 6; ++column) cells.push_back(Cell(list, row, column));
  return cells;
}

// Runs the window thread's messages until done() (a guard against a hang,
// not a measure of time: far beyond what the scan needs).
template <typename Done>
bool PumpUntil(Done done) {
  for (int round = 0; round < 6000 && !done(); ++round) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return done();
}

// What the timer saw in the modal Find device window before it took the row.
struct SeenInFinder {
  std::string caption;
  std::string status;
  std::string troubles;
  std::vector<std::vector<std::string>> rows;
  bool tookRow = false;
};
SeenInFinder seen;

// Once the scan has ended (its Stop button has become Close), the first row
// is taken.
void CALLBACK TakeFirstRowWhenDone(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND finder = FindWindowW(nullptr, Widen(Text(TextId::FindDevice, Language::English)).c_str());
  if (finder == nullptr || TextOf(GetDlgItem(finder, find_id::kStop)) != Text(TextId::FindClose, Language::English)) {
    return;  // not there or not done yet: the timer comes again
  }
  KillTimer(nullptr, timer);
  seen.caption = TextOf(finder);
  seen.status = TextOf(GetDlgItem(finder, find_id::kStatus));
  seen.troubles = TextOf(GetDlgItem(finder, find_id::kTroubles));
  HWND list = GetDlgItem(finder, find_id::kFoundList);
  const auto rows = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (int row = 0; row < rows; ++row) seen.rows.push_back(Row(list, row));
  seen.tookRow = IsWindowEnabled(GetDlgItem(finder, find_id::kTake)) != FALSE;
  SendDlgItemMessageW(finder, find_id::kTake, BM_CLICK, 0, 0);
}

TEST(FindDeviceInSettingsTest, FindsTheRegulatorOnTheSystemsPortsAndMarksItsSettings) {
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  config.options = kOptionAlarmOutput2;
  config.deviceAddress = 23;
  InProcessRegulator regulator(config);
  const LineSettings answering{19200, 7, Parity::Odd, 2};
  const std::filesystem::path com3 = ResolvePortDevice(3, {});
  SerialPortFactory inner = regulator.Factory();
  FakeClock clock;
  ProgramState state(
      clock, [&] { return std::make_unique<OneLinePort>(inner(), com3, answering); }, Language::English);
  // COM17 marked, 9600 NON 1, address 1: the regulator is elsewhere.
  state.connection.settings = {5, 1, 9600, 2, 1, 50, 1, Protocol::Torvalek, 10, 600};
  NoOperator messages;
  CommSettingsDialog dialog(state, messages, {{3, "USB Serial Port (COM3)"}});
  HWND window = dialog.Create(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TextOf(GetDlgItem(window, comm_id::kFindDevice)), Text(TextId::FindDeviceButton, Language::English));

  seen = {};
  SetTimer(nullptr, 0, 50, TakeFirstRowWhenDone);
  SendDlgItemMessageW(window, comm_id::kFindDevice, BM_CLICK, 0, 0);

  EXPECT_EQ(seen.caption, "Find device");
  EXPECT_EQ(seen.status, "Regulators found: 1.");
  ASSERT_EQ(seen.rows.size(), 1u);
  EXPECT_EQ(seen.rows[0],
            (std::vector<std::string>{"COM3", "19200 ODD 2 TORVALEK", "23", "KLV40", "Alarm output 2", "off"}));
  EXPECT_TRUE(seen.tookRow);
  // The marked COM17 is not there: said once, for the whole port.
  EXPECT_EQ(seen.troubles.rfind("COM17: ", 0), 0u) << seen.troubles;
  EXPECT_EQ(seen.troubles.find('\n'), std::string::npos) << seen.troubles;

  // The window now shows the regulator's settings; OK takes them.
  const auto checked = [&](int id) { return IsDlgButtonChecked(window, id) == BST_CHECKED; };
  EXPECT_FALSE(checked(comm_id::kPlus12));
  EXPECT_TRUE(checked(comm_id::Port(2)));
  EXPECT_TRUE(checked(comm_id::Speed(0)));
  EXPECT_TRUE(checked(comm_id::Parity(2)));
  EXPECT_TRUE(checked(comm_id::StopBits(1)));
  EXPECT_EQ(TextOf(GetDlgItem(window, comm_id::kAddress)), "23");
  SendDlgItemMessageW(window, IDOK, BM_CLICK, 0, 0);
  const CommSettings& taken = state.connection.settings;
  EXPECT_EQ(taken.PortInUse(), 3);
  EXPECT_EQ(taken.deviceAddress, 23);
  EXPECT_EQ(taken.speed, 19200);
  EXPECT_EQ(taken.parity, 3);
  EXPECT_EQ(taken.stopBits, 2);
}

// The scan held at its first request until the operator has pressed Stop, so
// that Stop always comes while it runs.
class HeldScan {
 public:
  explicit HeldScan(InProcessRegulator& regulator) {
    regulator.afterRequest = [this](int) {
      std::unique_lock lock(mutex_);
      reached_ = true;
      released_.wait(lock, [this] { return release_; });
    };
  }
  bool Reached() {
    std::lock_guard lock(mutex_);
    return reached_;
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    released_.notify_all();
  }

 private:
  std::mutex mutex_;
  std::condition_variable released_;
  bool reached_ = false;
  bool release_ = false;
};

class FindDeviceStopTest : public ::testing::TestWithParam<Language> {};

TEST_P(FindDeviceStopTest, StopEndsTheScanAndTheWindowThenCloses) {
  const Language language = GetParam();
  InProcessRegulator regulator(sim::SimConfig{});
  regulator.Silence();
  HeldScan held(regulator);
  ScanPlan plan;
  plan.ports = {{ResolvePortDevice(4, {}), "COM4"}};
  FakeClock clock;
  FindDeviceWindow finder(plan, regulator.Factory(), language, clock);
  HWND window = finder.Create(nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(TextOf(window), Text(TextId::FindDevice, language));
  EXPECT_EQ(TextOf(GetDlgItem(window, find_id::kStop)), Text(TextId::FindStop, language));
  ASSERT_TRUE(PumpUntil([&] { return held.Reached(); }));
  // The window thread is free while the scan waits for its reply.
  EXPECT_FALSE(finder.Finished());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window, find_id::kTake)));
  SendDlgItemMessageW(window, find_id::kStop, BM_CLICK, 0, 0);
  held.Release();
  ASSERT_TRUE(PumpUntil([&] { return finder.Finished(); }));

  const std::string status = TextOf(GetDlgItem(window, find_id::kStatus));
  EXPECT_EQ(status, ScanFinishedText(0, true, plan.ports, plan.protocols, language));
  EXPECT_EQ(status.rfind(std::string(Text(TextId::FindStopped, language)), 0), 0u) << status;
  EXPECT_LT(SendDlgItemMessageW(window, find_id::kBar, PBM_GETPOS, 0, 0), 1000);
  EXPECT_LT(regulator.Requests(), 5);
  EXPECT_EQ(TextOf(GetDlgItem(window, find_id::kStop)), Text(TextId::FindClose, language));
  SendDlgItemMessageW(window, find_id::kStop, BM_CLICK, 0, 0);
  EXPECT_TRUE(finder.Closed());
  EXPECT_EQ(finder.Handle(), nullptr);
  EXPECT_FALSE(finder.Chosen());
}

INSTANTIATE_TEST_SUITE_P(Languages, FindDeviceStopTest, ::testing::Values(Language::English, Language::Japanese));

}  // namespace
}  // namespace klv
