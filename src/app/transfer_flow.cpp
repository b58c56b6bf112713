#include "app/transfer_flow.h"

#include "platform/data_folder.h"
#include "platform/failure_text.h"
#include "platform/ports_folder.h"
#include "transfer/device_reading.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_result_messages.h"
#include "transfer/write_verification.h"

namespace klv::transfer_flow {

namespace {

// Opens the line and runs the session behind the window's progress window;
// false when the port could not be opened (told, nothing ran). A log that
// cannot be saved is told and changes nothing else.
bool RunTransfer(ProgramState& state, TransferWindow& window, TransferSession& session, const OpenPortResult& open) {
  if (!open.ok) {
    window.ShowMessage(open.message);
    return false;
  }
  window.RunBehindProgress(session);
  if (const CommLogSave saved = EndTransfer(session); saved.status == CommLogSave::Status::Failed) {
    window.ShowMessage(WithSystemReason(Text(TextId::LogFileCannotBeCreated, state.language), saved.error));
  }
  return true;
}

}  // namespace

bool ConfirmConnection(ProgramState& state, TransferWindow& window) {
  // COM<n> reaches its device through ports/: a folder that cannot be listed
  // would send the requests to the system's own device of that number.
  if (!state.demoModel && !state.connection.dataFolder.empty()) {
    const std::filesystem::path ports = state.connection.dataFolder / std::string(kPortsFolderName);
    if (const std::string error = PortsFolderError(ports); !error.empty()) {
      window.ShowMessage(UnreadablePortsBeforeTransferText(ports, error, state.language));
      return false;
    }
  }
  if (state.keepSettingsFile && !state.settingsConfirmed) {
    window.ShowMessage(UnreadableSettingsBeforeTransferText(state.settingsPath, state.settingsReadError, state.language));
  }
  if (!window.ConfirmSettings()) return false;
  state.settingsConfirmed = true;
  return true;
}

std::string NoReplyAdviceLines(const ProgramState& state, const TransferResult& result) {
  NoReplyAdvice advice;
  advice.whatNext = Text(TextId::NoReplyFindDevice, state.language);
  if (!state.commLogPath.empty()) advice.logName = state.commLogPath.filename().string();
  return NoReplyLines(result, state.language, advice);
}

void Read(ProgramState& state, TransferWindow& window) {
  if (!window.SaveChangesFirst()) return;
  if (!ConfirmConnection(state, window)) return;

  TransferSession session = state.Session();
  if (!RunTransfer(state, window, session, BeginReadTransfer(session))) return;

  const bool complete = KeepCompleteRead(session);
  const TransferReport report = ReportOf(state.transfer.result, state.language);
  if (complete) {
    window.ShowReadSet();
    RecordTransferredSet(state, UnitProvenance::Source::Read);
  }
  window.ShowMessage(report.text + NoReplyAdviceLines(state, state.transfer.result));
}

void Write(ProgramState& state, TransferWindow& window) {
  if (!ConfirmConnection(state, window)) return;
  window.ReadScreen();

  TransferSession session = state.Session();
  state.transfer.verifyAfterWrite = state.options.verifyAfterWrite;
  state.transfer.writeChangedOnly = state.options.writeChangedOnly;
  if (!RunTransfer(state, window, session, BeginWriteTransfer(session))) return;
  const TransferReport report = ReportOf(state.transfer.result, state.language);
  const WriteVerification& verification = state.transfer.result.verification;
  if (verification.ran) {  // only after a complete write
    // The report of this unit names the regulator and what the read-back found.
    RecordTransferredSet(state, UnitProvenance::Source::VerifiedWrite,
                         {verification.AllEqual() ? ReportVerification::Status::Equal
                                                  : ReportVerification::Status::Differs,
                          VerificationMessage(verification, state.language) +
                              NotSentLines(state.transfer.tally.notSent, state.language)});
  }
  window.ShowMessage(report.text + NoReplyAdviceLines(state, state.transfer.result));
}

void Compare(ProgramState& state, TransferWindow& window) {
  if (!ConfirmConnection(state, window)) return;
  // The screen as it stands, options included, is what the device is held against.
  window.ReadScreen();

  DeviceReading reading;
  reading.model = state.currentModel;
  TransferSession session = DeviceReadingSession(state.Session(), reading);
  if (!RunTransfer(state, window, session, BeginReadTransfer(session))) return;
  if (!KeepCompleteRead(session)) {
    // Failed or incomplete: the read's own message, and no listing that
    // could pass unread registers off as equal.
    window.ShowMessage(ReportOf(reading.state.result, state.language).text +
                       NoReplyAdviceLines(state, reading.state.result));
    return;
  }
  window.ShowComparison(
      CompareParameters(state.parameters, state.currentModel, reading.parameters, reading.model, state.language));
}

}  // namespace klv::transfer_flow
