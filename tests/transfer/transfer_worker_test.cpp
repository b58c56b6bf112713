// The worker on a real thread: the result is visible once the done flag is,
// a message holds the worker, and each transfer keeps the other's result.
#include "transfer/transfer_worker.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

#include "model/register_catalogue.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

using namespace std::chrono_literals;

class TransferWorkerTest : public TransferRig {
 protected:
  TransferContext Context(MessageSink& messages) {
    return TransferContext{connection_,
                           parameters_,
                           currentModel_,
                           journal_,
                           Language::English,
                           journal_,
                           messages,
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
  ASSERT_TRUE(worker.Start(Context(journal_), state_));
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

// Holds the worker in ShowMessage until the test lets it go.
class HeldMessages final : public MessageSink {
 public:
  void ShowMessage(std::string_view text) override {
    shown_.set_value(std::string(text));
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return release_; });
  }
  void Release() {
    {
      std::lock_guard lock(mutex_);
      release_ = true;
    }
    released_.notify_all();
  }
  std::future<std::string> Shown() { return shown_.get_future(); }

 private:
  std::promise<std::string> shown_;
  std::mutex mutex_;
  std::condition_variable released_;
  bool release_ = false;
};

TEST_F(TransferWorkerTest, AMessageHoldsTheWorkerUntilItHasBeenSeen) {
  Connect(Device(ModelKind::Klv40));
  ASSERT_TRUE(connection_.line.OpenPort(connection_.settings, {}).ok);
  currentModel_ = ModelKind::Klv30;  // the device is a KLV40: "Model differs"
  state_.mode = TransferMode::Write;
  state_.writeResult = 9;
  HeldMessages messages;
  std::future<std::string> shown = messages.Shown();

  TransferThread worker;
  ASSERT_TRUE(worker.Start(Context(messages), state_));
  ASSERT_EQ(shown.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(shown.get(), "Model differs");
  std::this_thread::sleep_for(50ms);
  EXPECT_FALSE(worker.Done());
  EXPECT_EQ(state_.writeResult, 9);  // stored only once the body has ended

  messages.Release();
  WaitUntilDone(worker);
  ASSERT_TRUE(worker.Done());
  EXPECT_EQ(state_.writeResult, 0);
  worker.Join();
  connection_.line.ClosePort();
}

TEST_F(TransferWorkerTest, EachTransferOverwritesOnlyItsOwnResult) {
  ports_ = [] { return nullptr; };  // never open: both bodies end at once
  state_.readResult = 27;
  state_.writeResult = 13;

  state_.mode = TransferMode::Write;
  TransferThread writer;
  ASSERT_TRUE(writer.Start(Context(journal_), state_));
  // Starting again before the join is refused: one worker per object.
  EXPECT_FALSE(writer.Start(Context(journal_), state_));
  WaitUntilDone(writer);
  writer.Join();
  EXPECT_EQ(state_.writeResult, -1);
  EXPECT_EQ(state_.readResult, 27);

  state_.mode = TransferMode::Read;
  EXPECT_EQ(RunTransfer(Context(journal_), state_), -1);
  EXPECT_EQ(state_.readResult, -1);
  EXPECT_EQ(state_.writeResult, -1);
  EXPECT_EQ(journal_.messages, (std::vector<std::string>{"Port yet to open", "Port yet to open"}));
}

}  // namespace
}  // namespace klv::testing
