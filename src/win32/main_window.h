#pragma once
// The program's main window: the editing screen in a dialog made from the
// screen template, the menu bar and shortcut keys from the core's menu
// table, the document's title and the file commands. Message boxes and file
// dialogs go through the WindowOperator, so tests answer them.
#include <windows.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/document_flow.h"
#include "app/transfer_flow.h"
#include "text/texts.h"
#include "win32/parameter_screen.h"
#include "win32/program_resources.h"
#include "win32/window_operator.h"

namespace klv {

// The command number of a menu item (WM_COMMAND's identifier).
constexpr int CommandId(MenuItem item) { return kFirstMenuCommand + static_cast<int>(item); }

class MainWindow : private TransferWindow, private DocumentWindow {
 public:
  MainWindow(ProgramState& state, WindowOperator& dialogs);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // Creates the window (hidden), runs the start-up sequence and loads the
  // command-line file. False when the window cannot be made.
  bool Create(HINSTANCE instance);
  void Show(int how);
  // The program's own window ends the message loop when it closes.
  void QuitOnClose() { quitOnClose_ = true; }
  HWND Handle() const { return window_; }
  // The shortcut keys and the dialog's keyboard handling for one message of
  // the loop; true when the message was used.
  bool PreTranslate(MSG& message);
  // True once the window has closed (Exit answered).
  bool Closed() const { return window_ == nullptr; }

  bool Modified() const override { return modified_; }
  const std::string& DocumentTitle() const override { return documentTitle_; }
  const std::filesystem::path& DocumentPath() const override { return documentPath_; }
  ParameterScreen& Screen() { return *screen_; }

  // A later start of the program handed its command-line file over (empty:
  // none): the window comes forward and opens the file as Open does, after
  // the save question, once no other window of the program is open over it.
  void OpenFromLaterStart(const std::filesystem::path& file);

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  void Initialise();
  void BuildMenu();
  void RefreshMenu(HMENU popup);
  void SizeAndPlace();
  void RunCommand(MenuItem item);
  void UpdateTitle();
  void UpdateModelMenu();
  void SetModified(bool modified) override;
  void ApplyLayout(ModelKind model) override;
  void ResetDocument() override;
  void Message(std::string_view text);
  void MessageText(TextId id);

  enum class Prompt { Continue, Stop };
  Prompt PromptSaveChanges();
  void NewDocument();
  void OpenDocument();
  void LoadParameterFile(const std::filesystem::path& path, bool announce);
  bool Save(bool alwaysAsk);
  void ChooseModel(ModelKind model);
  void Exit();

  // The transfers, each behind the progress window.
  bool ConfirmConnection();
  void ReadFromDevice();
  void WriteToDevice();
  void CompareWithDevice();
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
  WindowOperator& dialogs_;
  HWND window_ = nullptr;
  HMENU menu_ = nullptr;
  HACCEL shortcuts_ = nullptr;
  HICON icon_ = nullptr;
  std::unique_ptr<ParameterScreen> screen_;
  bool modified_ = false;
  bool screenReady_ = false;
  bool quitOnClose_ = false;
  // A transfer is running behind the progress window: the window takes no
  // command and cannot close until it has ended.
  bool transferRunning_ = false;
  std::string documentTitle_;
  std::filesystem::path documentPath_;

  // File > Report, Tools > Communication log, Help > Manual.
  void Report();
  void OpenWithSystem(const std::filesystem::path& path);
  // The recent files above Exit in the File menu, under their heading.
  void ShowRecentFiles() override;
  void OpenRecentFile(std::size_t index);
  // A parameter file opened or saved: first in the recent files, kept in
  // the program's own settings with the folders last chosen.
  void NoteParameterFile(const std::filesystem::path& path) override;
  void KeepOptions();
  // Files handed over by later starts, opened one by one when the window is free.
  void OpenHandedOverFiles();

  std::string reportNote_;  // offered again by the next report
  HMENU filePopup_ = nullptr;
  std::vector<std::filesystem::path> handedOver_;
  // Tools > Monitor and Tools > Record data: the monitor window, run until
  // it is closed (the main window takes no command meanwhile).
  void Monitor();
  void RecordData();
  void RunMonitor(bool armRecord);
  // The record's save dialog; the file chosen becomes the data record's.
  std::optional<std::filesystem::path> ChooseRecordFile(HWND owner);
};

}  // namespace klv
