// report: a PDF record of what a parameter file sets a unit to, with the same
// page layout as the main window's File > Report: model, options, every
// parameter with its caption, value and meaning, the file, the date and time,
// and a note such as the unit's serial number. The tool draws the pages with
// Qt Gui on the offscreen platform, so it needs no display.
#include <QGuiApplication>
#include <QtGlobal>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "file_refusal.h"
#include "common/argument_reader.h"
#include "cli_texts.h"
#include "commands.h"
#include "editor/parameter_file.h"
#include "text/texts.h"
#include "editor/ui/unit_report_pdf.h"
#include "editor/unit_report.h"
#include "environment.h"
#include "platform/clock.h"
#include "platform/file_store.h"

namespace klv::cli {

using tools::Argument;
using tools::ArgumentReader;
using tools::ParsedLine;

namespace {

struct ReportCommandLine {
  std::string file;
  std::string output;
  std::string note;
  bool help = false;
  // --address and the other connection options: the units to read and report.
  ConnectionOptions connection;
  bool json = false;
  bool stopOnFailure = false;
};

using ParsedReportLine = ParsedLine<ReportCommandLine>;

ParsedReportLine ParseReportLine(std::span<const std::string> args, Language language) {
  ReportCommandLine line;
  std::vector<std::string> files;
  // A connection option is one only with --address: a file's report reaches no line.
  std::string connectionOption;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      line.help = true;
      return {line, {}};
    }
    if (arg->kind == Argument::Kind::Plain) {
      files.push_back(arg->text);
      continue;
    }
    const std::string& name = arg->text;
    if (!arg->value && (name == "json" || name == "stop-on-failure" || IsConnectionFlag(name))) {
      (name == "json" ? line.json : name == "stop-on-failure" ? line.stopOnFailure : line.connection.localEcho) = true;
      if (connectionOption.empty()) connectionOption = name;
      continue;
    }
    if (name != "output" && name != "note" && !IsConnectionOption(name)) {
      return ParsedReportLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, "report"}));
    }
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    if (IsConnectionOption(name)) {
      if (connectionOption.empty() && name != "address") connectionOption = name;
      std::string error;
      if (!TakeConnectionOption(name, *value, line.connection, error, language)) return ParsedReportLine::Refuse(error);
    } else if (name == "output") {
      if (value->empty()) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsFileName, language, {"output"}));
      line.output = *value;
    } else {
      line.note = *value;
    }
  }
  const bool onBus = !line.connection.addresses.empty();
  if (!onBus && !connectionOption.empty()) {
    return ParsedReportLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {connectionOption, "report"}));
  }
  if (onBus && !files.empty()) return ParsedReportLine::Refuse(CliText(CliTextId::ReportBusTakesNoFile, language));
  if (!onBus && files.size() != 1) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsOneFile, language, {"report"}));
  if (!onBus) line.file = files.front();
  if (line.output.empty()) return ParsedReportLine::Refuse(CliText(CliTextId::ReportNeedsOutput, language));
  return {line, {}};
}

// Qt's own warnings (a missing runtime folder and the like) are no concern of
// a script's; only its critical messages reach standard error.
void QuietQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
  if (type == QtCriticalMsg || type == QtFatalMsg) PrintError(message.toStdString());
}

}  // namespace

int RunReportCommand(std::span<const std::string> args) {
  const Language language = LocaleLanguage();
  const ParsedReportLine parsed = ParseReportLine(args, language);
  if (!parsed.line) return RefuseUsage(parsed.error, language);
  const ReportCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(CliText(CliTextId::ReportUsage, language).c_str(), stdout);
    return kExitSuccess;
  }

  if (!line.connection.addresses.empty()) {
    CommandLine bus;
    bus.connection = line.connection;
    bus.file = line.output;
    bus.note = line.note;
    bus.json = line.json;
    bus.stopOnFailure = line.stopOnFailure;
    return RunReportOnBus(bus);
  }

  const ParameterFileLoad load = LoadParameterFile(line.file);
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(line.file, load, language));
    return kExitUnusable;
  }

  UnitReportInputs inputs;
  inputs.parameters = load.contents->parameters;
  inputs.model = load.contents->model;
  inputs.language = language;
  inputs.fileName = line.file;
  inputs.created = SystemClock().LocalNow();
  inputs.note = line.note;
  return SaveReportFile(ComposeUnitReport(inputs), line.output, language);
}

int SaveReportFile(const UnitReport& report, const std::string& output, Language language, std::string* said) {
  return SaveReportsFile(std::span(&report, 1), output, language, said);
}

int SaveReportsFile(std::span<const UnitReport> reports, const std::string& output, Language language,
                    std::string* said) {
  // The pages are drawn without a display, by one application for every
  // report of the run (a bus makes one per unit).
  static int argc = 1;
  static char name[] = "klv-loader-cli";
  static char* argv[] = {name, nullptr};
  // It lives until the process ends: Qt's own statics go before a static
  // object of ours would, so it is never torn down.
  if (QGuiApplication::instance() == nullptr) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietQtMessages);
    new QGuiApplication(argc, argv);
  }
  const QByteArray pdf = UnitReportsPdf(reports);

  const SaveOutcome saved = SaveFileAtomically(output, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  if (!saved.ok) {
    PrintError(ReportMessageText(ReportMessage::CannotSave, language, output, saved.error));
    return kExitUnusable;
  }
  const std::string done = ReportMessageText(ReportMessage::Saved, language, output) + "\n";
  if (said != nullptr) {
    *said += done;
  } else {
    std::fputs(done.c_str(), stdout);
  }
  return kExitSuccess;
}

bool ReportsAvailable() { return true; }

std::string ReportUsageSummary(Language language) {
  return CliText(CliTextId::ReportSummary, language);
}

}  // namespace klv::cli
