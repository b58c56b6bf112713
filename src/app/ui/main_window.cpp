#include "app/ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <system_error>

#include "platform/failure_text.h"
#include "editor/parameter_file.h"
#include "app/program_state.h"
#include "app/shell_open_text.h"
#include "widgets/message_box.h"
#include "widgets/operator_dialogs.h"
#include "editor/ui/parameter_screen.h"
#include "editor/ui/unit_report_pdf.h"
#include "model/register_catalogue.h"
#include "platform/data_folder.h"
#include "platform/ports_folder.h"
#include "platform/failure_text.h"
#include "editor/parameter_comparison.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_result_messages.h"
#include "transfer/ui/transfer_progress_dialog.h"

namespace klv {
namespace {


// A new document's name: the title bar, the save question and the report file name.
std::string UntitledTitle(Language language) { return std::string(Caption(Screen::MainWindow, "Untitled", language)); }

bool FileExists(const std::filesystem::path& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::exists(path, error);
}

QString RecentFilesCaption(Language language) {
  return ToQString(Text(TextId::RecentFiles, language));
}

// The program icon: a regulator's front with its output bar.
QIcon ProgramIcon() {
  QIcon themed = QIcon::fromTheme(QStringLiteral("klv-loader"));
  if (!themed.isNull()) return themed;
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setBrush(QColor(0x2a, 0x5d, 0x9f));
  painter.setPen(Qt::NoPen);
  painter.drawRoundedRect(QRectF(2, 2, 28, 28), 5, 5);
  painter.setBrush(QColor(0xf2, 0x8c, 0x28));
  painter.drawRect(QRectF(7, 19, 18, 5));
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(7, 8, 11, 6));
  return QIcon(pixmap);
}

}  // namespace

const std::vector<ShortcutKey>& ShortcutKeys() {
  static const std::vector<ShortcutKey> keys = {
      {(Qt::CTRL | Qt::Key_N).toCombined(), MenuItem::New},
      {(Qt::CTRL | Qt::Key_O).toCombined(), MenuItem::Open},
      {(Qt::CTRL | Qt::Key_R).toCombined(), MenuItem::ReadFromDevice},
      {(Qt::CTRL | Qt::Key_W).toCombined(), MenuItem::WriteToDevice},
      {(Qt::CTRL | Qt::Key_S).toCombined(), MenuItem::Save},
      {(Qt::CTRL | Qt::Key_A).toCombined(), MenuItem::SaveAs},
      {(Qt::CTRL | Qt::SHIFT | Qt::Key_S).toCombined(), MenuItem::SaveAs},
      {(Qt::CTRL | Qt::Key_X).toCombined(), MenuItem::Exit},
      {(Qt::CTRL | Qt::Key_Q).toCombined(), MenuItem::Exit},
      {(Qt::CTRL | Qt::Key_C).toCombined(), MenuItem::CommunicationSettings},
      {(Qt::CTRL | Qt::Key_L).toCombined(), MenuItem::CommunicationLog},
      {(Qt::CTRL | Qt::Key_M).toCombined(), MenuItem::Monitor},
      {(Qt::CTRL | Qt::Key_D).toCombined(), MenuItem::RecordData},
      {QKeyCombination(Qt::Key_F1).toCombined(), MenuItem::Manual},
  };
  return keys;
}

std::string VersionInformationText() { return " KLV Loader  Ver" KLV_VERSION; }

std::string SaveQuestionText(std::string_view documentTitle, Language language) {
  // The plain question stands for a title that is empty.
  if (documentTitle.empty()) return std::string(Text(TextId::SaveChanges, language));
  return Text(TextId::SaveChangesTo, language, {documentTitle});
}

