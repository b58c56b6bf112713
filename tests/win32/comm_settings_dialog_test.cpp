// The Win32 communication settings window driven as an operator drives it:
// BM_CLICK on its buttons, WM_SETTEXT in the address field, then OK or Cancel.
#include "win32/comm_settings_dialog.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "platform/program_options.h"
#include "support/fake_clock.h"
#include "text/texts.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

class MessageRecorder : public WindowOperator {
 public:
  std::vector<std::string> messages;
  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::Cancel; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override { return {}; }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return {};
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return false; }
};

std::filesystem::path MakeFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::filesystem::path folder = std::filesystem::path(temp) / (L"klv-settings-設定-" +
                                                                      std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                                      std::to_wstring(++count));
  std::filesystem::create_directories(folder);
  return folder;
}

// The settings of a record that marks the second choice of every group.
CommSettings SecondChoices() {
  return {5, 1, 9600, 2, 2, 100, 42, Protocol::ModbusRtu, 60, 3600};
}

class CommSettingsWindowTest : public ::testing::Test {
 protected:
  void Open(const CommSettings& settings, Language language = Language::English,
            std::vector<SystemPort> ports = {}) {
    folder_ = MakeFolder();
    state_ = std::make_unique<ProgramState>(clock_, MakeSystemSerialPort, language);
    state_->optionsPath = folder_ / "KlvLoader.conf";
    state_->connection.settings = settings;
    dialog_ = std::make_unique<CommSettingsDialog>(*state_, messages_, std::move(ports));
    ASSERT_NE(dialog_->Create(nullptr), nullptr);
  }
  void TearDown() override {
    dialog_.reset();
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
  }

  HWND Control(int id) const { return GetDlgItem(dialog_->Handle(), id); }
  bool Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }
  std::string TextOf(HWND window) const {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return Narrow(text);
  }
  std::string TextOf(int id) const { return TextOf(Control(id)); }
  void Type(int id, const std::string& text) {
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
  // Which of count buttons are marked, as a string of 0 and 1.
  std::string Marks(int (*id)(int), int count) const {
    std::string marks;
    for (int i = 0; i < count; ++i) marks += Checked(id(i)) ? '1' : '0';
    return marks;
  }

  testing::FakeClock clock_;
  MessageRecorder messages_;
  std::filesystem::path folder_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<CommSettingsDialog> dialog_;
};

TEST_F(CommSettingsWindowTest, ShowsTheRecordsValues) {
  Open(SecondChoices());
  EXPECT_EQ(Marks(comm_id::Port, 12), "000010000000");
  EXPECT_TRUE(Checked(comm_id::kPlus12));
  EXPECT_EQ(TextOf(comm_id::Port(0)), "COM13");
  EXPECT_EQ(TextOf(comm_id::Port(11)), "COM24");
  EXPECT_EQ(Marks(comm_id::Speed, 2), "01");
  EXPECT_EQ(Marks(comm_id::Parity, 3), "010");
  EXPECT_EQ(Marks(comm_id::StopBits, 2), "01");
  EXPECT_EQ(Marks(comm_id::Timeout, 3), "010");
  EXPECT_EQ(Marks(comm_id::Sampling, 3), "010");
  EXPECT_EQ(Marks(comm_id::Duration, 3), "010");
  // Whatever is stored, the connections run in TORVALEK, and its buttons stay hidden.
  EXPECT_EQ(Marks(comm_id::Protocol, 3), "100");
  EXPECT_FALSE(GetWindowLongPtrW(Control(comm_id::Protocol(0)), GWL_STYLE) & WS_VISIBLE);
  EXPECT_EQ(TextOf(comm_id::kAddress), "42");
  int lower = 0;
  int upper = 0;
  SendMessageW(Control(comm_id::kAddressSpin), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
               reinterpret_cast<LPARAM>(&upper));
  EXPECT_EQ(lower, 1);
  EXPECT_EQ(upper, 99);
  // COM17 is not on this system: the device is the name it is opened by.
  EXPECT_EQ(TextOf(comm_id::kDevice), "Device: COM17 \u2192 \\\\.\\COM17");
}

