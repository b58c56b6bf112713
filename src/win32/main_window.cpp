#include "win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "editor/parameter_comparison.h"
#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "platform/failure_text.h"
#include "platform/ports_folder.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_result_messages.h"
#include "win32/comparison_listing.h"
#include "win32/monitor_window.h"
#include "win32/program_resources.h"
#include "win32/screen_template.h"
#include "win32/transfer_progress_window.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

constexpr std::string_view kProductName = "KLV Loader";
// The failure of Save as, as the program has always named it.
constexpr std::string_view kSaveAsFailure = "CfileException!";

std::string UntitledTitle(Language language) { return std::string(Caption(Screen::MainWindow, "Untitled", language)); }

std::string SaveQuestionText(std::string_view documentTitle, Language language) {
  // The plain question stands for a title that is empty.
  if (documentTitle.empty()) return std::string(Text(TextId::SaveChanges, language));
  return Text(TextId::SaveChangesTo, language, {documentTitle});
}

constexpr std::pair<MenuItem, ModelKind> kModelItems[] = {
    {MenuItem::ModelKlv40, ModelKind::Klv40},
    {MenuItem::ModelKlv30, ModelKind::Klv30},
    {MenuItem::ModelKlv30E, ModelKind::Klv30E},
};

// The items this window carries out; the others (the settings, the monitor,
// the report, the shared files) stay greyed.
bool Available(MenuItem item) {
  switch (item) {
    case MenuItem::New:
    case MenuItem::Open:
    case MenuItem::Save:
    case MenuItem::SaveAs:
    case MenuItem::ReadFromDevice:
    case MenuItem::WriteToDevice:
    case MenuItem::CompareWithDevice:
    case MenuItem::Exit:
    case MenuItem::ModelKlv40:
    case MenuItem::ModelKlv30:
    case MenuItem::ModelKlv30E:
    case MenuItem::CommunicationSettings:
    case MenuItem::Monitor:
    case MenuItem::RecordData:
    case MenuItem::VersionInformation: return true;
    default: return false;
  }
}

// Cut, copy, paste, select all and undo: in an edit field they act on its text.
bool IsEditingKey(const MSG& message) {
  if (message.message != WM_KEYDOWN || (GetKeyState(VK_CONTROL) & 0x8000) == 0) return false;
  switch (message.wParam) {
    case 'X':
    case 'C':
    case 'V':
    case 'A':
    case 'Z': break;
    default: return false;
  }
  wchar_t className[16] = {};
  GetClassNameW(message.hwnd, className, 16);
  return lstrcmpiW(className, L"Edit") == 0;
}

}  // namespace

// The resource script's shortcut keys name these commands by number.
static_assert(CommandId(MenuItem::New) == kCommandNew && CommandId(MenuItem::Open) == kCommandOpen &&
              CommandId(MenuItem::ReadFromDevice) == kCommandRead && CommandId(MenuItem::WriteToDevice) == kCommandWrite &&
              CommandId(MenuItem::Save) == kCommandSave && CommandId(MenuItem::SaveAs) == kCommandSaveAs &&
              CommandId(MenuItem::Exit) == kCommandExit &&
              CommandId(MenuItem::CommunicationSettings) == kCommandSettings &&
              CommandId(MenuItem::CommunicationLog) == kCommandLog && CommandId(MenuItem::Monitor) == kCommandMonitor &&
              CommandId(MenuItem::RecordData) == kCommandRecordData && CommandId(MenuItem::Manual) == kCommandManual);

MainWindow::MainWindow(ProgramState& state, WindowOperator& dialogs)
    : state_(state), dialogs_(dialogs), documentTitle_(UntitledTitle(state.language)) {}

MainWindow::~MainWindow() {
  if (window_ != nullptr) DestroyWindow(window_);
  if (shortcuts_ != nullptr) DestroyAcceleratorTable(shortcuts_);
}

bool MainWindow::Create(HINSTANCE instance) {
  const std::vector<uint32_t> layout = MainWindowTemplate(state_.language);
  shortcuts_ = LoadAcceleratorsW(instance, MAKEINTRESOURCEW(kShortcutKeys));
  icon_ = LoadIconW(instance, MAKEINTRESOURCEW(kProgramIcon));
  window_ = CreateDialogIndirectParamW(instance, reinterpret_cast<LPCDLGTEMPLATEW>(layout.data()), nullptr,
                                       DialogProc, reinterpret_cast<LPARAM>(this));
  if (window_ == nullptr) return false;
  Initialise();
  return true;
}

