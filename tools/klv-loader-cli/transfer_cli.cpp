// read, write and compare: the transfers of the windows' "Read from KLV",
// "Write in KLV" and Compare, from the settings file and the command line
// instead of the settings screen, with the progress on the terminal; for one
// unit, or for several on one line in turn (and report --address likewise).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "platform/utf8_path.h"
#include "assignment_check.h"
#include "bus_summary.h"
#include "file_refusal.h"
#include "cli_texts.h"
#include "compare_listing.h"
#include "commands.h"
#include "json_text.h"
#include "editor/parameter_file.h"
#include "editor/unit_report.h"
#include "environment.h"
#include "model/parameter_set.h"
#include "platform/clock.h"
#include "platform/data_folder.h"
#include "platform/file_store.h"
#include "serial/comm_log.h"
#include "serial/line_settings.h"
#include "system_services.h"
#include "terminal_reporter.h"
#include "tool_connection.h"
#include "transfer/bus_run.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_result_messages.h"
#include "transfer/write_verification.h"

namespace klv::cli {
namespace {

// The file's set as the screen holds it after opening the file: the option
// words as its check boxes hand them on, the four KLV40 bits and detection
// on or off.
ParameterSet AsScreenHoldsIt(ParameterSet set) {
  set.optionFlags &= kOptionAnalogInput | kOptionAlarmOutput2 | kOptionDigitalOutput | kOptionAnalogOutput;
  set.optionDetect = set.optionDetect != 0 ? kOptionCurrentDetection : 0;
  return set;
}

// The text of a numbered message, as a string for printing.
std::string Message(TextId id, Language language) { return std::string(Text(id, language)); }


// Everything a transfer of the tool works on, set up like the window's.
class Transfer {
 public:
  Transfer(const CommandLine& line, const Environment& environment)
      : connection_(MakeToolConnection(line.connection, environment, LocaleLanguage())),
        currentModel_(environment.model),
        reporter_(stderr, IsTerminal(stderr)),
        session_{*connection_,
                 parameters_,
                 currentModel_,
                 state_,
                 SystemClock(),
                 environment.dataFolder.empty() ? std::filesystem::path{}
                                                : environment.dataFolder / kCommLogFileName} {}

  ParameterSet& Parameters() { return parameters_; }
  ModelKind& currentModel() { return currentModel_; }
  // write --verify: read every register written back.
  void VerifyAfterWrite(bool verify) { state_.verifyAfterWrite = verify; }
  // write --changed-only: read first, write only the registers that differ.
  void WriteChangedOnly(bool changedOnly) { state_.writeChangedOnly = changedOnly; }
  const TransferState& State() const { return state_; }
  const Connection& connection() const { return *connection_; }
  Connection& connection() { return *connection_; }
  const TransferSession& Session() const { return session_; }
  // Several units on one line: the port stays open from unit to unit.
  void StayOpenForBus() { session_.portStaysOpen = true; }
  // From now on Ctrl+C or SIGTERM stops the transfer after the exchange in flight.
  void CancelOnSignal() { state_.cancel = &CatchTransferCancel(); }
  // The model came with a parameter file: a failure names it as expected.
  void ModelFromFile() { modelFromFile_ = true; }

  // Why the last run ended without success, for a listing on standard
  // output: a stable English key and the message printed on standard error.
  struct Failure {
    std::string key;
    std::string message;
  };
  void Error(const std::string& message) { PrintError(message); }
  const Failure& LastFailure() const { return failure_; }

  // Runs the command and prints what the window would show around it. The
  // exit status when the transfer did not succeed; nothing when it did.
  std::optional<int> Run(TransferMode mode, Language language, TransferCommandOutcome& outcome) {
    outcome = mode == TransferMode::Read ? RunReadCommand(session_, language, reporter_, reporter_)
                                         : RunWriteCommand(session_, language, reporter_, reporter_);
    return Ended(outcome, language);
  }

  // Reads the regulator into reading, leaving this transfer's set and model
  // (the file's) alone; the exit status as for Run.
  std::optional<int> ReadDevice(DeviceReading& reading, Language language, TransferCommandOutcome& outcome) {
    outcome = RunDeviceReading(session_, currentModel_, reading, language, reporter_, reporter_);
    return Ended(outcome, language);
  }