TEST_F(CommSettingsWindowTest, OkTakesTheChangesIntoTheRecordAndStoresTheChoices) {
  Open(CommSettings{1, 0, 19200, 1, 1, 50, 1, Protocol::ModbusRtu, 10, 600});
  Click(comm_id::Port(4));
  Click(comm_id::kPlus12);
  EXPECT_EQ(TextOf(comm_id::Port(4)), "COM17");
  Click(comm_id::Speed(1));
  Click(comm_id::Parity(2));
  Click(comm_id::StopBits(1));
  Click(comm_id::Timeout(2));
  Click(comm_id::Sampling(2));
  Click(comm_id::Duration(1));
  Type(comm_id::kAddress, "150");
  Click(comm_id::kVerifyAfterWrite);
  Click(comm_id::kWriteChangedOnly);
  Click(IDOK);

  EXPECT_EQ(dialog_->Result(), std::optional<bool>(true));
  EXPECT_EQ(dialog_->Handle(), nullptr);
  EXPECT_EQ(state_->connection.settings, (CommSettings{5, 1, 9600, 3, 2, 200, 99, Protocol::Torvalek, 300, 3600}));
  EXPECT_TRUE(state_->settingsConfirmed);
  ProgramOptions expected;
  expected.verifyAfterWrite = true;
  expected.writeChangedOnly = true;
  EXPECT_EQ(state_->options, expected);
  EXPECT_EQ(LoadProgramOptions(state_->optionsPath), expected);
  EXPECT_TRUE(messages_.messages.empty());
}

TEST_F(CommSettingsWindowTest, LocalEchoIsStoredAndHandedToTheConnection) {
  Open(SecondChoices());
  Click(comm_id::kLocalEcho);
  Click(IDOK);
  EXPECT_TRUE(state_->options.localEcho);
  EXPECT_TRUE(LoadProgramOptions(state_->optionsPath).localEcho);
  EXPECT_FALSE(LoadProgramOptions(state_->optionsPath).verifyAfterWrite);
}

TEST_F(CommSettingsWindowTest, ChoicesThatCannotBeStoredAreToldAndStillTaken) {
  Open(SecondChoices());
  // A folder where the file should be: it cannot be replaced.
  std::filesystem::create_directories(state_->optionsPath);
  Click(comm_id::kVerifyAfterWrite);
  Click(IDOK);
  ASSERT_EQ(messages_.messages.size(), 1u);
  EXPECT_EQ(messages_.messages[0].rfind(OptionsNotSavedText(state_->optionsPath, "", Language::English), 0), 0u);
  EXPECT_TRUE(state_->options.verifyAfterWrite);
  EXPECT_EQ(state_->connection.settings.protocol, Protocol::Torvalek);
}

TEST_F(CommSettingsWindowTest, CancelChangesNothing) {
  Open(SecondChoices());
  Click(comm_id::Port(0));
  Click(comm_id::Speed(0));
  Click(comm_id::Timeout(0));
  Type(comm_id::kAddress, "7");
  Click(comm_id::kVerifyAfterWrite);
  Click(IDCANCEL);
  EXPECT_EQ(dialog_->Result(), std::optional<bool>(false));
  EXPECT_EQ(state_->connection.settings, SecondChoices());
  EXPECT_EQ(state_->options, ProgramOptions{});
  EXPECT_FALSE(state_->settingsConfirmed);
  EXPECT_FALSE(std::filesystem::exists(state_->optionsPath));
}

TEST_F(CommSettingsWindowTest, DamagedRecordIsShownCorrected) {
  Open(CommSettings{0, 0, 4800, 7, 3, 150, 0, Protocol::ModbusRtu, 11, 5});
  EXPECT_EQ(TextOf(comm_id::kAddress), "1");
  EXPECT_EQ(Marks(comm_id::Timeout, 3), "001");
  EXPECT_EQ(Marks(comm_id::Port, 12), "100000000000");
  EXPECT_EQ(Marks(comm_id::Speed, 2), "01");
  EXPECT_EQ(Marks(comm_id::Parity, 3), "001");
  EXPECT_EQ(Marks(comm_id::StopBits, 2), "01");
  // The opening stores the corrected address and data-record values back.
  EXPECT_EQ(state_->connection.settings.deviceAddress, 1);
  EXPECT_EQ(state_->connection.settings.samplingInterval, 10);
  EXPECT_EQ(state_->connection.settings.recordDuration, 600);
  Click(IDOK);
  EXPECT_EQ(state_->connection.settings, (CommSettings{1, 0, 9600, 3, 2, 200, 1, Protocol::Torvalek, 10, 600}));
}

