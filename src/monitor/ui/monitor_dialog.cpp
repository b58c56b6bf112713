#include "monitor/ui/monitor_dialog.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPointer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <chrono>

#include "widgets/message_box.h"
#include "widgets/screen_controls.h"
#include "monitor/monitor_window_texts.h"
#include "monitor/ui/monitor_worker.h"
#include "monitor/ui/trend_graph_dialog.h"
#include "serial/line_settings.h"

namespace klv {
namespace {

// Hands the session's trend calls to the graph's history on the window's
// thread, in the order they were made.
class QueuedTrendSink final : public TrendSink {
 public:
  explicit QueuedTrendSink(TrendGraphDialog* graph) : graph_(graph) {}
  void PostSample(int32_t input, int32_t output) override {
    Queue([input, output](TrendHistory& h) { h.PostSample(input, output); });
  }
  void SetOutputScale(int32_t mode, int32_t ratedVoltage, int32_t ratedCurrent) override {
    Queue([=](TrendHistory& h) { h.SetOutputScale(mode, ratedVoltage, ratedCurrent); });
  }
  void ClearHistory() override {
    Queue([](TrendHistory& h) { h.ClearHistory(); });
  }
  void ClearNewSample() override {
    Queue([](TrendHistory& h) { h.ClearNewSample(); });
  }

 private:
  template <typename Call>
  void Queue(Call call) {
    QPointer<TrendGraphDialog> graph(graph_);
    QMetaObject::invokeMethod(
        graph_, [graph, call] { if (graph) call(graph->History()); }, Qt::QueuedConnection);
  }
  TrendGraphDialog* graph_;
};


QPushButton* Button(const QString& text, QWidget* parent) {
  auto* button = new QPushButton(text, parent);
  // Enter and Escape are not dialog keys in this window.
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

void RunMonitor(QWidget* owner, MonitorDependencies& dependencies) {
  MonitorDialog monitor(dependencies, owner);
  monitor.exec();
}

MonitorDialog::MonitorDialog(MonitorDependencies& dependencies, QWidget* owner, MonitorDialogOptions options)
    : QDialog(owner),
      dependencies_(dependencies),
      language_(dependencies.language),
      options_(std::move(options)),
      session_(dependencies.connection, dependencies.clock, dependencies.language) {
  setModal(true);
  setFont(ScreenQFont(language_));
  setWindowTitle(ToQString(session_.Display().title));
  Build();

  const WindowSize size = MonitorWindowSize(language_);
  setFixedSize(size.width, size.height);
  const QScreen* screen = owner != nullptr && owner->screen() != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->geometry();
    move(area.x() + (area.width() - size.width) / 2, area.y() + (area.height() - size.height) / 2);
  }

  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &MonitorDialog::PollNextRegister);

  // Without the pictures the monitor runs without lamps, markers and graph.
  pictures_ = options_.makePictures ? options_.makePictures() : std::nullopt;
  if (pictures_) {
    for (int lamp = 0; lamp < kLampCount; ++lamp) SetLamp(lamp, 0);
    MarkPolledRow(kNoMarkedRow);
    graph_ = new TrendGraphDialog(language_, dependencies.clock, this);
    graph_->SetExportFolder(dependencies.exportFolder, dependencies.rememberExportFolder);
    graph_->hide();
    if (options_.lineThread) {
      queuedTrend_ = std::make_unique<QueuedTrendSink>(graph_);
      session_.SetTrend(queuedTrend_.get());
    } else {
      session_.SetTrend(&graph_->History());
    }
  } else {
    graphButton_->setEnabled(false);
  }

