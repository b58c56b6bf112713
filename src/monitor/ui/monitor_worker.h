#pragma once
// The monitor's line work off the window thread: a QObject that lives on a
// thread of its own and runs the session there (the identification at the
// start, each tick's exchange, the stop), with a timer of that thread. The
// window only sends it requests and shows the views it sends back, so the
// window answers the operator while an exchange waits for its reply.
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

#include "monitor/monitor_session.h"

namespace klv {

class MonitorWorker : public QObject {
  Q_OBJECT

 public:
  // The session is used only by this object's thread from the first request on.
  explicit MonitorWorker(MonitorSession& session);

 public slots:
  // StartMonitoring on this thread; then Started, and ticks on the timer.
  void Start(bool recordArmed, const QString& dataLogPath);
  // StopMonitoring: the timer ends at once; an exchange under way finishes
  // first (it lasts at most one read time-out). Then Stopped.
  void Stop();
  // The window closes: the record is finished and the port closed.
  void Close();

 signals:
  void Started(bool started, const QString& portMessage, const klv::MonitorView& view);
  void Changed(const klv::MonitorView& view);
  void Stopped(const klv::MonitorView& view);
  void Closed();
  // A message for the operator (the data record file cannot be created);
  // monitoring goes on meanwhile.
  void Message(const QString& text);

 private:
  void Tick();
  void ArmTimer();
  MonitorView View() const;

  MonitorSession& session_;
  std::unique_ptr<QTimer> timer_;
  std::optional<MonitorPoll> lastPoll_;
};

}  // namespace klv