void MainWindow::Show(int how) {
  ShowWindow(window_, how);
  UpdateWindow(window_);
}

bool MainWindow::PreTranslate(MSG& message) {
  if (window_ == nullptr) return false;
  if (message.hwnd != window_ && !IsChild(window_, message.hwnd)) return false;
  // The shortcut keys come before the control with the focus, except the
  // editing keys in an edit field.
  if (shortcuts_ != nullptr && !IsEditingKey(message) && TranslateAcceleratorW(window_, shortcuts_, &message)) {
    return true;
  }
  return IsDialogMessageW(window_, &message) != FALSE;
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    reinterpret_cast<MainWindow*>(lParam)->window_ = window;
    return TRUE;
  }
  auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

INT_PTR MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      const int code = HIWORD(wParam);
      if (id >= kFirstMenuCommand && id < kFirstMenuCommand + 100) {
        RunCommand(static_cast<MenuItem>(id - kFirstMenuCommand));
        return TRUE;
      }
      // Enter and Escape (IDOK, IDCANCEL) neither press a button nor close the window.
      if (id == IDOK || id == IDCANCEL) return TRUE;
      if (screen_ && screen_->OnCommand(id, code)) return TRUE;
      return FALSE;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == UDN_DELTAPOS && screen_) {
        screen_->OnSpinDelta(static_cast<int>(header->idFrom), *reinterpret_cast<NMUPDOWN*>(lParam));
      }
      return FALSE;
    }
    case WM_INITMENUPOPUP: RefreshMenu(reinterpret_cast<HMENU>(wParam)); return TRUE;
    case WM_CLOSE:
      if (!transferRunning_) Exit();
      return TRUE;
    case WM_DESTROY:
      window_ = nullptr;
      if (quitOnClose_) PostQuitMessage(0);
      return TRUE;
    default: return FALSE;
  }
}

// ---- Start-up -------------------------------------------------------------------

void MainWindow::Initialise() {
  screen_ = std::make_unique<ParameterScreen>(window_, state_.parameters, state_.language, [this] {
    SetModified(true);
    NoteSetEdited(state_);
  });
  BuildMenu();
  const SettingsLoad settings = LoadProgramSettings(state_);
  if (settings.status == SettingsLoad::Status::DefaultsNotSaved) {
    MessageText(TextId::IniCannotBeCreated);
  } else if (settings.status == SettingsLoad::Status::Unreadable) {
    Message(UnreadableSettingsText(state_.settingsPath, settings.error, state_.language));
  }
  if (icon_ != nullptr) {
    SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  }
  ResetDocument();
  SizeAndPlace();
  LoadDefaults(state_.parameters, state_.currentModel);
  // 0 KLV40, 1 KLV30, anything else KLV30E.
  ApplyLayout(state_.currentModel);
  screenReady_ = true;
  screen_->SetScreenReady(true);
  if (!state_.commandLineFile.empty()) LoadParameterFile(state_.commandLineFile, false);
}

void MainWindow::BuildMenu() {
  menu_ = CreateMenu();
  HMENU popup = nullptr;
  for (const MenuEntry& entry : MenuEntries()) {
    const std::wstring caption = Widen(MenuText(entry.item, state_.language));
    if (entry.isPopup) {
      popup = CreatePopupMenu();
      AppendMenuW(menu_, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), caption.c_str());
      continue;
    }
    if (popup == nullptr) continue;
    if (entry.separatorBefore) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(CommandId(entry.item)), caption.c_str());
  }
  SetMenu(window_, menu_);
}

void MainWindow::RefreshMenu(HMENU popup) {
  for (const MenuEntry& entry : MenuEntries()) {
    if (entry.isPopup) continue;
    const UINT id = static_cast<UINT>(CommandId(entry.item));
    EnableMenuItem(popup, id, MF_BYCOMMAND | (Available(entry.item) ? MF_ENABLED : MF_GRAYED));
  }
  // A data record needs the data folder's place for it.
  if (state_.dataLogPath.empty()) {
    EnableMenuItem(popup, static_cast<UINT>(CommandId(MenuItem::RecordData)), MF_BYCOMMAND | MF_GRAYED);
  }
}