 private:
  std::optional<int> Ended(const TransferCommandOutcome& outcome, Language language) {
    reporter_.Finish();
    if (!outcome.open.ok) {
      failure_ = {"port", PortMessage(outcome.open.message)};
      Error(failure_.message);
      return kExitUnusable;
    }
    if (outcome.logSave.status == CommLogSave::Status::Failed) {
      Error(Message(TextId::LogFileCannotBeCreated, language) +
                 (outcome.logSave.error.empty() ? "" : " (" + outcome.logSave.error + ")"));
    }
    if (!outcome.report.succeeded) {
      NoReplyAdvice advice;
      advice.whatNext = CliText(CliTextId::NoReplyScan, language);
      advice.modelExpected = modelFromFile_;
      if (outcome.logSave.status == CommLogSave::Status::Saved) advice.logName = session_.commLogPath.string();
      failure_ = {FailureKey(outcome.result), outcome.report.text + NoReplyLines(outcome.result, language, advice)};
      Error(failure_.message);
      return state_.tally.cancelled ? CancelExitStatus() : kExitFailed;
    }
    return std::nullopt;
  }

  static std::string FailureKey(const TransferResult& result) {
    if (result.NoReply()) return "no-reply";
    switch (result.status) {
      case TransferStatus::Incomplete: return "incomplete";
      case TransferStatus::Refused: return "refused";
      case TransferStatus::Cancelled: return "cancelled";
      case TransferStatus::Complete: return "verification";
      case TransferStatus::Failed: break;
    }
    return "failed";
  }

  // The port's message names the COM number of the settings before the
  // cause; with a device path that number means nothing, so it goes.
  std::string PortMessage(std::string message) const {
    if (connection_->portLabel.empty()) return message;
    const std::string com = "\n" + PortName(connection_->settings.PortInUse()) + ", ";
    if (const std::size_t at = message.find(com); at != std::string::npos) message.replace(at, com.size(), "\n");
    return message;
  }

