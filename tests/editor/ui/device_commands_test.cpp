// Read from KLV and Write in KLV driven through the main window against the
// simulated regulator on a pseudo-terminal: reports, a model switch by a
// read, the refusals of a write, and comlog.txt.
#include <QProgressBar>
#include <QRadioButton>
#include <QtTest>
#include <fstream>
#include <sstream>

#include "editor/parameter_file.h"
#include "editor/ui/parameter_screen.h"
#include "editor/ui/simulated_device.h"
#include "editor/ui/window_rig.h"
#include "serial/device_path_port.h"
#include "transfer/ui/transfer_progress_dialog.h"

using namespace klv;
using namespace klv::window_test;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

int CountLines(const std::string& text) {
  int lines = 0;
  for (std::size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2)) ++lines;
  return lines;
}

// Notes, for each message, whether it came from a progress window that was
// open at the time.
struct MessageOwners {
  explicit MessageOwners(ScriptedDialogs& dialogs) {
    dialogs.onMessage = [this](const ShownMessage& message) {
      auto* progress = qobject_cast<TransferProgressDialog*>(message.owner);
      fromOpenProgress.push_back(progress != nullptr && progress->isVisible());
    };
  }
  std::vector<bool> fromOpenProgress;
};

bool KeyLockOn(MainWindow& window) { return window.Screen().Radio(RadioGroup::KeyLock, 1)->isChecked(); }

}  // namespace

class DeviceCommandsTest : public QObject {
  Q_OBJECT

