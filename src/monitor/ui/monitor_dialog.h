#pragma once
// The monitor window "Monitor" (Tools > Monitor, after the communication
// settings): the live rows of the monitor catalogue with their markers,
// captions and values, the alarm/digital-output and digital-input lamps, the
// start/stop, graph and close buttons, and the data record group. The logic
// is MonitorSession's; the window drives it from a timer on its own thread
// and shows what it holds. The trend graph window belongs to it.
#include <QDialog>
#include <QThread>
#include <QTimer>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "text/texts.h"
#include "monitor/monitor_session.h"
#include "monitor/ui/lamp_pictures.h"
#include "platform/clock.h"
#include "serial/connection.h"

class QCheckBox;
class QFontMetrics;
class QFrame;
class QLayout;
class QLabel;
class QProgressBar;
class QPushButton;

namespace klv {

class TrendGraphDialog;

// The program's things the monitor works on, owned by the caller.
struct MonitorDependencies {
  Connection& connection;             // the program's line, settings and log
  std::filesystem::path dataLogPath;  // datalog.csv; empty: no data record can be made
  Clock& clock;
  Language language = Language::English;
  // Where the graph's save dialogs start, and who keeps the folder chosen.
  std::filesystem::path exportFolder{};
  std::function<void(const std::filesystem::path&)> rememberExportFolder{};
  // Tools > Record data: the window opens with the data record armed, its
  // file already chosen.
  bool armRecord = false;
  // Asks where an armed data record goes before monitoring starts (nothing:
  // cancelled, and monitoring does not start); empty: to dataLogPath as it is.
  std::function<std::optional<std::filesystem::path>(QWidget* owner)> chooseRecordFile{};
};

// Builds the monitor window for owner and runs it modally until it closes.
void RunMonitor(QWidget* owner, MonitorDependencies& dependencies);

// How the window shows a message; tests record them instead of waiting for
// an operator.
using MonitorMessageBox = std::function<void(QWidget* owner, std::string_view text)>;

struct MonitorDialogOptions {
  LampPictureMaker makePictures = MakeLampPictures;
  MonitorMessageBox showMessage;  // empty: the program's plain message box
  // The line work (identification, each tick's exchange) runs on a thread of
  // its own, so the window never waits for the line. Off: it runs on the
  // window's thread from the window's timer, which tests on a fake clock
  // step by hand.
  bool lineThread = true;
};

class MonitorWorker;

class MonitorDialog : public QDialog {
  Q_OBJECT

 public:
  MonitorDialog(MonitorDependencies& dependencies, QWidget* owner = nullptr, MonitorDialogOptions options = {});
  ~MonitorDialog() override;

  // "Monitor start" runs the first while idle and the second while running.
  void StartMonitoring();
  void StopMonitoring();
  // Without a line thread, the timer's handler: one tick of the session when
  // it is due, then the display follows and the timer is set for the next tick.
  void PollNextRegister();
  // Lamps 0-3 AL1, AL2, DO1, DO2; 4-6 DI1, DI2, DI3. State 0 off, 1 on; a
  // negative index or a state above 3 does nothing.
  void SetLamp(int index, int state);
  // Lights the marker of row index, darkens the others; 12 darkens all.
  void MarkPolledRow(int index);

  // The session itself: only without a line thread (the thread owns it otherwise).
  MonitorSession& Session() { return session_; }
  // What the window shows now, as the session last reported it.
  const MonitorView& View() const { return view_; }
  // The poll of the last tick that ran, if any.
  const std::optional<MonitorPoll>& LastPoll() const { return view_.lastPoll; }
  // The graph window; none when the lamp pictures could not be made.
  TrendGraphDialog* Graph() const { return graph_; }
  bool HasLampPictures() const { return pictures_.has_value(); }

  // The controls, for the tests and the pictures.
  QPushButton* StartButton() const { return start_; }
  QPushButton* GraphButton() const { return graphButton_; }
  QPushButton* CloseButton() const { return close_; }
  QCheckBox* RecordBox() const { return record_; }
  QProgressBar* RecordProgress() const { return progress_; }
  QLabel* StatusLine() const { return status_; }
  // Rows 8 and 9: their bit-string field, which lies outside the window.
  QLabel* ValueField(int row) const;
  QLabel* RowCaption(int row) const;
  QLabel* RowMarker(int row) const;
  QLabel* Lamp(int index) const;
  QLabel* LampLabel(int index) const;
  QWidget* LampPanel(int row) const;  // rows 8 and 9
  QTimer& PollTimer() { return timer_; }

 public slots:
  void reject() override;  // "Close", the close box

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Build();
  void BuildRows(int valueWidth, int rowHeight);
  QLayout* ValueColumn();
  QFrame* MakeLampPanel(int first, int count);
  QLayout* LampAndAnalogColumn();
  QLayout* ButtonColumn();
  QWidget* DataRecordGroup(const QFontMetrics& metrics, int rowHeight);
  void ConnectButtons();
  void Refresh();
  void Show(const MonitorView& view);
  void Started(bool started, const QString& portMessage, const MonitorView& view);
  void Stopped(const MonitorView& view);
  void CloseLine();
  void ShowRowLayout();
  void ArmTimer();
  void Message(std::string_view text);
  QString CaptionText(std::string_view key) const;

  MonitorDependencies& dependencies_;
  Language language_;
  MonitorDialogOptions options_;
  MonitorSession session_;
  std::optional<LampPictures> pictures_;
  TrendGraphDialog* graph_ = nullptr;
  QTimer timer_;
  MonitorView view_;
  // Start or stop asked of the line thread and not yet done.
  bool pending_ = false;
  QThread* lineThread_ = nullptr;
  MonitorWorker* worker_ = nullptr;
  std::unique_ptr<TrendSink> queuedTrend_;

  std::array<QLabel*, kMonitorRowCount> markers_{};
  std::array<QLabel*, kMonitorRowCount> captions_{};
  std::array<QLabel*, kMonitorRowCount> values_{};
  std::array<QLabel*, kLampCount> lamps_{};
  std::array<QLabel*, kLampCount> lampLabels_{};
  std::array<int, kLampCount> lampStates_{};
  int markedRow_ = -1;
  QWidget* alarmPanel_ = nullptr;
  QWidget* inputPanel_ = nullptr;
  QPushButton* start_ = nullptr;
  QPushButton* graphButton_ = nullptr;
  QPushButton* close_ = nullptr;
  bool recordFileChosen_ = false;  // Tools > Record data asked already
  QCheckBox* record_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QLabel* status_ = nullptr;
};

}  // namespace klv
