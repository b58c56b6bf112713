#include "transfer/transfer_worker.h"

#include <system_error>

#include "transfer/read_transfer.h"
#include "transfer/write_transfer.h"

namespace klv {

int TransferWorker(const TransferContext& context, TransferState& state, std::atomic<bool>& workerDone) {
  if (state.mode == TransferMode::Read) {
    state.readResult = RunReadTransfer(context);
  } else {
    state.verification = {};
    state.writeResult = RunWriteTransfer(context);
    if (state.verifyAfterWrite && state.writeResult > 0 && state.tally.Complete()) {
      state.verification = VerifyWrittenRegisters(context);
    }
  }
  workerDone.store(true, std::memory_order_release);
  return 0;
}

bool TransferThread::Start(const TransferContext& context, TransferState& state) {
  if (thread_.joinable()) return false;
  workerDone_.store(false, std::memory_order_relaxed);
  try {
    // The context is copied: it holds references only, to things the caller keeps.
    thread_ = std::thread([this, context, &state] { TransferWorker(context, state, workerDone_); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void TransferThread::Join() {
  if (thread_.joinable()) thread_.join();
}

int16_t RunTransfer(const TransferContext& context, TransferState& state) {
  TransferThread worker;
  if (worker.Start(context, state)) {
    worker.Join();
  } else {
    std::atomic<bool> done{false};
    TransferWorker(context, state, done);
  }
  return state.mode == TransferMode::Read ? state.readResult : state.writeResult;
}

}  // namespace klv
