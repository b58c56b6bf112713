#include "monitor/ui/trend_graph_dialog.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <algorithm>

#include "widgets/message_box.h"
#include "widgets/screen_controls.h"

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

TrendGraphDialog::TrendGraphDialog(Language language, Clock& clock, QWidget* owner) : QDialog(owner), clock_(clock) {
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
  // Enter and Escape are not dialog keys here.
  ok_->setAutoDefault(false);
  ok_->setDefault(false);
  connect(ok_, &QPushButton::clicked, this, &QDialog::accept);

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
  PlaceTimeLabels();
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
