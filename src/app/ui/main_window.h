#pragma once
// The main window: the editing screen under a menu bar, the document state
// (which parameter file is open, whether it has unsaved changes, the title),
// the shortcut keys, the file commands, the commands that read from and
// write to the regulator, and the start-up sequence that gets it ready.
#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/document_flow.h"
#include "app/transfer_flow.h"
#include "text/texts.h"
#include "editor/unit_report.h"
#include "model/model_kind.h"
#include "platform/data_folder.h"

class QAction;
class QMenu;
class QShortcut;

namespace klv {

class OperatorDialogs;
class ParameterScreen;
class ProgramState;

// What start-up needs to know about the machine.
struct StartupInputs {
  std::filesystem::path programFile;          // the running program; empty when it cannot be found
  std::filesystem::path documentationFolder;  // the installed manual's folder
  DataFolderOutcome dataFolder;
};

// The shortcut keys: the ones the menu captions show (Ctrl with a letter,
// F1) and the desktop's own beside them (Ctrl+Q, Ctrl+Shift+S).
struct ShortcutKey {
  int keys;  // a Qt key combined with its modifiers
  MenuItem command;
};
const std::vector<ShortcutKey>& ShortcutKeys();

class MainWindow : public QMainWindow, private TransferWindow, private DocumentWindow {
  Q_OBJECT

 public:
  enum class Prompt { Continue, Stop };

