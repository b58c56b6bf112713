// The communication settings screen: what opening marks and corrects, what
// OK stores, the hidden protocol group, the port links.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <fstream>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>

#include "widgets/screen_controls.h"
#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "device/ui/comm_settings_dialog.h"
#include "serial/ui/port_links.h"
#include "support/fake_clock.h"
#include "serial/device_path_port.h"

using namespace klv;

namespace {

const std::vector<std::filesystem::path> kNoDevices;

// The screen over a connection whose port links live in folder.
struct SettingsRig {
  explicit SettingsRig(Connection& connection, const std::filesystem::path& folder = {},
                       std::vector<std::filesystem::path> devices = kNoDevices)
      : dialog(WithFolder(connection, folder), Language::English, nullptr, std::move(devices)) {}
  static Connection& WithFolder(Connection& connection, const std::filesystem::path& folder) {
    connection.dataFolder = folder;
    return connection;
  }
  CommSettingsDialog dialog;
};

template <class Button>
int Marked(CommSettingsDialog& screen, Button* (CommSettingsDialog::*button)(int) const, int count) {
  int marked = -1;
  for (int i = 0; i < count; ++i) {
    if ((screen.*button)(i)->isChecked()) {
      if (marked >= 0) return -2;  // two marked
      marked = i;
    }
  }
  return marked;
}

}  // namespace

class CommSettingsDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void openingMarksAndCorrects_data() {
    QTest::addColumn<int>("port");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stop");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("sampling");
    QTest::addColumn<int>("duration");
    // marked: port, speed (0 19200, 1 9600), parity, stop, timeout, sampling, duration; stored address, sampling, duration
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("defaults") << 1 << 9600 << 1 << 1 << 100 << 1 << 10 << 600 << QList<int>{0, 1, 0, 0, 1, 0, 0, 1, 10, 600};
    QTest::newRow("all second") << 12 << 19200 << 2 << 2 << 50 << 99 << 60 << 3600
                                << QList<int>{11, 0, 1, 1, 0, 1, 1, 99, 60, 3600};
    QTest::newRow("third choices") << 7 << 9600 << 3 << 1 << 200 << 5 << 300 << 86400
                                   << QList<int>{6, 1, 2, 0, 2, 2, 2, 5, 300, 86400};
    // A damaged file: everything replaced by the rules.
    QTest::newRow("out of range") << 13 << 4800 << 0 << 0 << 0 << 0 << 0 << 0
                                  << QList<int>{0, 1, 2, 1, 2, 0, 0, 1, 10, 600};
    QTest::newRow("negative") << -2 << -1 << -1 << -1 << -1 << 150 << -10 << -600
                              << QList<int>{0, 1, 2, 1, 2, 0, 0, 99, 10, 600};
  }
  void openingMarksAndCorrects() {
    QFETCH(int, port);
    QFETCH(int, speed);
    QFETCH(int, parity);
    QFETCH(int, stop);
    QFETCH(int, timeout);
    QFETCH(int, address);
    QFETCH(int, sampling);
    QFETCH(int, duration);
    QFETCH(QList<int>, expected);
    Connection connection;
    CommSettings& settings = connection.settings;
    settings.portNumber = port;
    settings.speed = speed;
    settings.parity = parity;
    settings.stopBits = stop;
    settings.readTimeout = timeout;
    settings.deviceAddress = address;
    settings.samplingInterval = sampling;
    settings.recordDuration = duration;
    settings.protocol = Protocol::ModbusAscii;
    SettingsRig screen(connection);
    CommSettingsDialog& s = screen.dialog;
    QCOMPARE(Marked(s, &CommSettingsDialog::PortButton, 12), expected[0]);
    QCOMPARE(Marked(s, &CommSettingsDialog::SpeedButton, 2), expected[1]);
    QCOMPARE(Marked(s, &CommSettingsDialog::ParityButton, 3), expected[2]);
    QCOMPARE(Marked(s, &CommSettingsDialog::StopBitButton, 2), expected[3]);
    QCOMPARE(Marked(s, &CommSettingsDialog::TimeoutButton, 3), expected[4]);
    QCOMPARE(Marked(s, &CommSettingsDialog::SamplingButton, 3), expected[5]);
    QCOMPARE(Marked(s, &CommSettingsDialog::DurationButton, 3), expected[6]);
    QCOMPARE(Marked(s, &CommSettingsDialog::ProtocolButton, 3), 0);  // TORVALEK, whatever is stored
    // Stored back on opening, also if the screen is then cancelled.
    QCOMPARE(settings.deviceAddress, expected[7]);
    QCOMPARE(s.AddressField()->text(), QString::number(expected[7]));
    QCOMPARE(settings.samplingInterval, expected[8]);
    QCOMPARE(settings.recordDuration, expected[9]);
    QCOMPARE(s.AddressSpin()->Lower(), 1);
    QCOMPARE(s.AddressSpin()->Upper(), 99);
    const CommSettings opened = settings;
    s.reject();
    QCOMPARE(settings, opened);
    QCOMPARE(settings.speed, speed);  // the rest waits for OK
  }

  void okStoresTheScreen() {
    Connection connection;
    CommSettings& settings = connection.settings;
    settings.speed = 4800;
    SettingsRig screen(connection);
    CommSettingsDialog& s = screen.dialog;
    s.PortButton(4)->click();  // COM05
    s.Plus12Box()->click();
    QCOMPARE(s.PortButton(0)->text(), QStringLiteral("COM13"));
    QCOMPARE(s.PortButton(4)->text(), QStringLiteral("COM17"));
    QCOMPARE(s.PortButton(11)->text(), QStringLiteral("COM24"));
    QVERIFY(s.PortButton(4)->isChecked());
    s.ParityButton(2)->click();
    s.TimeoutButton(0)->click();
    s.StopBitButton(1)->click();
    s.SamplingButton(2)->click();
    s.DurationButton(1)->click();
    s.AddressField()->setText(QStringLiteral("42"));
    s.OkButton()->click();
    QCOMPARE(s.result(), int(QDialog::Accepted));
    QCOMPARE(settings.portNumber, 5);
    QCOMPARE(settings.plus12, 1);
    QCOMPARE(settings.PortInUse(), 17);
    QCOMPARE(settings.speed, 9600);  // 4800 marked 9600
    QCOMPARE(settings.parity, 3);
    QCOMPARE(settings.readTimeout, 50);
    QCOMPARE(settings.stopBits, 2);
    QCOMPARE(settings.deviceAddress, 42);
    QCOMPARE(settings.protocol, Protocol::Torvalek);  // a new file's Modbus RTU is gone
    QCOMPARE(settings.samplingInterval, 300);
    QCOMPARE(settings.recordDuration, 3600);
  }

  void addressFieldIsReadAsLeadingDigits_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("stored");
    QTest::newRow("150") << "150" << 99;
    QTest::newRow("abc") << "abc" << 1;
    QTest::newRow("-3") << "-3" << 1;
    QTest::newRow("12ab") << "12ab" << 12;
    QTest::newRow("empty") << "" << 1;
    QTest::newRow("long") << "99999999" << 99;
  }
  void addressFieldIsReadAsLeadingDigits() {
    QFETCH(QString, typed);
    QFETCH(int, stored);
    Connection connection;
    CommSettings& settings = connection.settings;
    SettingsRig screen(connection);
    screen.dialog.AddressField()->setText(typed);
    screen.dialog.accept();
    QCOMPARE(settings.deviceAddress, stored);
  }

  void cancelChangesNothing() {
    Connection connection;
    CommSettings& settings = connection.settings;
    SettingsRig screen(connection);
    screen.dialog.PortButton(3)->click();
    screen.dialog.AddressField()->setText(QStringLiteral("7"));
    screen.dialog.CancelButton()->click();
    QCOMPARE(screen.dialog.result(), int(QDialog::Rejected));
    QCOMPARE(settings, CommSettings{});
  }

  void protocolGroupIsNeverShown() {
    Connection connection;
    SettingsRig screen(connection);
    screen.dialog.show();
    QVERIFY(screen.dialog.isVisible());
    QVERIFY(!screen.dialog.ProtocolGroup()->isVisible());
    QCOMPARE(screen.dialog.windowTitle(), QStringLiteral("Communication settings"));
  }

  void japaneseCaptions() {
    Connection connection;
    CommSettingsDialog screen(connection, Language::Japanese, nullptr, kNoDevices);
    QCOMPARE(screen.windowTitle(), QStringLiteral("通信設定"));
    QCOMPARE(screen.CancelButton()->text(), QStringLiteral("キャンセル"));
    QCOMPARE(screen.SpeedButton(0)->text(), QStringLiteral("19200"));
  }

  // The data record choices read as times of the screen's language.
  void dataRecordChoicesInBothLanguages_data() {
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<QStringList>("sampling");
    QTest::addColumn<QStringList>("duration");
    QTest::newRow("English") << false << QStringList{"10 sec", "1 min.", "5 min."}
                             << QStringList{"10 min.", "1 hour", "24 hour"};
    QTest::newRow("Japanese") << true << QStringList{"10秒", "1分", "5分"} << QStringList{"10分", "1時間", "24時間"};
  }
  void dataRecordChoicesInBothLanguages() {
    QFETCH(bool, japanese);
    QFETCH(QStringList, sampling);
    QFETCH(QStringList, duration);
    Connection connection;
    CommSettingsDialog screen(connection, japanese ? Language::Japanese : Language::English, nullptr, kNoDevices);
    QStringList samplingShown;
    QStringList durationShown;
    for (int i = 0; i < 3; ++i) {
      samplingShown << screen.SamplingButton(i)->text();
      durationShown << screen.DurationButton(i)->text();
    }
    QCOMPARE(samplingShown, sampling);
    QCOMPARE(durationShown, duration);
  }

  void okClosesAnOpenPort() {
    testing::FakeClock clock;
    sim::SimulatedRegulator regulator(sim::SimConfig{}, clock);
    sim::SimServer server(regulator);
    std::string error;
    QVERIFY2(server.OpenPseudoTerminal(error), error.c_str());
    Connection connection(DevicePathPortFactory(server.Path()));
    QVERIFY(connection.Open().ok);
    CommSettingsDialog screen(connection, Language::English, nullptr, kNoDevices);
    QVERIFY(connection.IsOpen());
    screen.accept();
    QVERIFY(!connection.IsOpen());
    // The next open opens it anew.
    QVERIFY(connection.Open().ok);
  }

  void portLinkShownAndAssigned() {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    const std::filesystem::path device = "/dev/serial/by-id/usb-FTDI_test-if00-port0";
    std::string error;
    QVERIFY(AssignPortLink(folder, 2, std::filesystem::path("/dev/ttyUSB7"), error));
    Connection connection;
    CommSettings& settings = connection.settings;
    settings.portNumber = 2;
    SettingsRig screen(connection, folder, {device, "/dev/ttyUSB0"});
    CommSettingsDialog& s = screen.dialog;
    // A link made by hand, to a device not found now, is shown and offered.
    QCOMPARE(s.DeviceLabel()->text(), QStringLiteral("COM2 \u2192 /dev/ttyUSB7"));
    QCOMPARE(s.DeviceChoice()->currentText(), QStringLiteral("/dev/ttyUSB7"));
    s.PortButton(0)->click();
    QCOMPARE(s.DeviceLabel()->text(), QStringLiteral("COM1 \u2192 /dev/ttyS0"));
    QCOMPARE(s.DeviceChoice()->currentIndex(), 0);
    QCOMPARE(s.DeviceChoice()->itemText(1), QString::fromStdString(device.string()));  // by-id first

    // COM14 (COM02 with "+ 12") onto the by-id device; COM2's link back to ttyS1.
    s.Plus12Box()->click();
    s.PortButton(1)->click();
    QVERIFY(QMetaObject::invokeMethod(s.DeviceChoice(), "activated", Q_ARG(int, 1)));
    QCOMPARE(s.DeviceLabel()->text(), QStringLiteral("COM14 \u2192 ") + QString::fromStdString(device.string()));
    s.Plus12Box()->click();
    QVERIFY(QMetaObject::invokeMethod(s.DeviceChoice(), "activated", Q_ARG(int, 0)));
    QCOMPARE(s.DeviceLabel()->text(), QStringLiteral("COM2 \u2192 /dev/ttyS1"));
    // Nothing changes on disk before OK.
    QCOMPARE(PortLinkTarget(folder, 14), std::nullopt);
    s.accept();
    QCOMPARE(PortLinkTarget(folder, 14), std::optional(device));
    QCOMPARE(PortLinkTarget(folder, 2), std::nullopt);
  }

  void networkEntryShownAsItsAddress() {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    std::filesystem::create_directories(folder / "ports");
    std::ofstream(folder / "ports" / "COM3") << "rfc2217://10.0.0.5:2217\n";
    Connection connection;
    connection.settings.portNumber = 3;
    SettingsRig screen(connection, folder, {"/dev/ttyUSB0"});
    CommSettingsDialog& s = screen.dialog;
    QCOMPARE(s.DeviceLabel()->text(), QStringLiteral("COM3 \u2192 rfc2217://10.0.0.5:2217"));
    QCOMPARE(s.DeviceChoice()->currentText(), QStringLiteral("rfc2217://10.0.0.5:2217"));
    // Kept as it is when OK is pressed; an address given to another number is written as an entry file.
    std::string error;
    QVERIFY(AssignPortLink(folder, 4, std::filesystem::path("tcp://10.0.0.6:4001"), error));
    s.accept();
    QCOMPARE(PortLinkTarget(folder, 3), std::optional<std::filesystem::path>("rfc2217://10.0.0.5:2217"));
    QCOMPARE(PortLinkTarget(folder, 4), std::optional<std::filesystem::path>("tcp://10.0.0.6:4001"));
    QVERIFY(!std::filesystem::is_symlink(folder / "ports" / "COM4"));
  }

  void portLinksCancelledAreNotWritten() {
    QTemporaryDir dir;
    const std::filesystem::path folder = dir.path().toStdString();
    Connection connection;
    SettingsRig screen(connection, folder, {"/dev/ttyUSB0"});
    QVERIFY(QMetaObject::invokeMethod(screen.dialog.DeviceChoice(), "activated", Q_ARG(int, 1)));
    screen.dialog.reject();
    QCOMPARE(PortLinkTarget(folder, 1), std::nullopt);
  }

  void serialDevicesByIdFirst() {
    QTemporaryDir dir;
    const std::filesystem::path dev = dir.path().toStdString();
    std::filesystem::create_directories(dev / "serial" / "by-id");
    for (const char* name : {"ttyUSB1", "ttyACM0", "ttyS0", "tty1", "ttyUSB0", "serial/by-id/usb-B", "serial/by-id/usb-A"}) {
      std::ofstream(dev / name).put('x');
    }
    const std::vector<std::filesystem::path> expected = {dev / "serial/by-id/usb-A", dev / "serial/by-id/usb-B",
                                                         dev / "ttyACM0", dev / "ttyUSB0", dev / "ttyUSB1"};
    QCOMPARE(FindSerialDevices(dev), expected);
  }
};

QTEST_MAIN(CommSettingsDialogTest)
#include "comm_settings_dialog_test.moc"
