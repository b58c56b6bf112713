// monitor: the monitor window's polling without a window, for logging from a
// script or a production line. The same session as the window: the same
// identification, polling order, 200 ms period and value texts, and with
// --record the same data record. One line names the model, then one line per
// complete polling cycle: the local time and REG=TEXT per register polled.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli_options.h"
#include "commands.h"
#include "environment.h"
#include "monitor/monitor_session.h"
#include "platform/clock.h"
#include "serial/comm_log.h"
#include "serial/line_settings.h"
#include "system_services.h"
#include "transfer/device_path_port.h"

namespace klv::cli {
namespace {

// Up to 31 days.
constexpr long long kMaxSeconds = 31LL * 24 * 3600;

constexpr std::string_view kUsage =
    "Usage: klv-loader-cli monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
    "\n"
    "Watches the live values of the connected regulator as the Monitor window\n"
    "does: identifies the model, then reads one register every 200 ms, round\n"
    "robin. Prints one line naming the model (model=KLV40 mode=PA), then after\n"
    "each complete polling cycle one line with the local time and REG=TEXT for\n"
    "each register read, in polling order, for example\n"
    "  09:15:02 0100=523 0101=---- 0102=12 ... 0108=___O 0109=O_O\n"
    "Texts as in the window: xxxx no reply, ---- too small, LLLL under range,\n"
    "HHHH over range; the lamp registers 0108 and 0109 as bits, highest first,\n"
    "O for on and _ for off.\n"
    "\n"
    "  --seconds N           stop after N seconds (default: until Ctrl+C)\n"
    "  --record FILE.csv     write the data record (control input and output) to\n"
    "                        FILE.csv with the sampling period and record time of\n"
    "                        the settings file; monitoring goes on after it ends\n"
    "\n"
    "Connection options as for read and write (see 'klv-loader-cli --help').\n"
    "\n"
    "Exit status: 0 when monitoring ran and stopped, 2 for a usage error, a port\n"
    "that cannot be used or a record file that cannot be created.\n";

bool IsConnectionOption(std::string_view name) {
  return name == "port" || name == "address" || name == "speed" || name == "parity" || name == "stop-bits" ||
         name == "timeout" || name == "protocol";
}

struct MonitorCommandLine {
  ConnectionOptions connection;
  std::optional<long long> seconds;
  std::string record;
  bool help = false;
};

struct ParsedMonitorLine {
  std::optional<MonitorCommandLine> line;
  std::string error;
};

ParsedMonitorLine Refuse(std::string error) { return {std::nullopt, std::move(error)}; }

ParsedMonitorLine ParseMonitorLine(std::span<const std::string> args) {
  MonitorCommandLine line;
  // The connection options go through the transfer commands' own parser, so
  // they take the same values and give the same messages.
  std::vector<std::string> connection = {"read"};
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      line.help = true;
      return {line, {}};
    }
    if (arg.size() < 3 || arg.compare(0, 2, "--") != 0) return Refuse("monitor takes no argument '" + arg + "'");
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (const std::size_t equals = name.find('='); equals != std::string::npos) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    if (name != "seconds" && name != "record" && !IsConnectionOption(name)) {
      return Refuse("unknown option --" + name + " for 'monitor'");
    }
    if (!value) {
      if (i + 1 >= args.size()) return Refuse("--" + name + " needs a value");
      value = args[++i];
    }
    if (name == "seconds") {
      long long seconds = 0;
      const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), seconds);
      if (error != std::errc{} || end != value->data() + value->size() || seconds < 1 || seconds > kMaxSeconds) {
        return Refuse("--seconds: '" + *value + "' is not a number of seconds from 1 to " +
                      std::to_string(kMaxSeconds));
      }
      line.seconds = seconds;
    } else if (name == "record") {
      if (value->empty()) return Refuse("--record needs a file name");
      line.record = *value;
    } else {
      connection.push_back("--" + name + "=" + *value);
    }
  }
  connection.insert(connection.end(), {"--output", "unused"});
  const ParsedCommandLine parsed = ParseCommandLine(connection);
  if (!parsed.commandLine) return Refuse(parsed.error);
  line.connection = parsed.commandLine->connection;
  return {line, {}};
}

// "model=KLV40 mode=PA"; for a device not identified, the model polled.
std::string ModelLine(const MonitorSession& session) {
  const auto trimmed = [](std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return std::string(text);
  };
  switch (session.LastIdentification()) {
    case MonitorIdentification::Klv40:
      return "model=KLV40 mode=" + trimmed(ControlModeText(session.Scale().controlMode));
    case MonitorIdentification::Klv30: return "model=KLV30";
    case MonitorIdentification::Klv30E: return "model=KLV30E";
    case MonitorIdentification::OtherCode: return "model=?? polled=KLV40";
    case MonitorIdentification::NoAnswer: return "model=none polled=KLV40";
  }
  return {};
}

