// The graph window's "Save picture…" and "Save data…": the file dialog and
// the message come from a script, the files are read back, and a failed save
// leaves nothing behind.
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <fstream>
#include <sstream>

#include "monitor/ui/trend_graph_dialog.h"
#include "support/fake_clock.h"

using namespace klv;

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// Answers the save dialog from a list and notes what was asked and shown.
struct ScriptedExport {
  TrendExportDialogs Dialogs() {
    TrendExportDialogs dialogs;
    dialogs.chooseFile = [this](QWidget*, TrendExport kind, const std::string& name,
                                const std::filesystem::path& folder) {
      asked.push_back({kind, name});
      folders.push_back(folder);
      std::optional<std::filesystem::path> choice;
      if (!choices.empty()) {
        choice = choices.front();
        choices.pop_front();
      }
      return choice;
    };
    dialogs.showMessage = [this](QWidget*, std::string_view text) { messages.emplace_back(text); };
    return dialogs;
  }
  std::vector<std::pair<TrendExport, std::string>> asked;
  std::vector<std::filesystem::path> folders;
  std::deque<std::optional<std::filesystem::path>> choices;
  std::vector<std::string> messages;
};

}  // namespace

class TrendGraphExportTest : public QObject {
  Q_OBJECT

 private slots:
  void buttonsInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("data");
    QTest::newRow("English") << static_cast<int>(Language::English) << QStringLiteral("Save picture…")
                             << QStringLiteral("Save data…");
    QTest::newRow("Japanese") << static_cast<int>(Language::Japanese) << QStringLiteral("画像を保存…")
                              << QStringLiteral("データを保存…");
  }
  void buttonsInBothLanguages() {
    QFETCH(int, language);
    QFETCH(QString, picture);
    QFETCH(QString, data);
    testing::FakeClock clock;
    TrendGraphDialog graph(static_cast<Language>(language), clock, nullptr);
    graph.show();
    QVERIFY(QTest::qWaitForWindowExposed(&graph));
    QCOMPARE(graph.SavePictureButton()->text(), picture);
    QCOMPARE(graph.SaveDataButton()->text(), data);
    // Side by side left of "OK", clear of the legends, each wide enough for its text.
    const QRect ok = graph.OkButton()->geometry();
    const QRect save = graph.SaveDataButton()->geometry();
    const QRect shot = graph.SavePictureButton()->geometry();
    QVERIFY(save.right() < ok.left() && shot.right() < save.left());
    for (QLabel* label : graph.findChildren<QLabel*>()) {
      if (label->text().startsWith(QLatin1Char('<'))) QVERIFY(label->geometry().right() < shot.left());
    }
    QVERIFY(shot.width() >= graph.SavePictureButton()->sizeHint().width());
    QVERIFY(save.width() >= graph.SaveDataButton()->sizeHint().width());
    const QString name = language == static_cast<int>(Language::English) ? QStringLiteral("en") : QStringLiteral("ja");
    QVERIFY(graph.grab().save(QStringLiteral("/tmp/klv-graph-buttons-%1.png").arg(name)));
    // The saved picture, with a few points and its caption line, for looking at.
    graph.SetSource("KLV40 - V-FB", "COM1");
    for (int i = 0; i < 40; ++i) {
      clock.SetLocalTime({2026, 12, 9, 14, i / 20, (i * 3) % 60});
      graph.History().PostSample(200 + 10 * i, 300 + 5 * i);
      graph.GraphTick();
    }
    QFile saved(QStringLiteral("/tmp/klv-graph-picture-%1.png").arg(name));
    QVERIFY(saved.open(QIODevice::WriteOnly));
    saved.write(graph.PictureBytes());
  }

  void savesDataAndPicture() {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    testing::FakeClock clock;
    TrendGraphDialog graph(Language::English, clock, nullptr);
    ScriptedExport script;
    graph.SetExportDialogs(script.Dialogs());
    graph.SetSource("KLV40 - V-FB", "COM3");
    graph.resize(700, 400);
    graph.History().SetOutputScale(1, 100, 20);  // C-FB: output / (0115 x 10) x 1000
    const int inputs[] = {250, 500, 1200};
    const LocalTime times[] = {{2026, 12, 9, 14, 5, 58}, {2026, 12, 9, 14, 5, 59}, {2026, 12, 9, 14, 6, 0}};
    for (int i = 0; i < 3; ++i) {
      clock.SetLocalTime(times[i]);
      graph.History().PostSample(inputs[i], 50);
      graph.GraphTick();
    }
    clock.SetLocalTime({2026, 12, 9, 14, 6, 30});

    script.choices = {folder / "t.csv", folder / "t.png"};
    graph.SaveDataButton()->click();
    graph.SavePictureButton()->click();

    QCOMPARE(script.asked.size(), std::size_t{2});
    QCOMPARE(script.asked[0].first, TrendExport::Data);
    QCOMPARE(QString::fromStdString(script.asked[0].second), QStringLiteral("trend-20261209-140630.csv"));
    QCOMPARE(script.asked[1].first, TrendExport::Picture);
    QCOMPARE(QString::fromStdString(ReadText(folder / "t.csv")),
             QStringLiteral("Date, Time, Input (%), Output (%)\r\n"
                            "2026-12-09, 14:05:58, 25.0, 25.0\r\n"
                            "2026-12-09, 14:05:59, 50.0, 25.0\r\n"
                            "2026-12-09, 14:06:00, 100.0, 25.0\r\n"));
    QImage picture;
    QVERIFY(picture.load(QString::fromStdString((folder / "t.png").string()), "PNG"));
    // A caption line above the graph says when, what and where.
    QCOMPARE(picture.text(QStringLiteral("Description")), QStringLiteral("2026-12-09 14:06:30  KLV40 - V-FB  COM3"));
    const int caption = picture.height() - graph.height();
    QVERIFY(caption > 0);
    QCOMPARE(picture.width(), graph.width());
    // The picture shows the chart: its black field at the drawing area's centre, under the caption.
    const QPoint centre = graph.DrawingArea()->geometry().center() + QPoint(3, 3 + caption);
    QCOMPARE(picture.pixelColor(centre).black(), 255);
    // The caption is written: dark pixels in its line, left of the middle.
    bool written = false;
    for (int x = 0; x < picture.width() / 2 && !written; ++x) {
      for (int y = 0; y < caption && !written; ++y) written = picture.pixelColor(x, y).lightness() < 100;
    }
    QVERIFY(written);
    QVERIFY(graph.OkButton()->isVisibleTo(&graph));  // the buttons are back after the picture
    QCOMPARE(script.messages, (std::vector<std::string>{"Data saved: " + (folder / "t.csv").string(),
                                                        "Picture saved: " + (folder / "t.png").string()}));
  }

  void cancelledOrFailed() {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    testing::FakeClock clock;
    TrendGraphDialog graph(Language::Japanese, clock, nullptr);
    ScriptedExport script;
    graph.SetExportDialogs(script.Dialogs());

    script.choices = {std::nullopt};
    graph.SaveDataButton()->click();
    QVERIFY(script.messages.empty());

    const std::filesystem::path missing = folder / "gone" / "t.png";
    script.choices = {missing};
    graph.SavePictureButton()->click();
    QCOMPARE(script.messages.size(), std::size_t{1});
    QVERIFY2(script.messages[0].starts_with("画像を保存できません: " + missing.string() + "（"),
             script.messages[0].c_str());
    QVERIFY(!std::filesystem::exists(missing.parent_path()));
  }
};

QTEST_MAIN(TrendGraphExportTest)
#include "trend_graph_export_test.moc"
