// monitor: the monitor window's polling without a window, for logging from a
// script or a production line. The same session as the window: the same
// identification, polling order, 200 ms period and value texts, and with
// --record the same data record. One line names the model, then one line per
// complete polling cycle: the local time and REG=TEXT per register polled.
// The model line comes again whenever the identification changes (a unit
// silent at the start, another unit after a reconnection); a cycle is never
// printed across it, and a record goes on in a file named with the time.
#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "argument_reader.h"
#include "cli_options.h"
#include "platform/file_store.h"
#include "cli_texts.h"
#include "commands.h"
#include "environment.h"
#include "monitor/monitor_session.h"
#include "platform/clock.h"
#include "serial/line_settings.h"
#include "system_services.h"
#include "tool_connection.h"
#include "device/no_reply_text.h"

namespace klv::cli {
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
  if (poll.address == "0108" || poll.address == "0109") std::erase(text, ' ');
  return std::string(poll.address) + "=" + text;
}

std::string TimeStamp(const LocalTime& time) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  return stamp;
}

}  // namespace

std::string MonitorUsageSummary(Language language) { return CliText(CliTextId::MonitorSummary, language); }

int RunMonitorCommand(std::span<const std::string> args) {
  const Language language = LocaleLanguage();
  const ParsedMonitorLine parsed = ParseMonitorLine(args, language);
  if (!parsed.line) return RefuseUsage(parsed.error, language);
  const MonitorCommandLine& line = *parsed.line;
  if (line.help) {
    std::fputs(CliText(CliTextId::UsageMonitor, language).c_str(), stdout);
    return kExitSuccess;
  }
  if (!line.record.empty()) {
    const std::filesystem::path record = line.record;
    const std::filesystem::path folder = record.has_parent_path() ? record.parent_path() : ".";
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
      PrintError(CliText(CliTextId::FolderMissing, language, {line.record, folder.string()}));
      return kExitUnusable;
    }
    if (std::filesystem::is_directory(record, error)) {
      PrintError(CliText(CliTextId::IsAFolder, language, {line.record}));
      return kExitUnusable;
    }
    if (const SaveOutcome target = CheckSaveTarget(record); !target.ok) {
      PrintError(target.error.starts_with(line.record) ? target.error : line.record + ": " + target.error);
      return kExitUnusable;
    }
  }

  const Environment environment = LoadEnvironment(language);
  if (const std::optional<std::string> refusal = RefuseStoredSettings(environment, line.connection, language)) {
    PrintError(*refusal);
    return kExitUnusable;
  }
  if (!environment.dataFolderError.empty()) {
    PrintError(CliText(CliTextId::DataFolderForTransfer, language, {environment.dataFolderError}));
  }
  const std::unique_ptr<Connection> connection = MakeToolConnection(line.connection, environment, language);
  const CommSettings& settings = connection->settings;
  Clock& clock = SystemClock();
  MonitorSession session(*connection, clock, language);

  // Ctrl+C ends the loop; the port is then closed as usual.
  CatchStopRequests();
  const Clock::TimePoint start = clock.Now();
  bool recordFailed = false;
  const MonitorSession::StartOutcome started =
      session.Start(!line.record.empty(), line.record, [&](std::string_view text) {
        recordFailed = true;
        // One line here: the message's first line, then the reason.
        PrintError(line.record + ": " + std::string(text.substr(0, text.find('\n'))) +
                   WithReason(session.Recorder().SaveError()));
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
  std::string modelLine = ModelLine(session);
  std::printf("%s\n", modelLine.c_str());
  std::fflush(stdout);
  int unitChanges = 0;

  std::string status = session.Recorder().Status();
  if (!status.empty()) PrintError(status);
  std::string cycle;
  bool lineLost = false;
  bool outOfStep = false;
  // Rows of xxxx are no result: a run that never got one good reply fails.
  bool goodReply = session.LastIdentification() != MonitorIdentification::NoAnswer;
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
    const bool anotherUnit = session.UnitChanges() != unitChanges;
    if (anotherUnit) {
      unitChanges = session.UnitChanges();
      PrintError(UnitChangeText(session.Display(), language));
    }
    if (anotherUnit || ModelLine(session) != modelLine) {
      // The words so far belong to what was polled before.
      modelLine = ModelLine(session);
      std::printf("%s\n", modelLine.c_str());
      std::fflush(stdout);
      cycle.clear();
      continue;
    }
    if (!poll) continue;
    if (poll->text != kNoReadingText) goodReply = true;
    if (!cycle.empty()) cycle += ' ';
    cycle += Word(*poll);
    if (poll->cycleEnd) {
      std::printf("%s %s\n", TimeStamp(clock.LocalNow()).c_str(), cycle.c_str());
      std::fflush(stdout);
      cycle.clear();
    }
    if (session.Recorder().Status() != status) {
      status = session.Recorder().Status();
      const std::string reason = session.Recorder().Unsaved() ? WithReason(session.Recorder().SaveError()) : "";
      if (!status.empty()) PrintError(status + reason);
    }
    // Said once when the line goes, and once when it is back. Meanwhile the
    // port is opened again every 2 s and no cycle lines are printed.
    if (session.Display().lineLost != lineLost) {
      lineLost = session.Display().lineLost;
      const bool japanese = language == Language::Japanese;
      const std::string lost = std::string(LineLostText(language)) +
                               (japanese ? "。2 秒ごとにポートを開き直します" : "; opening the port again every 2 s");
      const std::string back =
          japanese ? "回線復帰: 接続機器が再び応答しています" : "Line back: the regulator answers again";
      PrintError(lineLost ? lost : back);
    }
    // Said once when replies fall out of step with the requests.
    if (session.Display().outOfStep != outOfStep) {
      outOfStep = session.Display().outOfStep;
      if (outOfStep) PrintError(std::string(LineStatusText(session.Display(), language)));
    }
  }
  session.Stop();
  if (goodReply || session.LastIdentification() != MonitorIdentification::NoAnswer) return kExitSuccess;
  // What was tried, then what to do: as a read that got no reply says it.
  PrintError(NoReplyFromText(connection->settings, connection->portLabel, ShownDevice(*connection), language));
  PrintError(CliText(CliTextId::MonitorNoGoodReply, language));
  return kExitFailed;
}

}  // namespace klv::cli