MainWindow::MainWindow(ProgramState& state, OperatorDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      state_(state),
      dialogs_(dialogs),
      documentTitle_(UntitledTitle(state.language)),
      productName_(kProductName) {
  screen_ = new ParameterScreen(state_.parameters, state_.language, this);
  setCentralWidget(screen_);
  connect(screen_, &ParameterScreen::Edited, this, [this] {
    SetModified(true);
    NoteSetEdited(state_);  // no longer quite the set the regulator gave
  });
  BuildMenu();
  BuildShortcuts();
  // The shortcut keys are sorted out before the control with the focus sees
  // them: a text field keeps its editing keys, the rest are the window's.
  qApp->installEventFilter(this);
}

MainWindow::~MainWindow() { qApp->removeEventFilter(this); }

void MainWindow::BuildMenu() {
  QMenu* popup = nullptr;
  for (const MenuEntry& entry : MenuEntries()) {
    const QString caption = ToQString(MenuText(entry.item, state_.language));
    if (entry.isPopup) {
      popup = menuBar()->addMenu(caption);
      popups_[entry.item] = popup;
      const MenuItem which = entry.item;
      connect(popup, &QMenu::aboutToShow, this, [this, which] { RefreshMenu(which); });
      continue;
    }
    if (popup == nullptr) continue;
    if (entry.item == MenuItem::Exit) {
      // Above Exit, the last parameter files under their heading (ShowRecentFiles).
      recentSeparator_ = popup->addSeparator();
      recentHeading_ = popup->addAction(RecentFilesCaption(state_.language));
      recentHeading_->setEnabled(false);
    }
    QAction* separator = entry.separatorBefore ? popup->addSeparator() : nullptr;
    if (entry.item == MenuItem::Exit) exitSeparator_ = separator;
    QAction* action = popup->addAction(caption);
    const MenuItem which = entry.item;
    if (which == MenuItem::ModelKlv40 || which == MenuItem::ModelKlv30 || which == MenuItem::ModelKlv30E) {
      action->setCheckable(true);
    }
    // Checkable items toggle on a click; the Model menu sets its marks itself.
    connect(action, &QAction::triggered, this, [this, which] { RunCommand(which); });
    actions_[which] = action;
  }
}

void MainWindow::BuildShortcuts() {
  for (const ShortcutKey& key : ShortcutKeys()) {
    auto* shortcut = new QShortcut(QKeySequence(QKeyCombination::fromCombined(key.keys)), this);
    shortcut->setContext(Qt::WindowShortcut);
    shortcut->setAutoRepeat(false);
    const MenuItem which = key.command;
    connect(shortcut, &QShortcut::activated, this, [this, which] { RunCommand(which); });
    shortcuts_.push_back(shortcut);
  }
}

namespace {

// The controls the operator types text into.
bool IsTextField(const QWidget* widget) {
  if (qobject_cast<const QLineEdit*>(widget) != nullptr || qobject_cast<const QAbstractSpinBox*>(widget) != nullptr ||
      qobject_cast<const QTextEdit*>(widget) != nullptr || qobject_cast<const QPlainTextEdit*>(widget) != nullptr) {
    return true;
  }
  const auto* combo = qobject_cast<const QComboBox*>(widget);
  return combo != nullptr && combo->isEditable();
}

// Cut, copy, paste, select all, undo and redo: in a text field they act on its text.
bool IsEditingKey(const QKeyEvent& key) {
  return key.matches(QKeySequence::Cut) || key.matches(QKeySequence::Copy) || key.matches(QKeySequence::Paste) ||
         key.matches(QKeySequence::SelectAll) || key.matches(QKeySequence::Undo) || key.matches(QKeySequence::Redo);
}

}  // namespace

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::ShortcutOverride) {
    auto* widget = qobject_cast<QWidget*>(watched);
    auto* key = static_cast<QKeyEvent*>(event);
    if (widget != nullptr && widget->window() == this) {
      if (IsTextField(widget) && IsEditingKey(*key)) {
        // The field takes the key, also where the window has a command on it
        // (Ctrl+X exit, Ctrl+C settings, Ctrl+A save as).
        event->accept();
        return true;
      }
      const int keys = QKeyCombination(key->modifiers() & ~Qt::KeypadModifier, Qt::Key(key->key())).toCombined();
      for (const ShortcutKey& shortcut : ShortcutKeys()) {
        if (shortcut.keys == keys) {
          // Not taken by the control: the window's command runs instead.
          event->ignore();
          return true;
        }
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

namespace {

// The commands that take the screen over or replace it. Exit is not among
// them: it does the same itself, as the close box reaches it directly.
bool ReadsOrDiscardsScreen(MenuItem item) {
  switch (item) {
    case MenuItem::New:
    case MenuItem::Open:
    case MenuItem::ReadFromDevice:
    case MenuItem::WriteToDevice:
    case MenuItem::CompareWithDevice:
    case MenuItem::Save:
    case MenuItem::SaveAs:
    case MenuItem::Report:
    case MenuItem::ModelKlv40:
    case MenuItem::ModelKlv30:
    case MenuItem::ModelKlv30E: return true;
    default: return false;
  }
}

}  // namespace

void MainWindow::RunCommand(MenuItem item) {
  // A menu or a shortcut key leaves the focus in the field being typed in:
  // its value is checked and counted before the command looks at the screen.
  if (ReadsOrDiscardsScreen(item)) screen_->LeaveFocusedField();
  switch (item) {
    case MenuItem::New: NewDocument(); break;
    case MenuItem::Open: OpenDocument(); break;
    case MenuItem::ReadFromDevice: ReadFromDevice(); break;
    case MenuItem::WriteToDevice: WriteToDevice(); break;
    case MenuItem::CompareWithDevice: CompareWithDevice(); break;
    case MenuItem::Save: SaveDocument(); break;
    case MenuItem::SaveAs: SaveDocumentAs(); break;
    case MenuItem::Report: Report(); break;
    case MenuItem::Exit: Exit(); break;
    case MenuItem::CommunicationSettings: CommunicationSettings(); break;
    case MenuItem::CommunicationLog: OpenCommunicationLog(); break;
    case MenuItem::Monitor: Monitor(); break;
    case MenuItem::RecordData: RecordData(); break;
    case MenuItem::ModelKlv40: ChooseModel(ModelKind::Klv40); break;
    case MenuItem::ModelKlv30: ChooseModel(ModelKind::Klv30); break;
    case MenuItem::ModelKlv30E: ChooseModel(ModelKind::Klv30E); break;
    case MenuItem::Manual: OpenManual(); break;
    case MenuItem::VersionInformation: ShowVersionInformation(); break;
    default: break;  // popups
  }
  // A click toggles a checkable item; the marks always follow the model.
  UpdateModelMenu();
}

QAction* MainWindow::Action(MenuItem item) const {
  const auto found = actions_.find(item);
  return found == actions_.end() ? nullptr : found->second;
}

QMenu* MainWindow::Popup(MenuItem popup) const {
  const auto found = popups_.find(popup);
  return found == popups_.end() ? nullptr : found->second;
}

void MainWindow::RefreshMenu(MenuItem popup) {
  QMenu* menu = Popup(popup);
  if (menu == nullptr) return;
  for (const auto& [item, action] : actions_) {
    if (action->parent() != menu && !menu->actions().contains(action)) continue;
    if (item == MenuItem::CommunicationLog) {
      action->setEnabled(FileExists(state_.commLogPath));
    } else if (item == MenuItem::RecordData) {
      action->setEnabled(!state_.dataLogPath.empty());
    } else {
      action->setEnabled(true);
    }
  }
}

// ---- Start-up -------------------------------------------------------------------

void MainWindow::Initialise(const StartupInputs& inputs) {
  // The manual beside the program, else in the documentation folder.
  state_.manualPath = ManualPathFor(inputs.programFile, inputs.documentationFolder, state_.language);
  if (state_.manualPath.empty()) MessageText(TextId::PathCannotBeSet);

  if (!SetSharedPaths(state_, inputs.dataFolder)) MessageText(TextId::PathCannotBeSet);

  const SettingsLoad settings = LoadProgramSettings(state_);
  if (settings.status == SettingsLoad::Status::DefaultsNotSaved) {
    MessageText(TextId::IniCannotBeCreated);
  } else if (settings.status == SettingsLoad::Status::Unreadable) {
    Message(UnreadableSettingsText(state_.settingsPath, settings.error, state_.language));
  }

  setWindowIcon(ProgramIcon());

  modified_ = false;
  documentTitle_ = UntitledTitle(state_.language);
  documentPath_.clear();
  productName_ = kProductName;

  SizeAndPlace();

  LoadDefaults(state_.parameters, state_.currentModel);
  // 0 KLV40, 1 KLV30, anything else KLV30E.
  ApplyLayout(state_.currentModel);
  UpdateTitle();
  UpdateModelMenu();

  screenReady_ = true;
  screen_->SetScreenReady(true);
  ShowRecentFiles();

  if (!state_.commandLineFile.empty()) LoadParameterFile(state_.commandLineFile, false);
}

void MainWindow::SizeAndPlace() {
  const WindowSize size = MainWindowSize(state_.language);
  setFixedSize(size.width, size.height);
  QScreen* screen = QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->geometry();
  // Signed division, rounding toward zero, as a screen smaller than the
  // window gives a negative corner.
  move(area.x() + (area.width() - size.width) / 2, area.y() + (area.height() - size.height) / 2);
}

// ---- Document state ----------------------------------------------------------------

void MainWindow::SetModified(bool modified) {
  modified_ = modified;
  UpdateTitle();
}

void MainWindow::UpdateTitle() {
  std::string title = productName_ + " - " + std::string(ModelName(state_.currentModel)) + " - " + documentTitle_;
  if (modified_) title += "*";
  title += titleNote_;
  setWindowTitle(ToQString(title));
}

void MainWindow::UpdateModelMenu() {
  const std::pair<MenuItem, ModelKind> items[] = {
      {MenuItem::ModelKlv40, ModelKind::Klv40},
      {MenuItem::ModelKlv30, ModelKind::Klv30},
      {MenuItem::ModelKlv30E, ModelKind::Klv30E},
  };
  for (const auto& [item, model] : items) {
    QAction* action = Action(item);
    if (action == nullptr) continue;
    const bool current = state_.currentModel == model;
    action->setChecked(current);
    action->setEnabled(!current);
  }
}

MainWindow::Prompt MainWindow::PromptSaveChanges() {
  return document_flow::SaveChangesFirst(state_, *this) ? Prompt::Continue : Prompt::Stop;
}

SaveChoice MainWindow::AskToSaveChanges() {
  switch (dialogs_.AskSaveChanges(this, SaveQuestionText(documentTitle_, state_.language))) {
    case SaveAnswer::Yes: return SaveChoice::Save;
    case SaveAnswer::No: return SaveChoice::Discard;
    case SaveAnswer::Cancel: break;
  }
  return SaveChoice::Cancel;
}

std::optional<std::filesystem::path> MainWindow::ChooseSaveFile(const std::string& title,
                                                                const std::filesystem::path& folder) {
  return dialogs_.ChooseFileToSave(this, title, folder);
}

std::optional<std::filesystem::path> MainWindow::ChooseOpenFile(const std::filesystem::path& folder) {
  return dialogs_.ChooseFileToOpen(this, folder);
}

void MainWindow::ShowParameters() { screen_->ShowParameters(); }

void MainWindow::NameDocument(const std::filesystem::path& path, const std::string& title) {
  documentPath_ = path;
  documentTitle_ = title;
  UpdateTitle();
}

void MainWindow::Message(std::string_view text) { dialogs_.ShowMessage(this, text); }

void MainWindow::MessageText(TextId id) { Message(Text(id, state_.language)); }

void MainWindow::OpenWithDesktop(const std::filesystem::path& path) {
  if (path.empty()) return;
  if (dialogs_.OpenWithShell(path) == ShellOpen::NoProgram) Message(NoProgramForFileText(path, state_.language));
}

void MainWindow::ApplyLayout(ModelKind model) {
  screen_->ApplyModelLayout(model);
  state_.currentModel = screen_->Model();
  UpdateModelMenu();
  UpdateTitle();
}

void MainWindow::ResetDocument() {
  state_.transferredSet.reset();
  modified_ = false;
  documentTitle_ = UntitledTitle(state_.language);
  documentPath_.clear();
  productName_ = kProductName;
}

// ---- File commands -------------------------------------------------------------------

void MainWindow::NewDocument() { document_flow::New(state_, *this); }

void MainWindow::OpenDocument() { document_flow::Open(state_, *this); }

void MainWindow::OpenRecentFile(const std::filesystem::path& path) {
  screen_->LeaveFocusedField();
  document_flow::OpenRecent(state_, *this, path);
}

void MainWindow::NoteParameterFile(const std::filesystem::path& path) {
  RememberRecentFile(state_.options, path);
  KeepOptions();
  ShowRecentFiles();
}

void MainWindow::KeepOptions() {
  if (!state_.optionsPath.empty()) StoreProgramOptions(state_);
}

void MainWindow::ShowRecentFiles() {
  QMenu* file = Popup(MenuItem::File);
  QAction* heading = recentHeading_;
  if (file == nullptr || heading == nullptr) return;
  for (QAction* action : recentActions_) {
    file->removeAction(action);
    action->deleteLater();
  }
  recentActions_.clear();
  const std::vector<std::filesystem::path>& files = state_.options.recentFiles;
  const bool any = !files.empty();
  heading->setVisible(any);
  if (recentSeparator_ != nullptr) recentSeparator_->setVisible(any);
  for (std::size_t i = 0; i < files.size() && i < kRecentFileCount; ++i) {
    // "&1" to "&8": Alt+F, then the digit.
    auto* action = new QAction(QString::fromStdString(RecentFileMenuText(i, files[i])), file);
    action->setToolTip(QString::fromStdString(files[i].string()));
    const std::filesystem::path path = files[i];
    connect(action, &QAction::triggered, this, [this, path] { OpenRecentFile(path); });
    file->insertAction(exitSeparator_, action);
    recentActions_.push_back(action);
  }
}

void MainWindow::LoadParameterFile(const std::filesystem::path& path, bool announce) {
  document_flow::LoadFile(state_, *this, path, announce);
}

void MainWindow::OpenFromLaterStart(const std::filesystem::path& file) {
  if (isMinimized()) showNormal();
  raise();
  activateWindow();
  if (file.empty()) return;
  if (QWidget* modal = QApplication::activeModalWidget(); modal != nullptr && modal != this) {
    modal->raise();
    modal->activateWindow();
    constexpr int kRetryMs = 500;
    QTimer::singleShot(kRetryMs, this, [this, file] { OpenFromLaterStart(file); });
    return;
  }
  screen_->LeaveFocusedField();
  if (PromptSaveChanges() == Prompt::Stop) return;
  LoadParameterFile(file, false);
}

bool MainWindow::SaveDocument() { return Save(false); }

bool MainWindow::SaveDocumentAs() { return Save(true); }

bool MainWindow::Save(bool alwaysAsk) { return document_flow::Save(state_, *this, alwaysAsk); }

void MainWindow::Report() {
  // The report shows the screen as it stands.
  screen_->ReadScreen();
  const std::optional<ReportRequest> request = dialogs_.AskReportDetails(this, state_.language, reportNote_);
  if (!request) return;
  reportNote_ = request->note;

  UnitReportInputs inputs;
  inputs.parameters = state_.parameters;
  inputs.model = state_.currentModel;
  inputs.language = state_.language;
  inputs.fileName = documentPath_.empty() ? documentTitle_ : documentPath_.string();
  inputs.created = state_.clock.LocalNow();
  inputs.note = request->note;
  inputs.provenance = state_.transferredSet;
  const UnitReport report = ComposeUnitReport(inputs);

  if (request->output == ReportRequest::Output::Print) {
    if (dialogs_.PrintReport(this, report) == PrintOutcome::Failed) {
      Message(ReportMessageText(ReportMessage::CannotPrint, state_.language));
    }
    return;
  }
  const std::optional<std::filesystem::path> path =
      dialogs_.ChooseReportFile(this, ReportFileName(documentTitle_, request->note), state_.options.reportFolder);
  if (!path) return;
  state_.options.reportFolder = path->parent_path();
  KeepOptions();
  const QByteArray pdf = UnitReportPdf(report);
  const SaveOutcome saved =
      SaveFileAtomically(*path, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  Message(saved.ok ? ReportMessageText(ReportMessage::Saved, state_.language, path->string())
                   : ReportMessageText(ReportMessage::CannotSave, state_.language, path->string(), saved.error));
}

const std::optional<UnitProvenance>& MainWindow::Provenance() const { return state_.transferredSet; }

// ---- Transfers ---------------------------------------------------------------------------

void MainWindow::ReadFromDevice() {
  // An edit field being left runs its rules first.
  screen_->FocusKeyLockOff();
  transfer_flow::Read(state_, *this);
}

void MainWindow::WriteToDevice() { transfer_flow::Write(state_, *this); }

void MainWindow::CompareWithDevice() { transfer_flow::Compare(state_, *this); }

bool MainWindow::ConfirmConnection() { return transfer_flow::ConfirmConnection(state_, *this); }

bool MainWindow::SaveChangesFirst() { return PromptSaveChanges() == Prompt::Continue; }

bool MainWindow::ConfirmSettings() { return dialogs_.RunCommunicationSettings(this, state_); }

void MainWindow::RunBehindProgress(TransferSession& session) {
  TransferProgressDialog progress(session, state_.language, dialogs_, this);
  progress.Run();
}

void MainWindow::ReadScreen() { screen_->ReadScreen(); }

void MainWindow::ShowReadSet() {
  SetModified(false);
  ApplyLayout(state_.currentModel);
}

void MainWindow::ShowComparison(const ParameterComparison& comparison) {
  dialogs_.ShowComparison(this, comparison, state_.language);
}

// ---- Tools, Model, Help ---------------------------------------------------------------------

void MainWindow::CommunicationSettings() {
  if (dialogs_.RunCommunicationSettings(this, state_)) state_.settingsConfirmed = true;
}

void MainWindow::OpenCommunicationLog() {
  OpenWithDesktop(state_.commLogPath);
}

void MainWindow::Monitor() {
  if (!ConfirmConnection()) return;
  if (monitorCommand_) monitorCommand_(this, false);
}

void MainWindow::RecordData() {
  if (!ChooseRecordFile(this)) return;
  if (!ConfirmConnection()) return;
  if (monitorCommand_) monitorCommand_(this, true);
}

std::optional<std::filesystem::path> MainWindow::ChooseRecordFile(QWidget* owner) {
  if (state_.dataLogPath.empty()) return std::nullopt;
  const std::filesystem::path folder =
      state_.options.recordFolder.empty() ? state_.dataLogPath.parent_path() : state_.options.recordFolder;
  std::optional<std::filesystem::path> chosen =
      dialogs_.ChooseRecordFile(owner, state_.dataLogPath.filename().string(), folder);
  if (!chosen) return std::nullopt;
  state_.dataLogPath = *chosen;
  state_.options.recordFolder = chosen->parent_path();
  KeepOptions();
  return chosen;
}

void MainWindow::ChooseModel(ModelKind model) { document_flow::ChooseModel(state_, *this, model); }

void MainWindow::OpenManual() {
  OpenWithDesktop(state_.manualPath);
}

void MainWindow::ShowVersionInformation() { Message(VersionInformationText()); }

// ---- Exit -----------------------------------------------------------------------------------

bool MainWindow::ConfirmExit() {
  screen_->LeaveFocusedField();
  if (PromptSaveChanges() == Prompt::Stop) return false;
  SetModified(false);
  if (!StoreProgramSettings(state_)) MessageText(TextId::IniCannotBeCreated);
  return true;
}

bool MainWindow::Exit() {
  if (!ConfirmExit()) return false;
  exiting_ = true;
  close();
  return true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
  // The close box and Alt+F4 are Exit too.
  if (exiting_ || ConfirmExit()) {
    exiting_ = true;
    event->accept();
  } else {
    event->ignore();
  }
}

}  // namespace klv
