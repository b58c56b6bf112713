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
  return SaveTransferLog(session.log, session.commLogPath, title, session.settings, session.clock,
                         session.portLabel);
}

CommLogSave SaveTransferLog(const CommLog& log, const std::filesystem::path& path, std::string_view title,
                            const CommSettings& settings, const Clock& clock, std::string_view portLabel) {
  if (portLabel.empty()) return SaveCommLog(log, path, title, settings, clock);

  CommLogSave result;
  if (log.Empty()) return result;
  result.status = CommLogSave::Status::Failed;
  if (path.empty()) {
    result.error = "no log path";
    return result;
  }
  // The same header as SaveCommLog's, with the device in place of "COM<n>".
  // Not cut to 99 characters: a device path can be long, and the speed after
  // it must stay readable.
  const LocalTime now = clock.LocalNow();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d", now.month % 100, now.day % 100,
                ((now.year % 100) + 100) % 100, now.hour % 100, now.minute % 100, now.second % 100);
  std::string text = stamp;
  text += title;
  text += ' ';
  text += portLabel;
  text += ' ' + std::to_string(settings.speed) + "bps\r\n\r\n";
  text += log.Text();
  if (log.DroppedLines() > 0) {
    text += "*** The log was full: " + std::to_string(log.DroppedLines()) +
            " further lines were not recorded ***\r\n";
  }
  const SaveOutcome saved = SaveFileAtomically(path, text);
  if (!saved.ok) {
    result.error = saved.error;
    return result;
  }
  result.status = CommLogSave::Status::Saved;
  return result;
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