  std::unique_ptr<Connection> connection_;
  ParameterSet parameters_;
  ModelKind currentModel_;
  TransferState state_;
  TerminalReporter reporter_;
  TransferSession session_;
  bool modelFromFile_ = false;
  Failure failure_;
};

// What one unit's command came to: the exit status it would have alone,
// what it prints on standard output, and its row of a bus summary.
struct UnitRun {
  int exit = kExitSuccess;
  std::string out;
  BusUnitResult unit;
};

// A unit that ended before or in its transfer.
UnitRun FailedUnit(int exit, const Transfer& transfer, const std::string& file) {
  UnitRun run;
  run.exit = exit;
  run.unit.status = BusUnitStatus::Failed;
  run.unit.result = transfer.LastFailure().key.empty() ? "failed" : transfer.LastFailure().key;
  run.unit.message = transfer.LastFailure().message;
  run.unit.file = file;
  // Nothing more can be done on this line: the port is gone, or Ctrl+C.
  run.unit.stopsBus = run.unit.result == "port" || transfer.State().tally.cancelled;
  return run;
}

UnitRun SucceededUnit(std::string out, ModelKind model, const std::string& file, std::string message) {
  UnitRun run;
  run.out = std::move(out);
  run.unit.status = BusUnitStatus::Succeeded;
  run.unit.result = "ok";
  run.unit.model = model;
  run.unit.file = file;
  run.unit.message = std::move(message);
  return run;
}

// Runs unit for each address of the command line in turn on one open port,
// prints each unit's output under its heading (or nothing with --json),
// saves comlog.txt with a section per unit, then the summary; the exit status.
int RunOnBusOf(const CommandLine& line, Transfer& transfer, TransferMode mode, Language language,
               const std::function<UnitRun(int32_t address)>& unit) {
  transfer.StayOpenForBus();
  bool portLost = false;
  bool cancelled = false;
  const BusRunResult run = RunOnBus(transfer.connection(), line.connection.addresses, line.stopOnFailure,
                                    [&](int32_t address) {
                                      const std::string heading =
                                          CliText(CliTextId::BusUnitHeading, language, {std::to_string(address)});
                                      // Standard error too: what goes wrong is said under it.
                                      if (!line.json) std::printf("%s\n", heading.c_str());
                                      std::fflush(stdout);
                                      PrintError(heading);
                                      UnitRun done = unit(address);
                                      if (!line.json) std::fputs(done.out.c_str(), stdout);
                                      std::fflush(stdout);
                                      portLost = portLost || done.unit.result == "port";
                                      cancelled = cancelled || transfer.State().tally.cancelled;
                                      return done.unit;
                                    });
  const TransferSession& session = transfer.Session();
  const CommLogSave saved =
      SaveBusCommLog(run, session.commLogPath, mode == TransferMode::Read ? kParameterReadTitle : kParameterWriteTitle,
                     transfer.connection(), session.clock);
  if (saved.status == CommLogSave::Status::Failed) {
    PrintError(Message(TextId::LogFileCannotBeCreated, language) + (saved.error.empty() ? "" : " (" + saved.error + ")"));
  }
  const std::string summary = line.json ? BusSummaryJson(run) : BusSummaryTable(run, language);
  std::fputs(summary.c_str(), stdout);
  if (const std::string failures = BusFailureLines(run, language); !failures.empty()) {
    std::fflush(stdout);
    std::fputs(failures.c_str(), stderr);
  }
  if (run.AllSucceeded()) return kExitSuccess;
  if (cancelled) return CancelExitStatus();
  return portLost ? kExitUnusable : kExitFailed;
}

// The settings of the data folder, or nothing (and the reason printed) when
// what the command line leaves to them cannot be had.
std::optional<Environment> PrepareEnvironment(const CommandLine& line, Language language) {
  Environment environment = LoadEnvironment(language);
  if (const std::optional<std::string> refusal = RefuseStoredSettings(environment, line.connection, language)) {
    PrintError(*refusal);
    return std::nullopt;
  }
  if (!environment.dataFolderError.empty()) {
    PrintError(CliText(CliTextId::DataFolderForTransfer, language, {environment.dataFolderError}));
  }
  return environment;
}

}  // namespace

namespace {

// A file the read is to save, refused before the transfer rather than after
// it (a read takes seconds): the exit status, or nothing when it can be saved.
std::optional<int> RefuseOutput(const std::string& name, Language language) {
  const std::filesystem::path output = PathFromUtf8(name);
  const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    PrintError(CliText(CliTextId::FolderMissing, language, {name, Utf8FromPath(folder)}));
    return kExitUnusable;
  }
  if (std::filesystem::is_directory(output, error)) {
    PrintError(CliText(CliTextId::IsAFolder, language, {name}));
    return kExitUnusable;
  }
  // A device, a name too long for the folder, a link that leads nowhere.
  if (const SaveOutcome target = CheckSaveTarget(output); !target.ok) {
    PrintError(target.error.starts_with(name) ? target.error : name + ": " + target.error);
    return kExitUnusable;
  }
  return std::nullopt;
}

// Reads the regulator the connection is addressed to and saves what it holds.
UnitRun ReadUnit(Transfer& transfer, const std::string& output, ModelKind startModel, Language language) {
  transfer.currentModel() = startModel;
  TransferCommandOutcome outcome;
  if (const std::optional<int> failed = transfer.Run(TransferMode::Read, language, outcome)) {
    return FailedUnit(*failed, transfer, output);
  }
  // As the window's Save after the read: the identified model and the values read.
  const SaveOutcome saved = WriteParameterFile(PathFromUtf8(output), transfer.Parameters(), transfer.currentModel());
  if (!saved.ok) {
    UnitRun run;
    run.exit = kExitUnusable;
    run.unit.status = BusUnitStatus::Failed;
    run.unit.result = "file";
    run.unit.model = transfer.currentModel();
    run.unit.file = output;
    run.unit.message = output + ": " + Message(TextId::FileException, language) + " (" + saved.error + ")";
    transfer.Error(run.unit.message);
    return run;
  }
  return SucceededUnit(outcome.report.text + "\n", transfer.currentModel(), output, outcome.report.text);
}

}  // namespace

