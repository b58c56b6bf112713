#pragma once
// Every way the windows ask or tell the operator something, behind one
// interface: message boxes, the save question, the file dialogs, the
// communication settings screen and the shell. The program uses the real
// dialogs; window tests pass a recorder that answers at once, so no modal
// loop holds a test.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "text/language.h"

class QWidget;

namespace klv {

class ProgramState;
struct UnitReport;
struct ParameterComparison;

enum class SaveAnswer { Yes, No, Cancel };

// What File > Report is to make: the note it carries, and where it goes.
struct ReportRequest {
  enum class Output { Pdf, Print };
  std::string note;  // the unit's serial number or a note
  Output output = Output::Pdf;
};

enum class PrintOutcome { Printed, Cancelled, Failed };

// What became of a file handed to the desktop.
enum class ShellOpen {
  Opened,     // the desktop took it over
  Missing,    // there is no file at the path, so nothing was handed over
  NoProgram,  // the desktop has no program for it (or could not start one)
};

class OperatorDialogs {
 public:
  virtual ~OperatorDialogs() = default;

  // A plain box with an OK button, owned by owner; returns once it is closed.
  virtual void ShowMessage(QWidget* owner, std::string_view text) = 0;
  // The Yes/No/Cancel question before a document is discarded.
  virtual SaveAnswer AskSaveChanges(QWidget* owner, std::string_view text) = 0;
  // The file dialogs start in folder (empty: the working folder).
  // The open dialog for parameter files; nothing when it was cancelled.
  virtual std::optional<std::filesystem::path> ChooseFileToOpen(QWidget* owner, const std::filesystem::path& folder) = 0;
  // The save dialog with the initial name (extension "klv" added, existing
  // files only after a question); nothing when it was cancelled.
  virtual std::optional<std::filesystem::path> ChooseFileToSave(QWidget* owner, std::string_view initialName,
                                                                const std::filesystem::path& folder) = 0;
  // The communication settings screen over the program's settings; true
  // when it was accepted.
  virtual bool RunCommunicationSettings(QWidget* owner, ProgramState& state) = 0;
  // Opens the file with the desktop's program for it. A missing file is not
  // handed over (a missing manual simply does not open).
  virtual ShellOpen OpenWithShell(const std::filesystem::path& path) = 0;
  // File > Report: asks for the unit's serial number or a note (offered
  // with the last one) and whether to save a PDF or print; nothing when it
  // was cancelled.
  virtual std::optional<ReportRequest> AskReportDetails(QWidget* owner, Language language, std::string_view lastNote) = 0;
  // The save dialog for a PDF report, with the initial name; existing files
  // only after a question.
  virtual std::optional<std::filesystem::path> ChooseReportFile(QWidget* owner, std::string_view initialName,
                                                                const std::filesystem::path& folder) = 0;
  // The save dialog for the monitor's data record (CSV), with the initial
  // name; existing files only after a question.
  virtual std::optional<std::filesystem::path> ChooseRecordFile(QWidget* owner, std::string_view initialName,
                                                                const std::filesystem::path& folder) = 0;
  // The print dialog, then the report on the printer chosen.
  virtual PrintOutcome PrintReport(QWidget* owner, const UnitReport& report) = 0;
  // The result of Compare with KLV; returns once it is closed.
  virtual void ShowComparison(QWidget* owner, const ParameterComparison& comparison, Language language) = 0;
};

}  // namespace klv
