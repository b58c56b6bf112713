// "Find device" on the communication settings screen: the scan runs off the
// window thread against simulated regulators behind fake ports, lists what
// it finds, stops on request, and hands the settings of a found regulator to
// the screen.
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <map>
#include <set>
#include <memory>
#include <thread>

#include "device/ui/find_device_dialog.h"
#include "widgets/screen_controls.h"
#include "sim/simulated_regulator.h"
#include "serial/line_settings.h"
#include "device/ui/comm_settings_dialog.h"
#include "serial/ui/port_links.h"
#include "support/fake_clock.h"

using namespace klv;

namespace {

// Regulators behind device paths, each answering only at its own line.
struct Bench {
  struct Unit {
    LineSettings line;
    std::unique_ptr<sim::SimulatedRegulator> regulator;
  };
  testing::FakeClock clock;
  std::map<std::filesystem::path, Unit> units;
  std::set<std::filesystem::path> silent;  // open, nobody answers
  bool slow = false;                       // each read takes 1 ms of real time

  void Add(const std::filesystem::path& device, int32_t speed, int32_t parity, int32_t stopBits, int address) {
    CommSettings settings;
    settings.speed = speed;
    settings.parity = parity;
    settings.stopBits = stopBits;
    settings.protocol = Protocol::Torvalek;
    settings.readTimeout = 50;
    sim::SimConfig config;
    config.deviceAddress = address;
    config.options = kOptionAnalogOutput;
    units[device] = Unit{BuildLineSettings(settings), std::make_unique<sim::SimulatedRegulator>(config, clock)};
  }
  SerialPortFactory Factory();
};

class BenchPort final : public SerialPort {
 public:
  explicit BenchPort(Bench& bench) : bench_(bench) {}
  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override {
    const auto unit = bench_.units.find(device);
    if (unit == bench_.units.end() && bench_.silent.count(device) == 0) {
      return {PortStatus::CannotOpen, device.string() + ": no such device"};
    }
    unit_ = unit == bench_.units.end() ? nullptr : &unit->second;
    settings_ = settings;
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override {
    if (unit_ != nullptr && settings_ == unit_->line) {
      const std::vector<uint8_t> reply = unit_->regulator->Handle(bytes);
      input_.insert(input_.end(), reply.begin(), reply.end());
    }
    return {true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest&) override {
    if (bench_.slow) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const std::size_t count = std::min(buffer.size(), input_.size());
    std::copy_n(input_.begin(), count, buffer.begin());
    input_.erase(input_.begin(), input_.begin() + static_cast<std::ptrdiff_t>(count));
    return count;
  }
  void DiscardInput() override { input_.clear(); }
  void Close() override { open_ = false; }

 private:
  Bench& bench_;
  Bench::Unit* unit_ = nullptr;
  LineSettings settings_;
  bool open_ = false;
  std::deque<uint8_t> input_;
};

SerialPortFactory Bench::Factory() {
  return [this] { return std::make_unique<BenchPort>(*this); };
}

// The screen on COM3 (no link: /dev/ttyS2, which the bench cannot open) at
// 9600 bps, even parity, 1 stop bit, address 1, offering /dev/ttyUSB7.
struct ScreenRig {
  explicit ScreenRig(const std::filesystem::path& folder, Language language = Language::English)
      : screen(Start(connection, folder), language, nullptr, std::vector<std::filesystem::path>{"/dev/ttyUSB7"}),
        settings(connection.settings) {
    screen.SetScanPortFactory(bench.Factory());
  }
  static Connection& Start(Connection& connection, const std::filesystem::path& folder) {
    connection.settings.portNumber = 3;
    connection.settings.protocol = Protocol::Torvalek;
    connection.dataFolder = folder;
    return connection;
  }
  Bench bench;
  Connection connection;
  CommSettingsDialog screen;
  const CommSettings& settings;
};

void SaveShot(QWidget& widget, const QString& name) {
  const QByteArray folder = qgetenv("KLV_SHOT_DIR");
  if (folder.isEmpty()) return;
  widget.grab().save(QString::fromUtf8(folder) + QLatin1Char('/') + name + QStringLiteral(".png"));
}

}  // namespace

class FindDeviceTest : public QObject {
  Q_OBJECT

