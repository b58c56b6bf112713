// The worker on a real thread: the result is visible once the done flag is,
// the finished call follows it, and each transfer keeps the other's result.
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

#include <future>
#include <optional>
#include <thread>

#include "model/register_catalogue.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

using namespace std::chrono_literals;

class TransferWorkerTest : public TransferRig {
 protected:
  TransferContext Context() {
    return TransferContext{connection_,
                           parameters_,
                           currentModel_,
                           journal_,
                           Language::English,
                           journal_,
                           state_.tally,
                           nullptr};
  }
  // The progress window's wait: look at the flag on a timer until it is set.
  static void WaitUntilDone(const TransferThread& worker) {
    const auto limit = std::chrono::steady_clock::now() + 20s;
    while (!worker.Done() && std::chrono::steady_clock::now() < limit) std::this_thread::sleep_for(10ms);
  }
};

TEST_F(TransferWorkerTest, ResultAndEverythingReadAreVisibleOnceTheFlagIsSet) {
  Connect(Device(ModelKind::Klv30, 0, true));
  device_->Preset(Register{0x012C}, 321);
  connection_.settings.portNumber = 1;
  ASSERT_TRUE(connection_.line.OpenPort(connection_.settings, {}).ok);
  state_.mode = TransferMode::Read;
  LoadDefaults(parameters_, currentModel_);

  TransferThread worker;
  ASSERT_TRUE(worker.Start(Context(), state_));
  WaitUntilDone(worker);
  ASSERT_TRUE(worker.Done());

  // Read before the join: only the flag orders these reads after the worker's writes.
  EXPECT_EQ(state_.readResult, 13);
  EXPECT_EQ(currentModel_, ModelKind::Klv30);
  EXPECT_EQ(parameters_.slowUpTime, 321);
  EXPECT_EQ(parameters_.optionDetect, 1);
  EXPECT_FALSE(connection_.log.Empty());
  EXPECT_EQ(journal_.bars.back(), 100);
  worker.Join();
  connection_.line.ClosePort();
}

// The window waits for the finished call instead of a flag: it comes on the
// worker, after the result (here a refusal, as data) is stored and the flag set.
TEST_F(TransferWorkerTest, FinishedIsCalledOnTheWorkerOnceTheResultIsStored) {
  Connect(Device(ModelKind::Klv40));
  ASSERT_TRUE(connection_.line.OpenPort(connection_.settings, {}).ok);
  currentModel_ = ModelKind::Klv30;  // the device is a KLV40: "Model differs"
  state_.mode = TransferMode::Write;
  state_.writeResult = 9;

  TransferThread worker;
  std::promise<void> finished;
  bool doneWhenFinished = false;
  std::optional<TransferRefusal::Reason> refusalWhenFinished;
  std::thread::id finishedOn;
  ASSERT_TRUE(worker.Start(Context(), state_, [&] {
    doneWhenFinished = worker.Done();
    if (state_.result.refusal) refusalWhenFinished = state_.result.refusal->reason;
    finishedOn = std::this_thread::get_id();
    finished.set_value();
  }));
  ASSERT_EQ(finished.get_future().wait_for(20s), std::future_status::ready);
  worker.Join();
  EXPECT_TRUE(doneWhenFinished);
  EXPECT_EQ(refusalWhenFinished, TransferRefusal::Reason::ModelDiffers);
  EXPECT_NE(finishedOn, std::this_thread::get_id());
  EXPECT_EQ(state_.writeResult, 0);
  EXPECT_EQ(state_.result.status, TransferStatus::Refused);
  EXPECT_TRUE(journal_.messages.empty());  // the body shows nothing
  connection_.line.ClosePort();
}

TEST_F(TransferWorkerTest, EachTransferOverwritesOnlyItsOwnResult) {
  ports_ = [] { return nullptr; };  // never open: both bodies end at once
  state_.readResult = 27;
  state_.writeResult = 13;

  state_.mode = TransferMode::Write;
  TransferThread writer;
  ASSERT_TRUE(writer.Start(Context(), state_));
  // Starting again before the join is refused: one worker per object.
  EXPECT_FALSE(writer.Start(Context(), state_));
  WaitUntilDone(writer);
  writer.Join();
  EXPECT_EQ(state_.writeResult, -1);
  EXPECT_EQ(state_.readResult, 27);

  state_.mode = TransferMode::Read;
  EXPECT_EQ(RunTransfer(Context(), state_).count, -1);
  EXPECT_EQ(state_.readResult, -1);
  EXPECT_EQ(state_.writeResult, -1);
  // The refusal is the result's; the worker shows nothing.
  EXPECT_EQ(state_.result.status, TransferStatus::Refused);
  EXPECT_TRUE(journal_.messages.empty());
}

}  // namespace
}  // namespace klv::testing
