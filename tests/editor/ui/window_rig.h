#pragma once
// The main window over a program state of the test's own: a temporary data
// folder, a fake clock for the transfers' pauses, and dialogs that answer
// from a script and note what they were asked, so no modal loop holds a test.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "app/program_state.h"
#include "editor/parameter_comparison.h"
#include "app/ui/main_window.h"
#include "widgets/operator_dialogs.h"
#include "device/ui/comm_settings_dialog.h"
#include "editor/ui/report_dialog.h"
#include "editor/unit_report.h"
#include "support/fake_clock.h"

namespace klv::window_test {

struct ShownMessage {
  std::string text;
  QWidget* owner = nullptr;
};

class ScriptedDialogs final : public OperatorDialogs {
 public:
  void ShowMessage(QWidget* owner, std::string_view text) override {
    messages.push_back({std::string(text), owner});
    if (onMessage) onMessage(messages.back());
  }
  SaveAnswer AskSaveChanges(QWidget*, std::string_view text) override {
    questions.emplace_back(text);
    if (saveAnswers.empty()) return SaveAnswer::Cancel;
    const SaveAnswer answer = saveAnswers.front();
    saveAnswers.pop_front();
    return answer;
  }
  std::optional<std::filesystem::path> ChooseFileToOpen(QWidget*, const std::filesystem::path& folder) override {
    ++openDialogs;
    dialogFolders.push_back(folder);
    return Next(openChoices);
  }
  std::optional<std::filesystem::path> ChooseFileToSave(QWidget*, std::string_view initialName,
                                                        const std::filesystem::path& folder) override {
    saveDialogNames.emplace_back(initialName);
    dialogFolders.push_back(folder);
    return Next(saveChoices);
  }
  // Accepting runs the real settings screen's OK rules on what it opened with.
  bool RunCommunicationSettings(QWidget* owner, ProgramState& state) override {
    ++settingsRuns;
    const bool accept = settingsAnswers.empty() ? true : settingsAnswers.front();
    if (!settingsAnswers.empty()) settingsAnswers.pop_front();
    CommSettingsDialog screen(state.connection, state.language, owner, std::vector<std::filesystem::path>{});
    const ProgramOptions before = state.options;
    screen.BindVerifyAfterWrite(state.options.verifyAfterWrite);
    screen.BindLocalEcho(state.options.localEcho);
    screen.BindWriteChangedOnly(state.options.writeChangedOnly);
    if (verifyChoice) screen.VerifyAfterWriteBox()->setChecked(*verifyChoice);
    if (echoChoice) screen.LocalEchoBox()->setChecked(*echoChoice);
    if (changedOnlyChoice) screen.WriteChangedOnlyBox()->setChecked(*changedOnlyChoice);
    if (accept) {
      screen.accept();
      ApplyConnectionOptions(state);
      if (state.options != before) StoreProgramOptions(state);
    } else {
      screen.reject();
    }
    return accept;
  }
  void ShowComparison(QWidget*, const ParameterComparison& comparison, Language) override {
    comparisons.push_back(comparison);
  }
  ShellOpen OpenWithShell(const std::filesystem::path& path) override {
    shellOpened.push_back(path);
    return shellAnswer;
  }