  if (options_.lineThread) {
    lineThread_ = new QThread(this);
    worker_ = new MonitorWorker(session_);
    worker_->moveToThread(lineThread_);
    connect(lineThread_, &QThread::finished, worker_, &QObject::deleteLater);
    connect(worker_, &MonitorWorker::Started, this, &MonitorDialog::Started);
    connect(worker_, &MonitorWorker::Changed, this, &MonitorDialog::Show);
    connect(worker_, &MonitorWorker::Stopped, this, &MonitorDialog::Stopped);
    connect(worker_, &MonitorWorker::Message, this, [this](const QString& text) {
      record_->setEnabled(false);
      Message(text.toStdString());
    });
    lineThread_->start();
  }
  Refresh();
}

MonitorDialog::~MonitorDialog() {
  timer_.stop();
  CloseLine();
}

void MonitorDialog::CloseLine() {
  if (worker_ == nullptr) {
    session_.Close();
    return;
  }
  // Waits for an exchange under way (at most one read time-out); the thread
  // then ends with nothing left to do.
  QMetaObject::invokeMethod(worker_, &MonitorWorker::Close, Qt::BlockingQueuedConnection);
  lineThread_->quit();
  lineThread_->wait();
  worker_ = nullptr;
}

QString MonitorDialog::CaptionText(std::string_view key) const { return ToQString(Caption(Screen::Monitor, key, language_)); }

void MonitorDialog::Build() {
  const QFontMetrics metrics(font());
  const int valueWidth = std::max(56, metrics.horizontalAdvance(QStringLiteral("-32768")) + 14);
  const int rowHeight = metrics.height() + 6;

  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(10, 8, 10, 8);
  outer->setSpacing(6);
  auto* top = new QHBoxLayout;
  top->setSpacing(14);
  outer->addLayout(top, 1);

  BuildRows(valueWidth, rowHeight);
  top->addLayout(ValueColumn(), 5);
  top->addLayout(LampAndAnalogColumn(), 4);
  top->addLayout(ButtonColumn(), 0);
  outer->addWidget(DataRecordGroup(metrics, rowHeight), 0);
  ConnectButtons();
}

// Each row's marker, caption and value field, placed by the columns below.
void MonitorDialog::BuildRows(int valueWidth, int rowHeight) {
  for (int row = 0; row < kMonitorRowCount; ++row) {
    auto* marker = new QLabel(this);
    marker->setFixedSize(kLampPictureSize, kLampPictureSize);
    markers_[static_cast<std::size_t>(row)] = marker;
    captions_[static_cast<std::size_t>(row)] = new QLabel(ToQString(MonitorRowCaption(view_.display, row, language_)), this);
    auto* value = new QLabel(ToQString(kNoReadingText), this);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    value->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    value->setAutoFillBackground(true);
    QPalette palette = value->palette();
    palette.setColor(QPalette::Window, Qt::white);
    value->setPalette(palette);
    value->setFixedSize(valueWidth, rowHeight);
    value->setContentsMargins(2, 0, 4, 0);
    values_[static_cast<std::size_t>(row)] = value;
  }
  // The bit strings of rows 8 and 9 lie below the window's area: the
  // operator reads those rows from their lamps.
  for (const int row : {kAlarmOutputRow, kDigitalInputRow}) {
    values_[static_cast<std::size_t>(row)]->setObjectName(QStringLiteral("bitString%1").arg(row));
    values_[static_cast<std::size_t>(row)]->hide();
  }
}

// Left column: rows 0-7.
QLayout* MonitorDialog::ValueColumn() {
  auto* left = new QGridLayout;
  left->setHorizontalSpacing(6);
  left->setVerticalSpacing(2);
  for (int row = 0; row < 8; ++row) {
    left->addWidget(markers_[static_cast<std::size_t>(row)], row, 0);
    left->addWidget(captions_[static_cast<std::size_t>(row)], row, 1);
    left->addWidget(values_[static_cast<std::size_t>(row)], row, 2);
  }
  left->setColumnStretch(1, 1);
  return left;
}

// A sunken panel of the lamps first .. first + count - 1, each with its name.
QFrame* MonitorDialog::MakeLampPanel(int first, int count) {
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* layout = new QHBoxLayout(panel);
  layout->setContentsMargins(6, 3, 6, 3);
  layout->setSpacing(4);
  for (int lamp = first; lamp < first + count; ++lamp) {
    auto* picture = new QLabel(panel);
    picture->setFixedSize(kLampPictureSize, kLampPictureSize);
    auto* label = new QLabel(ToQString(MonitorLampName(lamp)), panel);
    lamps_[static_cast<std::size_t>(lamp)] = picture;
    lampLabels_[static_cast<std::size_t>(lamp)] = label;
    layout->addWidget(picture);
    layout->addWidget(label);
    layout->addSpacing(6);
  }
  layout->addStretch(1);
  return panel;
}

// Middle column: the lamp rows and the analog rows.
QLayout* MonitorDialog::LampAndAnalogColumn() {
  alarmPanel_ = MakeLampPanel(0, 4);
  inputPanel_ = MakeLampPanel(4, 3);

  auto* middle = new QGridLayout;
  middle->setHorizontalSpacing(6);
  middle->setVerticalSpacing(2);
  middle->addWidget(markers_[8], 0, 0);
  middle->addWidget(captions_[8], 0, 1, 1, 2);
  middle->addWidget(alarmPanel_, 1, 1, 1, 2);
  middle->addWidget(markers_[9], 2, 0);
  middle->addWidget(captions_[9], 2, 1, 1, 2);
  middle->addWidget(inputPanel_, 3, 1, 1, 2);
  for (int row = 10; row < 12; ++row) {
    middle->addWidget(markers_[static_cast<std::size_t>(row)], row - 6, 0);
    middle->addWidget(captions_[static_cast<std::size_t>(row)], row - 6, 1);
    middle->addWidget(values_[static_cast<std::size_t>(row)], row - 6, 2);
  }
  middle->setColumnStretch(1, 1);
  middle->setRowStretch(6, 1);
  return middle;
}

// Right column: the buttons.
QLayout* MonitorDialog::ButtonColumn() {
  auto* buttons = new QVBoxLayout;
  buttons->setSpacing(6);
  start_ = Button(CaptionText("Monitor start"), this);
  graphButton_ = Button(CaptionText("Graph display"), this);
  close_ = Button(CaptionText("Close"), this);
  for (QPushButton* button : {start_, graphButton_, close_}) {
    button->setMinimumWidth(std::max(96, button->sizeHint().width()));
    buttons->addWidget(button);
  }
  buttons->addStretch(1);
  return buttons;
}

// The data record group: its check box, progress bar and status line.
QWidget* MonitorDialog::DataRecordGroup(const QFontMetrics& metrics, int rowHeight) {
  auto* group = new QGroupBox(this);
  auto* recordLayout = new QGridLayout(group);
  recordLayout->setContentsMargins(8, 4, 8, 6);
  recordLayout->setVerticalSpacing(4);
  record_ = new QCheckBox(CaptionText("Data record [control input/control output]"), group);
  record_->setChecked(dependencies_.armRecord);
  recordFileChosen_ = dependencies_.armRecord;
  progress_ = new QProgressBar(group);
  progress_->setRange(0, kRecordProgressRange);
  progress_->setValue(0);
  progress_->setTextVisible(false);
  progress_->setFixedHeight(rowHeight - 2);
  status_ = new QLabel(group);
  status_->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("10sec-sample 24hour-log ")) + 8);
  recordLayout->addWidget(record_, 0, 0, 1, 2);
  recordLayout->addWidget(progress_, 1, 0);
  recordLayout->addWidget(status_, 1, 1);
  recordLayout->setColumnStretch(0, 1);
  return group;
}

