// Compare with KLV and Verify after writing, driven through the main window
// against the simulated regulator on a pseudo-terminal.
#include <QCheckBox>
#include <QLabel>
#include <QTableWidget>
#include <QtTest>
#include <fstream>
#include <sstream>

#include "editor/ui/comparison_dialog.h"
#include "editor/ui/parameter_screen.h"
#include "editor/ui/simulated_device.h"
#include "editor/ui/window_rig.h"
#include "serial/device_path_port.h"

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

// The cells of the table row whose first cell is reg (the register), or
// whose second is reg for the model and options rows; empty when none.
QStringList RowOf(const QTableWidget* table, const QString& key) {
  for (int row = 0; row < table->rowCount(); ++row) {
    if (table->item(row, 0)->text() == key || table->item(row, 1)->text() == key) {
      QStringList cells;
      for (int column = 0; column < table->columnCount(); ++column) cells << table->item(row, column)->text();
      return cells;
    }
  }
  return {};
}

void SavePicture(QWidget& widget, const QString& name) {
  widget.adjustSize();
  widget.show();
  QVERIFY(widget.grab().save(QStringLiteral("/tmp/%1.png").arg(name)));
}

}  // namespace

class CompareVerifyTest : public QObject {
  Q_OBJECT

 private slots:
  void compareShowsTheDifferingRegisterAndLeavesTheScreenAlone() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    device.Preset(Register{0x012C}, 30);
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    const ParameterSet before = rig.state.parameters;
    const QString title = rig.Title();

    window.RunCommand(MenuItem::CompareWithDevice);