int RunRead(const CommandLine& line) {
  const Language language = LocaleLanguage();
  if (!line.OnBus()) {
    if (const std::optional<int> refused = RefuseOutput(line.file, language)) return *refused;
  } else {
    for (const int32_t address : line.connection.addresses) {
      if (const std::optional<int> refused = RefuseOutput(ForAddress(line.file, address), language)) return *refused;
    }
  }

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.CancelOnSignal();
  if (!line.OnBus()) {
    const UnitRun run = ReadUnit(transfer, line.file, transfer.currentModel(), language);
    std::fputs(run.out.c_str(), stdout);
    return run.exit;
  }
  const ModelKind startModel = transfer.currentModel();
  return RunOnBusOf(line, transfer, TransferMode::Read, language, [&](int32_t address) {
    return ReadUnit(transfer, ForAddress(line.file, address), startModel, language);
  });
}

namespace {

// What is written to one unit: its file's set with the --set values applied.
struct WriteSource {
  std::string file;
  ParameterSet parameters;
  ModelKind model = ModelKind::Klv40;
};

// The file checked and the --set values applied; nothing (and the reason
// printed) when the file is unusable or a value does not fit.
std::optional<WriteSource> PrepareWriteSource(const CommandLine& line, const std::string& file, Language language) {
  const ParameterFileLoad load = LoadParameterFile(PathFromUtf8(file));
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(file, load, language));
    return std::nullopt;
  }
  // --set values replace the file's before anything is opened or sent; the file stays as it is.
  const AssignmentCheck check =
      CheckAssignments(line.assignments, load.contents->model, load.contents->parameters, language);
  if (!check.error.empty()) {
    PrintError(CliText(CliTextId::NothingSent, language, {check.error}));
    return std::nullopt;
  }
  return WriteSource{file, AsScreenHoldsIt(WithAssignments(load.contents->parameters, check.accepted)),
                     load.contents->model};
}

// A report that could not be saved is refused before the regulator is touched.
std::optional<int> RefuseReport(const std::string& report, Language language) {
  if (report.empty()) return std::nullopt;
  if (!ReportsAvailable()) return SaveReportFile({}, report, language);
  if (const SaveOutcome target = CheckSaveTarget(report); !target.ok) {
    PrintError(target.error.starts_with(report) ? target.error : report + ": " + target.error);
    return kExitUnusable;
  }
  return std::nullopt;
}

// Writes the source to the regulator the connection is addressed to, then
// saves the report of what the read-back found (report not empty).
UnitRun WriteUnit(Transfer& transfer, const CommandLine& line, const WriteSource& source, const std::string& report,
                  Language language) {
  // The file's model becomes current, as opening it in the window does.
  transfer.currentModel() = source.model;
  const ParameterSet& parameters = transfer.Parameters() = source.parameters;
  TransferCommandOutcome outcome;
  const std::optional<int> failed = transfer.Run(TransferMode::Write, language, outcome);
  UnitRun run = failed ? FailedUnit(*failed, transfer, source.file)
                       : SucceededUnit(outcome.report.text + "\n", source.model, source.file, outcome.report.text);
  // The report records what the read-back found, registers that differ included.
  const WriteVerification& verification = transfer.State().verification;
  // A regulator found holding every value was checked by the read before the write.
  const bool alreadyHeld = transfer.State().result.changedOnly.nothingToWrite && !failed;
  if (!report.empty() && (verification.ran || alreadyHeld)) {
    UnitReportInputs inputs;
    inputs.parameters = parameters;
    inputs.model = transfer.currentModel();
    inputs.language = language;
    inputs.fileName = source.file;
    inputs.created = SystemClock().LocalNow();
    inputs.note = line.note;
    inputs.provenance = UnitProvenance{
        UnitProvenance::Source::VerifiedWrite,
        IdentityOfDevice(transfer.currentModel(), parameters),
        {alreadyHeld || verification.AllEqual() ? ReportVerification::Status::Equal
                                                : ReportVerification::Status::Differs,
         (alreadyHeld ? Message(TextId::NothingToWrite, language) : VerificationMessage(verification, language)) +
             NotSentLines(transfer.State().tally.notSent, language)},
        inputs.created,
        DescribeReportLine(transfer.connection())};
    // Said after the write's own report.
    const int saved = SaveReportFile(ComposeUnitReport(inputs), report, language, &run.out);
    if (!failed && saved != kExitSuccess) {
      run.exit = saved;
      run.unit.status = BusUnitStatus::Failed;
      run.unit.result = "report";
    }
  }
  return run;
}

}  // namespace