void MonitorDialog::ConnectButtons() {
  connect(start_, &QPushButton::clicked, this, [this] {
    if (view_.running) {
      StopMonitoring();
    } else {
      StartMonitoring();
    }
  });
  connect(graphButton_, &QPushButton::clicked, this, [this] {
    if (graph_ == nullptr) return;
    graph_->setVisible(!graph_->isVisible());
    graph_->update();
  });
  connect(close_, &QPushButton::clicked, this, &MonitorDialog::reject);
}

void MonitorDialog::StartMonitoring() {
  if (view_.running || pending_) return;
  // An armed record goes to a file the operator names, so an earlier record
  // is replaced only when the operator says so.
  if (record_->isChecked() && !recordFileChosen_ && dependencies_.chooseRecordFile) {
    const std::optional<std::filesystem::path> file = dependencies_.chooseRecordFile(this);
    if (!file) return;
    dependencies_.dataLogPath = *file;
  }
  recordFileChosen_ = false;  // the next record is asked for again
  if (worker_ != nullptr) {
    pending_ = true;
    start_->setEnabled(false);
    const bool armed = record_->isChecked();
    const QString path = QString::fromStdString(dependencies_.dataLogPath.string());
    QMetaObject::invokeMethod(worker_, [worker = worker_, armed, path] { worker->Start(armed, path); },
                              Qt::QueuedConnection);
    return;
  }
  const MonitorSession::StartOutcome outcome =
      session_.Start(record_->isChecked(), dependencies_.dataLogPath, [this](std::string_view text) {
        record_->setEnabled(false);
        Message(text);
      });
  const MonitorView view = ViewOf(session_, view_.lastPoll);
  Started(outcome.started, QString::fromStdString(outcome.portMessage), view);
  if (outcome.started) ArmTimer();
}