 private slots:
  void takingAFoundRegulatorSetsTheScreenAndOkStoresIt() {
    QTemporaryDir folder;
    ScreenRig rig(folder.path().toStdString());
    rig.bench.Add("/dev/ttyUSB7", 19200, 2, 2, 57);
    QCOMPARE(rig.screen.FindDeviceButton()->text(), QStringLiteral("&Find device"));

    bool looked = false;
    QTimer::singleShot(0, &rig.screen, [&] {
      auto* dialog = rig.screen.findChild<FindDeviceDialog*>();
      QVERIFY(dialog != nullptr);
      QTRY_VERIFY(dialog->Finished());
      // COM3's device could not be opened: said, and the scan went on.
      QVERIFY(dialog->findChildren<QLabel*>().size() >= 2);
      QTableWidget* table = dialog->FoundTable();
      QCOMPARE(table->rowCount(), 1);
      QCOMPARE(table->item(0, 0)->text(), QStringLiteral("/dev/ttyUSB7"));
      QCOMPARE(table->item(0, 1)->text(), QStringLiteral("19200 NON 2 TORVALEK"));
      QCOMPARE(table->item(0, 2)->text(), QStringLiteral("57"));
      QCOMPARE(table->item(0, 3)->text(), QStringLiteral("KLV40"));
      QCOMPARE(table->item(0, 4)->text(), QStringLiteral("Analog output"));
      QCOMPARE(dialog->StatusLabel()->text(), QStringLiteral("Regulators found: 1."));
      SaveShot(*dialog, QStringLiteral("find_device_en"));
      QVERIFY(dialog->TakeButton()->isEnabled());  // the first find is selected
      looked = true;
      dialog->TakeButton()->click();
    });
    rig.screen.FindDeviceButton()->click();
    QVERIFY(looked);

    // On the screen: the found line and address; COM3 stays marked and now
    // reaches the found port.
    QVERIFY(rig.screen.SpeedButton(0)->isChecked());
    QVERIFY(rig.screen.ParityButton(1)->isChecked());
    QVERIFY(rig.screen.StopBitButton(1)->isChecked());
    QCOMPARE(rig.screen.AddressField()->text(), QStringLiteral("57"));
    QVERIFY(rig.screen.PortButton(2)->isChecked());
    QVERIFY(rig.screen.DeviceLabel()->text().endsWith(QStringLiteral("/dev/ttyUSB7")));
    QCOMPARE(rig.settings.speed, 9600);  // nothing stored before OK

    rig.screen.OkButton()->click();
    QCOMPARE(rig.settings.speed, 19200);
    QCOMPARE(rig.settings.parity, 2);
    QCOMPARE(rig.settings.stopBits, 2);
    QCOMPARE(rig.settings.deviceAddress, 57);
    QCOMPARE(rig.settings.portNumber, 3);
    QCOMPARE(PortLinkTarget(folder.path().toStdString(), 3), std::optional<std::filesystem::path>("/dev/ttyUSB7"));
  }

  void aComNumberThatAlreadyReachesTheFoundPortIsMarked() {
    QTemporaryDir folder;
    std::string error;
    QVERIFY(AssignPortLink(folder.path().toStdString(), 17, std::filesystem::path("/dev/ttyUSB7"), error));
    ScreenRig rig(folder.path().toStdString());
    FoundRegulator found;
    found.port = {"/dev/ttyUSB7", "/dev/ttyUSB7"};
    found.line = {9600, 3, 1, Protocol::Torvalek};
    found.address = 12;
    rig.screen.TakeFound(found);
    QVERIFY(rig.screen.Plus12Box()->isChecked());
    QVERIFY(rig.screen.PortButton(4)->isChecked());  // COM17 = COM05 + 12
    QVERIFY(rig.screen.ParityButton(2)->isChecked());
    QCOMPARE(rig.screen.AddressField()->text(), QStringLiteral("12"));
    rig.screen.OkButton()->click();
    QCOMPARE(rig.settings.PortInUse(), 17);
    QCOMPARE(PortLinkTarget(folder.path().toStdString(), 3), std::nullopt);  // COM3 left alone
  }

  // Every COM number with a link or a present device is scanned, the marked
  // one first, each named with the device it reaches; a device no number
  // reaches goes by its path. Finding nothing says what was tried.
  void everyReachableComNumberIsScannedAndNothingFoundSaysWhatWasTried() {
    QTemporaryDir folder;
    std::string error;
    QVERIFY(AssignPortLink(folder.path().toStdString(), 5, std::filesystem::path("/dev/ttyUSB4"), error));
    Connection connection;
    connection.settings.portNumber = 3;
    connection.dataFolder = folder.path().toStdString();
    CommSettingsDialog screen(connection, Language::English, nullptr,
                              std::vector<std::filesystem::path>{"/dev/ttyS0", "/dev/ttyUSB4", "/dev/ttyUSB7"});
    std::vector<std::string> names;
    for (const ScanPort& port : screen.ScanPorts()) names.push_back(port.name);
    QCOMPARE(names, (std::vector<std::string>{"COM3 (/dev/ttyS2)", "COM1 (/dev/ttyS0)", "COM5 (/dev/ttyUSB4)",
                                              "/dev/ttyUSB7"}));

    Bench bench;  // opens none of these
    ScanPlan plan;
    plan.ports = {{"/dev/ttyS2", "COM3 (/dev/ttyS2)"}, {"/dev/ttyS0", "COM1 (/dev/ttyS0)"}};
    FindDeviceDialog dialog(plan, bench.Factory(), Language::English);
    QTRY_VERIFY(dialog.Finished());
    QCOMPARE(dialog.StatusLabel()->text(),
             QStringLiteral("No regulator found.\nTried: COM3 (/dev/ttyS2), COM1 (/dev/ttyS0) (addresses 1 to 99, "
                            "9600 and 19200 bps, every parity and stop bits, TORVALEK).\nCheck that the regulator "
                            "is powered, that the cable and the USB adapter are plugged in, and which device each "
                            "COM number reaches."));
  }

