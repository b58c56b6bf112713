// monitor: the monitor window's polling without a window, for logging from a
// script or a production line. The same session as the window: the same
// identification, polling order, 200 ms period and value texts, and with
// --record the same data record. One line names the model, then one line per
// complete polling cycle: the local time and REG=TEXT per register polled.
// The model line comes again whenever the identification changes (a unit
// silent at the start, another unit after a reconnection); a cycle is never
// printed across it, and a record goes on in a file named with the time.
// With several addresses the units of the bus are polled in turn on one
// port (BusMonitor): the same lines, each with the unit's address=N after
// the time, and a summary of the units at the end.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/utf8_path.h"
#include "common/argument_reader.h"
#include "cli_options.h"
#include "platform/file_store.h"
#include "cli_texts.h"
#include "commands.h"
#include "environment.h"
#include "monitor/bus_monitor.h"
#include "monitor/monitor_session.h"
#include "platform/clock.h"
#include "serial/line_settings.h"
#include "system_services.h"
#include "tool_connection.h"
#include "device/no_reply_text.h"

namespace klv::cli {

using tools::Argument;
using tools::ArgumentReader;
using tools::ParsedLine;

namespace {

// Up to 31 days.
constexpr long long kMaxSeconds = 31LL * 24 * 3600;

struct MonitorCommandLine {
  ConnectionOptions connection;
  std::optional<long long> seconds;
  std::string record;
  bool help = false;
};

using ParsedMonitorLine = ParsedLine<MonitorCommandLine>;

ParsedMonitorLine ParseMonitorLine(std::span<const std::string> args, Language language) {
  MonitorCommandLine line;
  ArgumentReader reader(args);
  while (const std::optional<Argument> arg = reader.Next()) {
    if (arg->kind == Argument::Kind::Help) {
      line.help = true;
      return {line, {}};
    }
    if (arg->kind == Argument::Kind::Plain) {
      return ParsedMonitorLine::Refuse(CliText(CliTextId::MonitorTakesNoArgument, language, {arg->text}));
    }
    const std::string& name = arg->text;
    if (IsConnectionFlag(name) && !arg->value) {
      line.connection.localEcho = true;
      continue;
    }
    if (name != "seconds" && name != "record" && !IsConnectionOption(name)) {
      return ParsedMonitorLine::Refuse(CliText(CliTextId::UnknownOptionFor, language, {name, "monitor"}));
    }
    const std::optional<std::string> value = reader.ValueOf(*arg);
    if (!value) return ParsedMonitorLine::Refuse(CliText(CliTextId::NeedsValue, language, {name}));
    if (name == "seconds") {
      long long seconds = 0;
      const auto [end, error] = std::from_chars(value->data(), value->data() + value->size(), seconds);
      if (error != std::errc{} || end != value->data() + value->size() || seconds < 1 || seconds > kMaxSeconds) {
        return ParsedMonitorLine::Refuse(CliText(CliTextId::SecondsNotANumber, language, {*value, std::to_string(kMaxSeconds)}));
      }
      line.seconds = seconds;
    } else if (name == "record") {
      if (value->empty()) return ParsedMonitorLine::Refuse(CliText(CliTextId::NeedsFileName, language, {"record"}));
      line.record = *value;
    } else {
      // The same values and messages as the transfer commands'.
      std::string error;
      if (!TakeConnectionOption(name, *value, line.connection, error, language)) return ParsedMonitorLine::Refuse(error);
    }
  }
  return {line, {}};
}

// "model=KLV40 mode=PA"; for a device not identified, the model polled.
// " (reason)" after a failure text, as the other commands print it; nothing without one.
std::string WithReason(const std::string& reason) { return reason.empty() ? "" : " (" + reason + ")"; }

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
  if (poll.address == kAlarmOutputRegister || poll.address == kDigitalInputRegister) std::erase(text, ' ');
  return poll.address.Text() + "=" + text;
}

std::string TimeStamp(const LocalTime& time) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return stamp;
}

}  // namespace

std::string MonitorUsageSummary(Language language) { return CliText(CliTextId::MonitorSummary, language); }

namespace {

// Refuses a --record path whose folder is missing, that is a folder, or that
// cannot be saved; true when the record may be written there.
bool RecordTargetUsable(const std::string& given, Language language) {
  const std::filesystem::path record = PathFromUtf8(given);
  const std::filesystem::path folder = record.has_parent_path() ? record.parent_path() : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    PrintError(CliText(CliTextId::FolderMissing, language, {given, Utf8FromPath(folder)}));
    return false;
  }
  if (std::filesystem::is_directory(record, error)) {
    PrintError(CliText(CliTextId::IsAFolder, language, {given}));
    return false;
  }
  if (const SaveOutcome target = CheckSaveTarget(record); !target.ok) {
    PrintError(target.error.starts_with(given) ? target.error : given + ": " + target.error);
    return false;
  }
  return true;
}

