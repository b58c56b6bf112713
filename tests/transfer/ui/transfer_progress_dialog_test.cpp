// The progress window: its place and size, the worker's status line, bar
// and messages, the worker's end that closes it, and what cannot end it early.
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <optional>

#include "widgets/message_box.h"
#include "editor/ui/window_rig.h"
#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "serial/device_path_port.h"
#include "transfer/ui/transfer_progress_dialog.h"

using namespace klv;
using namespace klv::window_test;

namespace {

// klv-sim on a pseudo-terminal, answering or silent.
struct Device {
  explicit Device(bool silent) : regulator(sim::SimConfig{}, clock), server(regulator) {
    if (silent) {
      sim::FaultPlan plan;
      plan.AddRegisterFault(std::nullopt, sim::Fault{sim::FaultKind::Silent, {}});
      regulator.SetFaultPlan(plan);
    }
    std::string error;
    ready = server.OpenPseudoTerminal(error) && server.Start();
  }
  testing::FakeClock clock;
  sim::SimulatedRegulator regulator;
  sim::SimServer server;
  bool ready = false;
};

// A read over the program's own port to a device on a pseudo-terminal, the
// port opened and the mode set, as the main window leaves it for the window.
struct ReadOnDevice {
  // The longest time-out: replies over a pseudo-terminal on a busy machine.
  explicit ReadOnDevice(bool silent, int readTimeout = 200)
      : device(silent), state(clock, DevicePathPortFactory(device.server.Path())) {
    state.connection.settings.protocol = Protocol::Torvalek;
    state.connection.settings.readTimeout = readTimeout;
    opened = device.ready && state.connection.line.OpenPort(state.connection.settings, {}).ok;
    state.transfer.mode = TransferMode::Read;
  }
  Device device;
  testing::FakeClock clock;
  ProgramState state;
  ScriptedDialogs dialogs;
  bool opened = false;
};

}  // namespace

class TransferProgressDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void noCaptionFixedSizeCentred() {
    testing::FakeClock clock;
    ProgramState state(clock);
    ScriptedDialogs dialogs;
    TransferSession session = state.Session();
    TransferProgressDialog progress(session, Language::English, dialogs);
    QVERIFY(progress.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(progress.size(), QSize(300, 100));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(progress.pos(), QPoint((screen.width() - 300) / 2, (screen.height() - 100) / 2));
    QCOMPARE(progress.Bar()->minimum(), 0);
    QCOMPARE(progress.Bar()->maximum(), 100);
    QCOMPARE(progress.Bar()->value(), 0);
  }

  // The body shows nothing itself: the window shows the refusal once the
  // worker has ended, owned by the window, which is still open.
  void refusalIsShownByTheWindowAfterTheWorkerEnded() {
    testing::FakeClock clock;
    ProgramState state(clock);  // the port was never opened
    ScriptedDialogs dialogs;
    TransferSession session = state.Session();
    state.transfer.mode = TransferMode::Read;
    state.transfer.writeResult = 7;
    TransferProgressDialog progress(session, Language::English, dialogs);
    bool windowOpen = false;
    bool workerDone = false;
    dialogs.onMessage = [&](const ShownMessage&) {
      windowOpen = progress.isVisible();
      workerDone = progress.WorkerDone();
    };
    QVERIFY(progress.Run());
    QCOMPARE(dialogs.Texts().size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(dialogs.Texts().at(0)), QStringLiteral("Port yet to open"));
    QCOMPARE(dialogs.messages.at(0).owner, static_cast<QWidget*>(&progress));
    QVERIFY(windowOpen);
    QVERIFY(workerDone);
    QCOMPARE(state.transfer.result.status, TransferStatus::Refused);
    QCOMPARE(state.transfer.readResult, int16_t{-1});
    QCOMPARE(state.transfer.writeResult, int16_t{7});  // the other result keeps its value
    QVERIFY(!progress.isVisible());
  }

