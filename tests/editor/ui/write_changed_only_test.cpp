// "Write changed values only", driven through the main window against the
// simulated regulator on a pseudo-terminal.
#include <QCheckBox>
#include <QtTest>
#include <fstream>
#include <regex>
#include <sstream>

#include "editor/ui/simulated_device.h"
#include "editor/ui/window_rig.h"
#include "serial/device_path_port.h"

using namespace klv;
using namespace klv::window_test;

namespace {

std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The registers the comm log shows written, as "REG=VALUE".
std::vector<std::string> LoggedWrites(const std::filesystem::path& log) {
  const std::string text = ReadText(log);
  const std::regex write(R"(PC->KLV: \(STX\)\d\d\dW(\w{4})\d,(\w{4}))");
  std::vector<std::string> writes;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), write); it != std::sregex_iterator(); ++it) {
    writes.push_back((*it)[1].str() + "=" + (*it)[2].str());
  }
  return writes;
}

}  // namespace

class WriteChangedOnlyTest : public QObject {
  Q_OBJECT

 private slots:
  void theBoxIsShownInTheLanguageAndOffByDefault() {
    WindowRig rig;
    QVERIFY(!rig.state.options.writeChangedOnly);
    bool changedOnly = false;
    CommSettingsDialog screen(rig.state.connection, Language::Japanese, nullptr, std::vector<std::filesystem::path>{});
    QVERIFY(screen.WriteChangedOnlyBox()->isHidden());
    screen.BindWriteChangedOnly(changedOnly);
    QVERIFY(!screen.WriteChangedOnlyBox()->isHidden());
    QVERIFY(!screen.WriteChangedOnlyBox()->isChecked());
    QCOMPARE(screen.WriteChangedOnlyBox()->text(), QStringLiteral("変更した値だけ書き込む"));
    QCOMPARE(WriteChangedOnlyCaption(Language::English), QStringLiteral("Write changed values only"));
    screen.WriteChangedOnlyBox()->setChecked(true);
    screen.accept();
    QVERIFY(changedOnly);
  }

  // Ticked, the choice is kept in KlvLoader.conf (not in the 24-byte
  // settings file), and the next "Write in KLV" writes only what differs.
  void tickedTheNextWriteSendsOnlyTheChangedRegisters() {
    SimulatedDevice device(SimModel(ModelKind::Klv40));
    QVERIFY(device.Ready());
    // The screen holds the defaults: 012C 10, 0133 200.
    device.Preset(Register{0x012C}, 30);
    device.Preset(Register{0x0133}, 500);
    WindowRig rig(Language::English, DevicePathPortFactory(device.Path()));
    MainWindow& window = rig.Start();
    rig.state.connection.settings.readTimeout = 200;  // the longest the line allows: a busy machine is slow

    rig.dialogs.changedOnlyChoice = true;
    window.CommunicationSettings();
    QVERIFY(rig.state.options.writeChangedOnly);
    QVERIFY(ReadText(rig.DataFolder() / "KlvLoader.conf").find("write-changed-only=1\n") != std::string::npos);
    QCOMPARE(ReadBytes(rig.SettingsFile()).size(), std::size_t{24});
    ProgramState next(rig.clock);
    QVERIFY(SetSharedPaths(next, DataFolderOutcome{true, rig.DataFolder(), {}}));
    LoadProgramSettings(next);
    QVERIFY(next.options.writeChangedOnly);

    rig.dialogs.changedOnlyChoice.reset();
    window.WriteToDevice();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(rig.dialogs.messages[0].text),
             QStringLiteral("--- KLV40 Parameter writing complete ---\n"
                            "Changed values written: 2 registers (012C, 0133)"));
    QVERIFY(LoggedWrites(rig.state.commLogPath) == (std::vector<std::string>{"012C=000A", "0133=00C8"}));
    QCOMPARE(device.Parameters().slowUpTime, int16_t{10});
    QCOMPARE(device.Parameters().bootLimiter, int16_t{200});

    window.WriteToDevice();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{2});
    QCOMPARE(QString::fromStdString(rig.dialogs.messages[1].text),
             QStringLiteral("Nothing to write: the regulator already holds these values"));
    QVERIFY(LoggedWrites(rig.state.commLogPath).empty());
  }
};

QTEST_MAIN(WriteChangedOnlyTest)
#include "write_changed_only_test.moc"
