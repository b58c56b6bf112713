// read and write: the transfers of the windows' "Read from KLV" and "Write
// in KLV", from the settings file and the command line instead of the
// settings screen, with the progress on the terminal.
#include <cstdio>
#include <memory>
#include <optional>

#include "assignment_check.h"
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
      PrintError(failure_.message);
      return kExitUnusable;
    }
    if (outcome.logSave.status == CommLogSave::Status::Failed) {
      PrintError(Message(TextId::LogFileCannotBeCreated, language) +
                 (outcome.logSave.error.empty() ? "" : " (" + outcome.logSave.error + ")"));
    }
    if (!outcome.report.succeeded) {
      NoReplyAdvice advice;
      advice.whatNext = CliText(CliTextId::NoReplyScan, language);
      advice.modelExpected = modelFromFile_;
      if (outcome.logSave.status == CommLogSave::Status::Saved) advice.logName = session_.commLogPath.string();
      failure_ = {FailureKey(outcome.result), outcome.report.text + NoReplyLines(outcome.result, language, advice)};
      PrintError(failure_.message);
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

int RunRead(const CommandLine& line) {
  const Language language = LocaleLanguage();
  // Refused before the transfer rather than after it: a read takes seconds.
  const std::filesystem::path output = line.file;
  const std::filesystem::path folder = output.has_parent_path() ? output.parent_path() : ".";
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    PrintError(CliText(CliTextId::FolderMissing, language, {line.file, folder.string()}));
    return kExitUnusable;
  }
  if (std::filesystem::is_directory(output, error)) {
    PrintError(CliText(CliTextId::IsAFolder, language, {line.file}));
    return kExitUnusable;
  }
  // A device, a name too long for the folder, a link that leads nowhere.
  if (const SaveOutcome target = CheckSaveTarget(output); !target.ok) {
    PrintError(target.error.starts_with(line.file) ? target.error : line.file + ": " + target.error);
    return kExitUnusable;
  }

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.CancelOnSignal();
  TransferCommandOutcome outcome;
  if (const std::optional<int> failed = transfer.Run(TransferMode::Read, language, outcome)) return *failed;

  // As the window's Save after the read: the identified model and the values read.
  const SaveOutcome saved = WriteParameterFile(output, transfer.Parameters(), transfer.currentModel());
  if (!saved.ok) {
    PrintError(line.file + ": " + Message(TextId::FileException, language) + " (" + saved.error + ")");
    return kExitUnusable;
  }
  std::printf("%s\n", outcome.report.text.c_str());
  return kExitSuccess;
}

int RunWrite(const CommandLine& line) {
  const Language language = LocaleLanguage();
  const ParameterFileLoad load = LoadParameterFile(line.file);
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(line.file, load, language));
    return kExitUnusable;
  }

  // --set values replace the file's before anything is opened or sent; the file stays as it is.
  const AssignmentCheck check =
      CheckAssignments(line.assignments, load.contents->model, load.contents->parameters, language);
  if (!check.error.empty()) {
    PrintError(CliText(CliTextId::NothingSent, language, {check.error}));
    return kExitUnusable;
  }

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  // The file's model becomes current, as opening it in the window does.
  transfer.currentModel() = load.contents->model;
  transfer.ModelFromFile();
  const ParameterSet& parameters = transfer.Parameters() =
      AsScreenHoldsIt(WithAssignments(load.contents->parameters, check.accepted));

  // A report that could not be saved is refused before the regulator is touched.
  if (!line.report.empty()) {
    if (!ReportsAvailable()) return SaveReportFile({}, line.report, language);
    if (const SaveOutcome target = CheckSaveTarget(line.report); !target.ok) {
      PrintError(target.error.starts_with(line.report) ? target.error : line.report + ": " + target.error);
      return kExitUnusable;
    }
  }

  transfer.VerifyAfterWrite(line.verify);
  transfer.WriteChangedOnly(line.changedOnly);
  transfer.CancelOnSignal();

  TransferCommandOutcome outcome;
  const std::optional<int> failed = transfer.Run(TransferMode::Write, language, outcome);
  if (!failed) std::printf("%s\n", outcome.report.text.c_str());
  // The report records what the read-back found, registers that differ included.
  const WriteVerification& verification = transfer.State().verification;
  // A regulator found holding every value was checked by the read before the write.
  const bool alreadyHeld = transfer.State().result.changedOnly.nothingToWrite && !failed;
  if (!line.report.empty() && (verification.ran || alreadyHeld)) {
    UnitReportInputs inputs;
    inputs.parameters = parameters;
    inputs.model = transfer.currentModel();
    inputs.language = language;
    inputs.fileName = line.file;
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
    const int saved = SaveReportFile(ComposeUnitReport(inputs), line.report, language);
    if (!failed && saved != kExitSuccess) return saved;
  }
  return failed.value_or(kExitSuccess);
}

int RunCompare(const CommandLine& line) {
  const Language language = LocaleLanguage();
  const ParameterFileLoad load = LoadParameterFile(line.file);
  if (!FileUsable(load)) {
    PrintError(FileRefusedMessage(line.file, load, language));
    return kExitUnusable;
  }
  const ParameterSet file = AsScreenHoldsIt(load.contents->parameters);

  const std::optional<Environment> environment = PrepareEnvironment(line, language);
  if (!environment) return kExitUnusable;
  Transfer transfer(line, *environment);
  transfer.CancelOnSignal();
  transfer.currentModel() = load.contents->model;
  transfer.ModelFromFile();
  DeviceReading reading;
  TransferCommandOutcome outcome;
  // A read that failed or is incomplete compares nothing: nothing is shown as
  // equal. A script reading the listing gets the reason there too.
  if (const std::optional<int> failed = transfer.ReadDevice(reading, language, outcome)) {
    if (line.json) {
      const Transfer::Failure& failure = transfer.LastFailure();
      std::printf("{\"file\": %s, \"equal\": false, \"error\": %s, \"message\": %s}\n", JsonString(line.file).c_str(),
                  JsonString(failure.key).c_str(), JsonString(failure.message).c_str());
    }
    return *failed;
  }

  const ParameterComparison comparison =
      CompareParameters(file, load.contents->model, reading.parameters, reading.model, language);
  const std::string text =
      line.json ? CompareJson(comparison, line.file) : CompareListing(comparison, line.file, language);
  std::fputs(text.c_str(), stdout);
  return comparison.Equal() ? kExitSuccess : kExitDiffers;
}

}  // namespace klv::cli
