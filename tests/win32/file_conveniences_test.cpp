// The main window's conveniences around files: the recent files above Exit,
// the folder each file dialog starts in, a later start handing its file
// over, and the files Tools and Help open with the system's program.
#include <gtest/gtest.h>
#include <windows.h>

#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/shell_open_text.h"
#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "support/fake_clock.h"
#include "text/texts.h"
#include "win32/main_window.h"
#include "win32/program_resources.h"
#include "win32/screen_controls.h"
#include "win32/single_instance.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

class FileOperator : public WindowOperator {
 public:
  std::vector<std::string> messages;
  std::vector<std::string> questions;
  std::deque<SaveAnswer> answers;
  std::deque<std::filesystem::path> filesToOpen;
  std::vector<std::filesystem::path> openStartedIn;
  std::vector<std::filesystem::path> shellOpened;
  ShellOpen shellAnswer = ShellOpen::Opened;

  void ShowMessage(HWND, std::string_view text) override { messages.emplace_back(text); }
  SaveAnswer AskSaveChanges(HWND, std::string_view text) override {
    questions.emplace_back(text);
    if (answers.empty()) return SaveAnswer::Cancel;
    const SaveAnswer answer = answers.front();
    answers.pop_front();
    return answer;
  }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path& folder) override {
    openStartedIn.push_back(folder);
    if (filesToOpen.empty()) return std::nullopt;
    std::filesystem::path file = filesToOpen.front();
    filesToOpen.pop_front();
    return file;
  }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view, const std::filesystem::path&) override {
    return std::nullopt;
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return false; }
  ShellOpen OpenWithShell(const std::filesystem::path& path) override {
    shellOpened.push_back(path);
    return shellAnswer;
  }
};

// A folder of its own with a Japanese name, so every path is a wide one.
std::filesystem::path MakeFolder() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  static int count = 0;
  const std::filesystem::path folder = std::filesystem::path(temp) / (L"klv-files-設定-" +
                                                                      std::to_wstring(GetCurrentProcessId()) + L"-" +
                                                                      std::to_wstring(++count));
  std::filesystem::create_directories(folder);
  return folder;
}

std::string MenuString(HMENU menu, UINT position) {
  wchar_t text[512] = {};
  GetMenuStringW(menu, position, text, 512, MF_BYPOSITION);
  return Narrow(text);
}

class FileConveniencesTest : public ::testing::Test {
 protected:
  void SetUp() override { folder_ = MakeFolder(); }
  void Start() {
    state_ = std::make_unique<ProgramState>(clock_, MakeSystemSerialPort, Language::English);
    state_->settingsPath = folder_ / "KlvTool.ini";
    state_->optionsPath = folder_ / std::string(kProgramOptionsFileName);
    state_->commLogPath = folder_ / "comlog.txt";
    state_->manualPath = folder_ / "KlvToolEng.pdf";
    window_ = std::make_unique<MainWindow>(*state_, dialogs_);
    ASSERT_TRUE(window_->Create(GetModuleHandleW(nullptr)));
  }
  void TearDown() override {
    window_.reset();
    std::error_code error;
    std::filesystem::remove_all(folder_, error);
  }

  std::filesystem::path MakeFile(const std::wstring& name, int slowUp) {
    ParameterSet set;
    LoadDefaults(set, ModelKind::Klv30);
    set.slowUpTime = static_cast<int16_t>(slowUp);
    const std::filesystem::path file = folder_ / name;
    EXPECT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
    return file;
  }
  void Command(int id) { SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
  void Command(MenuItem item) { Command(CommandId(item)); }
  void Open(const std::filesystem::path& file) {
    dialogs_.filesToOpen.push_back(file);
    Command(MenuItem::Open);
  }
  // Types into the slow-up field and leaves it: the document is changed.
  void TypeAndLeave(const std::string& text) {
    const int id = screen_id::Edit(EditField::SlowUp);
    HWND field = GetDlgItem(window_->Handle(), id);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    SendMessageW(window_->Handle(), WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(field));
  }
  HMENU FileMenu() const { return GetSubMenu(GetMenu(window_->Handle()), 0); }
  // The File menu's items from the recent files' heading to Exit.
  std::vector<std::string> RecentPart() const {
    HMENU file = FileMenu();
    std::vector<std::string> items;
    bool inside = false;
    for (int i = 0; i < GetMenuItemCount(file); ++i) {
      const UINT id = GetMenuItemID(file, i);
      if (id == static_cast<UINT>(kRecentFilesHeading)) inside = true;
      if (!inside) continue;
      items.push_back((GetMenuState(file, static_cast<UINT>(i), MF_BYPOSITION) & MF_SEPARATOR) ? "-"
                                                                                             : MenuString(file, i));
      if (id == static_cast<UINT>(CommandId(MenuItem::Exit))) break;
    }
    return items;
  }
  std::string Title() const {
    wchar_t text[512] = {};
    GetWindowTextW(window_->Handle(), text, 512);
    return Narrow(text);
  }
  static void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }

  testing::FakeClock clock_;
  FileOperator dialogs_;
  std::filesystem::path folder_;
  std::unique_ptr<ProgramState> state_;
  std::unique_ptr<MainWindow> window_;
};

// ---- Recent files and last folders ----------------------------------------------------------

TEST_F(FileConveniencesTest, OpenedFilesStandAboveExitNewestFirstAndAreKept) {
  Start();
  EXPECT_TRUE(RecentPart().empty());  // no heading without files
  const std::filesystem::path first = MakeFile(L"炉１.klv", 11);
  const std::filesystem::path second = MakeFile(L"炉 & ２.klv", 22);
  Open(first);
  Open(second);
  const std::vector<std::string> expected = {std::string(Text(TextId::RecentFiles, Language::English)),
                                             RecentFileMenuText(0, second), RecentFileMenuText(1, first), "-",
                                             std::string(MenuText(MenuItem::Exit, Language::English))};
  EXPECT_EQ(RecentPart(), expected);
  EXPECT_EQ(GetMenuState(FileMenu(), kRecentFilesHeading, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
  // "&" shows as itself, and the digit picks the item.
  EXPECT_EQ(RecentFileMenuText(0, second).substr(0, 3), "&1 ");
  EXPECT_NE(RecentFileMenuText(0, second).find("&&"), std::string::npos);

  // Chosen from the menu, the older file opens; a new start finds the list as it was left.
  Command(kFirstRecentFile + 1);
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - 炉１");
  window_.reset();
  Start();
  EXPECT_EQ(RecentPart()[1], RecentFileMenuText(0, first));
  EXPECT_EQ(RecentPart()[2], RecentFileMenuText(1, second));
}

TEST_F(FileConveniencesTest, MissingRecentFileLeavesTheListWithTheOpenMessage) {
  const std::filesystem::path kept = MakeFile(L"残る.klv", 1);
  const std::filesystem::path gone = MakeFile(L"消える.klv", 2);
  Start();
  Open(kept);
  Open(gone);
  std::filesystem::remove(gone);
  dialogs_.messages.clear();
  Command(kFirstRecentFile);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], Text(*RefusalText(ParameterFileStatus::CannotOpen), Language::English));
  EXPECT_EQ(state_->options.recentFiles, std::vector<std::filesystem::path>{kept});
  EXPECT_EQ(LoadProgramOptions(state_->optionsPath).recentFiles, std::vector<std::filesystem::path>{kept});
  EXPECT_EQ(RecentPart().size(), 4u);  // heading, the kept file, separator, Exit
}

TEST_F(FileConveniencesTest, RecentFileAsksAboutChangesFirst) {
  const std::filesystem::path file = MakeFile(L"one.klv", 5);
  Start();
  Open(file);
  Command(MenuItem::New);
  TypeAndLeave("55");
  dialogs_.answers.push_back(SaveAnswer::Cancel);
  Command(kFirstRecentFile);
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - Untitled*");
}

TEST_F(FileConveniencesTest, FileDialogStartsInTheFolderLastChosenAlsoAfterARestart) {
  const std::filesystem::path sub = folder_ / L"ライン";
  std::filesystem::create_directories(sub);
  const std::filesystem::path file = sub / L"a.klv";
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv40).ok);
  Start();
  Open(file);
  Command(MenuItem::Open);  // cancelled
  ASSERT_EQ(dialogs_.openStartedIn.size(), 2u);
  EXPECT_EQ(dialogs_.openStartedIn[1], sub);
  window_.reset();
  Start();
  Command(MenuItem::Open);
  EXPECT_EQ(dialogs_.openStartedIn.back(), sub);
}

// ---- A later start ---------------------------------------------------------------------------

