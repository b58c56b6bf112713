// The demo mode: the simulated regulator in the program's own process, which
// COM1 reaches; Read from KLV, Write in KLV and the monitor all work against
// it through the windows.
#include <QtTest>

#include <QLabel>
#include <QComboBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>

#include "editor/parameter_file.h"
#include "app/ui/demo_regulator.h"
#include "editor/ui/parameter_screen.h"
#include "model/register_catalogue.h"
#include "editor/ui/window_rig.h"
#include "device/ui/find_device_dialog.h"
#include "widgets/screen_controls.h"
#include "monitor/ui/monitor_dialog.h"

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

  void startsOnTheSimulatedModelsScreen_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("device");
    QTest::newRow("English") << int(Language::English) << false
                             << "KLV Loader - KLV30E - Untitled [Demo: simulated KLV30E on COM1]"
                             << "COM1 \u2192 simulated KLV30E (demo)";
    QTest::newRow("Japanese") << int(Language::Japanese) << false
                              << "KLV Loader - KLV30E - 無題 [デモ: COM1 に模擬 KLV30E]"
                              << "COM1 \u2192 模擬 KLV30E（デモ）";
    // A file named on the command line keeps its own model's screen.
    QTest::newRow("with a file") << int(Language::English) << true
                                 << "KLV Loader - KLV40 - f4 [Demo: simulated KLV30E on COM1]"
                                 << "COM1 \u2192 simulated KLV30E (demo)";
  }
  void startsOnTheSimulatedModelsScreen() {
    QFETCH(int, language);
    QFETCH(bool, withFile);
    QFETCH(QString, title);
    QFETCH(QString, device);
    DemoRegulator demo(ModelKind::Klv30E);
    WindowRig rig(static_cast<Language>(language), demo.Ports());
    std::filesystem::path file;
    if (withFile) {
      file = rig.Folder() / "f4.klv";
      ParameterSet set;
      LoadDefaults(set, ModelKind::Klv40);
      const ParameterFileBytes bytes = EncodeParameterFile(set, ModelKind::Klv40);
      WriteBytes(file, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    MainWindow& window = rig.Start(file);
    std::string error;
    QVERIFY2(BeginDemo(demo, window, rig.state, error), error.c_str());
    QCOMPARE(rig.Title(), title);
    QCOMPARE(window.Screen().Model(), withFile ? ModelKind::Klv40 : ModelKind::Klv30E);
    QVERIFY(rig.dialogs.questions.empty());

    CommSettingsDialog settings(rig.state.connection, rig.state.language, &window, std::vector<std::filesystem::path>{});
    QVERIFY(rig.state.demoModel.has_value());
    settings.ShowSimulatedPort(1, *rig.state.demoModel, rig.state.ports);
    QCOMPARE(settings.DeviceLabel()->text(), device);
    settings.PortButton(1)->click();  // COM2 is not the simulated one
    QVERIFY(!settings.DeviceLabel()->text().contains(QStringLiteral("KLV30E")));

    // At exit the model on the screen is stored, as after a Model menu choice
    // (the model word is the settings file's seventh: 2 is KLV30E).
    QVERIFY(window.Exit());
    QCOMPARE(int(ReadBytes(rig.SettingsFile())[12]), withFile ? 0 : 2);
  }

  void readWriteAndMonitorThroughTheWindows() {
    DemoRegulator demo(ModelKind::Klv30);
    WindowRig rig(Language::English, demo.Ports());
    MainWindow& window = rig.Start();
    std::string error;
    QVERIFY2(demo.Start(rig.state.connection.settings.deviceAddress, rig.state.connection.dataFolder, error), error.c_str());
    window.SetTitleNote(demo.TitleNote());
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled [Demo: simulated KLV30 on COM1]"));

    window.ReadFromDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), QStringLiteral("--- KLV30 Parameter reading complete ---"));
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30);

    window.WriteToDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(1)), QStringLiteral("--- KLV30 Parameter writing complete ---"));

    std::vector<std::string> monitorMessages;
    MonitorDependencies dependencies{rig.state.connection, rig.state.dataLogPath, rig.clock, Language::English};
    MonitorDialogOptions options;
    options.showMessage = [&](QWidget*, std::string_view text) { monitorMessages.emplace_back(text); };
    options.lineThread = false;  // stepped by hand on the rig's clock
    MonitorDialog monitor(dependencies, &window, options);
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

  // Find device in the demo finds the simulated regulator behind COM1 and
  // stops there; afterwards Enter on the settings screen is OK, not another scan.
  void findDeviceFindsTheSimulatedRegulatorAndEnterIsOkAfterwards() {
    DemoRegulator demo(ModelKind::Klv30E);
    WindowRig rig(Language::English, demo.Ports());
    MainWindow& window = rig.Start();
    rig.state.connection.settings.deviceAddress = 7;
    std::string error;
    QVERIFY2(BeginDemo(demo, window, rig.state, error), error.c_str());
    rig.state.connection.settings.deviceAddress = 1;  // the operator's guess is wrong
    CommSettingsDialog settings(rig.state.connection, rig.state.language, &window,
                                std::vector<std::filesystem::path>{"/dev/ttyUSB9"});
    settings.ShowSimulatedPort(1, *rig.state.demoModel, rig.state.ports);
    QCOMPARE(settings.DeviceChoice()->currentText(), QStringLiteral("simulated KLV30E (demo)"));
    QCOMPARE(settings.FindDeviceButton()->text(), QStringLiteral("&Find device"));
    settings.show();
    QVERIFY(QTest::qWaitForWindowExposed(&settings));

    bool looked = false;
    QTimer::singleShot(0, &settings, [&] {
      auto* dialog = settings.findChild<FindDeviceDialog*>();
      QVERIFY(dialog != nullptr);
      QTRY_VERIFY(dialog->Finished());
      QCOMPARE(dialog->FoundTable()->rowCount(), 1);
      QCOMPARE(dialog->FoundTable()->item(0, 0)->text(), QStringLiteral("COM1 (simulated KLV30E)"));
      QCOMPARE(dialog->FoundTable()->item(0, 2)->text(), QStringLiteral("7"));
      QCOMPARE(dialog->FoundTable()->item(0, 3)->text(), QStringLiteral("KLV30E"));
      looked = true;
      dialog->TakeButton()->click();
    });
    settings.FindDeviceButton()->setFocus();
    QTest::keyClick(settings.FindDeviceButton(), Qt::Key_Space);
    QVERIFY(looked);
    QCOMPARE(settings.AddressField()->text(), QStringLiteral("7"));

    // The focus is back on Find device, where it was when the scan began.
    // Should Enter start another scan, its window is closed and noted.
    bool scannedAgain = false;
    QTimer::singleShot(0, &settings, [&] {
      if (auto* again = settings.findChild<FindDeviceDialog*>()) {
        scannedAgain = true;
        again->reject();
      }
    });
    QTest::keyClick(settings.FindDeviceButton(), Qt::Key_Return);
    QVERIFY(!scannedAgain);
    QCOMPARE(settings.result(), int(QDialog::Accepted));
    QCOMPARE(rig.state.connection.settings.deviceAddress, 7);
  }

  void otherPortsAreNotRedirected() {
    DemoRegulator demo(ModelKind::Klv40);
    WindowRig rig(Language::English, demo.Ports());
    rig.Start();
    std::string error;
    QVERIFY(demo.Start(1, rig.state.connection.dataFolder, error));
    rig.state.connection.settings.portNumber = 2;  // COM2: /dev/ttyS1 or its link, never the simulator
    const OpenPortResult opened = rig.state.connection.Open();
    if (opened.ok) {
      rig.state.connection.line.ClosePort();
      QSKIP("this machine has a COM2 device");
    }
    QVERIFY(opened.message.rfind("Port cannot be used", 0) == 0);
  }
};

QTEST_MAIN(DemoModeTest)
#include "demo_mode_test.moc"
