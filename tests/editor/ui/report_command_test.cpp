// File > Report… in the main window: the note and the choice come from the
// dialogs' seam, the PDF is read back with pdftotext, and the device's
// identity appears only while the screen holds the set the regulator gave.
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QPushButton>
#include <QtTest>

#include "editor/parameter_file.h"
#include "editor/ui/parameter_screen.h"
#include "model/register_catalogue.h"
#include "editor/ui/report_dialog.h"
#include "editor/ui/window_rig.h"
#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "support/pdf_text.h"
#include "serial/device_path_port.h"
#include "serial/port_device.h"
#include "serial/line_settings.h"

using namespace klv;
using namespace klv::window_test;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

ReportRequest Pdf(std::string note) { return ReportRequest{std::move(note), ReportRequest::Output::Pdf}; }

std::string FactValue(const UnitReport& report, std::string_view label) {
  for (const ReportFact& fact : report.facts) {
    if (fact.label == label) return fact.value;
  }
  return "(no fact " + std::string(label) + ")";
}

// klv-sim serving one regulator on a pseudo-terminal of its own thread.
class Device {
 public:
  explicit Device(ModelKind model, uint16_t options) : regulator_(Config(model, options), clock_), server_(regulator_) {
    std::string error;
    ready_ = server_.OpenPseudoTerminal(error) && server_.Start();
  }
  bool Ready() const { return ready_; }
  const std::string& Path() const { return server_.Path(); }

 private:
  static sim::SimConfig Config(ModelKind model, uint16_t options) {
    sim::SimConfig config;
    config.model = model;
    config.options = options;
    return config;
  }
  testing::FakeClock clock_;
  sim::SimulatedRegulator regulator_;
  sim::SimServer server_;
  bool ready_ = false;
};

}  // namespace

class ReportCommandTest : public QObject {
  Q_OBJECT