// The port's failure to open; with a device path the COM number of the
// settings means nothing and is left out.
std::string StartFailureText(std::string message, const CommSettings& settings, const ConnectionOptions& options) {
  const std::string com = "\n" + PortName(settings.PortInUse()) + ", ";
  if (const std::size_t at = message.find(com); !options.devicePath.empty() && at != std::string::npos) {
    message.replace(at, com.size(), "\n");
  }
  return message;
}

// What the run prints while it polls: the model line, one line per cycle on
// standard output, and on standard error each change of the record's state
// and of the line's, once. A unit of a bus has its address in its lines and
// messages; the bus reports the record.
class MonitorOutput {
 public:
  MonitorOutput(const MonitorSession& session, Clock& clock, Language language, const BusMonitor* bus = nullptr,
                std::size_t unit = 0)
      : session_(session), clock_(clock), language_(language), bus_(bus), unit_(unit) {}

  void Begin() {
    modelLine_ = ModelLine();
    std::printf("%s\n", modelLine_.c_str());
    std::fflush(stdout);
    if (!bus_) status_ = session_.Recorder().Status();
    if (!status_.empty()) PrintError(status_);
    // Rows of xxxx are no result: a run that never got one good reply fails.
    goodReply_ = session_.LastIdentification() != MonitorIdentification::NoAnswer;
  }

  // After each tick: the model line again when the unit or its
  // identification changed (the words so far are dropped); else, after a
  // poll, its word and any change of the record's or the line's state.
  void AfterTick(const std::optional<MonitorPoll>& poll) {
    if (ModelLineAgain() || !poll) return;
    AddWord(*poll);
    ReportRecorder();
    ReportLine();
  }

  bool GoodReply() const { return goodReply_; }

 private:
  std::string ModelLine() const {
    return bus_ ? "address=" + std::to_string(bus_->Address(unit_)) + " " + cli::ModelLine(session_)
                : cli::ModelLine(session_);
  }
  std::string UnitPrefix() const {
    return bus_ ? CliText(CliTextId::MonitorUnitPrefix, language_, {std::to_string(bus_->Address(unit_))}) : "";
  }

  bool ModelLineAgain() {
    const bool anotherUnit = session_.UnitChanges() != unitChanges_;
    if (anotherUnit) {
      unitChanges_ = session_.UnitChanges();
      MonitorDisplay display = session_.Display();
      // On a bus the record is the bus's: it goes on in a file of its own.
      if (bus_ && bus_->Recorder().Recording() && bus_->Recorder().FileOpen()) {
        display.unitRecordFile = bus_->RecordPath().filename().string();
      }
      PrintError(UnitPrefix() + UnitChangeText(display, language_));
    }
    if (!anotherUnit && ModelLine() == modelLine_) return false;
    // The words so far belong to what was polled before.
    modelLine_ = ModelLine();
    std::printf("%s\n", modelLine_.c_str());
    std::fflush(stdout);
    cycle_.clear();
    return true;
  }

  void AddWord(const MonitorPoll& poll) {
    if (poll.text != kNoReadingText) goodReply_ = true;
    if (!cycle_.empty()) cycle_ += ' ';
    cycle_ += Word(poll);
    if (poll.cycleEnd) {
      const std::string unit = bus_ ? " address=" + std::to_string(bus_->Address(unit_)) : "";
      std::printf("%s%s %s\n", TimeStamp(clock_.LocalNow()).c_str(), unit.c_str(), cycle_.c_str());
      std::fflush(stdout);
      cycle_.clear();
    }
  }

  void ReportRecorder() {
    if (bus_ || session_.Recorder().Status() == status_) return;
    status_ = session_.Recorder().Status();
    const std::string reason = session_.Recorder().Unsaved() ? WithReason(session_.Recorder().SaveError()) : "";
    if (!status_.empty()) PrintError(status_ + reason);
  }

