// The window program against a real COM port: the windows of the program,
// the system's serial port and the system's clock, with a simulated regulator
// behind the port (tests/windows/e2e_window.sh maps COM ports to klv-sim's
// pseudo-terminals under Wine and names them here). Skipped when no port is
// named. Each case is one function in kEndToEndCases below; a new case (the
// monitor's, say) is a new function and a new row there.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "editor/parameter_file.h"
#include "platform/clock.h"
#include "text/texts.h"
#include "transfer/write_verification.h"
#include "win32/main_window.h"
#include "win32/screen_controls.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

// What the script hands over. KLV_E2E_PORT: the COM number of a regulator
// that takes every value; KLV_E2E_KEEPING_PORT: one that keeps register
// KLV_E2E_KEPT (answers its write as taken, keeps its value); KLV_E2E_EXPECTED
// and KLV_E2E_KEEPING_FILE: the parameter files the Linux command-line tool
// read from each; KLV_E2E_WORK: a folder for the files made here. Each case
// opens its port once (Wine cannot set up a pseudo-terminal twice in one run).
std::optional<std::string> Given(const char* name) {
  const wchar_t* value = _wgetenv(Widen(name).c_str());
  if (value == nullptr || *value == L'\0') return std::nullopt;
  return Narrow(value);
}

std::vector<char> Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class RecordingOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::optional<std::filesystem::path> fileToSave;
  std::optional<std::filesystem::path> fileToOpen;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::No; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override {
    return std::exchange(fileToOpen, std::nullopt);
  }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return std::exchange(fileToSave, std::nullopt);
  }
  // The settings the case set are the operator's answer.
  bool ConfirmCommSettings(HWND, ProgramState&) override { return true; }
};

// The main window over the system's port COM<port>, with its log in work.
class RealPortRig {
 public:
  RealPortRig(int port, const std::filesystem::path& work)
      : state(SystemClock(), MakeSystemSerialPort, Language::English) {
    // As the program's start does.
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS};
    InitCommonControlsEx(&controls);
    state.settingsPath = work / "KlvTool.ini";
    state.commLogPath = work / "comlog.txt";
    window = std::make_unique<MainWindow>(state, dialogs);
    created = window->Create(GetModuleHandleW(nullptr));
    // Set after the start-up has read the (absent) settings file, as the
    // operator sets them in the settings window.
    CommSettings& settings = state.connection.settings;
    settings.portNumber = port > 12 ? port - 12 : port;
    settings.plus12 = port > 12 ? 1 : 0;
    settings.protocol = Protocol::Torvalek;
    // The longest time-out: a busy machine delays the simulator's replies.
    settings.readTimeout = 200;
  }

  void Command(MenuItem item) { SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(CommandId(item), 0), 0); }
  HWND Control(int id) const { return GetDlgItem(window->Handle(), id); }
  std::string TextOf(EditField field) const {
    wchar_t text[64] = {};
    GetWindowTextW(Control(screen_id::Edit(field)), text, 64);
    return Narrow(text);
  }
  void TypeAndLeave(EditField field, const std::string& text) {
    const int id = screen_id::Edit(field);
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Control(id)));
  }

  RecordingOperator dialogs;
  ProgramState state;
  std::unique_ptr<MainWindow> window;
  bool created = false;
};

struct Handover {
  int port = 0;
  int keepingPort = 0;
  Register kept;
  std::filesystem::path expected;
  std::filesystem::path keepingFile;
  std::filesystem::path work;
};

// Read from KLV shows the regulator's values; Save gives the file the Linux
// command-line tool read from the same regulator, byte for byte.
void ReadShowsTheValuesAndSavesTheSameFile(const Handover& given) {
  const ParameterFileLoad expected = LoadParameterFile(given.expected);
  ASSERT_TRUE(expected.contents) << given.expected;
  RealPortRig rig(given.port, given.work);
  ASSERT_TRUE(rig.created);
  rig.Command(MenuItem::ReadFromDevice);
  ASSERT_TRUE(rig.state.transfer.result.Succeeded()) << (rig.dialogs.messages.empty() ? "" : rig.dialogs.messages.back());
  EXPECT_EQ(rig.state.currentModel, expected.contents->model);
  EXPECT_EQ(rig.TextOf(EditField::SlowUp), std::to_string(expected.contents->parameters.slowUpTime));

  const std::filesystem::path saved = given.work / "window-read.klv";
  rig.dialogs.fileToSave = saved;
  rig.Command(MenuItem::Save);
  EXPECT_FALSE(rig.window->Modified());
  EXPECT_EQ(Bytes(saved).size(), 120u);
  EXPECT_EQ(Bytes(saved), Bytes(given.expected));
}

// Write in KLV with Verify after writing, to a regulator that keeps one
// register: the file read from it is opened, a value changed and written; the
// message names the register kept.
void WriteWithVerifyShowsTheKeptRegister(const Handover& given) {
  RealPortRig rig(given.keepingPort, given.work);
  ASSERT_TRUE(rig.created);
  rig.dialogs.fileToOpen = given.keepingFile;
  rig.Command(MenuItem::Open);
  ASSERT_EQ(rig.window->DocumentPath(), given.keepingFile);
  const int16_t changed = rig.state.parameters.slowUpTime == 20 ? 15 : 20;
  rig.TypeAndLeave(EditField::SlowUp, std::to_string(changed));
  ASSERT_EQ(rig.TextOf(EditField::SlowUp), std::to_string(changed));
  rig.dialogs.messages.clear();
  rig.state.options.verifyAfterWrite = true;
  rig.Command(MenuItem::WriteToDevice);

  const WriteVerification& verification = rig.state.transfer.result.verification;
  EXPECT_TRUE(verification.ran);
  EXPECT_FALSE(verification.AllEqual());
  ASSERT_EQ(rig.dialogs.messages.size(), 1u);
  const std::string& message = rig.dialogs.messages.back();
  EXPECT_NE(message.find(VerificationMessage(verification, Language::English)), std::string::npos) << message;
  EXPECT_NE(message.find(given.kept.Text()), std::string::npos) << message;
}

struct EndToEndCase {
  const char* name;
  void (*run)(const Handover&);
};

const EndToEndCase kEndToEndCases[] = {
    {"ReadShowsTheValuesAndSavesTheSameFile", ReadShowsTheValuesAndSavesTheSameFile},
    {"WriteWithVerifyShowsTheKeptRegister", WriteWithVerifyShowsTheKeptRegister},
};

class WindowEndToEndTest : public ::testing::TestWithParam<EndToEndCase> {};

TEST_P(WindowEndToEndTest, AgainstTheSimulatorOnARealPort) {
  const auto port = Given("KLV_E2E_PORT");
  if (!port) GTEST_SKIP() << "no COM port named (tests/windows/e2e_window.sh names one)";
  Handover given;
  given.port = std::atoi(port->c_str());
  given.keepingPort = std::atoi(Given("KLV_E2E_KEEPING_PORT").value_or("0").c_str());
  given.kept = Register::FromText(Given("KLV_E2E_KEPT").value_or("012C")).value_or(Register{0x012C});
  given.expected = Widen(Given("KLV_E2E_EXPECTED").value_or(""));
  given.keepingFile = Widen(Given("KLV_E2E_KEEPING_FILE").value_or(""));
  given.work = Widen(Given("KLV_E2E_WORK").value_or("."));
  GetParam().run(given);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowEndToEndTest, ::testing::ValuesIn(kEndToEndCases),
                         [](const ::testing::TestParamInfo<EndToEndCase>& info) { return info.param.name; });

}  // namespace
}  // namespace klv