  // File > Report: the note dialog answers from reportRequests (none:
  // cancelled), the PDF file dialog from reportChoices, printing with printAnswer.
  // With reportTyping set, the real dialog opens instead, the operator types
  // it into the note field as it comes up, and clicks "Save PDF…".
  std::optional<ReportRequest> AskReportDetails(QWidget* owner, Language language, std::string_view lastNote) override {
    reportNotesOffered.emplace_back(lastNote);
    if (reportTyping) {
      ReportDialog dialog(language, lastNote, owner);
      dialog.show();
      dialog.activateWindow();
      if (!QTest::qWaitForWindowExposed(&dialog)) return std::nullopt;
      QTest::keyClicks(dialog.NoteField(), *reportTyping);
      dialog.SaveButton()->click();
      return dialog.Request();
    }
    if (reportRequests.empty()) return std::nullopt;
    const ReportRequest request = reportRequests.front();
    reportRequests.pop_front();
    return request;
  }
  std::optional<std::filesystem::path> ChooseReportFile(QWidget*, std::string_view initialName,
                                                        const std::filesystem::path& folder) override {
    reportDialogNames.emplace_back(initialName);
    dialogFolders.push_back(folder);
    return Next(reportChoices);
  }
  // Tools > Record data: the record's save dialog answers from recordChoices
  // (none: cancelled).
  std::optional<std::filesystem::path> ChooseRecordFile(QWidget*, std::string_view initialName,
                                                        const std::filesystem::path& folder) override {
    recordDialogNames.emplace_back(initialName);
    dialogFolders.push_back(folder);
    return Next(recordChoices);
  }
  PrintOutcome PrintReport(QWidget*, const UnitReport& report) override {
    printedReports.push_back(report);
    return printAnswer;
  }

  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& message : messages) texts.push_back(message.text);
    return texts;
  }

  std::vector<ShownMessage> messages;
  std::function<void(const ShownMessage&)> onMessage;
  std::vector<std::string> questions;
  std::deque<SaveAnswer> saveAnswers;
  int openDialogs = 0;
  std::vector<std::filesystem::path> dialogFolders;  // where each file dialog started
  std::deque<std::optional<std::filesystem::path>> openChoices;
  std::vector<std::string> saveDialogNames;
  std::deque<std::optional<std::filesystem::path>> saveChoices;
  int settingsRuns = 0;
  std::deque<bool> settingsAnswers;
  std::optional<bool> verifyChoice;  // ticks or clears "Verify after writing" before OK
  std::optional<bool> echoChoice;    // ticks or clears "Local echo" before OK
  std::optional<bool> changedOnlyChoice;  // ticks or clears "Write changed values only" before OK
  std::vector<ParameterComparison> comparisons;
  std::vector<std::filesystem::path> shellOpened;
  ShellOpen shellAnswer = ShellOpen::Opened;
  std::vector<std::string> reportNotesOffered;
  std::optional<QString> reportTyping;
  std::deque<ReportRequest> reportRequests;
  std::vector<std::string> reportDialogNames;
  std::vector<std::string> recordDialogNames;
  std::deque<std::optional<std::filesystem::path>> recordChoices;
  std::deque<std::optional<std::filesystem::path>> reportChoices;
  std::vector<UnitReport> printedReports;
  PrintOutcome printAnswer = PrintOutcome::Printed;

 private:
  static std::optional<std::filesystem::path> Next(std::deque<std::optional<std::filesystem::path>>& choices) {
    if (choices.empty()) return std::nullopt;
    auto choice = choices.front();
    choices.pop_front();
    return choice;
  }
};

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Little-endian 16-bit words.
inline std::vector<uint8_t> Words(std::initializer_list<int> words) {
  std::vector<uint8_t> bytes;
  for (int word : words) {
    bytes.push_back(static_cast<uint8_t>(word & 0xFF));
    bytes.push_back(static_cast<uint8_t>((word >> 8) & 0xFF));
  }
  return bytes;
}

class WindowRig {
 public:
  explicit WindowRig(Language language = Language::English, SerialPortFactory ports = MakeSystemSerialPort)
      : state(clock, std::move(ports), language) {
    std::filesystem::create_directories(DataFolder());
    std::filesystem::create_directories(Folder() / "bin");
  }

  std::filesystem::path Folder() const { return dir_.path().toStdString(); }
  std::filesystem::path DataFolder() const { return Folder() / "data"; }
  std::filesystem::path SettingsFile() const { return DataFolder() / "KlvTool.ini"; }

  // Creates the window and runs its start-up sequence.
  MainWindow& Start(const std::filesystem::path& commandLineFile = {}) {
    state.commandLineFile = commandLineFile;
    window = std::make_unique<MainWindow>(state, dialogs);
    window->Initialise(StartupInputs{Folder() / "bin" / "klv-loader", Folder() / "doc",
                                     DataFolderOutcome{true, DataFolder(), {}}});
    return *window;
  }

  QString Title() const { return window->windowTitle(); }

  testing::FakeClock clock;
  ProgramState state;
  ScriptedDialogs dialogs;
  std::unique_ptr<MainWindow> window;

 private:
  QTemporaryDir dir_;
};

}  // namespace klv::window_test
