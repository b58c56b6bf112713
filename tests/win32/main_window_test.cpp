// The Win32 main window driven as an operator drives it: the controls' own
// messages (BM_CLICK, WM_SETTEXT and EN_KILLFOCUS, the menu's WM_COMMAND,
// WM_CLOSE), with the message boxes and file dialogs answered by a script.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "editor/parameter_file.h"
#include "editor/screen_layout.h"
#include "model/register_catalogue.h"
#include "support/fake_clock.h"
#include "text/texts.h"
#include "win32/main_window.h"
#include "win32/screen_controls.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

// Answers the window's questions from a script and records what it showed.
class ScriptedOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::deque<SaveAnswer> answers;
  std::deque<std::filesystem::path> filesToOpen;
  std::deque<std::filesystem::path> filesToSave;
  int commSettingsShown = 0;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view text) override {
    questions.emplace_back(text);
    if (answers.empty()) return SaveAnswer::Cancel;
    const SaveAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override {
    return Take(filesToOpen);
  }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view,
                                                        const std::filesystem::path&) override {
    return Take(filesToSave);
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override {
    ++commSettingsShown;
    return false;
  }

 private:
  static std::optional<std::filesystem::path> Take(std::deque<std::filesystem::path>& files) {
    if (files.empty()) return std::nullopt;
    std::filesystem::path file = files.front();
    files.pop_front();
    return file;
  }
};

// A folder of its own with a Japanese name, so every path is a wide one.
std::filesystem::path MakeFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::filesystem::path folder = std::filesystem::path(temp) /
                                       (L"klv-window-テスト-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                                        std::to_wstring(++count));
  std::filesystem::create_directories(folder);
  return folder;
}

std::vector<char> Bytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The volume buttons, whose states the volume lock decides after the layout.
bool IsVolumeButton(RadioGroup group, int button) {
  return ((group == RadioGroup::RampLowerLimit || group == RadioGroup::RampUpperSelection) && button > 0) ||
         (group == RadioGroup::CurrentLimiter && button > 0) || (group == RadioGroup::Di1 && button > 0);
}