  void stopEndsTheScanAndClosingLeavesTheScreenAsItWas() {
    Bench bench;
    bench.silent.insert("/dev/ttyUSB0");
    bench.slow = true;  // about 2.4 s for the whole scan unless stopped
    ScanPlan plan;
    plan.ports = {{"/dev/ttyUSB0", "/dev/ttyUSB0"}};
    plan.current.protocol = Protocol::Torvalek;
    FindDeviceDialog dialog(plan, bench.Factory(), Language::English);
    dialog.show();
    QTRY_VERIFY(!dialog.StatusLabel()->text().isEmpty());
    QVERIFY(dialog.StatusLabel()->text().startsWith(QStringLiteral("/dev/ttyUSB0  9600 EVEN 1 TORVALEK  trying address")));
    dialog.StopButton()->click();
    QTRY_VERIFY(dialog.Finished());
    QVERIFY(dialog.StatusLabel()->text().startsWith(QStringLiteral("Stopped. No regulator found.")));
    QVERIFY(dialog.Bar()->value() < dialog.Bar()->maximum());
    QCOMPARE(dialog.StopButton()->text(), QStringLiteral("&Close"));
    QVERIFY(!dialog.TakeButton()->isEnabled());
    dialog.StopButton()->click();
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
    QVERIFY(!dialog.Chosen().has_value());
  }

  void severalPortsAreScannedAtOnceEachWithItsProgressAndListedInTheirOrder() {
    Bench bench;
    bench.silent.insert("/dev/ttyUSB0");
    bench.Add("/dev/ttyUSB1", 9600, 1, 1, 90);
    bench.Add("/dev/ttyUSB2", 9600, 1, 1, 2);  // found first in time
    bench.slow = true;
    ScanPlan plan;
    for (const char* device : {"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2"}) plan.ports.push_back({device, device});
    plan.current.protocol = Protocol::Torvalek;
    FindDeviceDialog dialog(plan, bench.Factory(), Language::English);
    dialog.show();
    QCOMPARE(dialog.PortBars().size(), std::size_t{3});
    QTRY_COMPARE_WITH_TIMEOUT(dialog.FoundTable()->rowCount(), 2, 20000);
    QCOMPARE(dialog.FoundTable()->item(0, 0)->text(), QStringLiteral("/dev/ttyUSB1"));
    QCOMPARE(dialog.FoundTable()->item(0, 2)->text(), QStringLiteral("90"));
    QCOMPARE(dialog.FoundTable()->item(1, 0)->text(), QStringLiteral("/dev/ttyUSB2"));
    for (std::size_t i = 0; i < 3; ++i) {
      const QString port = QStringLiteral("/dev/ttyUSB%1  ").arg(i);
      const QString shown = dialog.PortLabels()[i]->text();
      QVERIFY2(shown.startsWith(port) && shown.contains(QStringLiteral("  trying address ")), qPrintable(shown));
      QTRY_VERIFY(dialog.PortBars()[i]->value() > 0);
    }
    SaveShot(dialog, QStringLiteral("find-device-ports"));
    dialog.StopButton()->click();
    QTRY_VERIFY(dialog.Finished());
    QVERIFY(dialog.StatusLabel()->text().startsWith(QStringLiteral("Stopped. Regulators found: 2.")));
  }

  void japaneseTexts() {
    QTemporaryDir folder;
    ScreenRig rig(folder.path().toStdString(), Language::Japanese);
    rig.bench.Add("/dev/ttyUSB7", 9600, 1, 1, 5);
    QCOMPARE(rig.screen.FindDeviceButton()->text(), QStringLiteral("機器検索(&F)"));
    rig.screen.show();
    SaveShot(rig.screen, QStringLiteral("comm_settings_ja"));
    bool looked = false;
    QTimer::singleShot(0, &rig.screen, [&] {
      auto* dialog = rig.screen.findChild<FindDeviceDialog*>();
      QVERIFY(dialog != nullptr);
      QCOMPARE(dialog->windowTitle(), QStringLiteral("機器検索"));
      QTRY_VERIFY(dialog->Finished());
      QCOMPARE(dialog->StatusLabel()->text(), QStringLiteral("調整器が 1 台見つかりました。"));
      QCOMPARE(dialog->FoundTable()->item(0, 4)->text(), QStringLiteral("アナログ出力"));
      SaveShot(*dialog, QStringLiteral("find_device_ja"));
      looked = true;
      dialog->StopButton()->click();  // "閉じる": nothing taken
    });
    rig.screen.FindDeviceButton()->click();
    QVERIFY(looked);
    QCOMPARE(rig.screen.AddressField()->text(), QStringLiteral("1"));
  }
};

QTEST_MAIN(FindDeviceTest)
#include "find_device_test.moc"