TEST_F(FileConveniencesTest, LaterStartFindsTheWindowAndItOpensTheFileHandedOver) {
  const std::filesystem::path file = MakeFile(L"二台目.klv", 77);
  Start();
  EXPECT_EQ(FindRunningMainWindow(), window_->Handle());
  ASSERT_TRUE(HandOverToRunningWindow(window_->Handle(), file));
  Pump();
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - 二台目");
  EXPECT_TRUE(dialogs_.messages.empty());
  EXPECT_EQ(state_->parameters.slowUpTime, 77);
}

TEST_F(FileConveniencesTest, LaterStartsFileWaitsForTheSaveQuestion) {
  const std::filesystem::path file = MakeFile(L"後.klv", 78);
  Start();
  TypeAndLeave("12");
  ASSERT_TRUE(window_->Modified());
  dialogs_.answers = {SaveAnswer::Cancel, SaveAnswer::No};
  ASSERT_TRUE(HandOverToRunningWindow(window_->Handle(), file));
  Pump();
  EXPECT_EQ(dialogs_.questions.size(), 1u);
  EXPECT_EQ(Title().find("後"), std::string::npos);
  ASSERT_TRUE(HandOverToRunningWindow(window_->Handle(), file));
  Pump();
  EXPECT_EQ(dialogs_.questions.size(), 2u);
  EXPECT_EQ(Title(), "KLV Loader - KLV30 - 後");
}

TEST(HandedOverFile, TakesOnlyOneWidePathEndedByItsZero) {
  const std::wstring good = L"C:\\users\\技術\\デスクトップ\\設定.klv";
  const auto message = [](ULONG_PTR kind, const std::wstring& text, std::size_t bytes) {
    COPYDATASTRUCT data{};
    data.dwData = kind;
    data.cbData = static_cast<DWORD>(bytes);
    data.lpData = const_cast<wchar_t*>(text.c_str());
    return HandedOverFile(data);
  };
  const std::size_t whole = (good.size() + 1) * sizeof(wchar_t);
  ASSERT_TRUE(message(kHandOverFile, good, whole));
  EXPECT_EQ(message(kHandOverFile, good, whole)->wstring(), good);
  EXPECT_FALSE(message(kHandOverFile + 1, good, whole));                    // another program's data
  EXPECT_FALSE(message(kHandOverFile, good, whole - sizeof(wchar_t)));      // no closing zero
  EXPECT_FALSE(message(kHandOverFile, good, whole - 1));                    // half a character
  EXPECT_FALSE(message(kHandOverFile, L"a\nb", 4 * sizeof(wchar_t)));       // two lines
  EXPECT_FALSE(message(kHandOverFile, std::wstring(L"a\0b", 3), 4 * sizeof(wchar_t)));  // two paths
  EXPECT_FALSE(message(kHandOverFile, good, 0));
}

// ---- Tools > Communication log, Help > Manual --------------------------------------------------

TEST_F(FileConveniencesTest, LogAndManualGoToTheSystemsProgram) {
  Start();
  Command(MenuItem::CommunicationLog);
  Command(MenuItem::Manual);
  ASSERT_EQ(dialogs_.shellOpened.size(), 2u);
  EXPECT_EQ(dialogs_.shellOpened[0], state_->commLogPath);
  EXPECT_EQ(dialogs_.shellOpened[1], state_->manualPath);
  EXPECT_TRUE(dialogs_.messages.empty());
  dialogs_.shellAnswer = ShellOpen::NoProgram;
  Command(MenuItem::Manual);
  ASSERT_EQ(dialogs_.messages.size(), 1u);
  EXPECT_EQ(dialogs_.messages[0], NoProgramForFileText(state_->manualPath, Language::English));
}

TEST_F(FileConveniencesTest, CommunicationLogIsOfferedOnceThereIsOne) {
  Start();
  HMENU tools = GetSubMenu(GetMenu(window_->Handle()), 1);
  const UINT log = static_cast<UINT>(CommandId(MenuItem::CommunicationLog));
  SendMessageW(window_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 1);
  EXPECT_TRUE(GetMenuState(tools, log, MF_BYCOMMAND) & MF_GRAYED);
  ASSERT_TRUE(SaveFileAtomically(state_->commLogPath, "log\r\n").ok);
  SendMessageW(window_->Handle(), WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(tools), 1);
  EXPECT_FALSE(GetMenuState(tools, log, MF_BYCOMMAND) & MF_GRAYED);
}

}  // namespace
}  // namespace klv