  // state and dialogs must outlive the window.
  MainWindow(ProgramState& state, OperatorDialogs& dialogs, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The start-up sequence after the controls exist: paths, settings, size
  // and place, defaults, model layout, title, Model menu, then the
  // command-line file. Messages are owned by this window.
  void Initialise(const StartupInputs& inputs);

  // ---- Document state ----
  bool Modified() const override { return modified_; }
  const std::string& DocumentTitle() const override { return documentTitle_; }
  const std::filesystem::path& DocumentPath() const override { return documentPath_; }
  const std::string& ProductName() const { return productName_; }
  // A note the title carries after its usual parts (the demo mode's).
  void SetTitleNote(std::string note) {
    titleNote_ = std::move(note);
    UpdateTitle();
  }
  bool ScreenReady() const { return screenReady_; }
  // Sets Modified and updates the title.
  void SetModified(bool modified) override;

  void UpdateTitle();
  void UpdateModelMenu();
  // Before the document is discarded. Continue without asking when nothing
  // is modified; else the Yes/No/Cancel question: Yes saves with Save as and
  // goes on only when the file was written (the operator asked to keep the
  // edits); No goes on; Cancel stops.
  Prompt PromptSaveChanges();

  // ---- Commands ----
  void NewDocument();
  void OpenDocument();
  // File > 1..8: the parameter file opened or saved that many files ago,
  // after the save question.
  void OpenRecentFile(const std::filesystem::path& path);
  // The File menu's items of the recent files, newest first.
  const std::vector<QAction*>& RecentFileActions() const { return recentActions_; }
  // Their heading, shown while there are any.
  QAction* RecentFilesHeading() const { return recentHeading_; }
  // True when the file was written.
  bool SaveDocument();
  bool SaveDocumentAs();
  void LoadParameterFile(const std::filesystem::path& path, bool announce);
  // A later start of the program was given file (empty: none): the window
  // comes to the front and opens it, asking about unsaved changes first.
  // While one of the program's dialogs waits for the operator, the file
  // waits for it to close.
  void OpenFromLaterStart(const std::filesystem::path& file);
  // File > Report: the screen's set with a note, saved as a PDF or printed.
  void Report();
  void ReadFromDevice();
  void WriteToDevice();
  // Reads the regulator into a set of its own and shows how it differs from
  // the screen; the screen, the model and the document stay as they are.
  void CompareWithDevice();
  void CommunicationSettings();
  void OpenCommunicationLog();
  void Monitor();
  // Tools > Record data: asks where the data record goes (ChooseRecordFile),
  // then the monitor opens with the record armed.
  void RecordData();
  // The save dialog for the data record: the record's current name in the
  // folder of the last record (the data folder at first). The file chosen
  // becomes the data record's, its folder is kept in the program's settings.
  std::optional<std::filesystem::path> ChooseRecordFile(QWidget* owner);
  void ChooseModel(ModelKind model);
  void OpenManual();
  void ShowVersionInformation();
  // Exit, Ctrl+X, the close box: false when the operator stopped it.
  bool Exit();

  // The last complete read or verified write of the screen's set in this
  // session: marked changed when the set is edited, dropped when it is
  // replaced. The report names the device and the line from it.
  const std::optional<UnitProvenance>& Provenance() const;

  // What Tools > Monitor and Tools > Record data run after the communication
  // settings were accepted (the monitor window, its data record armed for
  // Record data); nothing happens while unset.
  void SetMonitorCommand(std::function<void(QWidget* owner, bool armRecord)> command) {
    monitorCommand_ = std::move(command);
  }

  // The menu command of item, as the menu or its shortcut runs it.
  void RunCommand(MenuItem item);

  ParameterScreen& Screen() const { return *screen_; }
  QAction* Action(MenuItem item) const;
  QMenu* Popup(MenuItem popup) const;
  // What happens each time a popup drops down: every item enabled, except
  // Communication log and Record data while their files are missing.
  void RefreshMenu(MenuItem popup);

 protected:
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildMenu();
  void BuildShortcuts();
  // The recent files' items in the File menu, from the program options.
  void ShowRecentFiles() override;
  // A parameter file opened or saved: first in the recent files, kept in
  // KlvLoader.conf with the folders last chosen.
  void NoteParameterFile(const std::filesystem::path& path) override;
  // Keeps the program options; they are a convenience, so a file that
  // cannot be written is not reported each time.
  void KeepOptions();
  void Message(std::string_view text);
  void MessageText(TextId id);
  // Hands path to the desktop; when the desktop has no program for it, says
  // so with the file's name and folder. An empty path does nothing.
  void OpenWithDesktop(const std::filesystem::path& path);
  // The screen arranged for model, which becomes the current model; then
  // the Model menu and the title follow.
  void ApplyLayout(ModelKind model) override;
  void ResetDocument() override;
  bool Save(bool alwaysAsk);
  void SizeAndPlace();
  bool ConfirmExit();
  // The communication settings screen before a transfer or the monitor;
  // while the settings file could not be read, first a message that says so,
  // so that nothing runs on defaults the operator did not look at.
  bool ConfirmConnection();
  // DocumentWindow: this window's side of the shared document commands.
  SaveChoice AskToSaveChanges() override;
  std::optional<std::filesystem::path> ChooseSaveFile(const std::string& title,
                                                      const std::filesystem::path& folder) override;
  std::optional<std::filesystem::path> ChooseOpenFile(const std::filesystem::path& folder) override;
  void NameDocument(const std::filesystem::path& path, const std::string& title) override;
  void ShowParameters() override;

  // TransferWindow: this window's side of the shared transfer flow.
  void ShowMessage(std::string_view text) override { Message(text); }
  bool SaveChangesFirst() override;
  bool ConfirmSettings() override;
  void RunBehindProgress(TransferSession& session) override;
  void ReadScreen() override;
  void ShowReadSet() override;
  void ShowComparison(const ParameterComparison& comparison) override;

  ProgramState& state_;
  OperatorDialogs& dialogs_;
  ParameterScreen* screen_ = nullptr;

  bool modified_ = false;
  std::string documentTitle_;
  std::filesystem::path documentPath_;
  std::string titleNote_;
  std::string reportNote_;  // offered again by the next report
  std::string productName_;
  bool screenReady_ = false;
  bool exiting_ = false;

  std::map<MenuItem, QAction*> actions_;
  std::map<MenuItem, QMenu*> popups_;
  std::vector<QShortcut*> shortcuts_;
  QAction* recentSeparator_ = nullptr;
  QAction* recentHeading_ = nullptr;
  QAction* exitSeparator_ = nullptr;
  std::vector<QAction*> recentActions_;
  std::function<void(QWidget*, bool)> monitorCommand_;
};

// The texts of the version box and the save question. In Japanese the
// question is the title followed by text 180, which begins with its
// particle; in English it reads "Save changes to TITLE?".
std::string VersionInformationText();
std::string SaveQuestionText(std::string_view documentTitle, Language language);

}  // namespace klv
