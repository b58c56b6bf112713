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
};

using ParsedReportLine = ParsedLine<ReportCommandLine>;

ParsedReportLine ParseReportLine(std::span<const std::string> args, Language language) {
  ReportCommandLine line;
  std::vector<std::string> files;
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
    if (name != "output" && name != "note") return ParsedReportLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, "report"}));
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    if (name == "output") {
      if (value->empty()) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsFileName, language, {"output"}));
      line.output = *value;
    } else {
      line.note = *value;
    }
  }
  if (files.size() != 1) return ParsedReportLine::Refuse(CliText(CliTextId::NeedsOneFile, language, {"report"}));
  line.file = files.front();
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

int SaveReportFile(const UnitReport& report, const std::string& output, Language language) {
  // The pages are drawn without a display.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qInstallMessageHandler(QuietQtMessages);
  int argc = 1;
  char name[] = "klv-loader-cli";
  char* argv[] = {name, nullptr};
  const QGuiApplication application(argc, argv);
  const QByteArray pdf = UnitReportPdf(report);

  const SaveOutcome saved = SaveFileAtomically(output, std::string_view(pdf.constData(), static_cast<std::size_t>(pdf.size())));
  if (!saved.ok) {
    PrintError(ReportMessageText(ReportMessage::CannotSave, language, output, saved.error));
    return kExitUnusable;
  }
  std::printf("%s\n", ReportMessageText(ReportMessage::Saved, language, output).c_str());
  return kExitSuccess;
}

bool ReportsAvailable() { return true; }

std::string ReportUsageSummary(Language language) {
  return CliText(CliTextId::ReportSummary, language);
}

}  // namespace klv::cli
