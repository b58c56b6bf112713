#pragma once
// The worker that runs one transfer body while the thread that started it
// waits (the progress window's event loop, or the command-line tool). The
// body's result is stored before the done flag is set; the flag is set with
// release and read with acquire, so a thread that has seen it set also sees
// the result and everything the body wrote (parameter set, current model,
// log). A caller that waits in an event loop is told through the finished
// call, made on the worker after the flag is set.
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "transfer/transfer_context.h"
#include "transfer/transfer_result.h"
#include "transfer/write_verification.h"

namespace klv {

// The transfer variables the command, the worker and the window share. Each
// transfer overwrites only its own result; the other keeps its last value.
struct TransferState {
  TransferMode mode = TransferMode::Read;  // TransferMode: set by the command before the worker starts
  // The registers the last read and the last write got through: the count
  // of their TransferResult (0, or -1 when the port was not open).
  int16_t readResult = 0;
  int16_t writeResult = 0;
  // The last transfer's whole result, stored by the worker.
  TransferResult result;
  // What the last transfer got through and what not; reset when one begins.
  TransferTally tally;
  // The parameter set and model before a read began: a read that does not
  // complete puts them back, so nothing half-read is ever used.
  ParameterSet parametersBeforeRead;
  ModelKind modelBeforeRead = ModelKind::Klv40;
  // Set by the command: after a complete write the worker reads every
  // register written back and notes here what it found (reset each write;
  // the result holds the same).
  bool verifyAfterWrite = false;
  // Set by the command: a write reads the regulator first and writes only
  // the registers that differ (RunChangedOnlyWriteTransfer).
  bool writeChangedOnly = false;
  WriteVerification verification;
  // Set by the command: the body stops before its next exchange once this
  // turns true (null: it runs to its end).
  const std::atomic<bool>* cancel = nullptr;
};

// Runs the body of state.mode (and the read-back of a complete write when
// asked) on the calling thread and returns its result, status, tally and
// line filled in. Shows nothing but the progress.
TransferResult RunTransferBody(const TransferContext& context, TransferState& state);

// The thread procedure: runs the body, stores its result in state.result and
// its count in readResult or writeResult, then sets workerDone (release).
// Returns 0.
int TransferWorker(const TransferContext& context, TransferState& state, std::atomic<bool>& workerDone);

// One worker thread with its done flag. The context, the state and the
// object itself must outlive the thread: the destructor waits for it, so the
// worker, the port and the window never outlive each other.
class TransferThread {
 public:
  TransferThread() = default;
  TransferThread(const TransferThread&) = delete;
  TransferThread& operator=(const TransferThread&) = delete;
  ~TransferThread() { Join(); }

  // Clears the done flag and starts TransferWorker on a new thread; finished
  // (when given) is called on that thread once the done flag is set. False
  // when a worker of this object is still unjoined, or when the system could
  // not start a thread; the body has then not run and the results are as
  // they were.
  bool Start(const TransferContext& context, TransferState& state, std::function<void()> finished = {});
  // The done flag (acquire): the result is stored and the body has ended.
  bool Done() const { return workerDone_.load(std::memory_order_acquire); }
  // Waits for the thread to end; harmless when none runs.
  void Join();

 private:
  std::atomic<bool> workerDone_{false};
  std::thread thread_;
};

// Runs the transfer on a worker thread and waits for it to end, for callers
// that have nothing to do meanwhile. When no thread can be started, the
// body runs on the calling thread instead. Returns the stored result.
const TransferResult& RunTransfer(const TransferContext& context, TransferState& state);

}  // namespace klv