void MonitorDialog::Started(bool started, const QString& portMessage, const MonitorView& view) {
  pending_ = false;
  start_->setEnabled(true);
  if (!started) {
    Message(portMessage.toStdString());
    return;
  }
  start_->setText(ToQString(Text(TextId::EndMonitor, language_)));
  record_->setEnabled(false);
  Show(view);
}

void MonitorDialog::StopMonitoring() {
  timer_.stop();
  if (worker_ != nullptr) {
    if (pending_) return;
    pending_ = true;
    start_->setEnabled(false);
    QMetaObject::invokeMethod(worker_, &MonitorWorker::Stop, Qt::QueuedConnection);
    return;
  }
  session_.Stop();
  Stopped(ViewOf(session_, view_.lastPoll));
}

void MonitorDialog::Stopped(const MonitorView& view) {
  pending_ = false;
  start_->setEnabled(true);
  record_->setChecked(false);
  record_->setEnabled(true);
  start_->setText(ToQString(Text(TextId::StartMonitor, language_)));
  Show(view);
}

void MonitorDialog::PollNextRegister() {
  if (worker_ != nullptr || !session_.Running()) return;
  if (std::optional<MonitorPoll> poll = session_.Tick()) view_.lastPoll = std::move(poll);
  Refresh();
  if (session_.Running()) ArmTimer();
}

void MonitorDialog::ArmTimer() {
  // Rounded up, so the timer never fires before the tick is due.
  const auto wait = std::chrono::ceil<std::chrono::milliseconds>(session_.UntilNextTick());
  timer_.start(static_cast<int>(std::max<std::chrono::milliseconds::rep>(wait.count(), 0)));
}

void MonitorDialog::SetLamp(int index, int state) {
  if (index < 0 || index >= kLampCount || state < 0 || state > 3) return;
  lampStates_[static_cast<std::size_t>(index)] = state;
  if (!pictures_ || state > kLampUnknown) return;
  const auto& list = index < 4 ? pictures_->red : pictures_->green;
  QLabel* lamp = lamps_[static_cast<std::size_t>(index)];
  const QPixmap& picture = state == kLampUnknown ? pictures_->unknown : list[static_cast<std::size_t>(state)];
  if (lamp->pixmap().cacheKey() != picture.cacheKey()) lamp->setPixmap(picture);
}

void MonitorDialog::MarkPolledRow(int index) {
  if (index < 0) return;
  markedRow_ = index;
  if (!pictures_) return;
  for (int row = 0; row < kMonitorRowCount; ++row) {
    const QPixmap& picture = pictures_->markers[row == index ? 1 : 0];
    QLabel* marker = markers_[static_cast<std::size_t>(row)];
    if (marker->pixmap().cacheKey() != picture.cacheKey()) marker->setPixmap(picture);
  }
}