 private slots:
  void menuItemInBothLanguages_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QString>("caption");
    QTest::newRow("English") << static_cast<int>(Language::English) << QStringLiteral("Report…");
    QTest::newRow("Japanese") << static_cast<int>(Language::Japanese) << QStringLiteral("レポート…");
  }
  void menuItemInBothLanguages() {
    QFETCH(int, language);
    QFETCH(QString, caption);
    WindowRig rig(static_cast<Language>(language));
    MainWindow& window = rig.Start();
    QAction* report = window.Action(MenuItem::Report);
    QVERIFY(report != nullptr);
    QCOMPARE(report->text(), caption);
    QVERIFY(window.Popup(MenuItem::File)->actions().contains(report));
  }

  // The screen as it stands (an edit not yet saved included) goes into the
  // PDF with the note, the file's path and the time of the fake clock.
  void savesThePdfOfTheScreen_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("English") << static_cast<int>(Language::English)
                             << QStringList{"Parameter report", "KLV30", "oven3.klv", "SN-7", "2026-12-09 08:05:03",
                                            "Key lock", "ON", "not read from a regulator in this session"};
    QTest::newRow("Japanese") << static_cast<int>(Language::Japanese)
                              << QStringList{"パラメータ設定レポート", "KLV30", "oven3.klv", "SN-7", "キーロック",
                                             "照合していません"};
  }
  void savesThePdfOfTheScreen() {
    QFETCH(int, language);
    QFETCH(QStringList, words);
    WindowRig rig(static_cast<Language>(language));
    ParameterSet set;
    LoadDefaults(set, ModelKind::Klv30);
    const std::filesystem::path klv = rig.Folder() / "oven3.klv";
    QVERIFY(WriteParameterFile(klv, set, ModelKind::Klv30).ok);
    MainWindow& window = rig.Start(klv);
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();  // key lock ON, not saved
    const std::filesystem::path pdf = rig.Folder() / "unit.pdf";
    rig.dialogs.reportRequests = {Pdf("SN-7")};
    rig.dialogs.reportChoices = {pdf};

    window.RunCommand(MenuItem::Report);

    QCOMPARE(Q(rig.dialogs.reportDialogNames.at(0)), QStringLiteral("oven3-SN-7.pdf"));
    QCOMPARE(rig.dialogs.Texts().size(), std::size_t{1});
    QVERIFY2(rig.dialogs.Texts().at(0).ends_with(": " + pdf.string()), rig.dialogs.Texts().at(0).c_str());
    const std::optional<std::string> text = testing::PdfText(pdf);
    QVERIFY2(text.has_value(), "pdftotext (poppler-utils) could not read the report");
    for (const QString& word : words) QVERIFY2(text->find(word.toStdString()) != std::string::npos, qPrintable(word));
    QVERIFY(window.Modified());  // a report saves no parameter file

    // The next report offers the same note again.
    window.Report();
    QCOMPARE(Q(rig.dialogs.reportNotesOffered.at(1)), QStringLiteral("SN-7"));
  }

  // The next unit's serial number typed over the last one's note replaces it.
  void typedNoteReplacesTheLastOne_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("English") << static_cast<int>(Language::English);
    QTest::newRow("Japanese") << static_cast<int>(Language::Japanese);
  }
  void typedNoteReplacesTheLastOne() {
    QFETCH(int, language);
    WindowRig rig(static_cast<Language>(language));
    MainWindow& window = rig.Start();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const std::filesystem::path first = rig.Folder() / "first.pdf";
    const std::filesystem::path second = rig.Folder() / "second.pdf";
    rig.dialogs.reportChoices = {first, second};
    rig.dialogs.reportTyping = QStringLiteral("SN 4711 Oven line 3");
    window.Report();
    rig.dialogs.reportTyping = QStringLiteral("SN 4712");
    window.Report();

    QCOMPARE(Q(rig.dialogs.reportNotesOffered.at(1)), QStringLiteral("SN 4711 Oven line 3"));
    const std::optional<std::string> text = testing::PdfText(second);
    QVERIFY2(text.has_value(), "pdftotext (poppler-utils) could not read the report");
    QVERIFY2(text->find("SN 4712") != std::string::npos, text->c_str());
    QVERIFY2(text->find("4711") == std::string::npos, text->c_str());
  }

  // Cancelling either dialog, printing, a printer that fails, and a folder
  // that is not there: what is shown and what is left on disk.
  // A new document is "無題" in Japanese, and so is its report's name.
  void untitledReportNameInJapanese() {
    WindowRig rig(Language::Japanese);
    MainWindow& window = rig.Start();
    QCOMPARE(Q(window.DocumentTitle()), QStringLiteral("無題"));
    QVERIFY(window.windowTitle().endsWith(QStringLiteral(" - 無題")));
    rig.dialogs.reportRequests = {Pdf("")};
    window.Report();  // the file dialog is cancelled
    QCOMPARE(Q(rig.dialogs.reportDialogNames.at(0)), QStringLiteral("無題.pdf"));
  }

  void cancelPrintAndFailure() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    const std::filesystem::path old = rig.Folder() / "old.pdf";
    WriteBytes(old, {'o', 'l', 'd'});

    window.Report();  // the note dialog is cancelled
    QVERIFY(rig.dialogs.reportDialogNames.empty());
    QVERIFY(rig.dialogs.messages.empty());

    rig.dialogs.reportRequests = {Pdf("")};
    window.Report();  // the file dialog is cancelled
    QCOMPARE(Q(rig.dialogs.reportDialogNames.at(0)), QStringLiteral("Untitled.pdf"));
    QVERIFY(rig.dialogs.messages.empty());

    rig.dialogs.reportRequests = {ReportRequest{"SN-9", ReportRequest::Output::Print}};
    window.Report();
    QCOMPARE(rig.dialogs.printedReports.size(), std::size_t{1});
    QCOMPARE(Q(FactValue(rig.dialogs.printedReports.at(0), "Serial number or note")), QStringLiteral("SN-9"));
    QCOMPARE(rig.dialogs.reportDialogNames.size(), std::size_t{1});  // no file dialog for printing
    QVERIFY(rig.dialogs.messages.empty());

    rig.dialogs.printAnswer = PrintOutcome::Failed;
    rig.dialogs.reportRequests = {ReportRequest{"", ReportRequest::Output::Print}};
    window.Report();
    QCOMPARE(rig.dialogs.Texts(), std::vector<std::string>{"Report cannot be printed"});

    const std::filesystem::path missing = rig.Folder() / "gone" / "r.pdf";
    rig.dialogs.reportRequests = {Pdf("")};
    rig.dialogs.reportChoices = {missing};
    window.Report();
    QVERIFY2(rig.dialogs.Texts().at(1).starts_with("Report cannot be saved: " + missing.string() + " ("),
             rig.dialogs.Texts().at(1).c_str());
    QVERIFY(!std::filesystem::exists(missing.parent_path()));
    QCOMPARE(ReadBytes(old), (std::vector<uint8_t>{'o', 'l', 'd'}));
  }

  // Read, write with the read-back check, one more edit: the report names
  // the check (when, where, what it found) and says the set changed since.
  // New or another file drops it.
  void reportKnowsWhatWasVerified() {
    Device device(ModelKind::Klv40, kOptionAlarmOutput2);
    QVERIFY(device.Ready());
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    rig.state.connection.settings.readTimeout = 200;
    rig.state.connection.settings.deviceAddress = 1;
    rig.state.options.verifyAfterWrite = true;
    QVERIFY(!window.Provenance().has_value());

    window.ReadFromDevice();
    rig.dialogs.reportRequests = {ReportRequest{"", ReportRequest::Output::Print}};
    window.Report();
    const UnitReport& read = rig.dialogs.printedReports.at(0);
    QCOMPARE(Q(FactValue(read, "Device")), QStringLiteral("Model code 0028 (KLV40), read 2026-12-09 08:05:03"));
    QCOMPARE(Q(FactValue(read, "Verification")),
             QStringLiteral("not verified: the set as read from the regulator, every register answered"));

    window.WriteToDevice();
    QVERIFY2(rig.dialogs.Texts().back().find("read back equal") != std::string::npos, rig.dialogs.Texts().back().c_str());
    window.Screen().Radio(RadioGroup::KeyLock, 1)->click();
    const std::filesystem::path pdf = rig.Folder() / "unit7.pdf";
    rig.dialogs.reportRequests = {ReportRequest{"", ReportRequest::Output::Print}, Pdf("SN 4712")};
    rig.dialogs.reportChoices = {pdf};
    window.Report();
    const UnitReport& edited = rig.dialogs.printedReports.at(1);
    QCOMPARE(Q(FactValue(edited, "Device")), QStringLiteral("Model code 0028 (KLV40), written 2026-12-09 08:05:03"));
    const std::string port = "COM1 (" + ResolvePortDevice(1, rig.state.connection.dataFolder).string() + ")";
    QCOMPARE(FactValue(edited, "Connection"), port + ", address 1, 9600 E 7 1, TORVALEK, 200 ms");
    QVERIFY(FactValue(edited, "Verification")
                .starts_with("changed after verification on 2026-12-09 08:05:03 (then: Verified: all "));
    window.Report();

    const std::optional<std::string> text = testing::PdfText(pdf);
    QVERIFY2(text.has_value(), "pdftotext (poppler-utils) could not read the report");
    for (const char* word : {"Model code 0028 (KLV40)", "changed after verification on", "Alarm output 2", "SN 4712",
                             "Checked by", "Signature"}) {
      QVERIFY2(text->find(word) != std::string::npos, (std::string(word) + "\n" + *text).c_str());
    }
    for (const char* gone : {"not read from a regulator", "not verified", "optionFlags", "register 0110"}) {
      QVERIFY2(text->find(gone) == std::string::npos, (std::string(gone) + "\n" + *text).c_str());
    }

    rig.dialogs.saveAnswers = {SaveAnswer::No};
    window.NewDocument();
    QVERIFY(!window.Provenance().has_value());
  }

  // The last note comes up selected in the field with the focus.
  void lastNoteComesUpSelected() {
    for (const Language language : {Language::English, Language::Japanese}) {
      ReportDialog dialog(language, "SN 4711 Oven line 3", nullptr);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowActive(&dialog));
      QCOMPARE(QApplication::focusWidget(), dialog.NoteField());
      QCOMPARE(dialog.NoteField()->selectedText(), QStringLiteral("SN 4711 Oven line 3"));
    }
  }

  void reportDialogChoices() {
    for (const bool print : {false, true}) {
      ReportDialog dialog(Language::English, "SN-1", nullptr);
      QCOMPARE(dialog.NoteField()->text(), QStringLiteral("SN-1"));
      dialog.NoteField()->setText(QStringLiteral("  unit 7  "));
      (print ? dialog.PrintButton() : dialog.SaveButton())->click();
      QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
      QCOMPARE(Q(dialog.Request().note), QStringLiteral("unit 7"));
      QCOMPARE(dialog.Request().output, print ? ReportRequest::Output::Print : ReportRequest::Output::Pdf);
    }
  }

  void screenshots() {
    for (const Language language : {Language::English, Language::Japanese}) {
      ReportDialog dialog(language, "SN 12345", nullptr);
      dialog.show();
      QVERIFY(QTest::qWaitForWindowExposed(&dialog));
      const QString name = language == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
      QVERIFY(dialog.grab().save(QStringLiteral("/tmp/klv-report-dialog-%1.png").arg(name)));
    }
  }
};

QTEST_MAIN(ReportCommandTest)
#include "report_command_test.moc"