void MainWindow::SizeAndPlace() {
  // The outer size of the language's layout, in pixels at 96 dots per inch,
  // grown with the monitor's scale, and never smaller than the dialog
  // template needs in the font the system gave it.
  const WindowSize size = MainWindowSize(state_.language);
  const UINT dpi = GetDpiForWindow(window_);
  const int scale = static_cast<int>(dpi == 0 ? 96 : dpi);
  const DialogGrid grid = GridFor(state_.language);
  RECT needed{0, 0, grid.width, grid.height};
  MapDialogRect(window_, &needed);
  AdjustWindowRectExForDpi(&needed, static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE)), TRUE,
                           static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE)), dpi == 0 ? 96 : dpi);
  const int width = std::max(MulDiv(size.width, scale, 96), static_cast<int>(needed.right - needed.left));
  const int height = std::max(MulDiv(size.height, scale, 96), static_cast<int>(needed.bottom - needed.top));
  const int left = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  SetWindowPos(window_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- Document state ----------------------------------------------------------------

void MainWindow::ResetDocument() {
  state_.transferredSet.reset();
  modified_ = false;
  documentTitle_ = UntitledTitle(state_.language);
  documentPath_.clear();
}

void MainWindow::SetModified(bool modified) {
  modified_ = modified;
  UpdateTitle();
}

void MainWindow::UpdateTitle() {
  std::string title =
      std::string(kProductName) + " - " + std::string(ModelName(state_.currentModel)) + " - " + documentTitle_;
  if (modified_) title += "*";
  SetWindowTextW(window_, Widen(title).c_str());
}

void MainWindow::UpdateModelMenu() {
  for (const auto& [item, model] : kModelItems) {
    const bool current = state_.currentModel == model;
    const UINT id = static_cast<UINT>(CommandId(item));
    CheckMenuItem(menu_, id, MF_BYCOMMAND | (current ? MF_CHECKED : MF_UNCHECKED));
    EnableMenuItem(menu_, id, MF_BYCOMMAND | (current ? MF_GRAYED : MF_ENABLED));
  }
}

void MainWindow::ApplyLayout(ModelKind model) {
  screen_->ApplyModelLayout(model);
  state_.currentModel = screen_->Model();
  UpdateModelMenu();
  UpdateTitle();
}

void MainWindow::Message(std::string_view text) { dialogs_.ShowMessage(window_, text); }

void MainWindow::MessageText(TextId id) { Message(Text(id, state_.language)); }

MainWindow::Prompt MainWindow::PromptSaveChanges() {
  if (!modified_) return Prompt::Continue;
  switch (dialogs_.AskSaveChanges(window_, SaveQuestionText(documentTitle_, state_.language))) {
    case SaveAnswer::Yes:
      // The operator asked to keep the edits: go on only once they are in a file.
      return Save(true) ? Prompt::Continue : Prompt::Stop;
    case SaveAnswer::No: return Prompt::Continue;
    case SaveAnswer::Cancel: break;
  }
  return Prompt::Stop;
}

// ---- Commands ------------------------------------------------------------------------

void MainWindow::RunCommand(MenuItem item) {
  if (!Available(item) || transferRunning_) return;
  // A menu or a shortcut key leaves the focus in the field being typed in:
  // its leave rule runs first, so the command sees the value checked.
  screen_->LeaveFocusedField();
  switch (item) {
    case MenuItem::New: NewDocument(); break;
    case MenuItem::Open: OpenDocument(); break;
    case MenuItem::Save: Save(false); break;
    case MenuItem::SaveAs: Save(true); break;
    case MenuItem::Exit: Exit(); break;
    case MenuItem::ReadFromDevice: ReadFromDevice(); break;
    case MenuItem::WriteToDevice: WriteToDevice(); break;
    case MenuItem::CompareWithDevice: CompareWithDevice(); break;
    case MenuItem::ModelKlv40: ChooseModel(ModelKind::Klv40); break;
    case MenuItem::ModelKlv30: ChooseModel(ModelKind::Klv30); break;
    case MenuItem::ModelKlv30E: ChooseModel(ModelKind::Klv30E); break;
    case MenuItem::CommunicationSettings: dialogs_.ConfirmCommSettings(window_, state_); break;
    case MenuItem::VersionInformation: Message(" KLV Loader  Ver" KLV_VERSION); break;
    case MenuItem::Monitor: Monitor(); break;
    case MenuItem::RecordData: RecordData(); break;
    default: break;
  }
}

void MainWindow::NewDocument() {
  if (PromptSaveChanges() == Prompt::Stop) return;
  ResetDocument();
  LoadDefaults(state_.parameters, state_.currentModel);
  screen_->ShowParameters();
  ApplyLayout(state_.currentModel);
}

void MainWindow::OpenDocument() {
  if (PromptSaveChanges() == Prompt::Stop) return;
  // Before the dialog, so it stays cleared when the dialog is cancelled.
  SetModified(false);
  const auto chosen = dialogs_.ChooseFileToOpen(window_, state_.options.parameterFolder);
  if (!chosen) {
    MessageText(TextId::Cancelled);
    return;
  }
  state_.options.parameterFolder = chosen->parent_path();
  LoadParameterFile(*chosen, true);
}

void MainWindow::LoadParameterFile(const std::filesystem::path& path, bool announce) {
  const ParameterFileLoad load = klv::LoadParameterFile(path);
  if (load.status != ParameterFileStatus::Loaded || !load.contents) {
    MessageText(*RefusalText(load.status == ParameterFileStatus::Loaded ? ParameterFileStatus::CannotOpen
                                                                        : load.status));
    return;
  }
  state_.parameters = load.contents->parameters;
  state_.transferredSet.reset();
  documentTitle_ = load.documentTitle;
  modified_ = false;
  // No defaults: values the file's model does not use stay as the file has them.
  ApplyLayout(load.contents->model);
  if (announce) MessageText(TextId::FileRead);
  documentPath_ = path;
  UpdateTitle();
}

bool MainWindow::Save(bool alwaysAsk) {
  // First, and not undone when the command is cancelled or fails.
  screen_->ReadScreen();
  if (alwaysAsk || documentPath_.empty()) {
    const auto chosen = dialogs_.ChooseFileToSave(window_, documentTitle_, state_.options.parameterFolder);
    if (!chosen) {
      MessageText(TextId::Cancelled);
      return false;
    }
    state_.options.parameterFolder = chosen->parent_path();
    documentPath_ = *chosen;
    documentTitle_ = DocumentTitleFor(*chosen);
    UpdateTitle();
  }
  const SaveOutcome saved = WriteParameterFile(documentPath_, state_.parameters, state_.currentModel);
  if (!saved.ok) {
    Message(WithSystemReason(alwaysAsk ? kSaveAsFailure : Text(TextId::FileException, state_.language), saved.error));
    return false;
  }
  MessageText(TextId::FileWritten);
  SetModified(false);
  return true;
}

void MainWindow::ChooseModel(ModelKind model) {
  if (model == state_.currentModel) return;
  // The model's defaults replace the screen: unsaved changes are asked about
  // first, and on Cancel the model stays.
  if (PromptSaveChanges() == Prompt::Stop) return;
  ResetDocument();
  state_.currentModel = model;
  LoadDefaults(state_.parameters, model);
  ApplyLayout(model);
}

void MainWindow::Exit() {
  if (PromptSaveChanges() == Prompt::Stop) return;
  modified_ = false;
  if (!StoreProgramSettings(state_)) MessageText(TextId::IniCannotBeCreated);
  DestroyWindow(window_);
}

// ---- Transfers -----------------------------------------------------------------------

bool MainWindow::ConfirmConnection() {
  // COM<n> reaches its device through ports/: a folder that cannot be listed
  // would send the requests to the system's own device of that number.
  if (!state_.demoModel && !state_.connection.dataFolder.empty()) {
    const std::filesystem::path ports = state_.connection.dataFolder / std::string(kPortsFolderName);
    if (const std::string error = PortsFolderError(ports); !error.empty()) {
      Message(UnreadablePortsBeforeTransferText(ports, error, state_.language));
      return false;
    }
  }
  if (state_.keepSettingsFile && !state_.settingsConfirmed) {
    Message(UnreadableSettingsBeforeTransferText(state_.settingsPath, state_.settingsReadError, state_.language));
  }
  if (!dialogs_.ConfirmCommSettings(window_, state_)) return false;
  state_.settingsConfirmed = true;
  return true;
}

bool MainWindow::RunTransfer(TransferSession& session, const OpenPortResult& open) {
  if (!open.ok) {
    Message(open.message);
    return false;
  }
  {
    transferRunning_ = true;
    TransferProgressWindow progress(session, state_.language, dialogs_, window_);
    progress.Run();
    transferRunning_ = false;
  }
  if (const CommLogSave saved = EndTransfer(session); saved.status == CommLogSave::Status::Failed) {
    Message(WithSystemReason(Text(TextId::LogFileCannotBeCreated, state_.language), saved.error));
  }
  return true;
}

std::string MainWindow::NoReplyAdviceLines(const TransferResult& result) const {
  NoReplyAdvice advice;
  advice.whatNext = Text(TextId::NoReplyFindDevice, state_.language);
  if (!state_.commLogPath.empty()) advice.logName = state_.commLogPath.filename().string();
  return NoReplyLines(result, state_.language, advice);
}

void MainWindow::ReadFromDevice() {
  if (PromptSaveChanges() == Prompt::Stop) return;
  if (!ConfirmConnection()) return;

  // The screen, the model and the modified mark change only when the read
  // got every register: a half-read set must never reach a file.
  TransferSession session = state_.Session();
  if (!RunTransfer(session, BeginReadTransfer(session))) return;

  const bool complete = KeepCompleteRead(session);
  const TransferReport report = ReportOf(state_.transfer.result, state_.language);
  if (complete) {
    screen_->ShowParameters();
    ApplyLayout(state_.currentModel);
    SetModified(false);
    RecordTransferredSet(state_, UnitProvenance::Source::Read);
  }
  Message(report.text + NoReplyAdviceLines(state_.transfer.result));
}

void MainWindow::WriteToDevice() {
  if (!ConfirmConnection()) return;
  screen_->ReadScreen();

  TransferSession session = state_.Session();
  state_.transfer.verifyAfterWrite = state_.options.verifyAfterWrite;
  state_.transfer.writeChangedOnly = state_.options.writeChangedOnly;
  if (!RunTransfer(session, BeginWriteTransfer(session))) return;
  const TransferReport report = ReportOf(state_.transfer.result, state_.language);
  const WriteVerification& verification = state_.transfer.result.verification;
  if (verification.ran) {  // only after a complete write
    // The report of this unit names the regulator and what the read-back found.
    RecordTransferredSet(state_, UnitProvenance::Source::VerifiedWrite,
                         {verification.AllEqual() ? ReportVerification::Status::Equal
                                                  : ReportVerification::Status::Differs,
                          VerificationMessage(verification, state_.language) +
                              NotSentLines(state_.transfer.tally.notSent, state_.language)});
  }
  Message(report.text + NoReplyAdviceLines(state_.transfer.result));
}

void MainWindow::CompareWithDevice() {
  if (!ConfirmConnection()) return;
  // The screen as it stands, options included, is what the device is held against.
  screen_->ReadScreen();

  DeviceReading reading;
  reading.model = state_.currentModel;
  TransferSession session = DeviceReadingSession(state_.Session(), reading);
  if (!RunTransfer(session, BeginReadTransfer(session))) return;
  if (!KeepCompleteRead(session)) {
    // Failed or incomplete: the read's own message, and no listing that
    // could pass unread registers off as equal.
    Message(ReportOf(reading.state.result, state_.language).text + NoReplyAdviceLines(reading.state.result));
    return;
  }
  Message(ComparisonListing(CompareParameters(state_.parameters, state_.currentModel, reading.parameters,
                                              reading.model, state_.language),
                            state_.language));
}

// ---- Monitor ---------------------------------------------------------------------------------

void MainWindow::Monitor() {
  if (!ConfirmConnection()) return;
  RunMonitor(false);
}

void MainWindow::RecordData() {
  if (!ChooseRecordFile(window_)) return;
  if (!ConfirmConnection()) return;
  RunMonitor(true);
}

std::optional<std::filesystem::path> MainWindow::ChooseRecordFile(HWND owner) {
  if (state_.dataLogPath.empty()) return std::nullopt;
  const std::filesystem::path folder =
      state_.options.recordFolder.empty() ? state_.dataLogPath.parent_path() : state_.options.recordFolder;
  std::optional<std::filesystem::path> chosen =
      dialogs_.ChooseRecordFile(owner, Narrow(state_.dataLogPath.filename().wstring()), folder);
  if (!chosen) return std::nullopt;
  state_.dataLogPath = *chosen;
  state_.options.recordFolder = chosen->parent_path();
  if (!state_.optionsPath.empty()) StoreProgramOptions(state_);
  return chosen;
}

void MainWindow::RunMonitor(bool armRecord) {
  MonitorWindowDependencies dependencies{state_.connection, state_.dataLogPath, state_.clock, state_.language,
                                         state_.options.pictureFolder, [this](const std::filesystem::path& folder) {
                                           state_.options.pictureFolder = folder;
                                           if (!state_.optionsPath.empty()) StoreProgramOptions(state_);
                                         }};
  dependencies.armRecord = armRecord;
  dependencies.chooseRecordFile = [this](HWND monitor) { return ChooseRecordFile(monitor); };
  // Busy as during a transfer: no other command, and the window stays.
  transferRunning_ = true;
  {
    MonitorWindow monitor(dependencies, dialogs_, window_);
    monitor.Run();
  }
  transferRunning_ = false;
}

}  // namespace klv
