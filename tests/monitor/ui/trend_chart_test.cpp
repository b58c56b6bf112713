// The trend chart's pixels on an off-screen picture, and the graph window:
// its timer, its samples, and showing and hiding without losing the history.
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <array>
#include <cstdlib>
#include <span>

#include "monitor/trend_history.h"
#include "monitor/ui/trend_chart.h"
#include "monitor/ui/trend_graph_dialog.h"
#include "support/fake_clock.h"

using namespace klv;

namespace {

const QColor kBlack(0, 0, 0);
const QColor kGrey(150, 150, 150);
const QColor kCyan(0, 100, 100);
const QColor kRed(255, 0, 0);
const QColor kGreen(0, 255, 0);

TrendChartColours GraphColours() {
  TrendChartColours colours;
  colours.background = kBlack;
  colours.series[0] = kRed;
  colours.series[1] = kGreen;
  return colours;
}

// A 556 x 201 picture of the two histories.
QImage Paint(const TrendSeries& input, const TrendSeries& output) {
  QImage image(556, 201, QImage::Format_RGB32);
  TrendChartLayout layout;
  const std::array<std::span<const int32_t>, 2> series = {input, output};
  LayOutTrendChart(image.width(), image.height(), kTrendRange, series, layout);
  PaintTrendChart(image, GraphColours(), layout);
  return image;
}

QColor At(const QImage& image, int x, int y) { return image.pixelColor(x, y); }

LocalTime ClockAt(int secondsOfDay) {
  return LocalTime{2026, 12, 9, secondsOfDay / 3600, secondsOfDay / 60 % 60, secondsOfDay % 60};
}

QStringList VisibleTimes(const TrendGraphDialog& graph) {
  QStringList texts;
  for (const QLabel* label : graph.TimeLabels()) {
    if (label->isVisible()) texts << label->text();
  }
  return texts;
}

TrendSeries NoData() {
  TrendSeries series;
  series.fill(kTrendNoData);
  return series;
}

}  // namespace

class TrendChartTest : public QObject {
  Q_OBJECT

