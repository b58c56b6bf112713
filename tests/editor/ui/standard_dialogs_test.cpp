// The program's message boxes, the save question and the file dialog as the
// operator sees them, in English and Japanese: Qt's own texts (buttons, file
// dialog) follow the language, and a box is wide enough for its caption.
// With KLV_SHOTS_DIR set, each is saved there as a picture to look at.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QAbstractFileIconProvider>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>
#include <QTemporaryDir>
#include <QtTest>
#include <functional>
#include <memory>

#include "app/program_state.h"
#include "widgets/message_box.h"
#include "app/ui/system_dialogs.h"
#include "widgets/operator_dialogs.h"
#include "app/shell_open_text.h"
#include "app/ui/qt_translations.h"
#include "editor/ui/window_rig.h"
#include "serial/port_failure_text.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_result_messages.h"

using namespace klv;
using namespace klv::window_test;

namespace {

void Save(QWidget& widget, const QString& name) {
  const QByteArray folder = qgetenv("KLV_SHOTS_DIR");
  if (folder.isEmpty()) return;
  QDir().mkpath(QString::fromLocal8Bit(folder));
  QVERIFY(widget.grab().save(QDir(QString::fromLocal8Bit(folder)).filePath(name + ".png")));
}

// Runs look on the modal window that show opens, then closes it.
template <typename Window>
void WhileShown(const std::function<void()>& show, const std::function<void(Window&)>& look) {
  bool looked = false;
  QTimer::singleShot(0, [&] {
    auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
    QVERIFY(window != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(window));
    look(*window);
    looked = true;
    window->close();
  });
  show();
  QVERIFY(looked);
}

QStringList ButtonTexts(QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* button : box.buttons()) texts << button->text().remove('&');
  texts.sort();
  return texts;
}

}  // namespace

class StandardDialogsTest : public QObject {
  Q_OBJECT

 private slots:
  void inTheUserInterfaceLanguage_data() {
    QTest::addColumn<int>("language");
    QTest::addColumn<QStringList>("saveButtons");  // sorted, mnemonics removed
    QTest::addColumn<QString>("lookIn");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("portCause");
    QTest::addColumn<QString>("folderType");  // the file list's Type column
    QTest::addColumn<QString>("fileType");    // the file type filter
    QTest::newRow("English") << int(Language::English) << QStringList{"Cancel", "No", "Yes"} << "Look in:"
                             << "Save changes to Untitled?" << "COM1, /dev/ttyS0: no such device" << "Folder"
                             << "KLV Loader Files(*.klv)";
    QTest::newRow("Japanese") << int(Language::Japanese) << QStringList{"いいえ(N)", "はい(Y)", "キャンセル"}
                              << "アドレス:" << "無題への変更を保存しますか？"
                              << "COM1, /dev/ttyS0: デバイスがありません" << "フォルダ"
                              << "KLV Loader ファイル(*.klv)";
  }
  void inTheUserInterfaceLanguage() {
    QFETCH(int, language);
    QFETCH(QStringList, saveButtons);
    QFETCH(QString, lookIn);
    QFETCH(QString, question);
    QFETCH(QString, portCause);
    QFETCH(QString, folderType);
    QFETCH(QString, fileType);
    const auto lang = static_cast<Language>(language);
    const QString suffix = lang == Language::Japanese ? QStringLiteral("-ja") : QStringLiteral("-en");
    const std::unique_ptr<QTranslator> translations = InstallQtTranslations(lang);
    QCOMPARE(translations != nullptr, lang == Language::Japanese);

    WindowRig rig(lang);
    MainWindow& window = rig.Start();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SystemDialogs dialogs(lang);

    WhileShown<QMessageBox>([&] { dialogs.AskSaveChanges(&window, SaveQuestionText(window.DocumentTitle(), lang)); },
                            [&](QMessageBox& box) {
                              QCOMPARE(box.text(), question);
                              QCOMPARE(ButtonTexts(box), saveButtons);
                              QVERIFY(box.width() >= CaptionWidth(box.windowTitle()));
                              Save(box, "save-question" + suffix);
                            });

    // It starts in the folder last used for parameter files.
    QTemporaryDir remembered;
    WhileShown<QFileDialog>([&] { dialogs.ChooseFileToOpen(&window, remembered.path().toStdString()); },
                            [&](QFileDialog& dialog) {
                              QCOMPARE(dialog.directory().absolutePath(), QDir(remembered.path()).absolutePath());
                              auto* label = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
                              QVERIFY(label != nullptr);
                              QCOMPARE(label->text(), lookIn);
                              QVERIFY(dialog.iconProvider() != nullptr);
                              QCOMPARE(dialog.iconProvider()->type(QFileInfo(QDir::tempPath())), folderType);
                              QCOMPARE(dialog.nameFilters(), QStringList{fileType});
                              Save(dialog, "file-dialog" + suffix);
                            });

    // The message the window shows when COM1's device is missing.
    const PortFailure missing{PortFailureKind::NoSuchDevice, "/dev/ttyS0", {}, {}};
    const std::string message = "Port cannot be used\nCOM1, " + PortFailureText(missing, lang);
    WhileShown<QMessageBox>([&] { dialogs.ShowMessage(&window, message); },
                            [&](QMessageBox& box) {
                              QVERIFY(box.text().endsWith(portCause));
                              QCOMPARE(ButtonTexts(box), QStringList{"OK"});
                              QVERIFY(box.width() >= CaptionWidth(box.windowTitle()));
                              Save(box, "port-error" + suffix);
                            });

    // A read that got no reply at all: the failure, the line tried and what to do next.
    TransferResult silent;
    silent.identificationAsked = true;
    silent.line.settings.portNumber = 5;
    silent.line.settings.deviceAddress = 5;
    silent.line.device = "/dev/ttyUSB0";
    NoReplyAdvice advice;
    advice.whatNext = Text(TextId::NoReplyFindDevice, lang);
    advice.logName = "comlog.txt";
    const std::string failure = ReportOf(silent, lang).text + NoReplyLines(silent, lang, advice);
    WhileShown<QMessageBox>([&] { dialogs.ShowMessage(&window, failure); },
                            [&](QMessageBox& box) {
                              QVERIFY(box.text().contains(QStringLiteral("/dev/ttyUSB0")));
                              QVERIFY(box.text().contains(QStringLiteral("comlog.txt")));
                              QVERIFY(box.width() >= CaptionWidth(box.windowTitle()));
                              Save(box, "no-reply" + suffix);
                            });

    // A file the desktop has no program for: the whole path shows.
    const std::filesystem::path log = rig.DataFolder() / "comlog.txt";
    WhileShown<QMessageBox>([&] { dialogs.ShowMessage(&window, NoProgramForFileText(log, lang)); },
                            [&](QMessageBox& box) {
                              QVERIFY(box.text().endsWith(QString::fromStdString(rig.DataFolder().string())));
                              QVERIFY(box.width() >= CaptionWidth(box.windowTitle()));
                              Save(box, "no-program" + suffix);
                            });

    // The shortest message still shows the whole caption.
    WhileShown<QMessageBox>([&] { dialogs.ShowMessage(&window, Text(TextId::Cancelled, lang)); },
                            [&](QMessageBox& box) { QVERIFY(box.width() >= CaptionWidth(box.windowTitle())); });
    if (translations) QCoreApplication::removeTranslator(translations.get());
  }
};

QTEST_MAIN(StandardDialogsTest)
#include "standard_dialogs_test.moc"
