#pragma once
// The tool's commands. Each returns the process's exit status.
#include <span>
#include <string>

#include "cli_options.h"

namespace klv {
struct UnitReport;
}  // namespace klv

namespace klv::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailed = 1;  // the transfer failed or was refused
inline constexpr int kExitUnusable = 2;  // usage error, unusable file or port
inline constexpr int kExitDiffers = 3;   // compare: the regulator holds other values
inline constexpr int kExitNothingFound = 3;  // scan: no regulator answered

int RunRead(const CommandLine& line);
int RunWrite(const CommandLine& line);
int RunShow(const CommandLine& line);
int RunCompare(const CommandLine& line);
// set: changes values of a parameter file in place.
int RunSet(const CommandLine& line);
int RunDefaults();
// monitor: args are the arguments after "monitor".
int RunMonitorCommand(std::span<const std::string> args);
// monitor's entry in the general --help's list of commands.
std::string MonitorUsageSummary(Language language);
// scan: args are the arguments after "scan"; and its entry in the general --help.
int RunScanCommand(std::span<const std::string> args);
std::string ScanUsageSummary(Language language);
// report: args are the arguments after "report"; and its entry in the general
// --help (empty in a build that cannot make reports).
int RunReportCommand(std::span<const std::string> args);
std::string ReportUsageSummary(Language language);
// Draws report into the PDF file output and says so on standard output (or
// in said, when given); the exit status. False from ReportsAvailable in a
// build that cannot draw one.
int SaveReportFile(const UnitReport& report, const std::string& output, Language language,
                   std::string* said = nullptr);
// Several reports in one PDF file, each from a new page; as SaveReportFile.
int SaveReportsFile(std::span<const UnitReport> reports, const std::string& output, Language language,
                    std::string* said = nullptr);
// report --address: reads each unit of the command line's addresses and
// saves its report, in a PDF of its own ({address} in line.file) or as a
// page of one PDF; line.note goes on every report.
int RunReportOnBus(const CommandLine& line);
bool ReportsAvailable();

}  // namespace klv::cli
