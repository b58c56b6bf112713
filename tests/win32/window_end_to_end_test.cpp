// The window program against a real COM port: the windows of the program,
// the system's serial port and the system's clock, with a simulated regulator
// behind the port (tests/windows/e2e_window.sh maps COM ports to klv-sim's
// pseudo-terminals under Wine and names them here). Skipped when no port is
// named. Each case is one function in kEndToEndCases below; a new case (the
// monitor's, say) is a new function and a new row there.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
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
#include "monitor/data_recorder.h"
#include "platform/clock.h"
#include "text/texts.h"
#include "transfer/write_verification.h"
#include "win32/main_window.h"
#include "win32/monitor_window.h"
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
  std::optional<std::filesystem::path> recordFile;

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
  std::optional<std::filesystem::path> ChooseRecordFile(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return recordFile;
  }
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
    state.dataLogPath = work / "datalog.csv";
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
  std::string input;  // the control input the first regulator holds, as the monitor shows it
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

// What the operator does in the monitor's own message loop, a step at each
// tick of a timer of this thread: Start, then Close once the live value has
// shown and the record holds rows after its header (or after a minute of
// ticks, so that a broken line ends the case instead of hanging it).
struct MonitorSteps {
  static MonitorSteps* current;
  std::string expected;
  std::filesystem::path record;
  int step = 0;
  int ticks = 0;
  std::string valueSeen;
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    MonitorSteps& self = *current;
    const HWND monitor = FindWindowW(MonitorWindow::kClassName, nullptr);
    if (monitor == nullptr || self.step == 2) return;
    ++self.ticks;
    wchar_t text[32] = {};
    GetWindowTextW(GetDlgItem(monitor, monitor_id::Value(4)), text, 32);
    if (self.step == 0) {
      SendMessageW(GetDlgItem(monitor, monitor_id::kStart), BM_CLICK, 0, 0);
      self.step = 1;
    } else if (Narrow(text) == self.expected) {
      self.valueSeen = Narrow(text);
    }
    const std::vector<char> bytes = Bytes(self.record);
    const auto lines = std::count(bytes.begin(), bytes.end(), '\n');
    if (self.step == 1 && ((!self.valueSeen.empty() && lines >= 3) || self.ticks > 1200)) {
      SendMessageW(GetDlgItem(monitor, monitor_id::kClose), BM_CLICK, 0, 0);
      self.step = 2;
    }
  }
};
MonitorSteps* MonitorSteps::current = nullptr;

// Tools > Record data: the monitor shows the regulator's live control input,
// and the record file gets its header and rows of that value.
void MonitorShowsTheLiveValuesAndRecordsTheirRows(const Handover& given) {
  RealPortRig rig(given.port, given.work);
  ASSERT_TRUE(rig.created);
  MonitorSteps steps;
  steps.expected = given.input;
  steps.record = given.work / "window-record.csv";
  std::error_code error;
  std::filesystem::remove(steps.record, error);
  rig.dialogs.recordFile = steps.record;
  MonitorSteps::current = &steps;
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, MonitorSteps::Tick);
  rig.Command(MenuItem::RecordData);  // returns once the monitor has closed
  KillTimer(nullptr, timer);
  MonitorSteps::current = nullptr;

  EXPECT_EQ(steps.step, 2);
  EXPECT_EQ(steps.valueSeen, given.input);
  EXPECT_TRUE(rig.dialogs.messages.empty()) << rig.dialogs.messages.front();
  const std::vector<char> bytes = Bytes(steps.record);
  const std::string record(bytes.begin(), bytes.end());
  ASSERT_EQ(record.rfind(kDataLogHeader, 0), 0u) << record;
  // Every row after the header: "HH:MM:SS,<input>,<output>".
  std::size_t rows = 0;
  for (std::size_t at = kDataLogHeader.size(); at < record.size();) {
    const std::size_t end = record.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << record;
    const std::string row = record.substr(at, end - at);
    EXPECT_EQ(row.substr(8, given.input.size() + 2), "," + given.input + ",") << row;
    ++rows;
    at = end + 2;
  }
  EXPECT_GE(rows, 2u) << record;
}

struct EndToEndCase {
  const char* name;
  void (*run)(const Handover&);
};

const EndToEndCase kEndToEndCases[] = {
    {"ReadShowsTheValuesAndSavesTheSameFile", ReadShowsTheValuesAndSavesTheSameFile},
    {"WriteWithVerifyShowsTheKeptRegister", WriteWithVerifyShowsTheKeptRegister},
    {"MonitorShowsTheLiveValuesAndRecordsTheirRows", MonitorShowsTheLiveValuesAndRecordsTheirRows},
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
  given.input = Given("KLV_E2E_INPUT").value_or("523");
  GetParam().run(given);
}

INSTANTIATE_TEST_SUITE_P(Cases, WindowEndToEndTest, ::testing::ValuesIn(kEndToEndCases),
                         [](const ::testing::TestParamInfo<EndToEndCase>& info) { return info.param.name; });

}  // namespace
}  // namespace klv
