// The look of the main window, the communication settings and the progress
// window in English and Japanese: every visible control lies inside its
// window and gets at least the room its text needs. With KLV_SHOTS_DIR set,
// the windows are also saved there as pictures to look at.
#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QtTest>

#include "editor/ui/window_rig.h"
#include "device/ui/comm_settings_dialog.h"
#include "transfer/ui/transfer_progress_dialog.h"

using namespace klv;
using namespace klv::window_test;

namespace {

void Save(QWidget& widget, const QString& name) {
  const QByteArray folder = qgetenv("KLV_SHOTS_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(folder));
  QVERIFY(widget.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name + ".png")));
}

// Every visible button and label lies inside the window and is as wide as
// its text needs; returns the first that is not.
QString FirstClipped(QWidget& window, bool textRoom = true) {
  const QRect area = window.rect();
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (!child->isVisibleTo(&window)) continue;
    const QRect place(child->mapTo(&window, QPoint(0, 0)), child->size());
    if (!area.contains(place)) return QStringLiteral("outside: ") + child->objectName() + " " + child->metaObject()->className();
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(child)) text = button->text();
    if (auto* label = qobject_cast<QLabel*>(child)) text = label->text();
    if (text.isEmpty() || !textRoom) continue;
    if (child->width() < child->minimumSizeHint().width() || child->height() < child->minimumSizeHint().height()) {
      return QStringLiteral("clipped: %1 %2x%3 < %4x%5")
          .arg(text)
          .arg(child->width())
          .arg(child->height())
          .arg(child->minimumSizeHint().width())
          .arg(child->minimumSizeHint().height());
    }
  }
  return {};
}

}  // namespace

class WindowLookTest : public QObject {
  Q_OBJECT

 private slots:
  void windows_data() {
    QTest::addColumn<int>("language");
    QTest::newRow("English") << int(Language::English);
    QTest::newRow("Japanese") << int(Language::Japanese);
  }
  void windows() {
    QFETCH(int, language);
    const auto lang = static_cast<Language>(language);
    const QString suffix = lang == Language::Japanese ? QStringLiteral("-ja") : QStringLiteral("-en");

    WindowRig rig(lang);
    MainWindow& window = rig.Start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const WindowSize size = MainWindowSize(lang);
    QCOMPARE(window.size(), QSize(size.width, size.height));
    // The menu bar shows its four popups on one line.
    QVERIFY(window.menuBar()->sizeHint().width() <= window.width());
    // The editing screen sizes its own controls (radio buttons a little
    // shorter than Qt's hint, to fit the window): here only that they lie inside.
    QCOMPARE(FirstClipped(window, false), QString());
    Save(window, "main-window" + suffix);
    for (const MenuItem popup : {MenuItem::File, MenuItem::Tools, MenuItem::Help}) {
      QMenu* menu = window.Popup(popup);
      menu->popup(window.mapToGlobal(QPoint(0, 0)));
      QVERIFY(QTest::qWaitForWindowExposed(menu));
      QVERIFY(menu->width() >= menu->sizeHint().width());
      Save(*menu, QStringLiteral("menu-%1").arg(int(popup)) + suffix);
      menu->hide();
    }

    rig.state.connection.dataFolder = rig.DataFolder();
    CommSettingsDialog settings(rig.state.connection, lang, &window,
                                std::vector<std::filesystem::path>{"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1ABC-if00-port0"});
    // With the program's own choices, as the main window shows it.
    bool verify = true;
    bool echo = false;
    bool changedOnly = false;
    settings.BindVerifyAfterWrite(verify);
    settings.BindLocalEcho(echo);
    settings.BindWriteChangedOnly(changedOnly);
    settings.show();
    QVERIFY(QTest::qWaitForWindowExposed(&settings));
    QCOMPARE(FirstClipped(settings), QString());
    Save(settings, "communication-settings" + suffix);

    TransferSession session = rig.state.Session();
    TransferProgressDialog progress(session, lang, rig.dialogs, &window);
    progress.SetStatusText(ModelStatusText(ModelKind::Klv40, Text(TextId::ReadingParameter, lang)));
    progress.SetBarPosition(60);
    progress.show();
    QVERIFY(QTest::qWaitForWindowExposed(&progress));
    QTRY_COMPARE(progress.Bar()->value(), 60);
    QCOMPARE(progress.size(), QSize(300, 100));
    QCOMPARE(FirstClipped(progress), QString());
    QVERIFY(progress.StatusLine()->width() >= progress.StatusLine()->sizeHint().width());
    Save(progress, "progress" + suffix);
  }
};

QTEST_MAIN(WindowLookTest)
#include "window_look_test.moc"