  void ReportLine() {
    const Language language = language_;
    // Said once when the line goes, and once when it is back. Meanwhile the
    // port is opened again every 2 s and no cycle lines are printed.
    if (session_.Display().lineLost != lineLost_) {
      lineLost_ = session_.Display().lineLost;
      if (bus_) {
        // One unit of the bus: the port stays open for the others.
        const std::string address = std::to_string(bus_->Address(unit_));
        PrintError(CliText(lineLost_ ? CliTextId::MonitorUnitLost : CliTextId::MonitorUnitBack, language, {address}));
      } else {
        PrintError(lineLost_ ? std::string(LineLostText(language)) + CliText(CliTextId::MonitorReopening, language)
                             : CliText(CliTextId::MonitorLineBack, language));
      }
    }
    // Said once when replies fall out of step with the requests.
    if (session_.Display().outOfStep != outOfStep_) {
      outOfStep_ = session_.Display().outOfStep;
      if (outOfStep_) PrintError(UnitPrefix() + std::string(LineStatusText(session_.Display(), language)));
    }
  }

  const MonitorSession& session_;
  Clock& clock_;
  const Language language_;
  const BusMonitor* bus_;
  std::size_t unit_;
  std::string modelLine_;
  int unitChanges_ = 0;
  std::string status_;
  std::string cycle_;
  bool lineLost_ = false;
  bool outOfStep_ = false;
  bool goodReply_ = false;
};

// Ticks the session (or the bus) on its own period until Ctrl+C or the
// deadline (TimePoint::max() for none).
template <typename Monitor, typename Output>
void PollUntilStopped(Monitor& session, Clock& clock, Output& output, Clock::TimePoint deadline) {
  while (!StopRequested()) {
    const Clock::TimePoint now = clock.Now();
    if (now >= deadline) break;
    const Clock::Duration wait = std::min(session.UntilNextTick(), deadline - now);
    if (wait > Clock::Duration::zero()) {
      clock.SleepFor(wait);
      continue;
    }
    output.AfterTick(session.Tick());
  }
}

// What a bus run prints beyond each unit's lines: the record's state, the
// warning when a round is slower than the sampling period (once), and at
// the end a table of the units.
class BusOutput {
 public:
  BusOutput(const BusMonitor& bus, Clock& clock, Language language) : bus_(bus), language_(language) {
    for (std::size_t unit = 0; unit < bus.UnitCount(); ++unit) units_.emplace_back(bus.Unit(unit), clock, language, &bus, unit);
  }

  void Begin() {
    for (MonitorOutput& unit : units_) unit.Begin();
    ReportRecorder();
  }

  void AfterTick(const std::optional<BusTick>& tick) {
    if (!tick) return;
    units_[tick->unit].AfterTick(tick->poll);
    ReportRecorder();
    if (bus_.RoundsTooSlow() && !slowSaid_) {
      slowSaid_ = true;
      const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(bus_.LastRoundTime()).count() / 100;
      const std::string roundTime = std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
      const auto sampling = std::chrono::duration_cast<std::chrono::seconds>(bus_.SamplingPeriod()).count();
      PrintError(CliText(CliTextId::MonitorRoundsTooSlow, language_,
                         {std::to_string(bus_.UnitCount()), roundTime, std::to_string(sampling)}));
    }
  }

  // The table of the units; true when every one gave a good reply.
  bool Summary() const {
    bool all = true;
    PrintError(CliText(CliTextId::MonitorBusHeading, language_));
    for (std::size_t unit = 0; unit < units_.size(); ++unit) {
      const bool good = Good(unit);
      all = all && good;
      char row[96];
      std::snprintf(row, sizeof row, "%-8d %-7s %s", bus_.Address(unit), ModelName(bus_.Unit(unit)).c_str(),
                    CliText(good ? CliTextId::MonitorUnitAnswered : CliTextId::MonitorUnitNoGoodReply, language_).c_str());
      PrintError(row);
    }
    return all;
  }
  bool Good(std::size_t unit) const {
    return units_[unit].GoodReply() || bus_.Unit(unit).LastIdentification() != MonitorIdentification::NoAnswer;
  }

 private:
  static std::string ModelName(const MonitorSession& session) {
    switch (session.LastIdentification()) {
      case MonitorIdentification::Klv40: return "KLV40";
      case MonitorIdentification::Klv30: return "KLV30";
      case MonitorIdentification::Klv30E: return "KLV30E";
      case MonitorIdentification::OtherCode: return "??";
      case MonitorIdentification::NoAnswer: break;
    }
    return "-";
  }

  void ReportRecorder() {
    const DataRecorder& recorder = bus_.Recorder();
    if (recorder.Status() == status_) return;
    status_ = recorder.Status();
    const std::string reason = recorder.Unsaved() ? WithReason(recorder.SaveError()) : "";
    if (!status_.empty()) PrintError(status_ + reason);
  }

