#include "monitor/ui/monitor_worker.h"

#include <algorithm>
#include <chrono>

namespace klv {

MonitorWorker::MonitorWorker(MonitorSession& session) : session_(session) {}

MonitorView MonitorWorker::View() const { return ViewOf(session_, lastPoll_); }

void MonitorWorker::Start(bool recordArmed, const QString& dataLogPath) {
  if (!timer_) {
    // Made here, so that it belongs to this object's thread.
    timer_ = std::make_unique<QTimer>();
    timer_->setSingleShot(true);
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_.get(), &QTimer::timeout, this, &MonitorWorker::Tick);
  }
  if (session_.Running()) return;
  lastPoll_.reset();
  const MonitorSession::StartOutcome outcome =
      session_.Start(recordArmed, dataLogPath.toStdString(),
                     [this](std::string_view text) { emit Message(QString::fromUtf8(text.data(), static_cast<int>(text.size()))); });
  emit Started(outcome.started, QString::fromStdString(outcome.portMessage), View());
  if (outcome.started) ArmTimer();
}

void MonitorWorker::Stop() {
  if (timer_) timer_->stop();
  if (session_.Running()) session_.Stop();
  emit Stopped(View());
}

void MonitorWorker::Close() {
  if (timer_) timer_->stop();
  session_.Close();
  timer_.reset();
  emit Closed();
}

void MonitorWorker::Tick() {
  if (!session_.Running()) return;
  if (std::optional<MonitorPoll> poll = session_.Tick()) lastPoll_ = std::move(poll);
  // Also after a tick without a poll: while the line is lost the record and
  // the status line go on.
  emit Changed(View());
  if (session_.Running()) ArmTimer();
}

void MonitorWorker::ArmTimer() {
  // Rounded up, so the timer never fires before the tick is due.
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(session_.UntilNextTick());
  timer_->start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
}

}  // namespace klv