// A row's text as one word of the line: the lamp bit strings lose the blanks
// between their bits, so a line splits on blanks into REG=TEXT words.
std::string Word(const MonitorPoll& poll) {
  std::string text = poll.text;
  if (poll.address == "0108" || poll.address == "0109") std::erase(text, ' ');
  return std::string(poll.address) + "=" + text;
}

std::string TimeStamp(const LocalTime& time) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return stamp;
}

}  // namespace

std::string MonitorUsageSummary() {
  return "\nAlso: klv-loader-cli monitor [OPTIONS] [--seconds N] [--record FILE.csv]\n"
         "  watches the live values as the Monitor window does (monitor --help).\n";
}

int RunMonitorCommand(std::span<const std::string> args) {
  const ParsedMonitorLine parsed = ParseMonitorLine(args);
  if (!parsed.line) {
    PrintError(parsed.error);
    std::fputs("Try 'klv-loader-cli monitor --help'.\n", stderr);
    return kExitUnusable;
  }
  const MonitorCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(std::string(kUsage).c_str(), stdout);
    return kExitSuccess;
  }
  if (!line.record.empty()) {
    const std::filesystem::path record = line.record;
    const std::filesystem::path folder = record.has_parent_path() ? record.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      PrintError(line.record + ": the folder " + folder.string() + " does not exist");
      return kExitUnusable;
    }
    if (std::filesystem::is_directory(record, error)) {
      PrintError(line.record + ": is a folder");
      return kExitUnusable;
    }
  }

  const Language language = LocaleLanguage();
  const Environment environment = LoadEnvironment();
  if (!environment.dataFolderError.empty()) {
    PrintError("data folder: " + environment.dataFolderError + " (default settings, no COM links)");
  }
  if (!environment.settingsWarning.empty()) PrintError(environment.settingsWarning);
  CommSettings settings = ApplyConnectionOptions(environment.settings, line.connection);
  const std::unique_ptr<SerialLine> serialLine =
      line.connection.devicePath.empty() ? std::make_unique<SerialLine>()
                                         : std::make_unique<SerialLine>(DevicePathPortFactory(line.connection.devicePath));
  CommLog log;
  RtuRequestCopy lastRtuRequest{};
  Clock& clock = SystemClock();
  MonitorSession session(MonitorLink{*serialLine, settings, environment.dataFolder, log, lastRtuRequest}, clock,
                         language);

  // Ctrl+C ends the loop; the port is then closed as usual.
  CatchStopRequests();
  const Clock::TimePoint start = clock.Now();
  bool recordFailed = false;
  const MonitorSession::StartOutcome started =
      session.Start(!line.record.empty(), line.record, [&](std::string_view text) {
        recordFailed = true;
        PrintError(line.record + ": " + std::string(text));
      });
  if (!started.started) {
    std::string message = started.portMessage;
    // With a device path the COM number of the settings means nothing.
    const std::string com = "\n" + PortName(settings.PortInUse()) + ", ";
    if (const std::size_t at = message.find(com); !line.connection.devicePath.empty() && at != std::string::npos) {
      message.replace(at, com.size(), "\n");
    }
    PrintError(message);
    return kExitUnusable;
  }
  if (recordFailed) {
    session.Stop();
    return kExitUnusable;
  }
  std::printf("%s\n", ModelLine(session).c_str());
  std::fflush(stdout);

  std::string status = session.Recorder().Status();
  if (!status.empty()) std::fprintf(stderr, "%s\n", status.c_str());
  std::string cycle;
  const std::optional<Clock::TimePoint> deadline =
      line.seconds ? std::optional(start + std::chrono::seconds(*line.seconds)) : std::nullopt;
  while (!StopRequested()) {
    const Clock::TimePoint now = clock.Now();
    if (deadline && now >= *deadline) break;
    Clock::Duration wait = session.UntilNextTick();
    if (deadline) wait = std::min(wait, *deadline - now);
    if (wait > Clock::Duration::zero()) {
      clock.SleepFor(wait);
      continue;
    }
    const std::optional<MonitorPoll> poll = session.Tick();
    if (!poll) continue;
    if (!cycle.empty()) cycle += ' ';
    cycle += Word(*poll);
    if (poll->cycleEnd) {
      std::printf("%s %s\n", TimeStamp(clock.LocalNow()).c_str(), cycle.c_str());
      std::fflush(stdout);
      cycle.clear();
    }
    if (session.Recorder().Status() != status) {
      status = session.Recorder().Status();
      if (!status.empty()) std::fprintf(stderr, "%s\n", status.c_str());
    }
  }
  session.Stop();
  return kExitSuccess;
}

}  // namespace klv::cli
