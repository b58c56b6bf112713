#include "monitor/ui/trend_graph_dialog.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <algorithm>

#include "widgets/message_box.h"
#include "widgets/screen_controls.h"
#include "platform/file_store.h"


namespace klv {
namespace {

constexpr int kMargin = 12;
constexpr int kInitialWidth = 640;
constexpr int kInitialHeight = 380;

QLabel* ColouredLabel(const QString& text, const QColor& colour, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  QPalette palette = label->palette();
  palette.setColor(QPalette::WindowText, colour);
  label->setPalette(palette);
  return label;
}

}  // namespace

TrendExportDialogs SystemTrendExportDialogs() {
  TrendExportDialogs dialogs;
  dialogs.chooseFile = [](QWidget* owner, TrendExport kind, const std::string& initialName,
                          const std::filesystem::path& folder) -> std::optional<std::filesystem::path> {
    const bool picture = kind == TrendExport::Picture;
    QFileDialog dialog(owner);
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) {
      dialog.setDirectory(QString::fromStdString(folder.string()));
    }
    dialog.setNameFilter(picture ? QStringLiteral("PNG (*.png)") : QStringLiteral("CSV (*.csv)"));
    dialog.setDefaultSuffix(picture ? QStringLiteral("png") : QStringLiteral("csv"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.selectFile(ToQString(initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return std::filesystem::path(dialog.selectedFiles().constFirst().toStdString());
  };
  dialogs.showMessage = [](QWidget* owner, std::string_view text) { ShowMessage(owner, text); };
  return dialogs;
}

TrendGraphDialog::TrendGraphDialog(Language language, Clock& clock, QWidget* owner)
    : QDialog(owner), language_(language), clock_(clock) {
  setModal(false);
  setFont(ScreenQFont(language));
  const auto caption = [language](std::string_view key) {
    return ToQString(Caption(Screen::TrendGraph, key, language));
  };
  setWindowTitle(caption("Graph display"));

  area_ = new TrendArea(this);
  area_->setObjectName(QStringLiteral("drawingArea"));
  top_ = ColouredLabel(caption("100.0%"), Qt::black, this);
  middle_ = ColouredLabel(caption("50.0%"), Qt::black, this);
  bottom_ = ColouredLabel(caption("0.0%"), Qt::black, this);
  for (QLabel* label : {top_, middle_, bottom_}) label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  for (QLabel*& label : timeLabels_) {
    label = ColouredLabel(QString(), Qt::black, this);
    label->setAlignment(Qt::AlignCenter);
    label->hide();
  }
  inputLegend_ = ColouredLabel(caption("<Control input>"), QColor(255, 0, 0), this);
  outputLegend_ = ColouredLabel(caption("<Control output>"), QColor(17, 221, 17), this);
  ok_ = new QPushButton(caption("OK"), this);
  // Enter is no dialog key here; Escape hides the window like "OK".
  ok_->setAutoDefault(false);
  ok_->setDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
  savePicture_ = new QPushButton(caption("Save picture…"), this);
  saveData_ = new QPushButton(caption("Save data…"), this);
  for (QPushButton* button : {savePicture_, saveData_}) {
    button->setAutoDefault(false);
    button->setDefault(false);
  }
  connect(savePicture_, &QPushButton::clicked, this, &TrendGraphDialog::SavePicture);
  connect(saveData_, &QPushButton::clicked, this, &TrendGraphDialog::SaveData);
  exportDialogs_ = SystemTrendExportDialogs();

  chart_ = std::make_unique<TrendChart>(area_);
  TrendChartColours& colours = chart_->Colours();
  colours.background = QColor(0, 0, 0);
  colours.frame = QColor(150, 150, 150);
  colours.grid = QColor(0, 100, 100);
  colours.series[0] = QColor(255, 0, 0);
  colours.series[1] = QColor(0, 255, 0);
  history_.ClearHistory();
  chart_->SetData(kTrendRange, kTrendPointCount, {history_.Input(), history_.Output()});
  connect(area_, &TrendArea::NeedsPicture, this, [this] { chart_->Redraw(); });

  resize(kInitialWidth, kInitialHeight);
  Arrange();

  timer_.setSingleShot(true);
  timer_.setTimerType(Qt::PreciseTimer);
  connect(&timer_, &QTimer::timeout, this, &TrendGraphDialog::GraphTick);
  timer_.start(kFirstTimerMs);
}

TrendGraphDialog::~TrendGraphDialog() { timer_.stop(); }

void TrendGraphDialog::GraphTick() {
  timer_.stop();
  if (const std::optional<TrendHistory::Points> points = history_.TakeSample(clock_.LocalNow())) {
    chart_->PushPoint(0, points->input);
    chart_->PushPoint(1, points->output);
  } else {
    chart_->Redraw();
  }
  // Also after a repaint alone: the monitor may have cleared the history.
  PlaceTimeLabels();
  timer_.start(kTimerMs);
}

void TrendGraphDialog::keyPressEvent(QKeyEvent* event) {
  switch (event->key()) {
    case Qt::Key_Escape:
      // Hidden like "OK": the history stays with the monitor.
      event->accept();
      reject();
      return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      event->accept();
      return;
    default:
      QDialog::keyPressEvent(event);
  }
}

void TrendGraphDialog::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  Arrange();
}

// The drawing area fills the window but for the scale labels on its left, a
// row of clock times under it, and a band below for the legends and "OK".
void TrendGraphDialog::Arrange() {
  const int labelWidth = std::max({top_->sizeHint().width(), middle_->sizeHint().width(),
                                   bottom_->sizeHint().width()});
  const int labelHeight = top_->sizeHint().height();
  const QSize okSize = ok_->sizeHint().expandedTo(QSize(80, 0));
  const int band = std::max(okSize.height(), labelHeight) + 2 * kMargin;
  const int areaX = kMargin + labelWidth + 6;
  const int areaY = kMargin;
  const int areaW = std::max(10, width() - areaX - kMargin);
  const int areaH = std::max(10, height() - areaY - labelHeight - band);
  area_->setGeometry(areaX, areaY, areaW, areaH);

  const auto place = [&](QLabel* label, int centreY) {
    label->setGeometry(kMargin, centreY - labelHeight / 2, labelWidth, labelHeight);
  };
  place(top_, areaY);
  place(middle_, areaY + static_cast<int>(areaH * 0.5 + 0.5));
  place(bottom_, areaY + areaH - 1);

  const int bandY = areaY + areaH + labelHeight + kMargin;
  const int bandCentre = bandY + okSize.height() / 2;
  inputLegend_->setGeometry(areaX, bandCentre - labelHeight / 2, inputLegend_->sizeHint().width(), labelHeight);
  outputLegend_->setGeometry(inputLegend_->geometry().right() + 1 + 3 * kMargin, bandCentre - labelHeight / 2,
                             outputLegend_->sizeHint().width(), labelHeight);
  ok_->setGeometry(width() - kMargin - okSize.width(), bandY, okSize.width(), okSize.height());
  // The save buttons left of "OK".
  int right = ok_->geometry().left() - kMargin;
  for (QPushButton* button : {saveData_, savePicture_}) {
    const QSize size = button->sizeHint().expandedTo(QSize(0, okSize.height()));
    button->setGeometry(right - size.width(), bandY, size.width(), okSize.height());
    right -= size.width() + kMargin / 2;
  }
  PlaceTimeLabels();
}

void TrendGraphDialog::SavePicture() { Export(TrendExport::Picture); }

void TrendGraphDialog::SaveData() { Export(TrendExport::Data); }

std::string TrendGraphDialog::PictureCaption() const { return TrendPictureCaption(clock_.LocalNow(), model_, port_); }

QByteArray TrendGraphDialog::PictureBytes() {
  // The graph with its scale, times and legends, without the buttons.
  const std::array<QPushButton*, 3> buttons = {ok_, savePicture_, saveData_};
  std::array<bool, 3> shown{};
  for (std::size_t i = 0; i < buttons.size(); ++i) {
    shown[i] = buttons[i]->isVisibleTo(this);
    buttons[i]->hide();
  }
  const QPixmap graph = grab();
  for (std::size_t i = 0; i < buttons.size(); ++i) buttons[i]->setVisible(shown[i]);

  // The caption line on top, so a picture filed away still says what it shows.
  const QString caption = ToQString(PictureCaption());
  const QFontMetrics metrics(font());
  const int line = metrics.height() + kMargin / 2;
  const qreal ratio = graph.devicePixelRatio();
  QImage picture(QSize(graph.width(), graph.height() + static_cast<int>(line * ratio)), QImage::Format_RGB32);
  picture.setDevicePixelRatio(ratio);
  picture.fill(palette().color(QPalette::Window));
  {
    QPainter painter(&picture);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(QRect(kMargin, 0, width() - 2 * kMargin, line), Qt::AlignLeft | Qt::AlignVCenter, caption);
    painter.drawPixmap(QPointF(0, line), graph);
  }
  picture.setText(QStringLiteral("Description"), caption);
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  picture.save(&buffer, "PNG");
  return bytes;
}

void TrendGraphDialog::Export(TrendExport kind) {
  if (!exportDialogs_.chooseFile || !exportDialogs_.showMessage) return;
  const std::optional<std::filesystem::path> path =
      exportDialogs_.chooseFile(this, kind, TrendExportFileName(kind, clock_.LocalNow()), exportFolder_);
  if (!path) return;
  exportFolder_ = path->parent_path();
  if (rememberFolder_) rememberFolder_(exportFolder_);
  std::string bytes;
  if (kind == TrendExport::Picture) {
    const QByteArray png = PictureBytes();
    bytes.assign(png.constData(), static_cast<std::size_t>(png.size()));
  } else {
    bytes = TrendHistoryCsv(history_);
  }
  const SaveOutcome saved = SaveFileAtomically(*path, bytes);
  exportDialogs_.showMessage(this, TrendExportMessage(kind, language_, path->string(), saved.ok, saved.error));
}

// Each time centred under its column; the times of the edges are moved in
// to end there, clear of the scale labels and the window's edge.
void TrendGraphDialog::PlaceTimeLabels() {
  const std::vector<TrendTimeLabel> labels = TrendTimeLabels(area_->width(), history_.Times());
  const QRect area = area_->geometry();
  for (std::size_t i = 0; i < timeLabels_.size(); ++i) {
    QLabel* label = timeLabels_[i];
    if (i >= labels.size()) {
      label->hide();
      continue;
    }
    label->setText(ToQString(labels[i].text));
    const QSize size = label->sizeHint();
    const int left = std::clamp(area.x() + labels[i].x - size.width() / 2, area.x(),
                                std::max(area.x(), area.x() + area.width() - size.width()));
    label->setGeometry(left, area.bottom() + 1, size.width(), size.height());
    label->show();
  }
}

}  // namespace klv
