#include "transfer/transfer_commands.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "model/register_catalogue.h"
#include "platform/file_store.h"
#include "transfer/transfer_result_messages.h"
#include "transfer/write_refusal_messages.h"

namespace klv {
namespace {

bool IsKnownModel(ModelKind model) {
  return model == ModelKind::Klv40 || model == ModelKind::Klv30 || model == ModelKind::Klv30E;
}

TransferReport Report(ModelKind currentModel, int16_t result, const TransferTally& tally, Language language,
                      TextId complete, TextId failure, TextId unknownModel, bool read) {
  TransferReport report;
  report.modelKnown = IsKnownModel(currentModel);
  // -1 (port not open) is a failure too: only registers that went through count.
  report.succeeded = report.modelKnown && result > 0 && tally.Complete();
  if (tally.cancelled) {
    report.text = read ? CancelledReadMessage(tally, language) : CancelledWriteMessage(tally, language);
  } else if (!report.modelKnown) {
    report.text = Text(unknownModel, language);
  } else if (report.succeeded) {
    report.text = "--- " + ModelStatusText(currentModel, Text(complete, language)) + " ---";
  } else if (tally.walked || tally.optionsUnanswered) {
    report.text = read ? IncompleteReadMessage(tally, language) : IncompleteWriteMessage(tally, language);
  } else {
    report.text = ModelStatusText(currentModel, Text(failure, language));
  }
  // A value kept as read is named only when the read is used at all.
  if (read && report.succeeded) report.text += OutOfLimitsReadLines(tally.receivedOutOfLimits, language);
  if (!read) report.text += NotSentLines(tally.notSent, language);
  return report;
}

TransferCommandOutcome RunCommand(TransferSession& session, OpenPortResult open, Language language,
                                  ProgressSink& progress, MessageSink& messages) {
  TransferCommandOutcome outcome;
  outcome.open = std::move(open);
  if (!outcome.open.ok) return outcome;
  outcome.result = RunTransfer(MakeTransferContext(session, language, progress), session.state);
  if (outcome.result.refusal) messages.ShowMessage(RefusalMessage(*outcome.result.refusal, outcome.result.tally, language));
  outcome.logSave = EndTransfer(session);
  // The report names the model the device turned out to be, also when what
  // was read is then put back.
  if (session.state.mode == TransferMode::Read) KeepCompleteRead(session);
  outcome.report = ReportOf(outcome.result, language);
  return outcome;
}

// The next unit on a line kept open goes on over the same port.
OpenPortResult OpenUnlessOpen(TransferSession& session) {
  if (session.portStaysOpen && session.connection.IsOpen()) return OpenPortResult{true, PortStatus::Ok, {}};
  return session.connection.Open();
}

// "Changed values written: 2 registers (0120, 012C)": the rows that went through.
std::string ChangedRegistersLine(const std::vector<Register>& written, Language language) {
  std::string registers;
  for (const Register address : written) {
    if (!registers.empty()) registers += ", ";
    registers += address.Text();
  }
  return Text(TextId::ChangedRegistersWritten, language, {std::to_string(written.size()), registers});
}

}  // namespace

OpenPortResult BeginReadTransfer(TransferSession& session) {
  session.state.parametersBeforeRead = session.parameters;
  session.state.modelBeforeRead = session.currentModel;
  session.state.tally = {};
  LoadDefaults(session.parameters, session.currentModel);
  session.connection.log.Clear();
  session.state.mode = TransferMode::Read;
  OpenPortResult open = OpenUnlessOpen(session);
  if (!open.ok) KeepCompleteRead(session);
  return open;
}

bool KeepCompleteRead(TransferSession& session) {
  TransferState& state = session.state;
  if (state.readResult > 0 && state.tally.Complete()) return true;
  session.parameters = state.parametersBeforeRead;
  session.currentModel = state.modelBeforeRead;
  return false;
}

OpenPortResult BeginWriteTransfer(TransferSession& session) {
  session.state.tally = {};
  session.connection.log.Clear();
  OpenPortResult open = OpenUnlessOpen(session);
  if (open.ok) session.state.mode = TransferMode::Write;
  return open;
}

TransferContext MakeTransferContext(TransferSession& session, Language language, ProgressSink& progress) {
  return TransferContext{
      session.connection,
      session.parameters,
      session.currentModel,
      session.clock,
      language,
      progress,
      session.state.tally,
      session.state.cancel,
  };
}

CommLogSave EndTransfer(TransferSession& session) {
  if (session.portStaysOpen) return {};
  session.connection.Close();
  const std::string_view title =
      session.state.mode == TransferMode::Read ? kParameterReadTitle : kParameterWriteTitle;
  const Connection& connection = session.connection;
  return SaveCommLog(connection.log, session.commLogPath, title, connection.settings, session.clock,
                     connection.portLabel);
}

TransferReport ReadReport(ModelKind currentModel, int16_t readResult, const TransferTally& tally,
                          Language language) {
  TransferReport report = Report(currentModel, readResult, tally, language, TextId::ReadComplete,
                                 TextId::ReadFailure, TextId::ReadFailureUnknownModel, true);
  // Silence taken as an answer is said, so a lost reply cannot pass unseen.
  if (tally.detectionUnanswered) report.text += "\n" + DetectionUnansweredLine(language);
  return report;
}

TransferReport WriteReport(ModelKind currentModel, int16_t writeResult, const TransferTally& tally,
                           Language language) {
  return Report(currentModel, writeResult, tally, language, TextId::WriteComplete, TextId::WriteFailure,
                TextId::WriteFailureUnknownModel, false);
}

TransferReport ReportOf(const TransferResult& result, Language language) {
  if (result.mode == TransferMode::Read) return ReadReport(result.model, result.count, result.tally, language);
  const ChangedOnlyWrite& changedOnly = result.changedOnly;
  // The read before a write of the changed values failed: said as a failed read is.
  if (changedOnly.readFailed) return ReadReport(result.model, changedOnly.readCount, result.tally, language);
  if (changedOnly.nothingToWrite && result.status == TransferStatus::Complete) {
    TransferReport report;
    report.modelKnown = IsKnownModel(result.model);
    report.succeeded = true;
    report.text = Text(TextId::NothingToWrite, language);
    report.text += NotSentLines(result.tally.notSent, language);
    return report;
  }
  TransferReport report = WriteReport(result.model, result.count, result.tally, language);
  if (changedOnly.ran && !result.tally.through.empty()) {
    report.text += ChangedRegistersLine(result.tally.through, language);
  }
  AddVerification(report, result.verification, language);
  return report;
}

void AddVerification(TransferReport& report, const WriteVerification& verification, Language language) {
  if (!verification.ran) return;
  report.text += "\n" + VerificationMessage(verification, language);
  report.succeeded = report.succeeded && verification.AllEqual();
}

TransferCommandOutcome RunReadCommand(TransferSession& session, Language language, ProgressSink& progress,
                                      MessageSink& messages) {
  OpenPortResult open = BeginReadTransfer(session);
  return RunCommand(session, std::move(open), language, progress, messages);
}

TransferCommandOutcome RunWriteCommand(TransferSession& session, Language language, ProgressSink& progress,
                                       MessageSink& messages) {
  OpenPortResult open = BeginWriteTransfer(session);
  return RunCommand(session, std::move(open), language, progress, messages);
}

}  // namespace klv