  void statusAndBarFollowTheRead() {
    ReadOnDevice read(false);
    QVERIFY(read.opened);
    ProgramState& state = read.state;
    TransferSession session = state.Session();
    TransferProgressDialog progress(session, Language::English, read.dialogs);
    QList<int> bars;
    QStringList statuses;
    connect(progress.Bar(), &QProgressBar::valueChanged, this, [&](int value) { bars << value; });
    QTimer watch;
    connect(&watch, &QTimer::timeout, this, [&] {
      if (statuses.isEmpty() || statuses.last() != progress.StatusLine()->text()) statuses << progress.StatusLine()->text();
    });
    watch.start(1);
    QVERIFY(progress.Run());
    QVERIFY(progress.WorkerDone());
    QVERIFY(state.transfer.readResult > 0);
    QCOMPARE(progress.StatusLine()->text(), QStringLiteral("KLV40 Reading parameter…"));
    QVERIFY(statuses.contains(QStringLiteral("KLV40 Reading parameter…")));
    // Four per KLV40 row, clamped: full from the 25th row on.
    QCOMPARE(bars.first(), 4);
    QCOMPARE(bars.last(), 100);
    QVERIFY(read.dialogs.messages.empty());
  }

  void enterEscapeAndCloseCannotEndIt() {
    ReadOnDevice read(true);
    QVERIFY(read.opened);
    ProgramState& state = read.state;
    TransferSession session = state.Session();
    state.transfer.readResult = 9;
    TransferProgressDialog progress(session, Language::English, read.dialogs);
    bool openAfterKeys = false;
    QTimer::singleShot(50, this, [&] {
      QTest::keyClick(&progress, Qt::Key_Escape);
      QTest::keyClick(&progress, Qt::Key_Return);
      QTest::keyClick(&progress, Qt::Key_Enter);
      progress.close();
      progress.reject();
      openAfterKeys = progress.isVisible() && !progress.WorkerDone();
    });
    QVERIFY(progress.Run());
    QVERIFY(openAfterKeys);
    QCOMPARE(progress.result(), int(QDialog::Accepted));
    QCOMPARE(state.transfer.readResult, int16_t{0});  // the silent device was not identified
  }

  // Cancel stops the worker before its next exchange: the read is cancelled
  // with registers left unread, and the window then ends as usual.
  void cancelStopsTheTransferBeforeItsNextExchange() {
    for (const Language language : {Language::English, Language::Japanese}) {
      ReadOnDevice read(false);
      QVERIFY(read.opened);
      ProgramState& state = read.state;
      TransferSession session = state.Session();
      TransferProgressDialog progress(session, language, read.dialogs);
      QCOMPARE(progress.CancelButton()->text(),
               language == Language::English ? QStringLiteral("Cancel") : QStringLiteral("キャンセル"));
      QTimer::singleShot(0, this, [&] { QTest::mouseClick(progress.CancelButton(), Qt::LeftButton); });
      QVERIFY(progress.Run());
      QVERIFY(state.transfer.tally.cancelled);
      QVERIFY(!state.transfer.tally.Complete());
      QVERIFY(state.transfer.readResult < state.transfer.tally.planned);
      QVERIFY(!progress.CancelButton()->isEnabled());
      QVERIFY(!progress.isVisible());
    }
  }

  void workerThatCannotStartIsReported() {
    testing::FakeClock clock;
    ProgramState state(clock);
    ScriptedDialogs dialogs;
    TransferSession session = state.Session();
    state.transfer.mode = TransferMode::Write;
    state.transfer.writeResult = 5;
    state.transfer.readResult = 3;
    TransferProgressDialog progress(session, Language::English, dialogs, nullptr,
                       [](TransferThread&, const TransferContext&, TransferState&, std::function<void()>) { return false; });
    QVERIFY(!progress.Run());
    QCOMPARE(QString::fromStdString(dialogs.Texts().at(0)), WorkerStartFailureText(Language::English));
    QCOMPARE(state.transfer.writeResult, int16_t{0});
    QCOMPARE(state.transfer.readResult, int16_t{3});
    QVERIFY(!progress.isVisible());
  }
};

QTEST_MAIN(TransferProgressDialogTest)
#include "transfer_progress_dialog_test.moc"