int RunWrite(const CommandLine& line) {
  const Language language = LocaleLanguage();
  // Every unit's file is checked before anything is opened or sent.
  std::vector<WriteSource> sources;
  const std::vector<int32_t> units = line.OnBus() && NamesAddress(line.file) ? line.connection.addresses
                                                                               : std::vector<int32_t>{0};
  for (const int32_t address : units) {
    std::optional<WriteSource> source =
        PrepareWriteSource(line, address == 0 ? line.file : ForAddress(line.file, address), language);
    if (!source) return kExitUnusable;
    sources.push_back(std::move(*source));
  }

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.ModelFromFile();
  if (!line.OnBus()) {
    if (const std::optional<int> refused = RefuseReport(line.report, language)) return *refused;
  } else {
    for (const int32_t address : line.connection.addresses) {
      if (const std::optional<int> refused = RefuseReport(ForAddress(line.report, address), language)) return *refused;
    }
  }
  transfer.VerifyAfterWrite(line.verify);
  transfer.WriteChangedOnly(line.changedOnly);
  transfer.CancelOnSignal();

  if (!line.OnBus()) {
    const UnitRun run = WriteUnit(transfer, line, sources.front(), line.report, language);
    std::fputs(run.out.c_str(), stdout);
    return run.exit;
  }
  std::size_t next = 0;
  return RunOnBusOf(line, transfer, TransferMode::Write, language, [&](int32_t address) {
    const WriteSource& source = sources[std::min(next++, sources.size() - 1)];
    return WriteUnit(transfer, line, source, ForAddress(line.report, address), language);
  });
}

namespace {

// Reads the regulator the connection is addressed to and compares it with
// the file; alone, 0 when equal and 3 when it differs.
UnitRun CompareUnit(Transfer& transfer, const CommandLine& line, const std::string& fileName, const ParameterSet& file,
                    ModelKind fileModel, bool json, Language language) {
  transfer.currentModel() = fileModel;
  DeviceReading reading;
  TransferCommandOutcome outcome;
  // A read that failed or is incomplete compares nothing: nothing is shown as
  // equal. A script reading the listing gets the reason there too.
  if (const std::optional<int> failed = transfer.ReadDevice(reading, language, outcome)) {
    UnitRun run = FailedUnit(*failed, transfer, fileName);
    if (json) {
      const Transfer::Failure& failure = transfer.LastFailure();
      run.out = "{\"file\": " + JsonString(line.file) + ", \"equal\": false, \"error\": " + JsonString(failure.key) +
                ", \"message\": " + JsonString(failure.message) + "}\n";
    }
    return run;
  }
  const ParameterComparison comparison = CompareParameters(file, fileModel, reading.parameters, reading.model, language);
  const std::string listing = CompareListing(comparison, fileName, language);
  UnitRun run = SucceededUnit(json ? CompareJson(comparison, fileName) : listing, reading.model, fileName, listing);
  if (!comparison.Equal()) {
    run.exit = kExitDiffers;
    run.unit.status = BusUnitStatus::Failed;
    run.unit.result = "differs";
  }
  return run;
}

}  // namespace

