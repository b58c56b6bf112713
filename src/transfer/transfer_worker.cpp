#include "transfer/transfer_worker.h"

#include <system_error>
#include <utility>

#include "device/no_reply_text.h"
#include "transfer/changed_only_write.h"
#include "transfer/read_transfer.h"
#include "transfer/write_transfer.h"

namespace klv {
namespace {

TransferLine LineOf(const TransferContext& context) {
  const Connection& connection = context.connection;
  TransferLine line;
  line.settings = connection.settings;
  line.portLabel = connection.portLabel;
  line.device = ShownDevice(connection);
  line.finished = context.clock.LocalNow();
  line.echo = connection.echoFinding;
  return line;
}

}  // namespace

TransferResult RunTransferBody(const TransferContext& context, TransferState& state) {
  TransferResult result;
  if (state.mode == TransferMode::Read) {
    result = RunReadTransfer(context);
  } else {
    result = state.writeChangedOnly ? RunChangedOnlyWriteTransfer(context) : RunWriteTransfer(context);
    if (state.verifyAfterWrite && !result.refusal && result.count > 0 && context.tally.Complete()) {
      result.verification = VerifyWrittenRegisters(context);
    }
  }
  result.tally = context.tally;
  result.status = ClassifyTransfer(result.count, result.refusal, result.tally);
  // Nothing needed writing: the regulator holds the set, which is what a write is for.
  if (result.changedOnly.nothingToWrite && !result.tally.cancelled) result.status = TransferStatus::Complete;
  result.line = LineOf(context);
  return result;
}

int TransferWorker(const TransferContext& context, TransferState& state, std::atomic<bool>& workerDone) {
  if (state.mode == TransferMode::Write) state.verification = {};
  TransferResult result = RunTransferBody(context, state);
  (state.mode == TransferMode::Read ? state.readResult : state.writeResult) = result.count;
  if (state.mode == TransferMode::Write) state.verification = result.verification;
  state.result = std::move(result);
  workerDone.store(true, std::memory_order_release);
  return 0;
}

bool TransferThread::Start(const TransferContext& context, TransferState& state, std::function<void()> finished) {
  if (thread_.joinable()) return false;
  workerDone_.store(false, std::memory_order_relaxed);
  try {
    // The context is copied: it holds references only, to things the caller keeps.
    thread_ = std::thread([this, context, &state, finished = std::move(finished)] {
      TransferWorker(context, state, workerDone_);
      if (finished) finished();
    });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TransferThread::Join() {
  if (thread_.joinable()) thread_.join();
}

const TransferResult& RunTransfer(const TransferContext& context, TransferState& state) {
  TransferThread worker;
  if (worker.Start(context, state)) {
    worker.Join();
  } else {
    std::atomic<bool> done{false};
    TransferWorker(context, state, done);
  }
  return state.result;
}

}  // namespace klv