 private slots:
  void emptyChartHasFieldBorderGridAndMiddleLine() {
    const QImage image = Paint(NoData(), NoData());
    QCOMPARE(At(image, 0, 0), kGrey);
    QCOMPARE(At(image, 555, 200), kGrey);
    QCOMPARE(At(image, 300, 50), kBlack);
    QCOMPARE(At(image, 56, 50), kCyan);   // x = trunc(55.6 + 0.5)
    QCOMPARE(At(image, 300, 20), kCyan);  // y = trunc(20.1 + 0.5)
    QCOMPARE(At(image, 300, 101), kGrey);  // the 50 % line, m = trunc(100.5 + 0.5)
    // No series pixel anywhere.
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) {
        const QColor c = At(image, x, y);
        QVERIFY2(c != kRed && c != kGreen, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
      }
    }
  }

  void aSampleOf500LiesOnThe50PercentLineAndAnOverlappingOutputBelowIt() {
    TrendSeries input = NoData();
    TrendSeries output = NoData();
    for (int i = 0; i < 3; ++i) {
      PushPoint(input, 500);
      PushPoint(output, 500);
    }
    const QImage image = Paint(input, output);
    QCOMPARE(At(image, 553, 101), kRed);
    QCOMPARE(At(image, 554, 101), kRed);
    QCOMPARE(At(image, 553, 102), kGreen);  // one pixel below the input
    QCOMPARE(At(image, 554, 102), kGreen);
    // Left of the data (the no-data points) nothing but the middle line.
    QCOMPARE(At(image, 500, 101), kGrey);
    QCOMPARE(At(image, 300, 102), kBlack);
  }

  void anOutputOnTheBottomLineIsDrawnAboveIt() {
    TrendSeries input = NoData();
    TrendSeries output = NoData();
    for (int i = 0; i < 3; ++i) {
      PushPoint(input, 0);
      PushPoint(output, 0);
    }
    const QImage image = Paint(input, output);
    QCOMPARE(At(image, 553, 200), kRed);    // height 0 is drawn at 1: the bottom row
    QCOMPARE(At(image, 553, 199), kGreen);  // one pixel above
  }

  void theChartShowsThePicturePaintedOffScreen() {
    QWidget window;
    window.resize(400, 300);
    auto* area = new TrendArea(&window);
    area->setGeometry(10, 10, 300, 200);
    TrendSeries input = NoData();
    TrendSeries output = NoData();
    TrendChart chart(area);
    chart.Colours() = GraphColours();
    chart.SetData(kTrendRange, kTrendPointCount, {input, output});
    chart.PushPoint(0, 700);  // hidden: the point is kept, nothing is painted
    QCOMPARE(chart.Redraws(), 0);
    QCOMPARE(input.back(), 700);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    chart.PushPoint(0, 700);
    QVERIFY(chart.Redraws() > 0);
    QCOMPARE(chart.Picture().size(), QSize(300, 200));
    const QImage shown = area->grab().toImage();
    QCOMPARE(shown.pixelColor(150, 50), chart.Picture().pixelColor(150, 50));
    // 700 of 1000 on 200 pixels: height 140, row 60.
    QCOMPARE(chart.Picture().pixelColor(299, 60), kRed);
  }

  void graphTimerStartsAt1000MsThenTicksEvery100Ms() {
    testing::FakeClock clock;
    TrendGraphDialog graph(Language::English, clock, nullptr);
    QVERIFY(graph.GraphTimer().isActive());
    QCOMPARE(graph.GraphTimer().interval(), TrendGraphDialog::kFirstTimerMs);
    graph.GraphTick();
    QCOMPARE(graph.GraphTimer().interval(), TrendGraphDialog::kTimerMs);
    QVERIFY(graph.GraphTimer().isActive());
  }

  void samplesArePlottedWhetherShownOrNot() {
    testing::FakeClock clock;
    TrendGraphDialog graph(Language::English, clock, nullptr);
    TrendHistory& history = graph.History();
    history.SetOutputScale(0, 100, 20);
    history.PostSample(-32768, 50);
    graph.GraphTick();  // hidden
    QCOMPARE(history.Input().back(), 0);
    QCOMPARE(history.Output().back(), 500);
    QCOMPARE(history.Input()[554], kTrendNoData);
    graph.GraphTick();  // no new sample: nothing pushed
    QCOMPARE(history.Input()[554], kTrendNoData);

    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    const int before = graph.Chart().Redraws();
    graph.GraphTick();
    QVERIFY(graph.Chart().Redraws() > before);

    // Return does nothing; Escape and "OK" hide the window; the history stays.
    QTest::keyClick(&graph, Qt::Key_Return);
    QVERIFY(graph.isVisible());
    QTest::keyClick(&graph, Qt::Key_Escape);
    QVERIFY(!graph.isVisible());
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    graph.OkButton()->click();
    QVERIFY(!graph.isVisible());
    graph.show();
    QCOMPARE(history.Output().back(), 500);
  }

  // Clock times under every second grid column, the same digits in both
  // languages; they grow from the right edge as the lines do.
  void clockTimesUnderTheGridColumns_data() {
    QTest::addColumn<bool>("japanese");
    QTest::newRow("English") << false;
    QTest::newRow("Japanese") << true;
  }
  void clockTimesUnderTheGridColumns() {
    QFETCH(bool, japanese);
    testing::FakeClock clock;
    TrendGraphDialog graph(japanese ? Language::Japanese : Language::English, clock, nullptr);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    // A drawing area 555 pixels wide puts point k at column k.
    graph.resize(graph.width() + 555 - graph.DrawingArea()->width(), graph.height());
    QCOMPARE(graph.DrawingArea()->width(), 555);
    graph.GraphTick();
    QCOMPARE(VisibleTimes(graph), QStringList{});

    // One sample at 14:05:59: one time, at the right edge, inside the window.
    clock.SetLocalTime(ClockAt(50759));
    graph.History().PostSample(500, 500);
    graph.GraphTick();
    QCOMPARE(VisibleTimes(graph), QStringList{"14:05"});
    QCOMPARE(graph.TimeLabels()[0]->geometry().right(), graph.DrawingArea()->geometry().right());

    // A full chart, point k plotted at 09:58:30 + 2k s: columns 0, 111, ... 555
    // show points 0, 111, ... 555.
    graph.History().ClearHistory();
    for (int k = 0; k < kTrendPointCount; ++k) {
      clock.SetLocalTime(ClockAt(35910 + 2 * k));
      graph.History().PostSample(200 + k % 300, 450);
      graph.GraphTick();
    }
    QCOMPARE(VisibleTimes(graph), (QStringList{"09:58", "10:02", "10:05", "10:09", "10:13", "10:17"}));
    const QRect area = graph.DrawingArea()->geometry();
    const int columns[] = {0, 111, 222, 333, 444, 555};
    for (int i = 0; i < 6; ++i) {
      const QRect label = graph.TimeLabels()[static_cast<std::size_t>(i)]->geometry();
      QVERIFY(label.top() > area.bottom());
      QVERIFY(label.bottom() < graph.OkButton()->geometry().top());
      // Centred under its column; the edges' times end at the edges.
      if (i == 0) {
        QCOMPARE(label.left(), area.left());
      } else if (i == 5) {
        QCOMPARE(label.right(), area.right());
      } else {
        const int off = label.center().x() - (area.x() + columns[i]);
        QVERIFY2(std::abs(off) <= 1, qPrintable(QStringLiteral("label %1 off by %2").arg(i).arg(off)));
      }
    }

    const QByteArray shots = qgetenv("KLV_SHOTS_DIR");
    if (!shots.isEmpty()) {
      QDir().mkpath(QString::fromLocal8Bit(shots));
      QVERIFY(graph.grab().save(QString::fromLocal8Bit(shots) +
                                QStringLiteral("/graph-times-%1.png").arg(japanese ? "ja" : "en")));
    }

    graph.History().ClearHistory();
    graph.GraphTick();
    QCOMPARE(VisibleTimes(graph), QStringList{});
  }

  void legendColoursAndCaptions() {
    testing::FakeClock clock;
    TrendGraphDialog graph(Language::Japanese, clock, nullptr);
    QCOMPARE(graph.windowTitle(), QStringLiteral("グラフ表示"));
    bool input = false;
    bool output = false;
    for (QLabel* label : graph.findChildren<QLabel*>()) {
      if (label->text() == QStringLiteral("<制御入力>")) {
        input = label->palette().color(QPalette::WindowText) == QColor(255, 0, 0);
      }
      if (label->text() == QStringLiteral("<制御出力>")) {
        output = label->palette().color(QPalette::WindowText) == QColor(17, 221, 17);
      }
    }
    QVERIFY(input);
    QVERIFY(output);
  }
};

QTEST_MAIN(TrendChartTest)
#include "trend_chart_test.moc"
