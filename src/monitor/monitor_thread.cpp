#include "monitor/monitor_thread.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace klv {

MonitorThread::MonitorThread(MonitorSession& session, Clock& clock, std::function<void()> notify)
    : session_(session), clock_(clock), notify_(std::move(notify)) {}

MonitorThread::~MonitorThread() { Close(); }

bool MonitorThread::Launch() {
  if (thread_.joinable()) return true;
  try {
    thread_ = std::thread([this] { Run(); });
  } catch (const std::system_error&) {
    return false;
  }
  return true;
}

void MonitorThread::Start(bool recordArmed, const std::filesystem::path& dataLogPath) {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back({Request::Start, recordArmed, dataLogPath});
  }
  wake_.notify_one();
}

void MonitorThread::Stop() {
  {
    std::lock_guard lock(mutex_);
    requests_.push_back({Request::Stop, false, {}});
  }
  wake_.notify_one();
}

void MonitorThread::Close() {
  if (!thread_.joinable()) {
    // Never launched, or closed before: closing the session again is harmless.
    session_.Close();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    closing_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

std::vector<MonitorEvent> MonitorThread::Take() {
  std::lock_guard lock(mutex_);
  notified_ = false;
  return std::exchange(events_, {});
}

MonitorView MonitorThread::View() const { return ViewOf(session_, lastPoll_); }

void MonitorThread::Push(MonitorEvent event) {
  bool notify = false;
  {
    std::lock_guard lock(mutex_);
    const auto update = [](const MonitorEvent& e) {
      return e.kind == MonitorEvent::Kind::Changed || (e.kind == MonitorEvent::Kind::Trend && e.sample);
    };
    if (update(event)) {
      for (auto waiting = events_.rbegin(); waiting != events_.rend() && update(*waiting); ++waiting) {
        if (waiting->kind == event.kind) {
          events_.erase(std::next(waiting).base());
          break;
        }
      }
    }
    events_.push_back(std::move(event));
    notify = !std::exchange(notified_, true);
  }
  if (notify && notify_) notify_();
}

void MonitorThread::Run() {
  std::unique_lock lock(mutex_);
  while (!closing_) {
    if (!requests_.empty()) {
      const PendingRequest next = requests_.front();
      requests_.erase(requests_.begin());
      lock.unlock();
      if (next.request == Request::Start) {
        if (!session_.Running()) {
          lastPoll_.reset();
          const MonitorSession::StartOutcome outcome =
              session_.Start(next.recordArmed, next.dataLogPath, [this](std::string_view text) {
                MonitorEvent message;
                message.kind = MonitorEvent::Kind::Message;
                message.text.assign(text);
                Push(std::move(message));
              });
          MonitorEvent started;
          started.kind = MonitorEvent::Kind::Started;
          started.started = outcome.started;
          started.text = outcome.portMessage;
          started.view = View();
          Push(std::move(started));
        }
      } else {
        if (session_.Running()) session_.Stop();
        MonitorEvent stopped;
        stopped.kind = MonitorEvent::Kind::Stopped;
        stopped.view = View();
        Push(std::move(stopped));
      }
      lock.lock();
      continue;
    }
    if (!session_.Running()) {
      wake_.wait(lock, [this] { return closing_ || !requests_.empty(); });
      continue;
    }
    const Clock::Duration wait = session_.UntilNextTick();
    lock.unlock();
    if (wait > Clock::Duration::zero()) {
      clock_.SleepFor(std::min<Clock::Duration>(wait, kMonitorThreadStep));
    } else {
      if (std::optional<MonitorPoll> poll = session_.Tick()) lastPoll_ = std::move(poll);
      // Also after a tick without a poll: while the line is lost the record
      // and the status line go on.
      MonitorEvent changed;
      changed.kind = MonitorEvent::Kind::Changed;
      changed.view = View();
      Push(std::move(changed));
    }
    lock.lock();
  }
  lock.unlock();
  session_.Close();
}

void MonitorThread::QueuedTrendSink::PostSample(int32_t input, int32_t output) {
  MonitorEvent event;
  event.kind = MonitorEvent::Kind::Trend;
  event.sample = true;
  event.trendCall = [input, output](TrendSink& sink) { sink.PostSample(input, output); };
  owner_.Push(std::move(event));
}

void MonitorThread::QueuedTrendSink::SetOutputScale(int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) {
  MonitorEvent event;
  event.kind = MonitorEvent::Kind::Trend;
  event.trendCall = [=](TrendSink& sink) { sink.SetOutputScale(controlMode, ratedVoltage, ratedCurrent); };
  owner_.Push(std::move(event));
}

void MonitorThread::QueuedTrendSink::ClearHistory() {
  MonitorEvent event;
  event.kind = MonitorEvent::Kind::Trend;
  event.trendCall = [](TrendSink& sink) { sink.ClearHistory(); };
  owner_.Push(std::move(event));
}

void MonitorThread::QueuedTrendSink::ClearNewSample() {
  MonitorEvent event;
  event.kind = MonitorEvent::Kind::Trend;
  event.trendCall = [](TrendSink& sink) { sink.ClearNewSample(); };
  owner_.Push(std::move(event));
}

}  // namespace klv