int RunCompare(const CommandLine& line) {
  const Language language = LocaleLanguage();
  // On a bus, {address} in the file's name picks a file per unit; every one
  // is checked before the line is opened.
  struct CompareSource {
    std::string name;
    ParameterSet parameters;
    ModelKind model = ModelKind::Klv40;
  };
  std::vector<CompareSource> sources;
  const std::vector<int32_t> units = line.OnBus() && NamesAddress(line.file) ? line.connection.addresses
                                                                               : std::vector<int32_t>{0};
  for (const int32_t address : units) {
    const std::string name = address == 0 ? line.file : ForAddress(line.file, address);
    const ParameterFileLoad load = LoadParameterFile(PathFromUtf8(name));
    if (!FileUsable(load)) {
      PrintError(FileRefusedMessage(name, load, language));
      return kExitUnusable;
    }
    sources.push_back({name, AsScreenHoldsIt(load.contents->parameters), load.contents->model});
  }

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.CancelOnSignal();
  transfer.ModelFromFile();
  if (!line.OnBus()) {
    const CompareSource& source = sources.front();
    const UnitRun run = CompareUnit(transfer, line, source.name, source.parameters, source.model, line.json, language);
    std::fputs(run.out.c_str(), stdout);
    return run.exit;
  }
  std::size_t next = 0;
  return RunOnBusOf(line, transfer, TransferMode::Read, language, [&](int32_t) {
    const CompareSource& source = sources[std::min(next++, sources.size() - 1)];
    return CompareUnit(transfer, line, source.name, source.parameters, source.model, false, language);
  });
}

namespace {

// The report of what the regulator the connection is addressed to holds, as
// the window's report after a read. Alone (pdf empty) it is saved to output.
UnitRun ReportUnit(Transfer& transfer, const CommandLine& line, const std::string& output, int32_t address,
                   ModelKind startModel, std::vector<UnitReport>* pages, Language language) {
  transfer.currentModel() = startModel;
  TransferCommandOutcome outcome;
  if (const std::optional<int> failed = transfer.Run(TransferMode::Read, language, outcome)) {
    return FailedUnit(*failed, transfer, output);
  }
  UnitReportInputs inputs;
  inputs.parameters = transfer.Parameters();
  inputs.model = transfer.currentModel();
  inputs.language = language;
  inputs.fileName = CliText(CliTextId::BusUnitName, language, {std::to_string(address)});
  inputs.created = SystemClock().LocalNow();
  inputs.note = line.note;
  inputs.provenance = UnitProvenance{UnitProvenance::Source::Read,
                                     IdentityOfDevice(transfer.currentModel(), transfer.Parameters()),
                                     {},
                                     inputs.created,
                                     DescribeReportLine(transfer.connection())};
  UnitRun run = SucceededUnit(outcome.report.text + "\n", transfer.currentModel(), output, outcome.report.text);
  if (pages != nullptr) {
    pages->push_back(ComposeUnitReport(inputs));
    return run;
  }
  const int saved = SaveReportFile(ComposeUnitReport(inputs), output, language, &run.out);
  if (saved != kExitSuccess) {
    run.exit = saved;
    run.unit.status = BusUnitStatus::Failed;
    run.unit.result = "report";
  }
  return run;
}

}  // namespace

int RunReportOnBus(const CommandLine& line) {
  const Language language = LocaleLanguage();
  if (!ReportsAvailable()) return SaveReportFile({}, line.file, language);
  // One PDF per unit with {address} in its name, else one with a page per unit.
  const bool filePerUnit = NamesAddress(line.file);
  for (const int32_t address : line.connection.addresses) {
    if (const std::optional<int> refused = RefuseReport(ForAddress(line.file, address), language)) return *refused;
    if (!filePerUnit) break;
  }
  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.CancelOnSignal();
  const ModelKind startModel = transfer.currentModel();
  std::vector<UnitReport> pages;
  int exit = RunOnBusOf(line, transfer, TransferMode::Read, language, [&](int32_t address) {
    return ReportUnit(transfer, line, ForAddress(line.file, address), address, startModel,
                      filePerUnit ? nullptr : &pages, language);
  });
  if (!filePerUnit && !pages.empty()) {
    std::string said;
    const int saved = SaveReportsFile(pages, line.file, language, line.json ? &said : nullptr);
    if (saved != kExitSuccess) exit = saved;
  }
  return exit;
}

}  // namespace klv::cli
