#pragma once
// The trend graph window "Graph display": control input and output of the
// monitored regulator as two lines on a 0-100.0 % scale over the last 555
// polling cycles. Modeless and owned by the monitor, which creates it hidden,
// shows and hides it, and hands it one sample per polling cycle; "OK", Esc
// and the close box only hide it, so the history survives until the monitor closes.
// Its timer runs the whole time, shown or not: 1000 ms at first, then a tick
// every 100 ms that plots a new sample or repaints. Under the chart, clock
// times name the moments a few of its points were plotted.
#include <QDialog>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "monitor/trend_export.h"
#include "monitor/trend_history.h"
#include "monitor/trend_time_axis.h"
#include "monitor/ui/trend_chart.h"
#include "platform/clock.h"

class QLabel;
class QPushButton;

namespace klv {

// The file dialog and the message box of "Save picture…" and "Save data…".
// The window uses the real ones; a test answers from a script.
struct TrendExportDialogs {
  // The save dialog for kind, with the initial name, starting in folder
  // (empty: the working folder); nothing when cancelled.
  std::function<std::optional<std::filesystem::path>(QWidget* owner, TrendExport kind, const std::string& initialName,
                                                     const std::filesystem::path& folder)>
      chooseFile;
  std::function<void(QWidget* owner, std::string_view text)> showMessage;
};
TrendExportDialogs SystemTrendExportDialogs();

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
  QPushButton* SavePictureButton() const { return savePicture_; }
  QPushButton* SaveDataButton() const { return saveData_; }
  void SetExportDialogs(TrendExportDialogs dialogs) { exportDialogs_ = std::move(dialogs); }
  // Where the save dialogs start, and who hears of the folder each file was
  // chosen in (the program keeps it for the next time).
  void SetExportFolder(std::filesystem::path folder, std::function<void(const std::filesystem::path&)> remember) {
    exportFolder_ = std::move(folder);
    rememberFolder_ = std::move(remember);
  }

  // The two buttons: ask for a file, save the graph as PNG (the window
  // without its buttons) or the shown history as CSV, replacing the file as
  // a whole, then say how it went.
  void SavePicture();
  void SaveData();
  // The PNG of the graph as SavePicture writes it: a caption line above the
  // graph says when, what and where; the PNG's "Description" text holds it too.
  QByteArray PictureBytes();
  // What the caption names besides the date and time: the regulator as the
  // monitor identified it and the port it is on.
  void SetSource(std::string model, std::string port) {
    model_ = std::move(model);
    port_ = std::move(port);
  }
  // "YYYY-MM-DD HH:MM:SS  MODEL  PORT" at the clock's time now.
  std::string PictureCaption() const;
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
  void Export(TrendExport kind);

  Language language_;
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
  QPushButton* savePicture_ = nullptr;
  QPushButton* saveData_ = nullptr;
  TrendExportDialogs exportDialogs_;
  std::string model_;
  std::string port_;
  std::filesystem::path exportFolder_;
  std::function<void(const std::filesystem::path&)> rememberFolder_;
  QTimer timer_;
};

}  // namespace klv
