#include "transfer/transfer_commands.h"

#include <cstdio>
#include <utility>

#include "model/register_catalogue.h"
#include "platform/file_store.h"

namespace klv {
namespace {

bool IsKnownModel(ModelKind model) {
  return model == ModelKind::Klv40 || model == ModelKind::Klv30 || model == ModelKind::Klv30E;
}

TransferReport Report(ModelKind currentModel, int16_t result, Language language, int complete, int failure,
                      int unknownModel) {
  TransferReport report;
  report.modelKnown = IsKnownModel(currentModel);
  // -1 (port not open) is a failure too: only registers that went through count.
  report.succeeded = report.modelKnown && result > 0;
  if (!report.modelKnown) {
    report.text = Text(unknownModel, language);
  } else if (result > 0) {
    report.text = "--- " + ModelStatusText(currentModel, Text(complete, language)) + " ---";
  } else {
    report.text = ModelStatusText(currentModel, Text(failure, language));
  }
  return report;
}

TransferCommandOutcome RunCommand(TransferSession& session, OpenPortResult open, Language language,
                                  ProgressSink& progress, MessageSink& messages) {
  TransferCommandOutcome outcome;
  outcome.open = std::move(open);
  if (!outcome.open.ok) return outcome;
  outcome.result = RunTransfer(MakeTransferContext(session, language, progress, messages), session.state);
  outcome.logSave = EndTransfer(session);
  outcome.report = session.state.mode == TransferMode::Read
                       ? ReadReport(session.currentModel, outcome.result, language)
                       : WriteReport(session.currentModel, outcome.result, language);
  return outcome;
}

}  // namespace

OpenPortResult BeginReadTransfer(TransferSession& session) {
  LoadDefaults(session.parameters, session.currentModel);
  session.log.Clear();
  session.state.mode = TransferMode::Read;
  return session.line.OpenPort(session.settings, session.dataFolder);
}

OpenPortResult BeginWriteTransfer(TransferSession& session) {
  session.log.Clear();
  OpenPortResult open = session.line.OpenPort(session.settings, session.dataFolder);
  if (open.ok) session.state.mode = TransferMode::Write;
  return open;
}

TransferContext MakeTransferContext(TransferSession& session, Language language, ProgressSink& progress,
                                    MessageSink& messages) {
  return TransferContext{
      ExchangeContext{session.line, session.settings, session.log, session.lastRtuRequest},
      session.parameters,
      session.currentModel,
      session.clock,
      language,
      progress,
      messages,
  };
}

CommLogSave EndTransfer(TransferSession& session) {
  session.line.ClosePort();
  const std::string_view title =
      session.state.mode == TransferMode::Read ? kParameterReadTitle : kParameterWriteTitle;
  return SaveCommLog(session.log, session.commLogPath, title, session.settings, session.clock,
                         session.portLabel);
}

TransferReport ReadReport(ModelKind currentModel, int16_t readResult, Language language) {
  return Report(currentModel, readResult, language, kTextReadComplete, kTextReadFailure, kTextReadFailureUnknownModel);
}

TransferReport WriteReport(ModelKind currentModel, int16_t writeResult, Language language) {
  return Report(currentModel, writeResult, language, kTextWriteComplete, kTextWriteFailure,
                kTextWriteFailureUnknownModel);
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