  const BusMonitor& bus_;
  const Language language_;
  std::vector<MonitorOutput> units_;
  std::string status_;
  bool slowSaid_ = false;
};

// The monitor over several addresses on one port.
int RunBusMonitor(const MonitorCommandLine& line, Connection& connection, Clock& clock, Language language) {
  BusMonitor bus(connection, clock, language, line.connection.addresses);
  CatchStopRequests();
  const Clock::TimePoint start = clock.Now();
  bool recordFailed = false;
  const MonitorSession::StartOutcome started =
      bus.Start(!line.record.empty(), PathFromUtf8(line.record), [&](std::string_view text) {
        recordFailed = true;
        PrintError(line.record + ": " + std::string(text.substr(0, text.find('\n'))) +
                   WithReason(bus.Recorder().SaveError()));
      });
  if (!started.started) {
    PrintError(StartFailureText(started.portMessage, connection.settings, line.connection));
    return kExitUnusable;
  }
  if (recordFailed) {
    bus.Stop();
    return kExitUnusable;
  }
  BusOutput output(bus, clock, language);
  output.Begin();
  const Clock::TimePoint deadline =
      line.seconds ? start + std::chrono::seconds(*line.seconds) : Clock::TimePoint::max();
  PollUntilStopped(bus, clock, output, deadline);
  bus.Stop();
  if (output.Summary()) return kExitSuccess;
  // Each silent unit as a read names it, then what to do.
  std::string silent;
  for (std::size_t unit = 0; unit < bus.UnitCount(); ++unit) {
    if (output.Good(unit)) continue;
    connection.settings.deviceAddress = bus.Address(unit);
    PrintError(NoReplyFromText(connection.settings, connection.portLabel, ShownDevice(connection), language));
    silent += (silent.empty() ? "" : ", ") + std::to_string(bus.Address(unit));
  }
  PrintError(CliText(CliTextId::MonitorUnitsNoGoodReply, language, {silent}));
  return kExitFailed;
}

}  // namespace

int RunMonitorCommand(std::span<const std::string> args) {
  const Language language = LocaleLanguage();
  const ParsedMonitorLine parsed = ParseMonitorLine(args, language);
  if (!parsed.line) return RefuseUsage(parsed.error, language);
  const MonitorCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(CliText(CliTextId::UsageMonitor, language).c_str(), stdout);
    return kExitSuccess;
  }
  if (!line.record.empty() && !RecordTargetUsable(line.record, language)) return kExitUnusable;

  const Environment environment = LoadEnvironment(language);
  if (const std::optional<std::string> refusal = RefuseStoredSettings(environment, line.connection, language)) {
    PrintError(*refusal);
    return kExitUnusable;
  }
  if (!environment.dataFolderError.empty()) {
    PrintError(CliText(CliTextId::DataFolderForTransfer, language, {environment.dataFolderError}));
  }
  const std::unique_ptr<Connection> connection = MakeToolConnection(line.connection, environment, language);
  Clock& clock = SystemClock();
  if (line.connection.addresses.size() > 1) return RunBusMonitor(line, *connection, clock, language);
  MonitorSession session(*connection, clock, language);

  // Ctrl+C ends the loop; the port is then closed as usual.
  CatchStopRequests();
  const Clock::TimePoint start = clock.Now();
  bool recordFailed = false;
  const MonitorSession::StartOutcome started =
      session.Start(!line.record.empty(), PathFromUtf8(line.record), [&](std::string_view text) {
        recordFailed = true;
        // One line here: the message's first line, then the reason.
        PrintError(line.record + ": " + std::string(text.substr(0, text.find('\n'))) +
                   WithReason(session.Recorder().SaveError()));
      });
  if (!started.started) {
    PrintError(StartFailureText(started.portMessage, connection->settings, line.connection));
    return kExitUnusable;
  }
  if (recordFailed) {
    session.Stop();
    return kExitUnusable;
  }
  MonitorOutput output(session, clock, language);
  output.Begin();
  const Clock::TimePoint deadline =
      line.seconds ? start + std::chrono::seconds(*line.seconds) : Clock::TimePoint::max();
  PollUntilStopped(session, clock, output, deadline);
  session.Stop();
  if (output.GoodReply() || session.LastIdentification() != MonitorIdentification::NoAnswer) return kExitSuccess;
  // What was tried, then what to do: as a read that got no reply says it.
  PrintError(NoReplyFromText(connection->settings, connection->portLabel, ShownDevice(*connection), language));
  PrintError(CliText(CliTextId::MonitorNoGoodReply, language));
  return kExitFailed;
}

}  // namespace klv::cli
