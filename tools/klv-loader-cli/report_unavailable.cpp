// report in a build without Qt (the Windows command-line tool, the sanitizer
// builds): the PDF pages need Qt Gui, so the command says it cannot run here.
#include <string>

#include "commands.h"
#include "environment.h"
#include "cli_texts.h"

namespace klv::cli {

int RunReportCommand(std::span<const std::string>) {
  PrintError(CliText(CliTextId::ReportUnavailable, LocaleLanguage()));
  return kExitUnusable;
}

std::string ReportUsageSummary(Language) { return {}; }

int SaveReportFile(const UnitReport&, const std::string&, Language language, std::string*) {
  PrintError(CliText(CliTextId::ReportUnavailable, language));
  return kExitUnusable;
}

int SaveReportsFile(std::span<const UnitReport>, const std::string&, Language language, std::string*) {
  PrintError(CliText(CliTextId::ReportUnavailable, language));
  return kExitUnusable;
}

bool ReportsAvailable() { return false; }

}  // namespace klv::cli
