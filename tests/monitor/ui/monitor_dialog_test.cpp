// The monitor window: its opening state and size, the KLV40 and one-series
// layouts, lamps and markers, the buttons and keys, the data record group,
// the graph window, a monitor without lamp pictures, and live polling from
// its own timer against klv-sim on a pseudo-terminal. Most cases run the
// in-process simulated regulator on a fake clock and call the timer's
// handler themselves.
#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QElapsedTimer>
#include <QtTest>
#include <sys/resource.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <sstream>

#include "sim/sim_server.h"
#include "monitor/simulated_line.h"
#include "monitor/ui/monitor_dialog.h"
#include "support/fake_clock.h"
#include "monitor/ui/trend_graph_dialog.h"
#include "serial/device_path_port.h"

using namespace klv;
using klv::testing::LineRecord;
using klv::testing::MonitorTempFolder;
using klv::testing::SimulatedLinePort;
using klv::testing::WallFakeClock;

namespace {

// One simulated regulator at a time behind the program's line.
class Rig {
 public:
  explicit Rig(const sim::SimConfig& config = {}, Language language = Language::English)
      : connection_([this]() -> PortHandle {
          if (refuseOpen) return std::make_unique<RefusingPort>();
          return std::make_unique<SimulatedLinePort>(*regulator_, clock_, record_, &plug);
        }),
        dependencies_{connection_, {}, clock_, language} {
    Connect(config);
    connection_.settings.protocol = Protocol::Torvalek;
    connection_.settings.readTimeout = 100;
  }

  // Another device on the line from the next start on.
  void Connect(const sim::SimConfig& config) { regulator_ = std::make_unique<sim::SimulatedRegulator>(config, clock_); }

  std::unique_ptr<MonitorDialog> Make(LampPictureMaker pictures = MakeLampPictures) {
    MonitorDialogOptions options;
    options.makePictures = std::move(pictures);
    options.showMessage = [this](QWidget*, std::string_view text) { messages.emplace_back(text); };
    // The fake clock is stepped by hand: the line work stays on this thread.
    options.lineThread = false;
    return std::make_unique<MonitorDialog>(dependencies_, nullptr, std::move(options));
  }

  // The timer's handler, once the next tick is due on the fake clock.
  void Tick(MonitorDialog& monitor) {
    clock_.Advance(monitor.Session().UntilNextTick());
    monitor.PollNextRegister();
  }
  // Ticks until a polling cycle is complete.
  void Cycle(MonitorDialog& monitor) {
    for (int i = 0; i < 12; ++i) {
      Tick(monitor);
      if (monitor.LastPoll() && monitor.LastPoll()->cycleEnd) return;
    }
    QFAIL("no complete cycle");
  }

  class RefusingPort final : public SerialPort {
   public:
    PortOpenStatus Open(const std::filesystem::path&, const LineSettings&) override {
      return {PortStatus::CannotOpen, "busy"};
    }
    bool IsOpen() const override { return false; }
    WriteOutcome Write(std::span<const uint8_t>) override { return {}; }
    std::size_t Read(std::span<uint8_t>, const FrameEndTest&) override { return 0; }
    void DiscardInput() override {}
    void Close() override {}
  };

  WallFakeClock clock_;
  std::unique_ptr<sim::SimulatedRegulator> regulator_;
  LineRecord record_;
  Connection connection_;
  MonitorDependencies dependencies_;
  std::vector<std::string> messages;
  bool refuseOpen = false;
  klv::testing::Plug plug;
};

// klv-sim on a pseudo-terminal in real time, and the program's line to it.
struct PseudoTerminalLine {
  PseudoTerminalLine(const sim::SimConfig& config, int readTimeout, std::optional<sim::FaultPlan> faults = {})
      : regulator(config, SystemClock()), server(regulator), connection(DevicePathPortFactory(Serve(faults))) {
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = readTimeout;
  }
  ~PseudoTerminalLine() { server.Stop(); }

  // Opens the simulator's pseudo-terminal; its path, for the line.
  std::string Serve(const std::optional<sim::FaultPlan>& faults) {
    if (faults) regulator.SetFaultPlan(*faults);
    std::string error;
    ready = server.OpenPseudoTerminal(error) && server.Start();
    return server.Path();
  }

