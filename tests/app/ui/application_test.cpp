// The application: the command line, one program at a time, and the built
// klv-loader started on the offscreen platform.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <filesystem>
#include <vector>

#include "app/ui/application.h"

using namespace klv;

namespace {

QString ProgramPath() {
  return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../src/klv-loader"));
}

// klv-loader with its own data and runtime folders.
struct Launch {
  Launch() {
    QDir(dir.path()).mkpath(QStringLiteral("data"));
    QDir(dir.path()).mkpath(QStringLiteral("run"));
    QFile::setPermissions(dir.filePath(QStringLiteral("run")), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                                    QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    process.setProcessEnvironment(environment);
    process.setProgram(ProgramPath());
  }
  QTemporaryDir dir;
  QProcess process;
};

}  // namespace

class ApplicationTest : public QObject {
  Q_OBJECT

 private slots:
  void commandLine() {
    const char* withFile[] = {"klv-loader", "/tmp/oven 1.klv", "second.klv"};
    LaunchOptions options = ParseLaunchOptions(3, withFile);
    QCOMPARE(QString::fromStdString(options.file.string()), QStringLiteral("/tmp/oven 1.klv"));
    QVERIFY(!options.help && !options.quitAfterShow && options.unknown.empty());

    const char* flags[] = {"klv-loader", "--quit-after-show", "--bogus", "--", "--odd-name.klv"};
    options = ParseLaunchOptions(5, flags);
    QVERIFY(options.quitAfterShow);
    QCOMPARE(options.unknown, std::vector<std::string>{"--bogus"});
    QCOMPARE(QString::fromStdString(options.file.string()), QStringLiteral("--odd-name.klv"));

    const char* none[] = {"klv-loader"};
    QVERIFY(ParseLaunchOptions(1, none).file.empty());
  }

  void singleInstanceLock() {
    QTemporaryDir dir;
    auto first = std::make_unique<SingleInstance>(dir.path());
    QVERIFY(first->Acquire());
    QVERIFY(first->Path().endsWith(QStringLiteral("適当な文字列.lock")));
    SingleInstance second(dir.path());
    QVERIFY(!second.Acquire());
    first.reset();
    QVERIFY(second.Acquire());
  }

  // A later start hands its file, made absolute, over the socket beside the
  // lock; a start without one hands over nothing, to bring the program forward.
  void laterStartHandsItsFileOver() {
    QTemporaryDir dir;
    SingleInstance first(dir.path());
    QVERIFY(first.Acquire());
    std::vector<std::filesystem::path> handed;
    QVERIFY(first.Listen([&handed](const std::filesystem::path& file) { handed.push_back(file); }));
    SingleInstance second(dir.path());
    QVERIFY(!second.Acquire());
    QVERIFY(second.HandOver("unit7.klv"));
    QTRY_COMPARE(handed.size(), std::size_t{1});
    QCOMPARE(handed[0], std::filesystem::current_path() / "unit7.klv");
    QVERIFY(second.HandOver({}));
    QTRY_COMPARE(handed.size(), std::size_t{2});
    QVERIFY(handed[1].empty());
  }