class MainWindowTest : public ::testing::Test {
 protected:
  void Start(Language language = Language::English, const std::filesystem::path& commandLineFile = {}) {
    if (folder_.empty()) folder_ = MakeFolder();
    state_ = std::make_unique<ProgramState>(clock_, MakeSystemSerialPort, language);
    state_->settingsPath = folder_ / "KlvTool.ini";
    state_->commandLineFile = commandLineFile;
    window_ = std::make_unique<MainWindow>(*state_, operator_);
    // Not shown: Wine waits for a window manager when a shown window goes.
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
  }
  void TearDown() override {
    window_.reset();
    std::error_code error;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, error);
  }

  HWND Dialog() const { return window_->Handle(); }
  HWND Control(int id) const { return GetDlgItem(Dialog(), id); }
  bool Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }
  // The control's own visibility, whether or not the window is on the screen.
  bool Shown(int id) const { return (GetWindowLongPtrW(Control(id), GWL_STYLE) & WS_VISIBLE) != 0; }
  bool Checked(int id) const { return SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
  std::string TextOf(HWND window) const {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return Narrow(text);
  }
  std::string TextOf(int id) const { return TextOf(Control(id)); }
  std::string Title() const { return TextOf(Dialog()); }

  void Click(int id) { SendMessageW(Control(id), BM_CLICK, 0, 0); }
  void Command(MenuItem item) { SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(CommandId(item), 0), 0); }
  // Types the text into the field and leaves it.
  void TypeAndLeave(EditField field, const std::string& text) {
    const int id = screen_id::Edit(field);
    SendMessageW(Control(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(Dialog(), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(Control(id)));
  }
  // Opens a file through File > Open, the dialog answered with path.
  void Open(const std::filesystem::path& path) {
    operator_.filesToOpen.push_back(path);
    Command(MenuItem::Open);
  }

  // The enabled states and spin ranges of the screen are those of layout
  // (the volume buttons aside: the volume lock has the last word on them).
  void ExpectEnabledAsIn(const ScreenLayout& layout) {
    for (const RadioGroup group : AllRadioGroups()) {
      const auto g = static_cast<std::size_t>(group);
      if (layout.groups[g]) {
        EXPECT_EQ(Enabled(screen_id::GroupBox(group)), *layout.groups[g]) << "group " << g;
      }
      for (int button = 0; button < ButtonCount(group); ++button) {
        const std::optional<bool> enabled = layout.ButtonEnabled(group, button);
        if (!enabled || IsVolumeButton(group, button)) continue;
        EXPECT_EQ(Enabled(screen_id::Radio(group, button)), *enabled) << "group " << g << " button " << button;
      }
    }
    for (std::size_t i = 0; i < kEditFieldCount; ++i) {
      const auto field = static_cast<EditField>(i);
      if (layout.fields[i]) {
        EXPECT_EQ(Enabled(screen_id::Spin(field)), *layout.fields[i]) << "field " << i;
      }
      if (layout.colons[i] && Control(screen_id::Colon(field))) {
        EXPECT_EQ(Enabled(screen_id::Colon(field)), *layout.colons[i]) << "colon " << i;
      }
      if (layout.spinRanges[i]) {
        int lower = 0;
        int upper = 0;
        SendMessageW(Control(screen_id::Spin(field)), UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower),
                     reinterpret_cast<LPARAM>(&upper));
        EXPECT_EQ(lower, layout.spinRanges[i]->lower) << "field " << i;
        EXPECT_EQ(upper, layout.spinRanges[i]->upper) << "field " << i;
      }
    }
  }

  testing::FakeClock clock_;
  ScriptedOperator operator_;
  std::filesystem::path folder_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

// ---- The screen of each model and option set ----------------------------------------

struct LayoutCase {
  ModelKind model;
  uint16_t optionFlags;
  uint16_t optionDetect;
  int16_t controlInputRange;
};

class ScreenLayoutTest : public MainWindowTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(ScreenLayoutTest, MatchesTheCoresLayoutRules) {
  const LayoutCase c = GetParam();
  Start();
  ParameterSet set;
  LoadDefaults(set, c.model);
  set.optionFlags = c.optionFlags;
  set.optionDetect = c.optionDetect;
  set.controlInputRange = c.controlInputRange;
  const std::filesystem::path file = folder_ / "layout.klv";
  ASSERT_TRUE(WriteParameterFile(file, set, c.model).ok);
  Open(file);
  ASSERT_EQ(state_->currentModel, c.model);

  const ScreenLayout layout = LayoutFor(c.model, c.optionFlags, c.optionDetect, c.controlInputRange);
  ExpectEnabledAsIn(layout);
  EXPECT_EQ(Shown(screen_id::Edit(EditField::SlowDown)), layout.slowDownShown);
  EXPECT_EQ(TextOf(screen_id::kSlowBox), Text(layout.slowCaption, Language::English));
  EXPECT_EQ(TextOf(screen_id::Label(EditField::SlowUp)), Text(layout.slowUpLabel, Language::English));
  EXPECT_EQ(TextOf(screen_id::kScalingBox), Text(layout.scalingCaption, Language::English));
  EXPECT_EQ(TextOf(screen_id::kOneSeriesBox), layout.oneSeriesCaption);
  EXPECT_EQ(Enabled(screen_id::OptionBox(0)), layout.oneSeriesOptions);
  for (int box = 1; box <= 4; ++box) EXPECT_EQ(Enabled(screen_id::OptionBox(box)), layout.klv40Options);
  EXPECT_EQ(TextOf(screen_id::Radio(RadioGroup::ControlInput, 0)),
            layout.linearInput ? Text(TextId::Linear, Language::English) : "4-20mA");
  EXPECT_EQ(Shown(screen_id::kCurrentInput), layout.inputKindShown);
  // The option words are on the screen as the file has them.
  for (int bit = 0; bit < 4; ++bit) EXPECT_EQ(Checked(screen_id::OptionBox(bit + 1)), ((c.optionFlags >> bit) & 1) != 0);
  EXPECT_EQ(Checked(screen_id::OptionBox(0)), c.optionDetect != 0);
}

INSTANTIATE_TEST_SUITE_P(EachModelAndOptionSet, ScreenLayoutTest,
                         ::testing::Values(LayoutCase{ModelKind::Klv40, 0x0, 0, 0},
                                           LayoutCase{ModelKind::Klv40, 0xF, 0, 3},
                                           LayoutCase{ModelKind::Klv40, 0x5, 0, 1},
                                           LayoutCase{ModelKind::Klv30, 0, 0, 0},
                                           LayoutCase{ModelKind::Klv30, 0, 1, 6},
                                           LayoutCase{ModelKind::Klv30E, 0, 0, 0},
                                           LayoutCase{ModelKind::Klv30E, 0, 1, 2}));

struct OptionCase {
  ModelKind model;
  int box;
  uint16_t optionFlags;  // the option words with the box ticked
  uint16_t optionDetect;
};

class OptionBoxTest : public MainWindowTest, public ::testing::WithParamInterface<OptionCase> {};

TEST_P(OptionBoxTest, TickingTheBoxArrangesTheScreenAsItsOptionDoes) {
  const OptionCase c = GetParam();
  Start();
  if (c.model != ModelKind::Klv40) Command(c.model == ModelKind::Klv30 ? MenuItem::ModelKlv30 : MenuItem::ModelKlv30E);
  Click(screen_id::OptionBox(c.box));
  EXPECT_TRUE(Checked(screen_id::OptionBox(c.box)));
  EXPECT_TRUE(window_->Modified());
  ExpectEnabledAsIn(LayoutFor(c.model, c.optionFlags, c.optionDetect, 0));
  Click(screen_id::OptionBox(c.box));
  ExpectEnabledAsIn(LayoutFor(c.model, 0, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(EachBox, OptionBoxTest,
                         ::testing::Values(OptionCase{ModelKind::Klv30, 0, 0, 1}, OptionCase{ModelKind::Klv30E, 0, 0, 1},
                                           OptionCase{ModelKind::Klv40, 1, 0x1, 0}, OptionCase{ModelKind::Klv40, 2, 0x2, 0},
                                           OptionCase{ModelKind::Klv40, 3, 0x4, 0}, OptionCase{ModelKind::Klv40, 4, 0x8, 0}));

TEST_F(MainWindowTest, JapaneseScreenTakesItsTextsFromTheTables) {
  Start(Language::Japanese);
  EXPECT_EQ(TextOf(screen_id::GroupBox(RadioGroup::KeyLock)), Caption(Screen::MainWindow, "Key lock", Language::Japanese));
  EXPECT_EQ(TextOf(screen_id::OptionBox(0)),
            Caption(Screen::MainWindow, "Output current detection function", Language::Japanese));
  wchar_t file[64] = {};
  GetMenuStringW(GetMenu(Dialog()), 0, file, 64, MF_BYPOSITION);
  EXPECT_EQ(Narrow(file), MenuText(MenuItem::File, Language::Japanese));
  EXPECT_EQ(Title(), "KLV Loader - KLV40 - " + std::string(Caption(Screen::MainWindow, "Untitled", Language::Japanese)));
}

// ---- Values typed and left -------------------------------------------------------------

struct TypedCase {
  ModelKind model;
  EditField field;
  std::string typed;
  std::string shown;  // what the field shows once left
};

class TypedValueTest : public MainWindowTest, public ::testing::WithParamInterface<TypedCase> {};

TEST_P(TypedValueTest, IsKeptWithinTheFieldsRange) {
  const TypedCase c = GetParam();
  Start();
  if (c.model != ModelKind::Klv40) Command(c.model == ModelKind::Klv30 ? MenuItem::ModelKlv30 : MenuItem::ModelKlv30E);
  ASSERT_EQ(state_->currentModel, c.model);
  TypeAndLeave(c.field, c.typed);
  EXPECT_EQ(TextOf(screen_id::Edit(c.field)), c.shown);
  EXPECT_TRUE(window_->Modified());
  EXPECT_EQ(Title().back(), '*');
}

INSTANTIATE_TEST_SUITE_P(
    AsOnLinux, TypedValueTest,
    ::testing::Values(TypedCase{ModelKind::Klv40, EditField::HeaterBreakCurrent, "150", "100"},
                      TypedCase{ModelKind::Klv40, EditField::SlowUp, "-7", "0"},
                      TypedCase{ModelKind::Klv40, EditField::BootLimiter, "1200", "1000"},
                      TypedCase{ModelKind::Klv40, EditField::RampUpperSetting, "0", "1"},
                      TypedCase{ModelKind::Klv40, EditField::ScaleHigh, "1500", "1000"},
                      TypedCase{ModelKind::Klv40, EditField::CurrentLimiter, "5", kLimiterOffText},
                      TypedCase{ModelKind::Klv30E, EditField::CurrentLimiter, "5", "10"},
                      TypedCase{ModelKind::Klv30E, EditField::ScaleLow, "500", "200"},
                      TypedCase{ModelKind::Klv30E, EditField::ScaleHigh, "500", "800"}));

TEST_F(MainWindowTest, RampLowerLimitStaysBelowTheHigherLimit) {
  Start();
  TypeAndLeave(EditField::RampUpperSetting, "300");
  TypeAndLeave(EditField::RampLowerLimit, "450");
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::RampLowerLimit)), "299");
}

// ---- Files -------------------------------------------------------------------------------

TEST_F(MainWindowTest, OpenThenSaveAsWritesTheSameBytes) {
  Start();
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30E);
  set.optionDetect = 1;
  set.rampLowerLimit = -1;  // on VR1
  set.currentLimiter = 77;
  set.slowUpTime = 12;
  set.scaleLow = 150;
  set.controlInputRange = 6;
  set.keyLock = 1;
  const std::filesystem::path original = folder_ / L"炉１.klv";
  ASSERT_TRUE(WriteParameterFile(original, set, ModelKind::Klv30E).ok);

  Open(original);
  EXPECT_EQ(Title(), "KLV Loader - KLV30E - 炉１");
  EXPECT_EQ(operator_.messages.back(), Text(TextId::FileRead, Language::English));
  EXPECT_TRUE(Checked(screen_id::Radio(RadioGroup::RampLowerLimit, 1)));
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::CurrentLimiter)), "77");

  const std::filesystem::path copy = folder_ / L"写し.klv";
  operator_.filesToSave.push_back(copy);
  Command(MenuItem::SaveAs);
  EXPECT_EQ(operator_.messages.back(), Text(TextId::FileWritten, Language::English));
  EXPECT_EQ(Bytes(copy), Bytes(original));
  EXPECT_EQ(window_->DocumentPath(), copy);
  EXPECT_EQ(Title(), "KLV Loader - KLV30E - 写し");

  // An edit saved with Save goes to the same file, and only that value changes.
  Click(screen_id::Radio(RadioGroup::KeyLock, 0));
  EXPECT_EQ(Title(), "KLV Loader - KLV30E - 写し*");
  Command(MenuItem::Save);
  set.keyLock = 0;
  const ParameterFileBytes expected = EncodeParameterFile(set, ModelKind::Klv30E);
  EXPECT_EQ(Bytes(copy), std::vector<char>(expected.begin(), expected.end()));
  EXPECT_FALSE(window_->Modified());

  // New brings back the model's defaults, untitled.
  Command(MenuItem::New);
  EXPECT_EQ(Title(), "KLV Loader - KLV30E - Untitled");
  ParameterSet defaults;
  LoadDefaults(defaults, ModelKind::Klv30E);
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::SlowUp)), EditText(defaults.slowUpTime));
  EXPECT_TRUE(window_->DocumentPath().empty());
}

