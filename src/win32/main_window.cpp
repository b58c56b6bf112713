#include "win32/main_window.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "app/shell_open_text.h"
#include "editor/parameter_comparison.h"
#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "platform/failure_text.h"
#include "platform/ports_folder.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_result_messages.h"
#include "win32/caption_fit.h"
#include "win32/comparison_listing.h"
#include "win32/icon_painter.h"
#include "win32/report_printing.h"
#include "win32/single_instance.h"
#include "win32/monitor_window.h"
#include "win32/program_resources.h"
#include "win32/screen_controls.h"
#include "win32/screen_template.h"
#include "win32/transfer_progress_window.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

constexpr std::string_view kProductName = "KLV Loader";

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
    case MenuItem::Report:
    case MenuItem::CommunicationLog:
    case MenuItem::Manual:
    case MenuItem::Monitor:
    case MenuItem::RecordData:
    case MenuItem::VersionInformation: return true;
    default: return false;
  }
}

// Cut, copy, paste, select all and undo: in an edit field they act on its text.
bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_regular_file(path, error);
}

// A message that brings a handed-over file in once the window is free.
constexpr UINT kOpenHandedOver = WM_APP + 40;
// While another window of the program is open over the main one, the file
// waits this long before it is tried again.
constexpr UINT_PTR kHandOverRetryTimer = 40;
constexpr UINT kHandOverRetryMs = 500;

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
      if (id >= kFirstRecentFile && id < kFirstRecentFile + static_cast<int>(kRecentFileCount)) {
        if (!transferRunning_) OpenRecentFile(static_cast<std::size_t>(id - kFirstRecentFile));
        return TRUE;
      }
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
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC: {
      // A value outside its register's limits shows in the mark's colours.
      HBRUSH mark = screen_ ? screen_->MarkColours(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam))
                            : nullptr;
      return reinterpret_cast<INT_PTR>(mark);
    }
    case WM_DRAWITEM: {
      // The groups' pictures.
      const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
      if (!screen_id::IsIcon(static_cast<int>(item->CtlID))) return FALSE;
      PaintScreenIcon(item->hDC, item->rcItem, screen_id::IconAt(static_cast<int>(item->CtlID)),
                      GetSysColor(COLOR_BTNFACE));
      return TRUE;
    }
    case WM_CLOSE:
      if (!transferRunning_) Exit();
      return TRUE;
    case WM_COPYDATA:
      // A later start's file: noted here, opened once this message has been
      // answered, so the later start does not wait on the save question.
      if (const auto file = HandedOverFile(*reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
        OpenFromLaterStart({});
        if (!file->empty()) {
          handedOver_.push_back(*file);
          PostMessageW(window_, kOpenHandedOver, 0, 0);
        }
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, TRUE);
      } else {
        SetWindowLongPtrW(window_, DWLP_MSGRESULT, FALSE);
      }
      return TRUE;
    case kOpenHandedOver: OpenHandedOverFiles(); return TRUE;
    case WM_TIMER:
      if (wParam != kHandOverRetryTimer) return FALSE;
      KillTimer(window_, kHandOverRetryTimer);
      OpenHandedOverFiles();
      return TRUE;
    case WM_DESTROY:
      RemovePropW(window_, kMainWindowMark);
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
  SetPropW(window_, kMainWindowMark, reinterpret_cast<HANDLE>(1));
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
  ShowRecentFiles();
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
    // ShowRecentFiles puts the recent files above Exit.
    if (entry.item == MenuItem::Exit) filePopup_ = popup;
    if (entry.separatorBefore) AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(popup, MF_STRING, static_cast<UINT_PTR>(CommandId(entry.item)), caption.c_str());
  }
  SetMenu(window_, menu_);
}

