#pragma once
// The monitor's line work on a thread of its own, for a window that must
// never wait for the line: the identification at the start, each tick's
// exchange, the stop and the closing all run there, one request at a time.
// The window sends requests (Start, Stop, Close) and takes back, in the
// order they happened, what the session reports: whether a start worked,
// copies of its view, messages for the operator and the calls meant for the
// trend graph. Nothing of the session is shared between the two threads.
//
// Between ticks the thread sleeps on the session's clock in short steps, so
// that a request is taken up within one step (or after the exchange under
// way, at most one read time-out) and a test clock moves it on at once.
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "monitor/monitor_session.h"
#include "monitor/trend_sink.h"
#include "platform/clock.h"

namespace klv {

// The longest sleep between two looks at the requests.
inline constexpr std::chrono::milliseconds kMonitorThreadStep{5};

struct MonitorEvent {
  enum class Kind {
    Started,  // started: whether monitoring runs; text: the port's failure
    Changed,  // a tick ran: view is the session's view after it
    Stopped,  // monitoring stopped
    Message,  // text for the operator (the data record cannot be made)
    Trend,    // trendCall: one call for the graph's history
  };
  Kind kind = Kind::Changed;
  bool started = false;
  // Trend: the call hands over a sample, which only a later one outdates.
  bool sample = false;
  std::string text;
  MonitorView view;
  std::function<void(TrendSink&)> trendCall;
};

class MonitorThread {
 public:
  // session and clock outlive this object; from Launch on only the thread
  // uses the session. notify is called on the thread when events wait to be
  // taken, once until the next Take (the window posts itself a message).
  MonitorThread(MonitorSession& session, Clock& clock, std::function<void()> notify);
  ~MonitorThread();
  MonitorThread(const MonitorThread&) = delete;
  MonitorThread& operator=(const MonitorThread&) = delete;

  // Starts the thread. False when the system could not start one.
  bool Launch();
  bool Launched() const { return thread_.joinable(); }

  // The requests, taken up in the order given.
  void Start(bool recordArmed, const std::filesystem::path& dataLogPath);
  void Stop();
  // Waits for the exchange under way, then finishes the record, closes the
  // port and ends the thread; harmless when called again. Without a thread
  // the session is closed here.
  void Close();

  // The events since the last call, oldest first. A view, or a sample for
  // the graph, replaces the one of its kind still waiting unless something
  // else than views and samples came after that one: so what waits stays
  // small however slowly the window takes it, and nothing is reordered
  // across a start, a stop, a message or a change of the graph's scale.
  std::vector<MonitorEvent> Take();

  // Where the session hands its trend calls: queued as Trend events.
  TrendSink& QueuedTrend() { return trend_; }

 private:
  class QueuedTrendSink final : public TrendSink {
   public:
    explicit QueuedTrendSink(MonitorThread& owner) : owner_(owner) {}
    void PostSample(int32_t input, int32_t output) override;
    void SetOutputScale(int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) override;
    void ClearHistory() override;
    void ClearNewSample() override;

   private:
    MonitorThread& owner_;
  };

  enum class Request { Start, Stop };
  struct PendingRequest {
    Request request = Request::Start;
    bool recordArmed = false;
    std::filesystem::path dataLogPath;
  };

  void Run();
  void Push(MonitorEvent event);
  MonitorView View() const;

  MonitorSession& session_;
  Clock& clock_;
  std::function<void()> notify_;
  QueuedTrendSink trend_{*this};
  // The thread's own: the poll of the last tick.
  std::optional<MonitorPoll> lastPoll_;

  std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<PendingRequest> requests_;
  bool closing_ = false;
  std::vector<MonitorEvent> events_;
  bool notified_ = false;
  std::thread thread_;
};

}  // namespace klv