TEST_F(MainWindowTest, ToolsCommunicationSettingsShowsTheSettingsWindow) {
  Start();
  Command(MenuItem::CommunicationSettings);
  EXPECT_EQ(operator_.commSettingsShown, 1);
  EXPECT_TRUE(operator_.messages.empty());
}

TEST_F(MainWindowTest, CommandLineFileIsOpenedWithoutAMessage) {
  folder_ = MakeFolder();
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  set.slowUpTime = 321;
  const std::filesystem::path file = folder_ / L"ライン２.klv";
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
  Start(Language::English, file);
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - ライン２");
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::SlowUp)), "321");
  EXPECT_FALSE(window_->Modified());
  EXPECT_TRUE(operator_.messages.empty());
}

TEST_F(MainWindowTest, RefusedFileChangesNothing) {
  Start();
  const std::filesystem::path bad = folder_ / "short.klv";
  std::ofstream(bad, std::ios::binary) << "not a parameter file";
  TypeAndLeave(EditField::SlowUp, "55");
  operator_.answers.push_back(SaveAnswer::No);
  Open(bad);
  EXPECT_EQ(operator_.messages.back(), Text(TextId::FileDataInvalid, Language::English));
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::SlowUp)), "55");
  EXPECT_EQ(Title(), "KLV Loader - KLV40 - Untitled");
}