 private slots:
  void readSwitchesToConnectedModel() {
    SimulatedDevice device(SimModel(ModelKind::Klv30));
    QVERIFY(device.Ready());
    device.Preset(Register{0x0120}, 1);  // key lock ON
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.show();
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    rig.dialogs.saveAnswers = {SaveAnswer::No};
    MessageOwners owners(rig.dialogs);

    window.ReadFromDevice();

    QCOMPARE(Q(rig.dialogs.questions.at(0)), QStringLiteral("Save changes to Untitled?"));
    QCOMPARE(rig.dialogs.settingsRuns, 1);
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), QStringLiteral("--- KLV30 Parameter reading complete ---"));
    QCOMPARE(rig.dialogs.messages.at(0).owner, static_cast<QWidget*>(&window));
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30);
    QCOMPARE(window.Screen().Model(), ModelKind::Klv30);
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30 - Untitled"));
    QVERIFY(!window.Modified());
    QCOMPARE(rig.state.parameters.keyLock, int16_t{1});
    QVERIFY(KeyLockOn(window));  // the screen shows what was read
    QCOMPARE(rig.state.parameters.optionDetect, uint16_t{1});
    const std::string log = ReadText(rig.state.commLogPath);
    QVERIFY(log.find(" < Parameter Read >") != std::string::npos);
    QVERIFY(log.find("R0120") != std::string::npos || log.find("120") != std::string::npos);
    QVERIFY(rig.dialogs.Texts().size() == 1);
  }

  void readFromSilentDeviceFails() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    sim::FaultPlan silent;
    silent.AddRegisterFault(std::nullopt, sim::Fault{sim::FaultKind::Silent, {}});
    device.Faults(silent);
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.ChooseModel(ModelKind::Klv30E);
    window.ReadFromDevice();
    // Nothing answered: the failure says what was tried and what to do next,
    // and that the model it names is only the one selected.
    const QString said = Q(rig.dialogs.Texts().at(0));
    const QStringList lines = said.split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 4);
    QCOMPARE(lines.at(0), QStringLiteral("KLV30E Parameter reading failure"));
    QVERIFY2(lines.at(1).startsWith(QStringLiteral("No reply from address 1 on COM1 (")), qPrintable(said));
    QVERIFY2(lines.at(1).endsWith(QStringLiteral(", 9600 E 7 1, TORVALEK, 100 ms).")), qPrintable(said));
    QCOMPARE(lines.at(2), QStringLiteral("KLV30E is the model selected, not one detected."));
    QCOMPARE(lines.at(3), QStringLiteral("Check the cable and the address, or use Find device (Tools > Communication "
                                         "settings); the exchange is in comlog.txt."));
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30E);
    QCOMPARE(rig.state.transfer.readResult, int16_t{0});
    // Header, empty line, 0110 and 0119 without replies.
    const std::string log = ReadText(rig.state.commLogPath);
    // Header, empty line, then 0110 and 0119 each with an empty reply line and a gap.
    QCOMPARE(CountLines(log), 2 + 2 * 3);
    QVERIFY(log.find("001. PC->KLV: (STX)011R01100(ETX)DB(CR)") != std::string::npos);
    QVERIFY(log.find("003. PC->KLV: (STX)011R01190(ETX)E4(CR)") != std::string::npos);
  }

  void readWithPortThatCannotOpenChangesNothing() {
    WindowRig rig(Language::English, DevicePathPortFactory("/nonexistent/klv-port"));
    MainWindow& window = rig.Start();
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    rig.dialogs.saveAnswers = {SaveAnswer::No};
    window.ReadFromDevice();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QVERIFY(Q(rig.dialogs.Texts().at(0)).startsWith(QStringLiteral("Port cannot be used")));
    QVERIFY(KeyLockOn(window));  // the screen keeps what it showed
    QVERIFY(window.Modified());
    QVERIFY(!std::filesystem::exists(rig.state.commLogPath));
  }

  // The device goes away halfway through the read: nothing read is used, so
  // the open file's values stay on the screen and a later Save writes them
  // back unchanged, not defaults or a mix.
  void readThatFailsHalfwayLeavesTheOpenFileAsItWas() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    sim::FaultPlan plan;
    plan.SetHangUpAfter(15);
    device.Faults(plan);
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.ChooseModel(ModelKind::Klv30);
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    const auto file = rig.Folder() / "unit7.klv";
    rig.state.parameters.keyLock = 1;
    QVERIFY(WriteParameterFile(file, rig.state.parameters, ModelKind::Klv30).ok);
    window.LoadParameterFile(file, false);
    const std::string before = ReadText(file);
    const QString title = rig.Title();
    QVERIFY(KeyLockOn(window));
    QVERIFY(!window.Modified());

    window.ReadFromDevice();

    QVERIFY2(Q(rig.dialogs.Texts().at(0)).startsWith(QStringLiteral("Parameter reading incomplete: ")),
             qPrintable(Q(rig.dialogs.Texts().at(0))));
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30);
    QCOMPARE(window.Screen().Model(), ModelKind::Klv30);
    QCOMPARE(rig.Title(), title);
    QVERIFY(!window.Modified());
    QVERIFY(KeyLockOn(window));
    QVERIFY(window.SaveDocument());  // Ctrl+S
    QCOMPARE(ReadText(file), before);
  }

  void readCancelledInSettingsChangesNothing() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    rig.dialogs.saveAnswers = {SaveAnswer::No};
    rig.dialogs.settingsAnswers = {false};
    window.ReadFromDevice();
    QVERIFY(rig.dialogs.messages.empty());
    QVERIFY(window.Modified());  // nothing was read: the changes are still unsaved
    QVERIFY(KeyLockOn(window));
    QCOMPARE(device.Exchanges(), uint64_t{0});
  }

  void writeSendsWhatTheScreenShows() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    window.WriteToDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), QStringLiteral("--- KLV40 Parameter writing complete ---"));
    QCOMPARE(device.Parameters().keyLock, int16_t{1});
    QVERIFY(window.Modified());  // a write does not touch the flag
    QVERIFY(ReadText(rig.state.commLogPath).find(" < Parameter Write >") != std::string::npos);
  }

  void writeRefusals_data() {
    QTest::addColumn<int>("deviceModel");
    QTest::addColumn<int>("options");
    QTest::addColumn<bool>("voltageOnScreen");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("model differs") << int(ModelKind::Klv30) << 0 << false << "Model differs";
    QTest::newRow("options differ") << int(ModelKind::Klv40) << int(kOptionAlarmOutput2) << false
                                    << "< Optional information differs >            \n\n  Optional information of "
                                       "connected device\n\n    Analog input\t :  OFF\n    Alarm output 2\t :   ON\n"
                                       "    Digital control output\t :  OFF\n    Analog output\t :  OFF\n\nConfirm "
                                       "screen setting";
    QTest::newRow("control input differs") << int(ModelKind::Klv40) << 0 << true
                                           << "< Control input type differs >            \n\n  Control input type of "
                                              "connected device\n\nCurrent input ( 4-20mA, 0-20mA )\n\nConfirm "
                                              "screen setting";
  }
  void writeRefusals() {
    QFETCH(int, deviceModel);
    QFETCH(int, options);
    QFETCH(bool, voltageOnScreen);
    QFETCH(QString, refusal);
    SimulatedDevice device(SimModel(static_cast<ModelKind>(deviceModel), static_cast<uint16_t>(options)));
    QVERIFY(device.Ready());
    const ParameterSet before = device.Parameters();
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.show();
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    if (voltageOnScreen) {
      window.Screen().VoltageButton()->click();
      window.Screen().Radio(RadioGroup::ControlInput, 4)->click();  // 0-10V
      QVERIFY(window.Screen().Radio(RadioGroup::ControlInput, 4)->isChecked());
    }
    MessageOwners owners(rig.dialogs);

    window.WriteToDevice();

    QCOMPARE(rig.dialogs.messages.size(), std::size_t{2});
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), refusal);
    // The worker's message, owned by the progress window, which stays open behind it.
    QCOMPARE(owners.fromOpenProgress, std::vector<bool>({true, false}));
    QCOMPARE(Q(rig.dialogs.Texts().at(1)), QStringLiteral("KLV40 Parameter writing failure"));
    QCOMPARE(device.Parameters(), before);  // nothing written
    QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    QVERIFY(std::filesystem::exists(rig.state.commLogPath));
  }

  void japaneseReportsAndStatus() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    WindowRig rig(Language::Japanese, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    window.ReadFromDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(0)), QStringLiteral("--- KLV40 パラメータ読出し終了 ---"));
    window.WriteToDevice();
    QCOMPARE(Q(rig.dialogs.Texts().at(1)), QStringLiteral("--- KLV40 パラメータ書込み終了 ---"));
  }
};

QTEST_MAIN(DeviceCommandsTest)
#include "device_commands_test.moc"
