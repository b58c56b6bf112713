// klv-loader-cli: the command-line front end of KLV Loader, for scripts and
// production lines. It shares the core with the windows: the same transfers,
// the same parameter files, the same settings file and comlog.txt.
#include <cstdio>
#include <string>
#include <vector>

#include "cli_options.h"
#include "cli_texts.h"
#include "commands.h"
#include "environment.h"
#include "system_services.h"

int main(int argc, char** argv) {
  using namespace klv::cli;
  PrepareConsole();
  const std::vector<std::string> args = CommandArguments(argc, argv);
  if (!args.empty() && args[0] == "monitor") return RunMonitorCommand(std::span(args).subspan(1));
  if (!args.empty() && args[0] == "scan") return RunScanCommand(std::span(args).subspan(1));
  if (!args.empty() && args[0] == "report") return RunReportCommand(std::span(args).subspan(1));
  const klv::Language language = LocaleLanguage();
  const ParsedCommandLine parsed = ParseCommandLine(args, language);
  if (!parsed.commandLine) return RefuseUsage(parsed.error, language);
  const CommandLine& line = *parsed.commandLine;
  if (line.help) {
    std::fputs(UsageText(line.command, language).c_str(), stdout);
    return kExitSuccess;
  }
  switch (line.command) {
    case Command::Help:
      std::fputs(UsageText(Command::None, language).c_str(), stdout);
      return kExitSuccess;
    case Command::Version: std::printf("klv-loader-cli %s\n", KLV_VERSION); return kExitSuccess;
    case Command::Defaults: return RunDefaults();
    case Command::Read: return RunRead(line);
    case Command::Write: return RunWrite(line);
    case Command::Show: return RunShow(line);
    case Command::Compare: return RunCompare(line);
    case Command::Set: return RunSet(line);
    case Command::None: break;
  }
  return kExitUnusable;
}