    QCOMPARE(rig.dialogs.settingsRuns, 1);
    QVERIFY(rig.dialogs.messages.empty());
    QCOMPARE(rig.dialogs.comparisons.size(), std::size_t{1});
    const ParameterComparison& comparison = rig.dialogs.comparisons[0];
    QVERIFY(!comparison.Equal());
    ComparisonDialog dialog(comparison, Language::English);
    QCOMPARE(dialog.Table()->rowCount(), 1);
    QCOMPARE(RowOf(dialog.Table(), QStringLiteral("012C")),
             (QStringList{"012C", "Slow-up", "10  (1.0 s)", "30  (3.0 s)"}));
    QCOMPARE(dialog.Summary()->text(), QStringLiteral("1 of 21 parameters differ."));
    // The screen, its model and the document are as they were.
    QCOMPARE(rig.state.parameters, before);
    QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    QCOMPARE(rig.Title(), title);
    QVERIFY(!window.Modified());
    QVERIFY(ReadText(rig.state.commLogPath).find(" < Parameter Read >") != std::string::npos);
  }

  void compareReportsEqualAnotherModelAndAnIncompleteRead() {
    {
      SimulatedDevice device(SimModel(ModelKind::Klv40));
      QVERIFY(device.Ready());
      WindowRig rig(Language::Japanese, DevicePathPortFactory(device.Path()));
      rig.Start();
      rig.window->CompareWithDevice();
      QCOMPARE(rig.dialogs.comparisons.size(), std::size_t{1});
      ComparisonDialog dialog(rig.dialogs.comparisons[0], Language::Japanese);
      QCOMPARE(dialog.Summary()->text(), QStringLiteral("相違なし"));
      QVERIFY(dialog.Table()->isHidden());
    }
    {
      SimulatedDevice device(SimModel(ModelKind::Klv30));
      QVERIFY(device.Ready());
      WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
      rig.Start();
      rig.window->CompareWithDevice();
      QCOMPARE(rig.dialogs.comparisons.size(), std::size_t{1});
      ComparisonDialog dialog(rig.dialogs.comparisons[0], Language::English);
      QCOMPARE(RowOf(dialog.Table(), QStringLiteral("Model")), (QStringList{"", "Model", "KLV40", "KLV30"}));
      QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    }
    {
      SimulatedDevice device(SimModel(ModelKind::Klv40));
      QVERIFY(device.Ready());
      sim::FaultPlan silent;
      silent.AddRegisterFault(Register{0x012D}, {sim::FaultKind::Silent, {}});
      device.Faults(silent);
      WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
      rig.Start();
      rig.window->CompareWithDevice();
      // Nothing is shown as equal: no table, only the read's own message.
      QVERIFY(rig.dialogs.comparisons.empty());
      QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
      QVERIFY2(rig.dialogs.messages[0].text.rfind("Parameter reading incomplete: 20 of 21", 0) == 0,
               rig.dialogs.messages[0].text.c_str());
    }
  }

  void compareTablePictures() {
    ParameterSet screen;
    LoadDefaults(screen, ModelKind::Klv40);
    ParameterSet device = screen;
    screen.slowUpTime = 25;
    device.slowUpTime = 30;
    device.rampLowerLimit = -2;
    device.controlInputRange = 4;
    device.optionFlags = kOptionAnalogOutput;
    for (const Language language : {Language::English, Language::Japanese}) {
      const ParameterComparison comparison =
          CompareParameters(screen, ModelKind::Klv40, device, ModelKind::Klv40, language);
      ComparisonDialog dialog(comparison, language);
      QCOMPARE(dialog.Table()->rowCount(), 4);  // the options and three parameters
      SavePicture(dialog, language == Language::English ? "compare-table-en" : "compare-table-ja");
    }
  }

  void verifyAfterWritingIsStoredInTheProgramsOwnFile() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    rig.dialogs.verifyChoice = true;
    window.CommunicationSettings();
    QVERIFY(rig.state.options.verifyAfterWrite);
    QVERIFY(ReadText(rig.DataFolder() / "KlvLoader.conf").find("verify-after-write=1\n") != std::string::npos);
    // Cancel keeps the choice and the file.
    rig.dialogs.verifyChoice = false;
    rig.dialogs.settingsAnswers = {false};
    window.CommunicationSettings();
    QVERIFY(rig.state.options.verifyAfterWrite);
    QVERIFY(window.Exit());
    // KlvTool.ini keeps its 24 bytes; the next start reads the choice back.
    QCOMPARE(ReadBytes(rig.SettingsFile()).size(), std::size_t{24});
    ProgramState next(rig.clock);
    QVERIFY(SetSharedPaths(next, DataFolderOutcome{true, rig.DataFolder(), {}}));
    LoadProgramSettings(next);
    QVERIFY(next.options.verifyAfterWrite);

    // The real screen shows the box only where the program binds it, in the language.
    bool verify = true;
    CommSettingsDialog screen(rig.state.connection, Language::Japanese, nullptr, std::vector<std::filesystem::path>{});
    QVERIFY(screen.VerifyAfterWriteBox()->isHidden());
    screen.BindVerifyAfterWrite(verify);
    QVERIFY(!screen.VerifyAfterWriteBox()->isHidden());
    QVERIFY(screen.VerifyAfterWriteBox()->isChecked());
    QCOMPARE(screen.VerifyAfterWriteBox()->text(), QStringLiteral("書込み後に照合"));
    screen.VerifyAfterWriteBox()->setChecked(false);
    screen.accept();
    QVERIFY(!verify);
    SavePicture(screen, "comm-settings-verify-ja");
  }

  // An adapter that echoes every request: the box is kept in the program's
  // own file, and the next read goes through it only with the box ticked.
  void localEchoIsStoredAndUsedByTheNextTransfer() {
    SimulatedDevice device(SimModel(ModelKind::Klv30));
    QVERIFY(device.Ready());
    device.LocalEcho(true);
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    rig.state.connection.settings.readTimeout = 200;  // the longest the line allows: a busy machine is slow
    window.ReadFromDevice();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QVERIFY2(rig.dialogs.Texts().at(0).starts_with("KLV"), rig.dialogs.Texts().at(0).c_str());
    QVERIFY(rig.dialogs.Texts().at(0).find("reading complete") == std::string::npos);

    rig.dialogs.echoChoice = true;
    window.CommunicationSettings();
    QVERIFY(rig.state.options.localEcho);
    QVERIFY(ReadText(rig.DataFolder() / "KlvLoader.conf").find("local-echo=1\n") != std::string::npos);
    QCOMPARE(ReadBytes(rig.SettingsFile()).size(), std::size_t{24});
    window.ReadFromDevice();
    QCOMPARE(rig.dialogs.Texts().back(), std::string("--- KLV30 Parameter reading complete ---"));

    // The next start takes the choice back from the file.
    ProgramState next(rig.clock);
    QVERIFY(SetSharedPaths(next, DataFolderOutcome{true, rig.DataFolder(), {}}));
    LoadProgramSettings(next);
    QVERIFY(next.connection.localEcho);

    // The real screen names the box in the language.
    bool echo = false;
    CommSettingsDialog screen(rig.state.connection, Language::Japanese, nullptr, std::vector<std::filesystem::path>{});
    screen.BindLocalEcho(echo);
    QVERIFY(!screen.LocalEchoBox()->isHidden());
    QCOMPARE(screen.LocalEchoBox()->text(), QStringLiteral("ローカルエコー"));
    screen.LocalEchoBox()->setChecked(true);
    screen.accept();
    QVERIFY(echo);
  }

  void writeWithVerifyReportsTheReadBack_data() {
    QTest::addColumn<bool>("stuck");
    QTest::addColumn<QString>("message");
    QTest::newRow("equal") << false
                           << "--- KLV40 Parameter writing complete ---\nVerified: all 21 registers read back equal";
    QTest::newRow("stuck") << true
                           << "--- KLV40 Parameter writing complete ---\nVerification failed: 1 of 21 registers do "
                              "not read back equal\n  012C: written 10, read back 30";
  }
  void writeWithVerifyReportsTheReadBack() {
    QFETCH(bool, stuck);
    QFETCH(QString, message);
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    device.Preset(Register{0x012C}, 30);
    if (stuck) {
      sim::FaultPlan plan;
      plan.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Stuck, {}});
      device.Faults(plan);
    }
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    rig.dialogs.verifyChoice = true;
    window.WriteToDevice();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(Q(rig.dialogs.messages[0].text), message);
    // The log shows the read-backs after the writes.
    const std::string log = ReadText(rig.state.commLogPath);
    const std::size_t lastWrite = log.rfind("PC->KLV: (STX)011W");
    QVERIFY(lastWrite != std::string::npos);
    QVERIFY(log.find("PC->KLV: (STX)011R012C0", lastWrite) != std::string::npos);
    // The unit's report names the regulator and what the read-back found.
    QVERIFY(window.Provenance().has_value());
    QCOMPARE(window.Provenance()->source, UnitProvenance::Source::VerifiedWrite);
    QCOMPARE(window.Provenance()->verification.status,
             stuck ? ReportVerification::Status::Differs : ReportVerification::Status::Equal);
    QVERIFY(message.endsWith(Q(window.Provenance()->verification.details)));
  }
};

QTEST_MAIN(CompareVerifyTest)
#include "compare_verify_test.moc"