TEST_F(CommSettingsWindowTest, SystemPortsAreListedAndChoosingOneMarksIt) {
  Open(SecondChoices(), Language::English, {{3, "USB Serial Port (COM3)"}, {15, "Communications Port (COM15)"}});
  HWND list = Control(comm_id::kPortList);
  ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), CB_ERR);  // COM17 is not among them
  SendMessageW(list, CB_SETCURSEL, 0, 0);
  SendMessageW(dialog_->Handle(), WM_COMMAND, MAKEWPARAM(comm_id::kPortList, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list));
  EXPECT_FALSE(Checked(comm_id::kPlus12));
  EXPECT_EQ(Marks(comm_id::Port, 12), "001000000000");
  EXPECT_EQ(TextOf(comm_id::Port(2)), "COM03");
  EXPECT_EQ(TextOf(comm_id::kDevice), "Device: COM3 \u2192 USB Serial Port (COM3)");
  // Marking COM15 by hand shows its device and chooses it in the list.
  Click(comm_id::kPlus12);
  EXPECT_EQ(SendMessageW(list, CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(TextOf(comm_id::kDevice), "Device: COM15 \u2192 Communications Port (COM15)");
  Click(IDOK);
  EXPECT_EQ(state_->connection.settings.PortInUse(), 15);
}

TEST_F(CommSettingsWindowTest, JapaneseWindowTakesItsTextsFromTheTables) {
  Open(SecondChoices(), Language::Japanese);
  const auto caption = [](std::string_view key) {
    return std::string(Caption(Screen::CommunicationSettings, key, Language::Japanese));
  };
  EXPECT_EQ(TextOf(dialog_->Handle()), caption("Communication settings"));
  EXPECT_EQ(TextOf(dialog_->Handle()), "通信設定");
  EXPECT_EQ(TextOf(IDCANCEL), caption("Cancel"));
  EXPECT_EQ(TextOf(comm_id::Sampling(0)), caption("10 sec"));
  EXPECT_EQ(TextOf(comm_id::Duration(1)), caption("1 hour"));
  EXPECT_EQ(TextOf(comm_id::kVerifyAfterWrite), Text(TextId::VerifyAfterWriting, Language::Japanese));
  EXPECT_EQ(TextOf(comm_id::kLocalEcho), Text(TextId::LocalEcho, Language::Japanese));
  EXPECT_EQ(TextOf(comm_id::kWriteChangedOnly), Text(TextId::WriteChangedOnly, Language::Japanese));
  EXPECT_EQ(TextOf(comm_id::kDevice).rfind(std::string(Text(TextId::PortLinkCaption, Language::Japanese)), 0), 0u);
}

// The modal window, answered by a timer of the loop it runs: OK pressed on
// the window the test finds by its title.
HWND modalWindow = nullptr;
void CALLBACK PressOk(HWND, UINT, UINT_PTR timer, DWORD) {
  modalWindow = FindWindowW(nullptr, Widen(Caption(Screen::CommunicationSettings, "Communication settings",
                                                  Language::English)).c_str());
  // Not there yet on a busy machine: the timer comes again.
  if (modalWindow != nullptr) {
    KillTimer(nullptr, timer);
    CheckDlgButton(modalWindow, comm_id::Timeout(0), BST_CHECKED);
    CheckDlgButton(modalWindow, comm_id::Timeout(1), BST_UNCHECKED);
    SendDlgItemMessageW(modalWindow, IDOK, BM_CLICK, 0, 0);
  }
}

TEST(CommSettingsModalTest, RunReturnsOnOkWithTheChanges) {
  testing::FakeClock clock;
  ProgramState state(clock, MakeSystemSerialPort, Language::English);
  state.connection.settings = SecondChoices();
  MessageRecorder messages;
  CommSettingsDialog dialog(state, messages, {});
  SetTimer(nullptr, 0, 50, PressOk);
  EXPECT_TRUE(dialog.Run(nullptr));
  EXPECT_NE(modalWindow, nullptr);
  EXPECT_EQ(state.connection.settings.readTimeout, 50);
  EXPECT_EQ(dialog.Handle(), nullptr);
}

struct PortNameCase {
  const char* name;
  std::optional<int32_t> number;
};

TEST(ComNumberOfTest, ReadsOnlyComNames) {
  const PortNameCase cases[] = {{"COM1", 1},          {"com24", 24},         {"COM123", 123},
                                {"COM0", std::nullopt}, {"LPT1", std::nullopt}, {"COM", std::nullopt},
                                {"COM1A", std::nullopt}, {"COM1234", std::nullopt}};
  for (const auto& [name, number] : cases) EXPECT_EQ(ComNumberOf(name), number) << name;
}

}  // namespace
}  // namespace klv