  sim::SimulatedRegulator regulator;
  sim::SimServer server;
  bool ready = false;
  Connection connection;
  MonitorDependencies dependencies{connection, {}, SystemClock(), Language::English};
};

sim::SimConfig Klv40(uint16_t options = kOptionAnalogInput | kOptionAnalogOutput) {
  sim::SimConfig config;
  config.options = options;
  return config;
}

sim::SimConfig Model(ModelKind model) {
  sim::SimConfig config;
  config.model = model;
  return config;
}

bool SamePicture(const QLabel* label, const QPixmap& picture) {
  return label->pixmap().toImage() == picture.toImage();
}

std::string ReadAll(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteAll(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace

class MonitorDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void openingState() {
    Rig rig;
    const auto monitor = rig.Make();
    QCOMPARE(monitor->size(), QSize(690, 310));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(monitor->pos(), QPoint((screen.width() - 690) / 2, (screen.height() - 310) / 2));
    QCOMPARE(monitor->windowTitle(), QStringLiteral("Monitor"));
    for (int row = 0; row < kMonitorRowCount; ++row) QCOMPARE(monitor->ValueField(row)->text(), QStringLiteral("xxxx"));
    QVERIFY(!monitor->RecordBox()->isChecked());
    QVERIFY(monitor->RecordBox()->isEnabled());
    QCOMPARE(monitor->RecordProgress()->minimum(), 0);
    QCOMPARE(monitor->RecordProgress()->maximum(), 1000);
    QCOMPARE(monitor->RecordProgress()->value(), 0);
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("Monitor start"));
    QVERIFY(monitor->Graph() != nullptr);
    QVERIFY(!monitor->Graph()->isVisible());
    const LampPictures pictures = *MakeLampPictures();
    for (int row = 0; row < kMonitorRowCount; ++row) QVERIFY(SamePicture(monitor->RowMarker(row), pictures.markers[0]));
    for (int lamp = 0; lamp < 4; ++lamp) QVERIFY(SamePicture(monitor->Lamp(lamp), pictures.red[0]));
    for (int lamp = 4; lamp < 7; ++lamp) QVERIFY(SamePicture(monitor->Lamp(lamp), pictures.green[0]));
    // The bit strings lie outside the window.
    QVERIFY(monitor->ValueField(8)->isHidden());
    QVERIFY(monitor->ValueField(9)->isHidden());
    QVERIFY(rig.record_.registers.empty());
  }

  void japaneseSizeAndCaptions() {
    Rig rig(Klv40(), Language::Japanese);
    const auto monitor = rig.Make();
    QCOMPARE(monitor->size(), QSize(630, 280));
    QCOMPARE(monitor->windowTitle(), QStringLiteral("モニタ"));
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("モニタ開始"));
    QCOMPARE(monitor->RowCaption(4)->text(), QStringLiteral("制御入力 ( × 0.1% )"));
    QCOMPARE(monitor->RecordBox()->text(), QStringLiteral("データ記録 [ 制御入力／制御出力 ]"));
    monitor->StartMonitoring();
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("モニタ終了"));
    QCOMPARE(monitor->windowTitle(), QStringLiteral("モニタ - KLV40 - PA  "));
    QCOMPARE(monitor->RowCaption(0)->text(), QStringLiteral("出力 ( × 0.1% )"));  // PA
    monitor->StopMonitoring();
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("モニタ開始"));
  }

  void klv40ThenKlv30ThenKlv40() {
    Rig rig(Klv40());
    const auto monitor = rig.Make();
    monitor->StartMonitoring();
    QCOMPARE(monitor->windowTitle(), QStringLiteral("Monitor - KLV40 - PA  "));
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("End monitor"));
    QVERIFY(!monitor->RecordBox()->isEnabled());
    rig.Cycle(*monitor);
    for (int row = 0; row < kMonitorRowCount; ++row) {
      QVERIFY(!monitor->RowCaption(row)->isHidden());
      QVERIFY2(monitor->ValueField(row)->text() != QStringLiteral("xxxx"), qPrintable(QString::number(row)));
    }
    QCOMPARE(monitor->Session().Display().markedRow, 11);
    monitor->StopMonitoring();

    rig.Connect(Model(ModelKind::Klv30));
    monitor->StartMonitoring();
    QCOMPARE(monitor->windowTitle(), QStringLiteral("Monitor - KLV30"));
    QCOMPARE(monitor->RowCaption(8)->text(), QStringLiteral("AL output"));
    QCOMPARE(monitor->RowCaption(0)->text(), QStringLiteral("output ( x 0.1% )"));
    for (const int row : {1, 3, 9, 10, 11}) {
      QVERIFY(monitor->RowCaption(row)->isHidden());
      QVERIFY(monitor->RowMarker(row)->isHidden());
    }
    QVERIFY(monitor->LampPanel(9)->isHidden());
    QVERIFY(!monitor->Lamp(0)->isHidden());
    for (const int lamp : {1, 2, 3}) {
      QVERIFY(monitor->Lamp(lamp)->isHidden());
      QVERIFY(monitor->LampLabel(lamp)->isHidden());
    }
    monitor->StopMonitoring();

    rig.Connect(Model(ModelKind::Klv30E));
    monitor->StartMonitoring();
    QVERIFY(!monitor->LampPanel(9)->isHidden());
    QVERIFY(!monitor->Lamp(4)->isHidden());
    QVERIFY(monitor->Lamp(5)->isHidden());
    monitor->StopMonitoring();

    rig.Connect(Klv40());
    monitor->StartMonitoring();
    QCOMPARE(monitor->RowCaption(8)->text(), QStringLiteral("AL/DO output"));
    for (int row = 0; row < kMonitorRowCount; ++row) QVERIFY(!monitor->RowCaption(row)->isHidden());
    for (int lamp = 0; lamp < kLampCount; ++lamp) QVERIFY(!monitor->Lamp(lamp)->isHidden());
  }

  void lampsAndMarkersFollowThePolls() {
    Rig rig(Klv40(kOptionAlarmOutput2));
    const auto monitor = rig.Make();
    const LampPictures pictures = *MakeLampPictures();
    monitor->StartMonitoring();
    rig.Cycle(*monitor);  // at about 3 s of simulation: AL1 and DI1-DI3 on
    QVERIFY(SamePicture(monitor->Lamp(0), pictures.red[1]));
    QVERIFY(SamePicture(monitor->Lamp(1), pictures.red[0]));
    for (const int lamp : {4, 5, 6}) QVERIFY(SamePicture(monitor->Lamp(lamp), pictures.green[1]));
    QVERIFY(SamePicture(monitor->RowMarker(9), pictures.markers[1]));
    QVERIFY(SamePicture(monitor->RowMarker(8), pictures.markers[0]));
    QCOMPARE(monitor->ValueField(8)->text(), QStringLiteral("_ _ _ O"));

    rig.clock_.Advance(std::chrono::seconds(10));  // about 15 s: AL1 and DI1 off
    rig.Cycle(*monitor);
    QVERIFY(SamePicture(monitor->Lamp(0), pictures.red[0]));
    QVERIFY(SamePicture(monitor->Lamp(4), pictures.green[0]));
    QVERIFY(SamePicture(monitor->Lamp(5), pictures.green[1]));

    monitor->StopMonitoring();
    for (int row = 0; row < kMonitorRowCount; ++row) QVERIFY(SamePicture(monitor->RowMarker(row), pictures.markers[0]));
    QVERIFY(SamePicture(monitor->Lamp(5), pictures.green[1]));  // lamps keep their state
  }

  void enterAndEscapeDoNotCloseTheWindow() {
    Rig rig(Klv40());
    const auto monitor = rig.Make();
    monitor->show();
    QVERIFY(QTest::qWaitForWindowExposed(monitor.get()));
    monitor->StartMonitoring();
    QTest::keyClick(monitor.get(), Qt::Key_Escape);
    QTest::keyClick(monitor.get(), Qt::Key_Return);
    QTest::keyClick(monitor.get(), Qt::Key_Enter);
    QVERIFY(monitor->isVisible());
    QVERIFY(monitor->Session().Running());
    monitor->CloseButton()->click();
    QVERIFY(!monitor->isVisible());
    QCOMPARE(monitor->result(), int(QDialog::Rejected));
    QVERIFY(!rig.connection_.line.IsOpen());
    QVERIFY(!monitor->PollTimer().isActive());
  }

  void closingWhileRecordingEndsTheRecordAndThePort() {
    MonitorTempFolder folder;
    Rig rig(Klv40());
    rig.dependencies_.dataLogPath = folder.Path() / "datalog.csv";
    const auto monitor = rig.Make();
    monitor->show();
    monitor->RecordBox()->setChecked(true);
    monitor->StartMonitoring();
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("10sec-sample 10min-log "));
    for (int i = 0; i < 60; ++i) rig.Tick(*monitor);  // 12 s
    QCOMPARE(monitor->RecordProgress()->value(), 16);
    QVERIFY(monitor->Session().Recorder().FileOpen());
    monitor->close();  // the close box
    QVERIFY(!monitor->Session().Recorder().FileOpen());
    QVERIFY(!rig.connection_.line.IsOpen());
    QVERIFY(ReadAll(folder.Path() / "datalog.csv").starts_with("Time, Input, Output\r\n"));
  }

  // An armed record asks where it goes before monitoring starts: Cancel
  // starts nothing and writes nothing; the file named gets the record and
  // the last one is left alone. Opened armed by Record data, the file is
  // chosen already: nothing is asked.
  void anArmedRecordGoesToTheFileTheOperatorNames() {
    MonitorTempFolder folder;
    Rig rig(Klv40());
    rig.dependencies_.dataLogPath = folder.Path() / "datalog.csv";
    WriteAll(rig.dependencies_.dataLogPath, "the last record\r\n");
    std::deque<std::optional<std::filesystem::path>> answers = {std::nullopt, folder.Path() / "run2.csv"};
    int asked = 0;
    rig.dependencies_.chooseRecordFile = [&](QWidget*) {
      ++asked;
      const auto answer = answers.front();
      answers.pop_front();
      return answer;
    };
    const auto monitor = rig.Make();
    monitor->RecordBox()->setChecked(true);
    monitor->StartButton()->click();
    QCOMPARE(asked, 1);
    QVERIFY(!monitor->Session().Running());
    monitor->StartButton()->click();
    QCOMPARE(asked, 2);
    QVERIFY(monitor->Session().Running());
    for (int i = 0; i < 60; ++i) rig.Tick(*monitor);
    monitor->StartButton()->click();
    QVERIFY(ReadAll(folder.Path() / "run2.csv").starts_with("Time, Input, Output\r\n"));
    QCOMPARE(ReadAll(folder.Path() / "datalog.csv"), std::string("the last record\r\n"));

    rig.dependencies_.armRecord = true;
    const auto armed = rig.Make();
    QVERIFY(armed->RecordBox()->isChecked());
    armed->StartButton()->click();
    QCOMPARE(asked, 2);
    QVERIFY(armed->Session().Running());
    armed->StartButton()->click();
  }

  void theRecordGroupWhileRunningAndAfterAStop() {
    MonitorTempFolder folder;
    Rig rig(Klv40());
    rig.dependencies_.dataLogPath = folder.Path() / "datalog.csv";
    const auto monitor = rig.Make();
    monitor->RecordBox()->setChecked(true);
    monitor->StartButton()->click();
    QVERIFY(monitor->Session().Running());
    QVERIFY(!monitor->RecordBox()->isEnabled());
    for (int i = 0; i < 110; ++i) rig.Tick(*monitor);  // 22 s: two rows
    QCOMPARE(monitor->RecordProgress()->value(), 33);
    monitor->StartButton()->click();  // "End monitor"
    QVERIFY(!monitor->Session().Running());
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("Start monitor"));
    QVERIFY(!monitor->RecordBox()->isChecked());
    QVERIFY(monitor->RecordBox()->isEnabled());
    QCOMPARE(monitor->StatusLine()->text(), QString());
    QCOMPARE(monitor->RecordProgress()->value(), 0);
    const std::string file = ReadAll(folder.Path() / "datalog.csv");
    QCOMPARE(std::count(file.begin(), file.end(), '\n'), 3);
  }

  void failuresAreShownAndMonitoringGoesOn() {
    Rig rig(Klv40());
    rig.dependencies_.dataLogPath = "/nonexistent-folder/datalog.csv";
    const auto monitor = rig.Make();
    monitor->RecordBox()->setChecked(true);
    monitor->StartMonitoring();
    QCOMPARE(rig.messages, std::vector<std::string>{"Log file cannot be created\n(No such file or directory)"});
    QVERIFY(monitor->Session().Running());
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("10sec-sample 10min-log "));
    monitor->StopMonitoring();

    rig.messages.clear();
    rig.refuseOpen = true;
    monitor->StartMonitoring();
    QCOMPARE(rig.messages.size(), std::size_t{1});
    QVERIFY(rig.messages[0].starts_with("Port cannot be used"));
    QVERIFY(!monitor->Session().Running());
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("Start monitor"));
    QVERIFY(monitor->RecordBox()->isEnabled());
  }

  void graphDisplayShowsAndHidesTheGraphWithItsHistory() {
    Rig rig(Klv40());
    const auto monitor = rig.Make();
    TrendGraphDialog* graph = monitor->Graph();
    QVERIFY(graph != nullptr);
    monitor->StartMonitoring();
    rig.Cycle(*monitor);
    graph->GraphTick();  // hidden, it still takes the sample
    QVERIFY(graph->History().Input().back() >= 0);
    // A saved picture names the regulator as identified and the port.
    const QString caption = QString::fromStdString(graph->PictureCaption());
    QVERIFY2(caption.endsWith(QStringLiteral("  KLV40 - PA  COM1")), qPrintable(caption));
    monitor->GraphButton()->click();
    QVERIFY(graph->isVisible());
    graph->OkButton()->click();
    QVERIFY(!graph->isVisible());
    monitor->GraphButton()->click();
    QVERIFY(graph->isVisible());
    QVERIFY(graph->History().Input().back() >= 0);
    monitor->GraphButton()->click();
    QVERIFY(!graph->isVisible());
    // A new start clears the histories.
    monitor->StopMonitoring();
    monitor->StartMonitoring();
    QCOMPARE(graph->History().Input().back(), kTrendNoData);
  }

  void withoutLampPicturesTheMonitorRunsWithoutLampsAndGraph() {
    Rig rig(Klv40());
    const auto monitor = rig.Make([] { return std::optional<LampPictures>(); });
    QVERIFY(!monitor->HasLampPictures());
    QVERIFY(monitor->Graph() == nullptr);
    QVERIFY(!monitor->GraphButton()->isEnabled());
    monitor->GraphButton()->click();
    monitor->StartMonitoring();
    rig.Cycle(*monitor);
    QVERIFY(monitor->ValueField(0)->text() != QStringLiteral("xxxx"));
    QVERIFY(monitor->Lamp(0)->pixmap().isNull());
    monitor->StopMonitoring();
    monitor->CloseButton()->click();
  }

  // The adapter is pulled while recording: the status line says the line is
  // lost while the port is opened again every 2 s, the record goes on, and
  // when the adapter is back polling goes on and the status line says so
  // before it shows the record's status again.
  void aPulledAdapterIsOpenedAgainAndPollingGoesOn() {
    MonitorTempFolder folder;
    Rig rig(Model(ModelKind::Klv30));
    rig.dependencies_.dataLogPath = folder.Path() / "datalog.csv";
    const auto monitor = rig.Make();
    monitor->RecordBox()->setChecked(true);
    monitor->StartMonitoring();
    rig.Cycle(*monitor);
    const QString recordStatus = QStringLiteral("10sec-sample 10min-log ");
    QCOMPARE(monitor->StatusLine()->text(), recordStatus);

    rig.plug.in = false;
    for (int i = 0; i < 30 && !monitor->View().display.lineLost; ++i) rig.Tick(*monitor);
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("Line lost: reconnecting"));
    QVERIFY(!rig.connection_.line.IsOpen());
    for (const int row : {0, 2, 4}) QCOMPARE(monitor->ValueField(row)->text(), QStringLiteral("xxxx"));
    const int progress = monitor->RecordProgress()->value();
    for (int i = 0; i < 60; ++i) rig.Tick(*monitor);  // 12 s: rows without readings
    QVERIFY(monitor->RecordProgress()->value() > progress);
    QCOMPARE(monitor->StartButton()->text(), QStringLiteral("End monitor"));
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("Line lost: reconnecting"));

    rig.plug.in = true;
    for (int i = 0; i < 12 && monitor->View().display.lineLost; ++i) rig.Tick(*monitor);  // within 2 s and a tick
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("Line back"));
    QVERIFY(rig.connection_.line.IsOpen());
    rig.Cycle(*monitor);
    for (const int row : {0, 2, 4}) QVERIFY(monitor->ValueField(row)->text() != QStringLiteral("xxxx"));
    for (int i = 0; i < 25; ++i) rig.Tick(*monitor);  // 5 s
    QCOMPARE(monitor->StatusLine()->text(), recordStatus);
    QVERIFY(monitor->Session().Recorder().FileOpen());
    monitor->CloseButton()->click();
    const std::string file = ReadAll(folder.Path() / "datalog.csv");
    QVERIFY2(file.find(",-32768,-32768\r\n") != std::string::npos, file.c_str());
  }

  // Another unit behind the line once it is back: the window follows it and
  // the status line names it and the record's new file for a while.
  void anotherUnitAfterAReconnectionIsShownAndNamed() {
    MonitorTempFolder folder;
    Rig rig(Model(ModelKind::Klv30));
    rig.dependencies_.dataLogPath = folder.Path() / "datalog.csv";
    const auto monitor = rig.Make();
    monitor->RecordBox()->setChecked(true);
    monitor->StartMonitoring();
    rig.Cycle(*monitor);
    QVERIFY(monitor->RowCaption(1)->isHidden());

    rig.plug.in = false;
    for (int i = 0; i < 30 && !monitor->View().display.lineLost; ++i) rig.Tick(*monitor);
    QVERIFY(monitor->View().display.lineLost);
    rig.Connect(Model(ModelKind::Klv40));
    rig.plug.in = true;
    for (int i = 0; i < 15 && monitor->Session().UnitChanges() == 0; ++i) rig.Tick(*monitor);
    QCOMPARE(monitor->Session().UnitChanges(), 1);
    const QString file = QString::fromStdString(monitor->Session().RecordPath().filename().string());
    QVERIFY(file.startsWith(QStringLiteral("datalog-")));
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("Another unit: KLV40; record goes on in ") + file);
    QCOMPARE(monitor->windowTitle(), QStringLiteral("Monitor - KLV40 - PA  "));
    QVERIFY(!monitor->RowCaption(1)->isHidden());
    for (int i = 0; i < 55; ++i) rig.Tick(*monitor);  // 11 s
    QCOMPARE(monitor->StatusLine()->text(), QStringLiteral("10sec-sample 10min-log "));
    monitor->CloseButton()->click();
  }

  // klv-sim behind a ports/COM1 link, in real time with the line thread: the
  // simulator goes away, another starts on a new pseudo-terminal and the link
  // is pointed at it; the values come back. Then that one goes too, and "End
  // monitor" takes effect at once while the port is being opened again.
  void resumesWhenTheComLinkLeadsToANewSimulator() {
    MonitorTempFolder data;
    std::filesystem::create_directories(data.Path() / "ports");
    const std::filesystem::path link = data.Path() / "ports" / "COM1";
    klv::testing::FakeClock simClock;  // the live values stay those of the start
    sim::SimConfig config = Model(ModelKind::Klv30);
    config.controlInput = 300;
    sim::SimulatedRegulator firstRegulator(config, simClock);
    auto first = std::make_unique<sim::SimServer>(firstRegulator);
    config.controlInput = 700;
    sim::SimulatedRegulator secondRegulator(config, simClock);
    auto second = std::make_unique<sim::SimServer>(secondRegulator);
    std::string error;
    QVERIFY2(first->OpenPseudoTerminal(error) && first->Start(), error.c_str());
    QVERIFY2(second->OpenPseudoTerminal(error), error.c_str());
    std::filesystem::create_symlink(first->Path(), link);

    Connection connection;  // the system's ports, through the links of the data folder
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = 200;
    connection.settings.portNumber = 1;
    connection.dataFolder = data.Path();
    MonitorDependencies dependencies{connection, {}, SystemClock(), Language::English};
    MonitorDialog monitor(dependencies);
    monitor.show();
    monitor.StartMonitoring();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.ValueField(4)->text(), QStringLiteral("300"), 8000);

    first.reset();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.StatusLine()->text(), QStringLiteral("Line lost: reconnecting"), 10000);
    QVERIFY(second->Start());
    const std::filesystem::path repointed = data.Path() / "ports" / "COM1.new";
    std::filesystem::create_symlink(second->Path(), repointed);
    std::filesystem::rename(repointed, link);
    QElapsedTimer back;
    back.start();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.ValueField(4)->text(), QStringLiteral("700"), 8000);
    std::printf("monitor window: values back %lld ms after the COM1 link was pointed at the new device\n",
                static_cast<long long>(back.elapsed()));
    QCOMPARE(monitor.StatusLine()->text(), QStringLiteral("Line back"));
    QCOMPARE(monitor.windowTitle(), QStringLiteral("Monitor - KLV30"));

    second.reset();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.StatusLine()->text(), QStringLiteral("Line lost: reconnecting"), 10000);
    QElapsedTimer stopping;
    stopping.start();
    monitor.StartButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.StartButton()->text(), QStringLiteral("Start monitor"), 2000);
    std::printf("monitor window: End monitor took effect %lld ms after the click while reconnecting\n",
                static_cast<long long>(stopping.elapsed()));
    QCOMPARE(monitor.StatusLine()->text(), QString());
    QVERIFY(!connection.IsOpen());
    monitor.CloseButton()->click();
  }

  // Pictures to look at, written only when KLV_MONITOR_SHOTS names a folder.
  void screenshots() {
    const QByteArray folder = qgetenv("KLV_MONITOR_SHOTS");
    if (folder.isEmpty()) QSKIP("KLV_MONITOR_SHOTS is not set");
    const QString base = QString::fromLocal8Bit(folder) + QLatin1Char('/');
    MonitorTempFolder data;
    for (const Language language : {Language::English, Language::Japanese}) {
      const QString suffix = language == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
      Rig rig(Klv40(kOptionAnalogInput | kOptionAlarmOutput2 | kOptionAnalogOutput), language);
      rig.dependencies_.dataLogPath = data.Path() / "datalog.csv";
      const auto monitor = rig.Make();
      monitor->show();
      monitor->RecordBox()->setChecked(true);
      monitor->StartMonitoring();
      for (int i = 0; i < 12; ++i) rig.Tick(*monitor);  // lamps on
      QVERIFY(monitor->grab().save(base + QStringLiteral("monitor-klv40-on-%1.png").arg(suffix)));
      rig.clock_.Advance(std::chrono::seconds(10));
      for (int i = 0; i < 13; ++i) rig.Tick(*monitor);  // AL1 and DI1 off
      QVERIFY(monitor->grab().save(base + QStringLiteral("monitor-klv40-off-%1.png").arg(suffix)));

      // Ten minutes of samples, then the graph.
      TrendGraphDialog* graph = monitor->Graph();
      for (int i = 0; i < 3000; ++i) {
        rig.Tick(*monitor);
        graph->GraphTick();
      }
      monitor->GraphButton()->click();
      QVERIFY(QTest::qWaitForWindowExposed(graph));
      graph->GraphTick();
      QVERIFY(graph->grab().save(base + QStringLiteral("graph-%1.png").arg(suffix)));
      monitor->StopMonitoring();

      rig.Connect(Model(language == Language::English ? ModelKind::Klv30 : ModelKind::Klv30E));
      monitor->StartMonitoring();
      for (int i = 0; i < 16; ++i) rig.Tick(*monitor);
      QVERIFY(monitor->grab().save(base + QStringLiteral("monitor-one-series-%1.png").arg(suffix)));
      sim::FaultPlan silent;
      silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
      rig.regulator_->SetFaultPlan(silent);
      for (int i = 0; i < 30; ++i) rig.Tick(*monitor);  // three silent rounds and more
      QVERIFY(monitor->grab().save(base + QStringLiteral("monitor-line-lost-%1.png").arg(suffix)));
      rig.regulator_->SetFaultPlan({});
      for (int i = 0; i < 15; ++i) rig.Tick(*monitor);  // the next attempt to open, and the rows again
      QVERIFY(monitor->grab().save(base + QStringLiteral("monitor-line-back-%1.png").arg(suffix)));
      monitor->CloseButton()->click();
    }
  }

  // The figures of the monitor benchmark, measured only when
  // KLV_MONITOR_CPU_SECONDS gives a duration: the window polls klv-sim (a
  // process of its own, so its work is not counted) at a 50 ms time-out with
  // the graph shown; one line on standard output gives the tick periods and
  // this process's processor time over the wall time.
  void cpuWhileMonitoringWithTheGraph() {
    const int seconds = qEnvironmentVariableIntValue("KLV_MONITOR_CPU_SECONDS");
    if (seconds <= 0) QSKIP("KLV_MONITOR_CPU_SECONDS is not set");
    const QString simulator =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/klv-sim/klv-sim");
    QProcess sim;
    sim.start(simulator, {QStringLiteral("--options"), QStringLiteral("9")});
    QVERIFY2(sim.waitForStarted(5000), qPrintable(simulator));
    QVERIFY(sim.waitForReadyRead(5000));
    const QString path = QString::fromLocal8Bit(sim.readLine()).trimmed();
    QVERIFY(path.startsWith(QLatin1Char('/')));

    Connection connection(DevicePathPortFactory(path.toStdString()));
    connection.settings.protocol = Protocol::Torvalek;
    connection.settings.readTimeout = 200;
    MonitorDependencies dependencies{connection, {}, SystemClock(), Language::English};
    MonitorDialog monitor(dependencies);
    monitor.show();
    monitor.StartMonitoring();
    monitor.GraphButton()->click();
    QVERIFY(QTest::qWaitForWindowExposed(monitor.Graph()));

    const auto cpuSeconds = [] {
      rusage usage{};
      getrusage(RUSAGE_SELF, &usage);
      return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    };
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTest::qWait(seconds * 1000);
    const double cpu = cpuSeconds() - cpuBefore;
    const double elapsed = wall.elapsed() / 1000.0;
    const TickPeriods periods = monitor.Session().Periods();
    std::printf("monitor_window seconds=%.1f ticks=%d period_mean_ms=%.2f period_sd_ms=%.2f period_min_ms=%.1f "
                "period_max_ms=%.1f merged=%d graph_redraws=%d cpu_percent=%.2f\n",
                elapsed, periods.intervals + 1, periods.meanMs, periods.spreadMs, periods.minMs, periods.maxMs,
                monitor.Session().MergedTicks(), monitor.Graph()->Chart().Redraws(), 100.0 * cpu / elapsed);
    std::fflush(stdout);
    monitor.CloseButton()->click();
    sim.closeWriteChannel();
    if (!sim.waitForFinished(3000)) sim.kill();
    QVERIFY(periods.intervals > 0);
  }

  // A regulator that never answers, at the longest time-out: the window
  // keeps answering while the line thread waits, and "End monitor" ends
  // polling within one exchange. Prints the longest time a 5 ms timer of the
  // window's thread came late, for the notes.
  void theWindowAnswersWhileTheLineWaitsAndStopsPromptly() {
    sim::FaultPlan silent;
    silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
    PseudoTerminalLine pty(sim::SimConfig{}, 200, silent);
    QVERIFY(pty.ready);
    MonitorDialog monitor(pty.dependencies);
    monitor.show();

    // A 5 ms timer on the window's thread notes how late it comes.
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 latest = 0;
    int fired = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
      const qint64 now = clock.elapsed();
      if (last != 0) latest = std::max(latest, now - last - 5);
      last = now;
      ++fired;
    });
    probe.start(5);

    monitor.StartMonitoring();  // identification: 0110 and 0119 without reply
    QTRY_COMPARE_WITH_TIMEOUT(monitor.StartButton()->text(), QStringLiteral("End monitor"), 3000);
    QTest::qWait(1500);  // some polls, each waiting its whole 200 ms
    QVERIFY(monitor.View().running);
    QCOMPARE(monitor.ValueField(0)->text(), QStringLiteral("xxxx"));
    // Nothing ever answered: the status line says what was tried and what to do.
    const QString status = monitor.StatusLine()->text();
    QVERIFY2(status.startsWith(QStringLiteral("No reply from address 1 on COM1 (")), qPrintable(status));
    QVERIFY2(status.endsWith(QStringLiteral(", 9600 E 7 1, TORVALEK, 200 ms).\nCheck the cable and the address, or "
                                            "use Find device (Tools > Communication settings).")),
             qPrintable(status));
    // The window thread went on with its own work meanwhile: a 5 ms timer
    // that had to wait for the 200 ms exchanges would have fired about 8
    // times; a loaded machine still gives it well over 30.
    QVERIFY2(fired > 30, qPrintable(QString::number(fired)));
    std::printf("monitor window thread: longest lateness of a 5 ms timer while polling a silent device: %lld ms\n",
                static_cast<long long>(latest));

    QElapsedTimer stopping;
    stopping.start();
    monitor.StartButton()->click();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.StartButton()->text(), QStringLiteral("Start monitor"), 2000);
    std::printf("monitor: End monitor took effect after %lld ms\n", static_cast<long long>(stopping.elapsed()));
    QVERIFY(!pty.connection.IsOpen());
    monitor.CloseButton()->click();
  }

  void pollsFromItsOwnTimerAgainstKlvSimOnAPseudoTerminal() {
    sim::SimConfig config;
    config.options = kOptionAnalogInput | kOptionAnalogOutput;
    PseudoTerminalLine pty(config, 200);
    QVERIFY(pty.ready);
    MonitorDialog monitor(pty.dependencies);
    monitor.show();
    monitor.StartMonitoring();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.windowTitle(), QStringLiteral("Monitor - KLV40 - PA  "), 5000);
    QTRY_VERIFY_WITH_TIMEOUT(monitor.View().display.markedRow == 11, 5000);
    for (int row = 0; row < kMonitorRowCount; ++row) {
      QVERIFY2(monitor.ValueField(row)->text() != QStringLiteral("xxxx"), qPrintable(QString::number(row)));
    }
    const QString input = monitor.ValueField(4)->text();
    QTRY_VERIFY_WITH_TIMEOUT(monitor.ValueField(4)->text() != input, 8000);  // the sine moves on
    monitor.CloseButton()->click();
    QVERIFY(!pty.connection.IsOpen());
  }
};

QTEST_MAIN(MonitorDialogTest)
#include "monitor_dialog_test.moc"
