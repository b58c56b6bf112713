#include "app/ui/system_dialogs.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QUrl>
#include <system_error>

#include "app/program_state.h"
#include "editor/ui/comparison_dialog.h"
#include "widgets/message_box.h"
#include "text/texts.h"
#include "device/ui/comm_settings_dialog.h"
#include "editor/ui/report_dialog.h"
#include "editor/ui/unit_report_pdf.h"

namespace klv {

void SystemDialogs::ShowMessage(QWidget* owner, std::string_view text) { klv::ShowMessage(owner, text); }

SaveAnswer SystemDialogs::AskSaveChanges(QWidget* owner, std::string_view text) {
  QMessageBox box(QMessageBox::Question, ToQString(kProductName), ToQString(text),
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, owner);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  FitCaption(box);
  switch (box.exec()) {
    case QMessageBox::Yes: return SaveAnswer::Yes;
    case QMessageBox::No: return SaveAnswer::No;
    default: return SaveAnswer::Cancel;
  }
}

namespace {

void SetUpFileDialog(QFileDialog& dialog, Language language) {
  dialog.setNameFilter(ToQString(Text(TextId::ParameterFileFilter, language)));
  dialog.setDefaultSuffix(QStringLiteral("klv"));
}

// A folder that is gone leaves the dialog in the working folder.
void StartIn(QFileDialog& dialog, const std::filesystem::path& folder) {
  std::error_code error;
  if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
    dialog.setDirectory(QString::fromStdString(folder.string()));
  }
}

std::optional<std::filesystem::path> ChosenPath(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
}

}  // namespace

std::optional<std::filesystem::path> SystemDialogs::ChooseFileToOpen(QWidget* owner,
                                                                     const std::filesystem::path& folder) {
  QFileDialog dialog(owner);
  SetUpFileDialog(dialog, language_);
  StartIn(dialog, folder);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  return ChosenPath(dialog);
}

std::optional<std::filesystem::path> SystemDialogs::ChooseFileToSave(QWidget* owner, std::string_view initialName,
                                                                     const std::filesystem::path& folder) {
  QFileDialog dialog(owner);
  SetUpFileDialog(dialog, language_);
  StartIn(dialog, folder);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);  // ask before replacing a file
  dialog.selectFile(ToQString(initialName));
  return ChosenPath(dialog);
}

std::optional<std::filesystem::path> SystemDialogs::ChooseRecordFile(QWidget* owner, std::string_view initialName,
                                                                     const std::filesystem::path& folder) {
  QFileDialog dialog(owner);
  dialog.setWindowTitle(ToQString(Caption("Data record [control input/control output]", language_)));
  StartIn(dialog, folder);
  dialog.setNameFilter(QStringLiteral("CSV (*.csv)"));
  dialog.setDefaultSuffix(QStringLiteral("csv"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);  // ask before replacing a record
  dialog.selectFile(ToQString(initialName));
  return ChosenPath(dialog);
}

bool SystemDialogs::RunCommunicationSettings(QWidget* owner, ProgramState& state) {
  CommSettingsDialog screen(state.connection, state.language, owner);
  if (state.demoModel) screen.ShowSimulatedPort(1, *state.demoModel, state.ports);
  const ProgramOptions before = state.options;
  screen.BindVerifyAfterWrite(state.options.verifyAfterWrite);
  screen.BindLocalEcho(state.options.localEcho);
  screen.BindWriteChangedOnly(state.options.writeChangedOnly);
  if (screen.exec() != QDialog::Accepted) return false;
  ApplyConnectionOptions(state);
  if (state.options != before) {
    if (const SaveOutcome saved = StoreProgramOptions(state); !saved.ok) {
      ShowMessage(owner, OptionsNotSavedText(state.optionsPath, saved.error, state.language));
    }
  }
  return true;
}

ShellOpen SystemDialogs::OpenWithShell(const std::filesystem::path& path) {
  // A missing file is not handed over: the desktop would report it, and the
  // program shows nothing when a file is not there.
  std::error_code error;
  if (path.empty() || !std::filesystem::exists(path, error)) return ShellOpen::Missing;
  const bool opened = QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path.string())));
  return opened ? ShellOpen::Opened : ShellOpen::NoProgram;
}

std::optional<ReportRequest> SystemDialogs::AskReportDetails(QWidget* owner, Language language,
                                                             std::string_view lastNote) {
  ReportDialog dialog(language, lastNote, owner);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return dialog.Request();
}

std::optional<std::filesystem::path> SystemDialogs::ChooseReportFile(QWidget* owner, std::string_view initialName,
                                                                     const std::filesystem::path& folder) {
  QFileDialog dialog(owner);
  StartIn(dialog, folder);
  dialog.setNameFilter(QStringLiteral("PDF (*.pdf)"));
  dialog.setDefaultSuffix(QStringLiteral("pdf"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  dialog.selectFile(ToQString(initialName));
  return ChosenPath(dialog);
}

PrintOutcome SystemDialogs::PrintReport(QWidget* owner, const UnitReport& report) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setDocName(ToQString(report.title));
  QPrintDialog dialog(&printer, owner);
  if (dialog.exec() != QDialog::Accepted) return PrintOutcome::Cancelled;
  if (!printer.isValid()) return PrintOutcome::Failed;
  PaintUnitReport(report, printer);
  return printer.printerState() == QPrinter::Error ? PrintOutcome::Failed : PrintOutcome::Printed;
}

void SystemDialogs::ShowComparison(QWidget* owner, const ParameterComparison& comparison, Language language) {
  ComparisonDialog dialog(comparison, language, owner);
  dialog.exec();
}

}  // namespace klv
