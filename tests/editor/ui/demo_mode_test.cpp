// The demo mode: the simulated regulator in the program's own process, which
// COM1 reaches; Read from KLV, Write in KLV and the monitor all work against
// it through the windows.
#include <QtTest>

#include "editor/ui/demo_regulator.h"
#include "editor/ui/window_rig.h"
#include "monitor/ui/cmon.h"

using namespace klv;
using namespace klv::window_test;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

class DemoModeTest : public QObject {
  Q_OBJECT

 private slots:
  void modelNames() {
    QCOMPARE(ParseDemoModel("klv30e"), std::optional<ModelKind>(ModelKind::Klv30E));
    QCOMPARE(ParseDemoModel("KLV40"), std::optional<ModelKind>(ModelKind::Klv40));
    QVERIFY(!ParseDemoModel("KLV50").has_value());
    QVERIFY(!ParseDemoModel("x.klv").has_value());
  }

  void readWriteAndMonitorThroughTheWindows() {
    DemoRegulator demo(ModelKind::Klv30);
    WindowRig rig(Language::English, demo.Ports());
    CKlvToolDlg& window = rig.Start();
    std::string error;
    QVERIFY2(demo.Start(rig.state.settings.deviceAddress, rig.state.dataFolder, error), error.c_str());
    window.SetTitleNote(demo.TitleNote());
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled [Demo: simulated KLV30 on COM1]"));

    window.ReadFromDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), QStringLiteral("--- KLV30 Parameter reading complete ---"));
    QCOMPARE(rig.state.CurrentModel, ModelKind::Klv30);

    window.WriteToDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(1)), QStringLiteral("--- KLV30 Parameter writing complete ---"));

    std::vector<std::string> monitorMessages;
    MonitorDependencies dependencies{rig.state.line, rig.state.settings,       rig.state.dataFolder,
                                     rig.state.DataLogPath, rig.state.log, rig.state.lastRtuRequest,
                                     rig.clock,      Language::English};
    CmonOptions options;
    options.showMessage = [&](QWidget*, std::string_view text) { monitorMessages.emplace_back(text); };
    options.lineThread = false;  // stepped by hand on the rig's clock
    Cmon monitor(dependencies, &window, options);
    monitor.StartMonitoring();
    int answered = 0;
    for (int tick = 0; tick < 12; ++tick) {
      rig.clock.Advance(std::chrono::milliseconds(200));
      monitor.PollNextRegister();
      if (monitor.LastPoll() && monitor.LastPoll()->text != "xxxx") ++answered;
    }
    monitor.StopMonitoring();
    QVERIFY(monitorMessages.empty());
    QVERIFY2(answered >= 6, "the simulated regulator answers the monitor's polls");
  }

  void otherPortsAreNotRedirected() {
    DemoRegulator demo(ModelKind::Klv40);
    WindowRig rig(Language::English, demo.Ports());
    rig.Start();
    std::string error;
    QVERIFY(demo.Start(1, rig.state.dataFolder, error));
    rig.state.settings.portNumber = 2;  // COM2: /dev/ttyS1 or its link, never the simulator
    const OpenPortResult opened = rig.state.line.OpenPort(rig.state.settings, rig.state.dataFolder);
    if (opened.ok) {
      rig.state.line.ClosePort();
      QSKIP("this machine has a COM2 device");
    }
    QVERIFY(opened.message.rfind("Port cannot be used", 0) == 0);
  }
};

QTEST_MAIN(DemoModeTest)
#include "demo_mode_test.moc"
