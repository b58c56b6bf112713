#pragma once
// The command side of a transfer, without any window: prepare and open the
// port, run the body on the worker, close the port, write comlog.txt, and the
// text that reports the outcome. The main window runs these pieces around its
// settings screen and progress window; the command-line tool runs them whole.
#include <filesystem>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "platform/clock.h"
#include "serial/comm_log.h"
#include "serial/connection.h"
#include "serial/port.h"
#include "transfer/progress_sink.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_result.h"
#include "transfer/transfer_worker.h"

namespace klv {

// The program's single instances that a transfer command works on, owned by
// the application (or a test, or the command-line tool).
struct TransferSession {
  Connection& connection;
  ParameterSet& parameters;
  ModelKind& currentModel;
  TransferState& state;
  Clock& clock;
  std::filesystem::path commLogPath;  // comlog.txt; empty when not available
  // One unit of several on one line: a port already open is used as it is
  // and stays open after the transfer, and the log is left to the caller,
  // who keeps every unit's frames (transfer/bus_run.h).
  bool portStaysOpen = false;
};

// Read: keeps the parameter set and model as they are, then loads the
// current model's defaults for the read to fill, empties the log, sets the
// mode and opens the port. Not ok: the set and model are put back, the
// port's message is to be shown and the command ends; no log file is written.
OpenPortResult BeginReadTransfer(TransferSession& session);

// After the read's worker has ended: true when the read got every register
// it asked for, and the parameter set and model hold what was read; false
// when it did not, and they are put back as they were before the read.
bool KeepCompleteRead(TransferSession& session);

// Write (the parameter set already holds what is to be sent): empties the
// log, opens the port and, once it is open, sets the mode.
OpenPortResult BeginWriteTransfer(TransferSession& session);

// The body's view of the session, for the worker.
TransferContext MakeTransferContext(TransferSession& session, Language language, ProgressSink& progress);

// After the worker has finished: closes the port and writes comlog.txt with
// the title of the mode (neither when the port stays open). Failed: text 175 "Log file cannot be created" is to
// be shown, then the report as usual.
CommLogSave EndTransfer(TransferSession& session);


// How a transfer ended, for the operator.
struct TransferReport {
  // The current model is one of the three: after a read the window applies
  // its layout; otherwise the layout stays.
  bool modelKnown = false;
  // Every register asked for went through.
  bool succeeded = false;
  std::string text;
};

// "--- KLV40 Parameter reading complete ---" when every register came in,
// "Parameter reading incomplete: ..." when the walk began but some did not
// (or the options did not answer), else "KLV30 Parameter reading failure" or
// "??Parameter reading failure", by the current model after the read and its
// result. A result of -1 (the port was not open) is a failure. A complete
// read adds a line per value outside its register's limits (kept as read).
TransferReport ReadReport(ModelKind currentModel, int16_t readResult, const TransferTally& tally,
                          Language language);
// The same for a write: "--- KLV30E Parameter writing complete ---",
// "Parameter writing incomplete: ...", "KLV40 Parameter writing failure" or
// "?? Parameter writing failure"; then a line per register the write left
// out on purpose ("012E not written: not used in control mode ZC").
TransferReport WriteReport(ModelKind currentModel, int16_t writeResult, const TransferTally& tally,
                           Language language);

// The report of a finished transfer: ReadReport or WriteReport by its mode,
// with the verification of a write.
TransferReport ReportOf(const TransferResult& result, Language language);

// A write's report with what its read-back found: the verification's
// message after the write's, and a failure when any register differs or
// did not answer. Unchanged when no read-back ran.
void AddVerification(TransferReport& report, const WriteVerification& verification, Language language);

// A whole command without windows, for callers that wait while it runs.
struct TransferCommandOutcome {
  OpenPortResult open;    // not ok: nothing ran and no log was written
  TransferResult result;  // what the body came to
  CommLogSave logSave;
  TransferReport report;
};

// Begin, the body on a worker thread, end, report; a refusal's message is
// shown through messages once the body has ended. For a read the parameter
// set and the current model hold what was read afterwards; for a write the
// parameter set (with its option words) must hold what is to be sent.
TransferCommandOutcome RunReadCommand(TransferSession& session, Language language, ProgressSink& progress,
                                      MessageSink& messages);
TransferCommandOutcome RunWriteCommand(TransferSession& session, Language language, ProgressSink& progress,
                                       MessageSink& messages);

}  // namespace klv