void MonitorDialog::Refresh() {
  if (worker_ == nullptr) view_ = ViewOf(session_, view_.lastPoll);
  Show(view_);
}

void MonitorDialog::Show(const MonitorView& view) {
  if (&view != &view_) view_ = view;
  const MonitorDisplay& display = view_.display;
  const QString title = ToQString(display.title);
  if (windowTitle() != title) {
    setWindowTitle(title);
    // The saved graph names the regulator as the title does: "KLV40 - V-FB".
    const std::string unit = MonitoredUnitName(display);
    if (graph_ != nullptr && !unit.empty()) {
      const Connection& line = dependencies_.connection;
      graph_->SetSource(unit, line.portLabel.empty() ? PortName(line.settings.PortInUse()) : line.portLabel);
    }
  }
  captions_[kOutputRow]->setText(ToQString(MonitorRowCaption(display, kOutputRow, language_)));
  captions_[kAlarmOutputRow]->setText(ToQString(MonitorRowCaption(display, kAlarmOutputRow, language_)));
  for (int row = 0; row < kMonitorRowCount; ++row) {
    values_[static_cast<std::size_t>(row)]->setText(ToQString(display.rowTexts[static_cast<std::size_t>(row)]));
  }
  for (int lamp = 0; lamp < kLampCount; ++lamp) SetLamp(lamp, display.lamps[static_cast<std::size_t>(lamp)]);
  if (display.markedRow != markedRow_) MarkPolledRow(display.markedRow);
  ShowRowLayout();
  status_->setText(ToQString(MonitorStatusText(view_, language_)));
  progress_->setValue(view_.recordProgress);
}

void MonitorDialog::ShowRowLayout() {
  const MonitorDisplay& display = view_.display;
  for (int row = 0; row < kMonitorRowCount; ++row) {
    const bool shown = display.RowShown(row);
    markers_[static_cast<std::size_t>(row)]->setHidden(!shown);
    captions_[static_cast<std::size_t>(row)]->setHidden(!shown);
    if (row != kAlarmOutputRow && row != kDigitalInputRow) values_[static_cast<std::size_t>(row)]->setHidden(!shown);
  }
  inputPanel_->setHidden(!display.RowShown(kDigitalInputRow));
  for (int lamp = 0; lamp < kLampCount; ++lamp) {
    const bool shown = display.LampShown(lamp);
    lamps_[static_cast<std::size_t>(lamp)]->setHidden(!shown);
    lampLabels_[static_cast<std::size_t>(lamp)]->setHidden(!shown);
  }
}

void MonitorDialog::Message(std::string_view text) {
  if (options_.showMessage) {
    options_.showMessage(this, text);
  } else {
    ShowMessage(this, text);
  }
}

void MonitorDialog::reject() {
  timer_.stop();
  CloseLine();
  if (graph_ != nullptr) graph_->hide();
  QDialog::reject();
}

void MonitorDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

QLabel* MonitorDialog::ValueField(int row) const {
  return row >= 0 && row < kMonitorRowCount ? values_[static_cast<std::size_t>(row)] : nullptr;
}
QLabel* MonitorDialog::RowCaption(int row) const {
  return row >= 0 && row < kMonitorRowCount ? captions_[static_cast<std::size_t>(row)] : nullptr;
}
QLabel* MonitorDialog::RowMarker(int row) const {
  return row >= 0 && row < kMonitorRowCount ? markers_[static_cast<std::size_t>(row)] : nullptr;
}
QLabel* MonitorDialog::Lamp(int index) const {
  return index >= 0 && index < kLampCount ? lamps_[static_cast<std::size_t>(index)] : nullptr;
}
QLabel* MonitorDialog::LampLabel(int index) const {
  return index >= 0 && index < kLampCount ? lampLabels_[static_cast<std::size_t>(index)] : nullptr;
}
QWidget* MonitorDialog::LampPanel(int row) const {
  if (row == kAlarmOutputRow) return alarmPanel_;
  if (row == kDigitalInputRow) return inputPanel_;
  return nullptr;
}

}  // namespace klv