// ---- The save question on exit ---------------------------------------------------------

struct ExitCase {
  SaveAnswer answer;
  bool saveDialogAnswered;
  bool closes;
  bool saved;
};

class ExitTest : public MainWindowTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitTest, AsksAboutChanges) {
  const ExitCase c = GetParam();
  Start();
  Click(screen_id::Radio(RadioGroup::KeyLock, 1));
  ASSERT_TRUE(window_->Modified());
  const std::filesystem::path file = folder_ / "kept.klv";
  operator_.answers.push_back(c.answer);
  if (c.saveDialogAnswered) operator_.filesToSave.push_back(file);
  SendMessageW(Dialog(), WM_CLOSE, 0, 0);
  ASSERT_EQ(operator_.questions.size(), 1u);
  EXPECT_EQ(operator_.questions[0], Text(TextId::SaveChangesTo, Language::English, {"Untitled"}));
  EXPECT_EQ(window_->Closed(), c.closes);
  EXPECT_EQ(std::filesystem::exists(file), c.saved);
  if (c.saved) {
    const std::optional<ParameterFileContents> contents = DecodeParameterFile(
        [&] { auto b = Bytes(file); return std::vector<uint8_t>(b.begin(), b.end()); }());
    ASSERT_TRUE(contents);
    EXPECT_EQ(contents->parameters.keyLock, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(EachAnswer, ExitTest,
                         ::testing::Values(ExitCase{SaveAnswer::Cancel, false, false, false},
                                           ExitCase{SaveAnswer::No, false, true, false},
                                           ExitCase{SaveAnswer::Yes, true, true, true},
                                           ExitCase{SaveAnswer::Yes, false, false, false}));

TEST_F(MainWindowTest, ExitWithoutChangesDoesNotAsk) {
  Start();
  Command(MenuItem::Exit);
  EXPECT_TRUE(operator_.questions.empty());
  EXPECT_TRUE(window_->Closed());
}

TEST_F(MainWindowTest, ModelMenuArrangesTheScreenAndTitle) {
  Start();
  Command(MenuItem::ModelKlv30);
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - Untitled");
  const UINT klv30 = GetMenuState(GetMenu(Dialog()), static_cast<UINT>(CommandId(MenuItem::ModelKlv30)), MF_BYCOMMAND);
  EXPECT_TRUE(klv30 & MF_CHECKED);
  EXPECT_FALSE(Shown(screen_id::Edit(EditField::SlowDown)));
  Command(MenuItem::ModelKlv40);
  EXPECT_TRUE(Shown(screen_id::Edit(EditField::SlowDown)));
}

TEST_F(MainWindowTest, AValueOutsideItsLimitsShowsMarkedWithItsLimitsUntilCorrected) {
  Start();
  // As a read of a regulator or a damaged file can leave it.
  state_->parameters.slowUpTime = 1500;
  window_->Screen().ShowParameters();
  HDC dc = GetDC(Dialog());
  const auto brushFor = [&](EditField field) {
    return SendMessageW(Dialog(), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc),
                        reinterpret_cast<LPARAM>(Control(screen_id::Edit(field))));
  };
  // An unmarked field gets the system's colours.
  const LRESULT system = brushFor(EditField::SlowDown);
  EXPECT_EQ(TextOf(screen_id::Edit(EditField::SlowUp)), "1500");
  EXPECT_NE(brushFor(EditField::SlowUp), system);
  // Its tip names the limits.
  const auto tipOf = [&](EditField field) {
    HWND tips = window_->Screen().MarkTips();
    if (tips == nullptr) return std::string();
    wchar_t text[256] = {};
    TOOLINFOW tool{};
    tool.cbSize = sizeof(tool);
    tool.hwnd = Dialog();
    tool.uId = reinterpret_cast<UINT_PTR>(Control(screen_id::Edit(field)));
    tool.lpszText = text;
    SendMessageW(tips, TTM_GETTEXTW, 256, reinterpret_cast<LPARAM>(&tool));
    return Narrow(text);
  };
  EXPECT_NE(tipOf(EditField::SlowUp).find("0..999"), std::string::npos) << tipOf(EditField::SlowUp);
  EXPECT_EQ(tipOf(EditField::SlowDown), "");

  TypeAndLeave(EditField::SlowUp, "25");
  EXPECT_EQ(brushFor(EditField::SlowUp), system);
  EXPECT_EQ(tipOf(EditField::SlowUp), "");
  ReleaseDC(Dialog(), dc);
}

}  // namespace
}  // namespace klv