  void handedOverBytes_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("taken");
    QTest::newRow("a path") << QByteArray("/home/op/unit 7.klv") << true;
    QTest::newRow("none") << QByteArray() << true;
    QTest::newRow("a line break") << QByteArray("/a.klv\n/b.klv") << false;
    QTest::newRow("a NUL") << QByteArray("/a.klv\0x", 8) << false;
    QTest::newRow("too long") << QByteArray(int(kLongestHandOver) + 1, 'a') << false;
  }
  void handedOverBytes() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, taken);
    const auto file = HandedOverFile(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    QCOMPARE(file.has_value(), taken);
    if (taken) QCOMPARE(QString::fromStdString(file->string()), QString::fromUtf8(bytes));
  }

  // The built program started while another holds the lock: it hands its
  // file to that one and ends at once, showing nothing.
  void secondProgramHandsItsFileOverAndEnds() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    Launch launch;
    SingleInstance running(launch.dir.filePath(QStringLiteral("run")));
    QVERIFY(running.Acquire());
    std::vector<std::filesystem::path> handed;
    QVERIFY(running.Listen([&handed](const std::filesystem::path& file) { handed.push_back(file); }));
    const QString file = launch.dir.filePath(QStringLiteral("unit7.klv"));
    launch.process.setArguments({file});
    launch.process.start();
    QTRY_COMPARE_WITH_TIMEOUT(launch.process.state(), QProcess::NotRunning, 30000);
    QCOMPARE(launch.process.exitCode(), 0);
    QCOMPARE(launch.process.readAllStandardOutput(), QByteArray());
    QTRY_COMPARE(handed.size(), std::size_t{1});
    QCOMPARE(QString::fromStdString(handed[0].string()), file);
  }

  void programShowsWindowAndCreatesSettings() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    Launch launch;
    launch.process.setArguments({QStringLiteral("--quit-after-show")});
    launch.process.start();
    QVERIFY(launch.process.waitForFinished(30000));
    QCOMPARE(launch.process.exitCode(), 0);
    QCOMPARE(launch.process.readAllStandardOutput(), QByteArray("klv-loader: window shown 800x660\n"));
    QCOMPARE(QFileInfo(launch.dir.filePath(QStringLiteral("data/klv-loader/KlvTool.ini"))).size(), qint64{24});
  }

  void japaneseSystemGetsJapaneseWindow() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    Launch launch;
    QProcessEnvironment environment = launch.process.processEnvironment();
    environment.remove(QStringLiteral("LANGUAGE"));
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("ja_JP.UTF-8"));
    launch.process.setProcessEnvironment(environment);
    launch.process.setArguments({QStringLiteral("--quit-after-show")});
    launch.process.start();
    QVERIFY(launch.process.waitForFinished(30000));
    QCOMPARE(launch.process.readAllStandardOutput(), QByteArray("klv-loader: window shown 675x603\n"));
  }

  void secondStartEndsSilently() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    Launch launch;
    launch.process.start();
    QVERIFY(launch.process.waitForStarted());
    const QString lock = QDir(launch.dir.filePath(QStringLiteral("run"))).filePath(QStringLiteral("適当な文字列.lock"));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(lock), 20000);

    QProcess second;
    second.setProcessEnvironment(launch.process.processEnvironment());
    second.start(ProgramPath(), {QStringLiteral("--quit-after-show")});
    QVERIFY(second.waitForFinished(20000));
    QCOMPARE(second.exitCode(), 0);
    QVERIFY(second.readAllStandardOutput().isEmpty());  // no window
    QVERIFY(second.readAllStandardError().isEmpty());   // no message
    QCOMPARE(launch.process.state(), QProcess::Running);  // the first is not disturbed

    launch.process.kill();
    QVERIFY(launch.process.waitForFinished(10000));
    // A lock left by a program that died is taken over.
    QProcess third;
    third.setProcessEnvironment(launch.process.processEnvironment());
    third.start(ProgramPath(), {QStringLiteral("--quit-after-show")});
    QVERIFY(third.waitForFinished(20000));
    QCOMPARE(third.readAllStandardOutput(), QByteArray("klv-loader: window shown 800x660\n"));
  }

  void versionAndHelp() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    QProcess process;
    process.start(ProgramPath(), {QStringLiteral("--version")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.readAllStandardOutput(), QByteArray("klv-loader 1.60\n"));
    process.start(ProgramPath(), {QStringLiteral("--no-such-option")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
  }

  // --help and a refused option speak the language the window would.
  void helpInTheSystemLanguage_data() {
    QTest::addColumn<QString>("lang");
    QTest::addColumn<QString>("usage");
    QTest::addColumn<QString>("refusal");
    QTest::newRow("English") << "C.UTF-8" << "Usage: klv-loader [FILE.klv]\n" << "klv-loader: unknown option --x\n";
    QTest::newRow("Japanese") << "ja_JP.UTF-8" << "使い方: klv-loader [FILE.klv]\n" << "klv-loader: 不明なオプション --x\n";
  }
  void helpInTheSystemLanguage() {
    if (!QFileInfo::exists(ProgramPath())) QSKIP("klv-loader is not built");
    QFETCH(QString, lang);
    QFETCH(QString, usage);
    QFETCH(QString, refusal);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) environment.remove(QString::fromLatin1(name));
    environment.insert(QStringLiteral("LANG"), lang);
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(ProgramPath(), {QStringLiteral("--help")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
    const QString help = QString::fromUtf8(process.readAllStandardOutput());
    QVERIFY2(help.startsWith(usage), qPrintable(help));
    QVERIFY(help.contains(QStringLiteral("--demo")));
    process.start(ProgramPath(), {QStringLiteral("--x")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 2);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).startsWith(refusal));
  }
};

QTEST_MAIN(ApplicationTest)
#include "application_test.moc"
