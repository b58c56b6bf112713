#pragma once
// The trend graph window "Graph display": control input and output of the
// monitored regulator as two lines on a 0-100.0 % scale over the last 555
// polling cycles. Modeless and owned by the monitor, which creates it hidden,
// shows and hides it, and hands it one sample per polling cycle; "OK" and the
// close box only hide it, so the history survives until the monitor closes.
// Its timer runs the whole time, shown or not: 1000 ms at first, then a tick
// every 100 ms that plots a new sample or repaints. Under the chart, clock
// times name the moments a few of its points were plotted.
#include <QDialog>
#include <QTimer>
#include <array>
#include <memory>

#include "text/texts.h"
#include "monitor/trend_history.h"
#include "monitor/trend_time_axis.h"
#include "monitor/ui/trend_chart.h"
#include "platform/clock.h"

class QLabel;
class QPushButton;

namespace klv {

class TrendGraphDialog : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kFirstTimerMs = 1000;
  static constexpr int kTimerMs = 100;

  // clock stamps each plotted point with the local time for the time axis.
  TrendGraphDialog(Language language, Clock& clock, QWidget* owner);
  ~TrendGraphDialog() override;

  // The monitor's inputs (PostSample, SetOutputScale, ClearHistory) and the histories.
  TrendHistory& History() { return history_; }
  TrendChart& Chart() { return *chart_; }
  TrendArea* DrawingArea() const { return area_; }
  QPushButton* OkButton() const { return ok_; }
  QTimer& GraphTimer() { return timer_; }
  // The clock-time labels under the drawing area: as many as the history
  // has labelled columns with a time, left to right; the rest are hidden.
  const std::array<QLabel*, kTrendTimeLabelCount>& TimeLabels() const { return timeLabels_; }

  // The graph timer's tick: plots a new sample (input and output one point
  // each) or repaints, then restarts the timer at 100 ms.
  void GraphTick();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Arrange();
  // Puts the clock times of the history under their grid columns.
  void PlaceTimeLabels();

  Clock& clock_;
  TrendHistory history_;
  TrendArea* area_ = nullptr;
  std::unique_ptr<TrendChart> chart_;
  QLabel* top_ = nullptr;
  QLabel* middle_ = nullptr;
  QLabel* bottom_ = nullptr;
  QLabel* inputLegend_ = nullptr;
  QLabel* outputLegend_ = nullptr;
  std::array<QLabel*, kTrendTimeLabelCount> timeLabels_{};
  QPushButton* ok_ = nullptr;
  QTimer timer_;
};

}  // namespace klv