void MainWindow::RefreshMenu(HMENU popup) {
  for (const MenuEntry& entry : MenuEntries()) {
    if (entry.isPopup) continue;
    const UINT id = static_cast<UINT>(CommandId(entry.item));
    // The communication log only once there is one, as the Linux program has it.
    const bool enabled =
        Available(entry.item) && (entry.item != MenuItem::CommunicationLog || FileExists(state_.commLogPath));
    EnableMenuItem(popup, id, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
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
  // The layout may have changed captions.
  WidenClippedCaptions(window_);
  state_.currentModel = screen_->Model();
  UpdateModelMenu();
  UpdateTitle();
}

void MainWindow::Message(std::string_view text) { dialogs_.ShowMessage(window_, text); }

void MainWindow::MessageText(TextId id) { Message(Text(id, state_.language)); }

MainWindow::Prompt MainWindow::PromptSaveChanges() {
  return document_flow::SaveChangesFirst(state_, *this) ? Prompt::Continue : Prompt::Stop;
}

SaveChoice MainWindow::AskToSaveChanges() {
  switch (dialogs_.AskSaveChanges(window_, SaveQuestionText(documentTitle_, state_.language))) {
    case SaveAnswer::Yes: return SaveChoice::Save;
    case SaveAnswer::No: return SaveChoice::Discard;
    case SaveAnswer::Cancel: break;
  }
  return SaveChoice::Cancel;
}

std::optional<std::filesystem::path> MainWindow::ChooseSaveFile(const std::string& title,
                                                                const std::filesystem::path& folder) {
  return dialogs_.ChooseFileToSave(window_, title, folder);
}

std::optional<std::filesystem::path> MainWindow::ChooseOpenFile(const std::filesystem::path& folder) {
  return dialogs_.ChooseFileToOpen(window_, folder);
}

void MainWindow::ShowParameters() { screen_->ShowParameters(); }

void MainWindow::NameDocument(const std::filesystem::path& path, const std::string& title) {
  documentPath_ = path;
  documentTitle_ = title;
  UpdateTitle();
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
    case MenuItem::Report: Report(); break;
    case MenuItem::CommunicationLog: OpenWithSystem(state_.commLogPath); break;
    case MenuItem::Manual: OpenWithSystem(state_.manualPath); break;
    case MenuItem::Monitor: Monitor(); break;
    case MenuItem::RecordData: RecordData(); break;
    default: break;
  }
}

void MainWindow::NewDocument() { document_flow::New(state_, *this); }

void MainWindow::OpenDocument() { document_flow::Open(state_, *this); }

void MainWindow::LoadParameterFile(const std::filesystem::path& path, bool announce) {
  document_flow::LoadFile(state_, *this, path, announce);
}

bool MainWindow::Save(bool alwaysAsk) { return document_flow::Save(state_, *this, alwaysAsk); }

void MainWindow::ChooseModel(ModelKind model) { document_flow::ChooseModel(state_, *this, model); }

void MainWindow::Exit() {
  if (PromptSaveChanges() == Prompt::Stop) return;
  modified_ = false;
  if (!StoreProgramSettings(state_)) MessageText(TextId::IniCannotBeCreated);
  DestroyWindow(window_);
}

// ---- Transfers -----------------------------------------------------------------------

bool MainWindow::ConfirmConnection() { return transfer_flow::ConfirmConnection(state_, *this); }

void MainWindow::ReadFromDevice() { transfer_flow::Read(state_, *this); }

void MainWindow::WriteToDevice() { transfer_flow::Write(state_, *this); }

void MainWindow::CompareWithDevice() { transfer_flow::Compare(state_, *this); }

bool MainWindow::SaveChangesFirst() { return PromptSaveChanges() == Prompt::Continue; }

bool MainWindow::ConfirmSettings() { return dialogs_.ConfirmCommSettings(window_, state_); }

void MainWindow::RunBehindProgress(TransferSession& session) {
  transferRunning_ = true;
  {
    TransferProgressWindow progress(session, state_.language, dialogs_, window_);
    progress.Run();
  }
  transferRunning_ = false;
}

void MainWindow::ReadScreen() { screen_->ReadScreen(); }

void MainWindow::ShowReadSet() {
  screen_->ShowParameters();
  ApplyLayout(state_.currentModel);
  SetModified(false);
}

void MainWindow::ShowComparison(const ParameterComparison& comparison) {
  Message(ComparisonListing(comparison, state_.language));
}

// ---- Report, shell, recent files, later starts ---------------------------------------

void MainWindow::Report() {
  // The report shows the screen as it stands.
  screen_->ReadScreen();
  const std::optional<std::string> note = dialogs_.AskReportNote(window_, reportNote_);
  if (!note) return;
  reportNote_ = *note;

  UnitReportInputs inputs;
  inputs.parameters = state_.parameters;
  inputs.model = state_.currentModel;
  inputs.language = state_.language;
  inputs.fileName = documentPath_.empty() ? documentTitle_ : Narrow(documentPath_.wstring());
  inputs.created = state_.clock.LocalNow();
  inputs.note = *note;
  inputs.provenance = state_.transferredSet;
  const UnitReport report = ComposeUnitReport(inputs);

  // Cancelling the print dialog prints nothing and says nothing.
  const PrinterChoice printer = dialogs_.ChoosePrinter(window_);
  if (printer.status == PrinterChoice::Status::Cancelled) return;
  const bool printed = printer.status == PrinterChoice::Status::Chosen && printer.dc != nullptr &&
                       PrintUnitReport(printer.dc, report);
  if (printer.dc != nullptr) DeleteDC(printer.dc);
  if (!printed) Message(ReportMessageText(ReportMessage::CannotPrint, state_.language));
}

void MainWindow::OpenWithSystem(const std::filesystem::path& path) {
  if (path.empty()) return;
  if (dialogs_.OpenWithShell(path) == ShellOpen::NoProgram) Message(NoProgramForFileText(path, state_.language));
}

void MainWindow::KeepOptions() {
  if (!state_.optionsPath.empty()) StoreProgramOptions(state_);
}

void MainWindow::NoteParameterFile(const std::filesystem::path& path) {
  RememberRecentFile(state_.options, path);
  KeepOptions();
  ShowRecentFiles();
}

void MainWindow::ShowRecentFiles() {
  if (filePopup_ == nullptr) return;
  DeleteMenu(filePopup_, kRecentFilesSeparator, MF_BYCOMMAND);
  DeleteMenu(filePopup_, kRecentFilesHeading, MF_BYCOMMAND);
  for (std::size_t i = 0; i < kRecentFileCount; ++i) {
    DeleteMenu(filePopup_, static_cast<UINT>(kFirstRecentFile + i), MF_BYCOMMAND);
  }
  const std::vector<std::filesystem::path>& files = state_.options.recentFiles;
  if (files.empty()) return;
  // Above Exit and the separator over it.
  const UINT exitId = static_cast<UINT>(CommandId(MenuItem::Exit));
  int place = GetMenuItemCount(filePopup_);
  for (int i = 0; i < GetMenuItemCount(filePopup_); ++i) {
    if (GetMenuItemID(filePopup_, i) == exitId) place = i;
  }
  if (place > 0 && (GetMenuState(filePopup_, static_cast<UINT>(place - 1), MF_BYPOSITION) & MF_SEPARATOR)) --place;
  const auto insert = [&](UINT type, UINT state, UINT id, const std::wstring& text) {
    MENUITEMINFOW item{};
    item.cbSize = sizeof item;
    item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | (type == MFT_SEPARATOR ? 0u : static_cast<UINT>(MIIM_STRING));
    item.fType = type;
    item.fState = state;
    item.wID = id;
    item.dwTypeData = const_cast<wchar_t*>(text.c_str());
    InsertMenuItemW(filePopup_, static_cast<UINT>(place++), TRUE, &item);
  };
  insert(MFT_SEPARATOR, 0, kRecentFilesSeparator, L"");
  insert(MFT_STRING, MFS_GRAYED, kRecentFilesHeading, Widen(Text(TextId::RecentFiles, state_.language)));
  for (std::size_t i = 0; i < files.size() && i < kRecentFileCount; ++i) {
    insert(MFT_STRING, 0, static_cast<UINT>(kFirstRecentFile + i), Widen(RecentFileMenuText(i, files[i])));
  }
}

void MainWindow::OpenRecentFile(std::size_t index) {
  if (index >= state_.options.recentFiles.size()) return;
  const std::filesystem::path path = state_.options.recentFiles[index];
  screen_->LeaveFocusedField();
  document_flow::OpenRecent(state_, *this, path);
}

void MainWindow::OpenFromLaterStart(const std::filesystem::path& file) {
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  SetForegroundWindow(window_);
  if (file.empty()) return;
  handedOver_.push_back(file);
  OpenHandedOverFiles();
}

void MainWindow::OpenHandedOverFiles() {
  if (window_ == nullptr || handedOver_.empty()) return;
  // A message box, a dialog or a transfer over the window: the file waits
  // until the operator has finished with it.
  if (transferRunning_ || !IsWindowEnabled(window_)) {
    SetTimer(window_, kHandOverRetryTimer, kHandOverRetryMs, nullptr);
    return;
  }
  const std::filesystem::path file = handedOver_.front();
  handedOver_.erase(handedOver_.begin());
  screen_->LeaveFocusedField();
  if (PromptSaveChanges() != Prompt::Stop) LoadParameterFile(file, false);
  if (!handedOver_.empty()) PostMessageW(window_, kOpenHandedOver, 0, 0);
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
