// The main window: start-up, title, Model menu, file commands with their
// document state, the save question, shortcut keys, Enter and Escape, exit.
#include <QAction>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QScreen>
#include <QSignalSpy>
#include <QtTest>

#include <cerrno>

#include "editor/parameter_file.h"
#include "platform/program_options.h"
#include "editor/ui/parameter_screen.h"
#include "widgets/screen_controls.h"
#include "editor/ui/window_rig.h"
#include "model/register_catalogue.h"
#include "platform/file_store.h"
#include "serial/settings_file.h"

using namespace klv;
using namespace klv::window_test;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
QStringList Q(const std::vector<std::string>& texts) {
  QStringList list;
  for (const auto& text : texts) list << Q(text);
  return list;
}

// A valid parameter file of model code with key lock on and the option words.
std::vector<uint8_t> ParameterFile(int modelCode, int keyLock = 1, int optionDetect = 0, int optionFlags = 0) {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  set.keyLock = static_cast<int16_t>(keyLock);
  set.optionDetect = static_cast<uint16_t>(optionDetect);
  set.optionFlags = static_cast<uint16_t>(optionFlags);
  const ModelKind model = modelCode == 30 ? ModelKind::Klv30 : modelCode == 308 ? ModelKind::Klv30E : ModelKind::Klv40;
  const ParameterFileBytes bytes = EncodeParameterFile(set, model);
  std::vector<uint8_t> file(bytes.begin(), bytes.end());
  file[0] = static_cast<uint8_t>(modelCode & 0xFF);
  file[1] = static_cast<uint8_t>(modelCode >> 8);
  return file;
}

bool KeyLockOn(MainWindow& window) { return window.Screen().Radio(RadioGroup::KeyLock, 1)->isChecked(); }

// An edit on the screen, as the operator makes it: the other key lock button.
void EditScreen(MainWindow& window) {
  window.Screen().Radio(RadioGroup::KeyLock, KeyLockOn(window) ? 0 : 1)->click();
  QVERIFY(window.Modified());
}

bool ModelChecks(MainWindow& window, bool klv40, bool klv30, bool klv30e) {
  return window.Action(MenuItem::ModelKlv40)->isChecked() == klv40 &&
         window.Action(MenuItem::ModelKlv30)->isChecked() == klv30 &&
         window.Action(MenuItem::ModelKlv30E)->isChecked() == klv30e;
}

}  // namespace

class KlvToolDlgTest : public QObject {
  Q_OBJECT

 private slots:
  // ---- Start-up ----

  void startupWithoutSettingsFileCreatesDefaults() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled"));
    QVERIFY(rig.dialogs.messages.empty());
    QVERIFY(window.ScreenReady());
    QVERIFY(!window.Modified());
    // 1, 9600, 1, 100, 1, 1, model 0, 0, 10, 600 (32 bits), protocol 1.
    const std::vector<uint8_t> expected = Words({1, 9600, 1, 100, 1, 1, 0, 0, 10, 600, 0, 1});
    QCOMPARE(ReadBytes(rig.SettingsFile()), expected);
    QCOMPARE(window.size(), QSize(800, 660));
    QVERIFY(ModelChecks(window, true, false, false));
    QVERIFY(!window.Action(MenuItem::ModelKlv40)->isEnabled());
    QVERIFY(window.Action(MenuItem::ModelKlv30)->isEnabled());
    // Centred on the screen.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(window.pos(), QPoint((screen.width() - 800) / 2, (screen.height() - 660) / 2));
    // The manual beside the program, in the language's name.
    QCOMPARE(Q(rig.state.manualPath.filename().string()), QStringLiteral("KlvToolEng.pdf"));
    QCOMPARE(rig.state.manualPath.parent_path(), rig.Folder() / "bin");
  }

  void startupWithShortSettingsFileTakesWhatItHolds() {
    WindowRig rig;
    WriteBytes(rig.SettingsFile(), Words({3, 19200, 2, 50, 2}));  // 10 bytes
    rig.Start();
    QCOMPARE(rig.state.connection.settings.portNumber, 3);
    QCOMPARE(rig.state.connection.settings.speed, 19200);
    QCOMPARE(rig.state.connection.settings.parity, 2);
    QCOMPARE(rig.state.connection.settings.readTimeout, 50);
    QCOMPARE(rig.state.connection.settings.stopBits, 2);
    QCOMPARE(rig.state.connection.settings.deviceAddress, 0);
    QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    QVERIFY(rig.dialogs.messages.empty());
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled"));
  }

  void startupWithModelWordFiveComesUpAsKlv30EAndStoresTwo() {
    WindowRig rig;
    WriteBytes(rig.SettingsFile(), Words({1, 9600, 1, 100, 1, 1, 5, 0, 10, 600, 0, 0}));
    MainWindow& window = rig.Start();
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30E);
    QCOMPARE(window.Screen().Model(), ModelKind::Klv30E);
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30E - Untitled"));
    QVERIFY(ModelChecks(window, false, false, true));
    QVERIFY(window.Exit());
    QCOMPARE(ReadBytes(rig.SettingsFile())[12], uint8_t{2});
  }

  void startupWithUnreadableSettingsFileKeepsIt() {
    WindowRig rig;
    // Something that is not a readable file stands at the settings path.
    std::filesystem::create_directories(rig.SettingsFile());
    std::filesystem::create_directories(rig.SettingsFile() / "inside");
    MainWindow& window = rig.Start();
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QVERIFY(Q(rig.dialogs.messages[0].text).startsWith(QStringLiteral("The settings file cannot be read")));
    QCOMPARE(rig.state.connection.settings, CommSettings{});
    QVERIFY(window.Exit());
    // Not replaced at exit, and no failure message for it.
    QVERIFY(std::filesystem::is_directory(rig.SettingsFile() / "inside"));
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
  }

  void startupWithoutDataFolderShowsPathMessage() {
    WindowRig rig;
    rig.window = std::make_unique<MainWindow>(rig.state, rig.dialogs);
    rig.window->Initialise(StartupInputs{{}, {}, DataFolderOutcome{false, {}, "no home"}});
    // 178 for the program path, 178 for the folder, 197 for the settings file.
    QCOMPARE(Q(rig.dialogs.Texts()),
             QStringList({"System error: file PATH cannot be set", "System error: file PATH cannot be set",
                          "System error: new inifile cannot be created"}));
    QVERIFY(rig.state.commLogPath.empty());
    rig.window->RefreshMenu(MenuItem::Tools);
    QVERIFY(!rig.window->Action(MenuItem::CommunicationLog)->isEnabled());
    QVERIFY(!rig.window->Action(MenuItem::RecordData)->isEnabled());
  }

  void startupWithCommandLineFileOfAnotherModel() {
    WindowRig rig;
    const auto file = rig.Folder() / "oven1.klv";
    WriteBytes(file, ParameterFile(30));
    MainWindow& window = rig.Start(file);
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30);
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30 - oven1"));
    QVERIFY(!window.Modified());
    QCOMPARE(window.DocumentPath(), file);
    QVERIFY(rig.dialogs.messages.empty());  // no "File reading complete"
    QVERIFY(KeyLockOn(window));
    QVERIFY(ModelChecks(window, false, true, false));
  }

  void startupWithInvalidCommandLineFileKeepsDefaults_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QString>("message");
    QTest::newRow("119 bytes") << 119 << "File data is unauthorized";
    QTest::newRow("model code 296") << -296 << "File data is unauthorized";
    QTest::newRow("missing") << 0 << "File cannot be opened";
  }
  void startupWithInvalidCommandLineFileKeepsDefaults() {
    QFETCH(int, size);
    QFETCH(QString, message);
    WindowRig rig;
    const auto file = rig.Folder() / "bad.klv";
    if (size > 0) WriteBytes(file, std::vector<uint8_t>(static_cast<std::size_t>(size), 0x28));
    if (size < 0) WriteBytes(file, ParameterFile(-size));
    MainWindow& window = rig.Start(file);
    QCOMPARE(Q(rig.dialogs.Texts()), QStringList{message});
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled"));
    QVERIFY(window.DocumentPath().empty());
    ParameterSet defaults;
    LoadDefaults(defaults, ModelKind::Klv40);
    QCOMPARE(rig.state.parameters.keyLock, defaults.keyLock);
    QVERIFY(!KeyLockOn(window));
  }

  // ---- Title and Model menu ----

  void titleFollowsFileNameAndModified_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("title");
    QTest::newRow("a.b.klv") << "a.b.klv" << "KLV Loader - KLV40 - a.b";
    QTest::newRow("four characters") << "abcd" << "KLV Loader - KLV40 - ";
    QTest::newRow("japanese") << "炉１.klv" << "KLV Loader - KLV40 - 炉１";
  }
  void titleFollowsFileNameAndModified() {
    QFETCH(QString, name);
    QFETCH(QString, title);
    WindowRig rig;
    MainWindow& window = rig.Start();
    const auto file = rig.Folder() / name.toStdString();
    WriteBytes(file, ParameterFile(40));
    window.LoadParameterFile(file, true);
    QCOMPARE(rig.Title(), title);
    EditScreen(window);
    QCOMPARE(rig.Title(), title + "*");
  }

  void modelMenuSwitchesAfterTheSaveQuestion_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");  // -1 no question
    QTest::addColumn<bool>("switched");
    QTest::newRow("unmodified") << false << -1 << true;
    QTest::newRow("No") << true << int(SaveAnswer::No) << true;
    QTest::newRow("Cancel keeps the model") << true << int(SaveAnswer::Cancel) << false;
    QTest::newRow("Yes, saved") << true << int(SaveAnswer::Yes) << true;
  }
  void modelMenuSwitchesAfterTheSaveQuestion() {
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, switched);
    WindowRig rig;
    MainWindow& window = rig.Start();
    const auto file = rig.Folder() / "x1.klv";
    WriteBytes(file, ParameterFile(40));
    window.LoadParameterFile(file, false);
    if (modified) EditScreen(window);
    if (answer >= 0) rig.dialogs.saveAnswers = {static_cast<SaveAnswer>(answer)};
    const auto saved = rig.Folder() / "kept.klv";
    rig.dialogs.saveChoices = {saved};

    window.Action(MenuItem::ModelKlv30)->trigger();
    QCOMPARE(Q(rig.dialogs.questions), answer >= 0 ? QStringList{"Save changes to x1?"} : QStringList{});
    QCOMPARE(std::filesystem::exists(saved), answer == int(SaveAnswer::Yes));
    if (switched) {
      QCOMPARE(rig.state.currentModel, ModelKind::Klv30);
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30 - Untitled"));
      QVERIFY(window.DocumentPath().empty());
      QVERIFY(!window.Modified());
      QVERIFY(!KeyLockOn(window));  // the KLV30 defaults
      QVERIFY(ModelChecks(window, false, true, false));
    } else {
      QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - x1*"));
      QVERIFY(window.Modified());
      QVERIFY(!KeyLockOn(window));  // the edit stays on the screen
      QVERIFY(ModelChecks(window, true, false, false));
    }
  }

  void currentModelItemDoesNothing() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    // The current model's item, enabled by the menu's refresh, does nothing.
    window.RefreshMenu(MenuItem::Model);
    QVERIFY(window.Action(MenuItem::ModelKlv40)->isEnabled());
    EditScreen(window);
    window.Action(MenuItem::ModelKlv40)->trigger();
    QVERIFY(window.Modified());
    QVERIFY(rig.dialogs.questions.empty());
    QVERIFY(ModelChecks(window, true, false, false));
  }

  void toolsMenuEnablesLogsOnlyWhileTheyExist() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    QMenu* tools = window.Popup(MenuItem::Tools);
    QVERIFY(tools != nullptr);
    QMetaObject::invokeMethod(tools, "aboutToShow");
    QVERIFY(!window.Action(MenuItem::CommunicationLog)->isEnabled());
    QVERIFY(window.Action(MenuItem::RecordData)->isEnabled());  // it asks where the record goes
    QVERIFY(window.Action(MenuItem::Monitor)->isEnabled());
    WriteBytes(rig.state.commLogPath, Words({1}));
    QMetaObject::invokeMethod(tools, "aboutToShow");
    QVERIFY(window.Action(MenuItem::CommunicationLog)->isEnabled());
    window.Action(MenuItem::CommunicationLog)->trigger();
    QCOMPARE(rig.dialogs.shellOpened, std::vector<std::filesystem::path>{rig.state.commLogPath});
  }

  // A file the desktop has no program for is named with its folder, so the
  // operator is not left with a command that does nothing; a file that
  // opened, or is not there, brings no message.
  void filesTheDesktopCannotOpenAreNamed_data() {
    QTest::addColumn<int>("item");
    QTest::addColumn<bool>("japanese");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("folder");  // "data", "bin" or "" (no message)
    QTest::addColumn<QString>("message");  // %1 stands for the folder
    const int noProgram = int(ShellOpen::NoProgram);
    QTest::newRow("comm log, English") << int(MenuItem::CommunicationLog) << false << noProgram << "data"
                                       << "No program is set up to open comlog.txt.\nThe file is in the folder:\n%1";
    QTest::newRow("manual, English") << int(MenuItem::Manual) << false << noProgram << "bin"
                                     << "No program is set up to open KlvToolEng.pdf.\nThe file is in the folder:\n%1";
    QTest::newRow("comm log, Japanese") << int(MenuItem::CommunicationLog) << true << noProgram << "data"
                                        << "comlog.txt を開くプログラムが設定されていません。\nファイルのフォルダ：\n%1";
    QTest::newRow("manual, Japanese") << int(MenuItem::Manual) << true << noProgram << "bin"
                                      << "KlvTool.pdf を開くプログラムが設定されていません。\nファイルのフォルダ：\n%1";
    QTest::newRow("opened") << int(MenuItem::CommunicationLog) << false << int(ShellOpen::Opened) << "" << "";
    QTest::newRow("missing") << int(MenuItem::Manual) << true << int(ShellOpen::Missing) << "" << "";
  }
  void filesTheDesktopCannotOpenAreNamed() {
    QFETCH(int, item);
    QFETCH(bool, japanese);
    QFETCH(int, answer);
    QFETCH(QString, folder);
    QFETCH(QString, message);
    WindowRig rig(japanese ? Language::Japanese : Language::English);
    MainWindow& window = rig.Start();
    rig.dialogs.shellAnswer = static_cast<ShellOpen>(answer);
    window.RunCommand(static_cast<MenuItem>(item));
    QCOMPARE(rig.dialogs.shellOpened.size(), std::size_t{1});
    if (folder.isEmpty()) {
      QVERIFY(rig.dialogs.messages.empty());
      return;
    }
    const std::filesystem::path expectedFolder = folder == "data" ? rig.DataFolder() : rig.Folder() / "bin";
    QCOMPARE(rig.dialogs.shellOpened.front().parent_path(), expectedFolder);
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{1});
    QCOMPARE(Q(rig.dialogs.messages.front().text), message.arg(Q(expectedFolder.string())));
    QCOMPARE(rig.dialogs.messages.front().owner, &window);
  }

  void menuCaptionsInBothLanguages() {
    WindowRig english;
    english.Start();
    QCOMPARE(english.window->Action(MenuItem::New)->text(), QStringLiteral("&New\tCtrl+N"));
    QCOMPARE(english.window->Popup(MenuItem::Model)->title(), QStringLiteral("&Model"));
    WindowRig japanese(Language::Japanese);
    MainWindow& window = japanese.Start();
    QCOMPARE(window.Action(MenuItem::SaveAs)->text(), QStringLiteral("名前をつけて保存(&A)\tCtrl+A"));
    QCOMPARE(window.Popup(MenuItem::Tools)->title(), QStringLiteral("ツール(&T)"));
    QCOMPARE(window.size(), QSize(675, 603));
    QCOMPARE(Q(japanese.state.manualPath.filename().string()), QStringLiteral("KlvTool.pdf"));
    EditScreen(window);
    japanese.dialogs.saveAnswers = {SaveAnswer::Cancel};
    window.NewDocument();
    QCOMPARE(Q(japanese.dialogs.questions.at(0)), QStringLiteral("無題への変更を保存しますか？"));
  }

  void helpItems() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.Action(MenuItem::VersionInformation)->trigger();
    QCOMPARE(Q(rig.dialogs.Texts()), QStringList{" KLV Loader  Ver1.60"});
    window.Action(MenuItem::Manual)->trigger();
    QCOMPARE(rig.dialogs.shellOpened, std::vector<std::filesystem::path>{rig.Folder() / "bin" / "KlvToolEng.pdf"});
  }

  void manualFoundInDocumentationFolder() {
    WindowRig rig;
    std::filesystem::create_directories(rig.Folder() / "doc");
    WriteBytes(rig.Folder() / "doc" / "KlvToolEng.pdf", Words({1}));
    rig.Start();
    QCOMPARE(rig.state.manualPath, rig.Folder() / "doc" / "KlvToolEng.pdf");
  }

  // ---- File commands ----

  void newDocument_data() {
    QTest::addColumn<bool>("modified");
    QTest::addColumn<int>("answer");  // -1 no question
    QTest::addColumn<bool>("saveChosen");
    QTest::addColumn<bool>("reset");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("unmodified") << false << -1 << false << true << QStringList{};
    QTest::newRow("No") << true << int(SaveAnswer::No) << false << true << QStringList{};
    QTest::newRow("Cancel") << true << int(SaveAnswer::Cancel) << false << false << QStringList{};
    QTest::newRow("Yes, saved") << true << int(SaveAnswer::Yes) << true << true
                                << QStringList{"File writing complete"};
    // Mended: the operator asked to keep the edits, so they are not thrown away.
    QTest::newRow("Yes, save dialog cancelled") << true << int(SaveAnswer::Yes) << false << false
                                                << QStringList{"Cancelled"};
  }
  void newDocument() {
    QFETCH(bool, modified);
    QFETCH(int, answer);
    QFETCH(bool, saveChosen);
    QFETCH(bool, reset);
    QFETCH(QStringList, messages);
    WindowRig rig;
    MainWindow& window = rig.Start();
    const auto file = rig.Folder() / "f1.klv";
    WriteBytes(file, ParameterFile(30, 0));
    window.LoadParameterFile(file, false);
    if (modified) EditScreen(window);
    if (answer >= 0) rig.dialogs.saveAnswers = {static_cast<SaveAnswer>(answer)};
    const auto saved = rig.Folder() / "saved.klv";
    rig.dialogs.saveChoices = {saveChosen ? std::optional(saved) : std::nullopt};

    window.NewDocument();
    QCOMPARE(int(rig.dialogs.questions.size()), answer >= 0 ? 1 : 0);
    if (answer >= 0) QCOMPARE(Q(rig.dialogs.questions[0]), QStringLiteral("Save changes to f1?"));
    QCOMPARE(Q(rig.dialogs.Texts()), messages);
    QCOMPARE(std::filesystem::exists(saved), saveChosen);
    if (reset) {
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30 - Untitled"));
      QVERIFY(window.DocumentPath().empty());
      QVERIFY(!KeyLockOn(window));
      QCOMPARE(rig.state.currentModel, ModelKind::Klv30);  // the model stays
    } else {
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30 - f1*"));
      QVERIFY(KeyLockOn(window));
      QVERIFY(window.Modified());
    }
  }

  void openDocument_data() {
    QTest::addColumn<int>("fileKind");  // 0 cancelled, 1 valid KLV30E, 2 refused (121 bytes), 3 missing
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("cancelled") << 0 << QStringList{"Cancelled"};
    QTest::newRow("loaded") << 1 << QStringList{"File reading complete"};
    QTest::newRow("refused") << 2 << QStringList{"File data is unauthorized"};
    QTest::newRow("cannot open") << 3 << QStringList{"File cannot be opened"};
  }
  void openDocument() {
    QFETCH(int, fileKind);
    QFETCH(QStringList, messages);
    WindowRig rig;
    MainWindow& window = rig.Start();
    EditScreen(window);
    rig.dialogs.saveAnswers = {SaveAnswer::No};
    const auto file = rig.Folder() / "e9.klv";
    if (fileKind == 1) WriteBytes(file, ParameterFile(308, 1, 1, 0));
    if (fileKind == 2) WriteBytes(file, std::vector<uint8_t>(121, 0x28));
    rig.dialogs.openChoices = {fileKind == 0 ? std::nullopt : std::optional(file)};

    window.OpenDocument();
    QCOMPARE(Q(rig.dialogs.Texts()), messages);
    QVERIFY(!window.Modified());  // cleared before the dialog, whatever follows
    if (fileKind == 1) {
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV30E - e9"));
      QCOMPARE(window.DocumentPath(), file);
      QCOMPARE(rig.state.parameters.optionDetect, uint16_t{1});
    } else {
      QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled"));
      QVERIFY(window.DocumentPath().empty());
      QVERIFY(KeyLockOn(window));  // the screen is as it was
    }
  }

  void saveOnNewDocumentAsksForNameThenWritesWithoutAsking() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    EditScreen(window);
    const auto file = rig.Folder() / "Untitled.klv";
    rig.dialogs.saveChoices = {file};
    QVERIFY(window.SaveDocument());
    QCOMPARE(rig.dialogs.saveDialogNames, std::vector<std::string>{"Untitled"});
    QCOMPARE(Q(rig.dialogs.Texts()), QStringList{"File writing complete"});
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - Untitled"));
    const auto bytes = ReadBytes(file);
    QCOMPARE(bytes.size(), std::size_t{120});
    QCOMPARE(bytes[6], uint8_t{1});  // key lock ON, taken from the screen
    // A second Save writes to the same path without a dialog.
    QVERIFY(window.SaveDocument());
    QCOMPARE(rig.dialogs.saveDialogNames.size(), std::size_t{1});
  }

  void saveAsAlwaysAsksAndLaterSaveUsesNewPath() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    const auto first = rig.Folder() / "first.klv";
    const auto second = rig.Folder() / "second.klv";
    WriteBytes(first, ParameterFile(40, 0));
    window.LoadParameterFile(first, false);
    rig.dialogs.saveChoices = {second};
    QVERIFY(window.SaveDocumentAs());
    QCOMPARE(rig.dialogs.saveDialogNames, std::vector<std::string>{"first"});
    QCOMPARE(window.DocumentPath(), second);
    QCOMPARE(rig.Title(), QStringLiteral("KLV Loader - KLV40 - second"));
    EditScreen(window);
    QVERIFY(window.SaveDocument());
    QCOMPARE(rig.dialogs.saveDialogNames.size(), std::size_t{1});
    QCOMPARE(ReadBytes(second)[6], uint8_t{1});
  }

  void saveFailuresAndCancel_data() {
    QTest::addColumn<bool>("saveAs");
    QTest::addColumn<bool>("cancel");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("title");
    // The folder is missing: the message names the system's reason on a second line.
    const QString missing = QString::fromStdString("\n(" + SystemErrorText(ENOENT) + ")");
    QTest::newRow("Save, write failed") << false << false << "File exception occurred" + missing
                                        << "KLV Loader - KLV40 - gone*";
    QTest::newRow("Save as, write failed") << true << false << "CfileException!" + missing
                                           << "KLV Loader - KLV40 - gone*";
    QTest::newRow("Save, cancelled") << false << true << "Cancelled" << "KLV Loader - KLV40 - Untitled*";
    QTest::newRow("Save as, cancelled") << true << true << "Cancelled" << "KLV Loader - KLV40 - Untitled*";
  }
  void saveFailuresAndCancel() {
    QFETCH(bool, saveAs);
    QFETCH(bool, cancel);
    QFETCH(QString, message);
    QFETCH(QString, title);
    WindowRig rig;
    MainWindow& window = rig.Start();
    EditScreen(window);
    QVERIFY(rig.state.parameters.keyLock != 1);
    const auto unwritable = rig.Folder() / "no-such-folder" / "gone.klv";
    rig.dialogs.saveChoices = {cancel ? std::nullopt : std::optional(unwritable)};
    QVERIFY(!(saveAs ? window.SaveDocumentAs() : window.SaveDocument()));
    QCOMPARE(Q(rig.dialogs.Texts()), QStringList{message});
    QCOMPARE(rig.Title(), title);
    QVERIFY(window.Modified());
    QCOMPARE(window.DocumentPath(), cancel ? std::filesystem::path() : unwritable);
    // The screen went into the parameter set first, and stays there.
    QCOMPARE(rig.state.parameters.keyLock, int16_t{1});
  }

  // ---- The save question before discarding, mended ----

  void exitWithYesThenCancelledSaveStaysOpen() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    EditScreen(window);
    std::filesystem::remove(rig.SettingsFile());
    rig.dialogs.saveAnswers = {SaveAnswer::Yes};
    QVERIFY(!window.Exit());
    QCOMPARE(Q(rig.dialogs.Texts()), QStringList{"Cancelled"});
    QVERIFY(window.isVisible());
    QVERIFY(window.Modified());
    QVERIFY(!std::filesystem::exists(rig.SettingsFile()));  // nothing stored yet
  }

  void readFromDeviceWithYesThenFailedSaveDoesNothingMore() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    EditScreen(window);
    rig.dialogs.saveAnswers = {SaveAnswer::Yes};
    rig.dialogs.saveChoices = {rig.Folder() / "missing" / "x.klv"};
    window.ReadFromDevice();
    QCOMPARE(Q(rig.dialogs.Texts()),
             QStringList{QString::fromStdString("CfileException!\n(" + SystemErrorText(ENOENT) + ")")});
    QCOMPARE(rig.dialogs.settingsRuns, 0);
    QVERIFY(window.Modified());
    QVERIFY(KeyLockOn(window));
  }

  void exitWithYesAndSavedCloses() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    EditScreen(window);
    rig.dialogs.saveAnswers = {SaveAnswer::Yes};
    rig.dialogs.saveChoices = {rig.Folder() / "kept.klv"};
    QVERIFY(window.Exit());
    QVERIFY(!window.isVisible());
    QVERIFY(std::filesystem::exists(rig.Folder() / "kept.klv"));
  }

  // A later start's file: the save question first, then the file as Open
  // would load it; Cancel leaves the screen as it was.
  void laterStartOpensItsFileAfterTheSaveQuestion() {
    WindowRig rig;
    const std::filesystem::path klv = rig.Folder() / "unit7.klv";
    WriteBytes(klv, ParameterFile(30));
    MainWindow& window = rig.Start();
    EditScreen(window);
    rig.dialogs.saveAnswers = {SaveAnswer::Cancel, SaveAnswer::No};
    window.OpenFromLaterStart(klv);
    QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    QVERIFY(window.Modified());
    window.OpenFromLaterStart(klv);
    QCOMPARE(rig.dialogs.questions.size(), std::size_t{2});
    QCOMPARE(rig.state.currentModel, ModelKind::Klv30);
    QCOMPARE(window.DocumentPath(), klv);
    QVERIFY(!window.Modified());
    window.OpenFromLaterStart({});  // no file: only to the front
    QCOMPARE(rig.dialogs.questions.size(), std::size_t{2});
    QCOMPARE(window.DocumentPath(), klv);
  }

  // Each kind of file dialog starts where the last of its kind chose a file,
  // also after a restart; the files opened and saved come back under File as
  // "&1".."&8", newest first, and Alt+F then the digit opens one.
  void foldersAndRecentFilesAreRemembered() {
    WindowRig rig;
    const std::filesystem::path ovens = rig.Folder() / "ovens";
    const std::filesystem::path reports = rig.Folder() / "reports";
    std::filesystem::create_directories(ovens);
    std::filesystem::create_directories(reports);
    for (const char* name : {"a.klv", "b.klv"}) WriteBytes(ovens / name, ParameterFile(40));
    MainWindow& window = rig.Start();
    QVERIFY(window.RecentFileActions().empty());
    QVERIFY(!window.RecentFilesHeading()->isVisible());

    rig.dialogs.openChoices = {ovens / "a.klv"};
    window.OpenDocument();
    rig.dialogs.saveChoices = {ovens / "c.klv"};
    window.SaveDocumentAs();
    rig.dialogs.reportRequests = {ReportRequest{"SN 1", ReportRequest::Output::Pdf}};
    rig.dialogs.reportChoices = {reports / "r.pdf"};
    window.Report();
    rig.dialogs.reportRequests = {ReportRequest{"SN 2", ReportRequest::Output::Pdf}};
    rig.dialogs.reportChoices = {std::nullopt};
    window.Report();
    rig.dialogs.openChoices = {std::nullopt};
    window.OpenDocument();
    QCOMPARE(rig.dialogs.dialogFolders,
             (std::vector<std::filesystem::path>{{}, ovens, {}, reports, ovens}));

    QStringList texts;
    for (QAction* action : window.RecentFileActions()) texts << action->text();
    QCOMPARE(texts, (QStringList{"&1 " + Q((ovens / "c.klv").string()), "&2 " + Q((ovens / "a.klv").string())}));
    QVERIFY(window.RecentFilesHeading()->isVisible());

    // A new start of the program reads them back from KlvLoader.conf.
    WindowRig again;
    std::filesystem::copy_file(rig.state.optionsPath, again.DataFolder() / "KlvLoader.conf");
    MainWindow& second = again.Start();
    QCOMPARE(second.RecentFileActions().size(), std::size_t{2});
    again.dialogs.openChoices = {std::nullopt};
    second.OpenDocument();
    QCOMPARE(again.dialogs.dialogFolders, std::vector<std::filesystem::path>{ovens});

    second.show();
    QVERIFY(QTest::qWaitForWindowActive(&second));
    QMenu* file = second.Popup(MenuItem::File);
    file->popup(second.mapToGlobal(QPoint(0, 0)));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    QTest::keyClick(file, Qt::Key_2);
    QTRY_COMPARE(second.DocumentPath(), ovens / "a.klv");
    QCOMPARE(second.RecentFileActions().at(0)->text(), "&1 " + Q((ovens / "a.klv").string()));
  }

  // The File menu with its recent files, in both languages, for looking at.
  void fileMenuScreenshots() {
    for (const Language language : {Language::English, Language::Japanese}) {
      WindowRig rig(language);
      ProgramOptions options;
      for (const char* name : {"unit7.klv", "oven line 3.klv"}) {
        WriteBytes(rig.Folder() / name, ParameterFile(40));
        RememberRecentFile(options, rig.Folder() / name);
      }
      QVERIFY(SaveProgramOptions(rig.DataFolder() / "KlvLoader.conf", options).ok);
      MainWindow& window = rig.Start();
      window.show();
      QVERIFY(QTest::qWaitForWindowExposed(&window));
      QMenu* file = window.Popup(MenuItem::File);
      file->popup(window.mapToGlobal(QPoint(0, 0)));
      QVERIFY(QTest::qWaitForWindowExposed(file));
      QCOMPARE(window.RecentFileActions().size(), std::size_t{2});
      const QString name = language == Language::English ? QStringLiteral("en") : QStringLiteral("ja");
      QVERIFY(file->grab().save(QStringLiteral("/tmp/klv-file-menu-%1.png").arg(name)));
      file->hide();
    }
  }

  // ---- Keys ----

  // In a text field the editing keys act on its text; every other key, and
  // the editing keys anywhere else, run the window's command.
  void keysInAndOutsideTextFields_data() {
    QTest::addColumn<int>("keys");
    QTest::addColumn<bool>("inField");
    QTest::addColumn<QString>("command");  // what ran: settings, save as, question, shell or nothing
    QTest::addColumn<QString>("fieldText");  // the field's text afterwards; "=" unchanged
    const int ctrl = Qt::ControlModifier;
    QTest::newRow("Ctrl+X cuts in a field") << (ctrl | Qt::Key_X) << true << "" << "";
    QTest::newRow("Ctrl+C copies in a field") << (ctrl | Qt::Key_C) << true << "" << "=";
    QTest::newRow("Ctrl+A selects in a field") << (ctrl | Qt::Key_A) << true << "" << "=";
    QTest::newRow("Ctrl+V pastes in a field") << (ctrl | Qt::Key_V) << true << "" << "123";
    QTest::newRow("Ctrl+N in a field") << (ctrl | Qt::Key_N) << true << "question" << "=";
    QTest::newRow("Ctrl+Q in a field") << (ctrl | Qt::Key_Q) << true << "question" << "=";
    QTest::newRow("Ctrl+Shift+S in a field") << (ctrl | int(Qt::ShiftModifier) | Qt::Key_S) << true << "save as" << "=";
    QTest::newRow("Ctrl+D in a field") << (ctrl | Qt::Key_D) << true << "record" << "=";
    QTest::newRow("F1 in a field") << int(Qt::Key_F1) << true << "shell" << "=";
    QTest::newRow("Ctrl+X outside") << (ctrl | Qt::Key_X) << false << "question" << "=";
    QTest::newRow("Ctrl+C outside") << (ctrl | Qt::Key_C) << false << "settings" << "=";
    QTest::newRow("Ctrl+A outside") << (ctrl | Qt::Key_A) << false << "save as" << "=";
    QTest::newRow("Ctrl+D outside") << (ctrl | Qt::Key_D) << false << "record" << "=";
  }
  void keysInAndOutsideTextFields() {
    QFETCH(int, keys);
    QFETCH(bool, inField);
    QFETCH(QString, command);
    QFETCH(QString, fieldText);
    WindowRig rig;
    MainWindow& window = rig.Start();
    WriteBytes(rig.state.dataLogPath, Words({1}));  // Record data opens only an existing file
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    EditScreen(window);
    ScreenEdit* field = window.Screen().Edit(EditField::SlowUp);
    QWidget* target = inField ? static_cast<QWidget*>(field) : window.Screen().Radio(RadioGroup::KeyLock, 0);
    target->setFocus();
    QTRY_VERIFY(target->hasFocus());
    field->selectAll();
    const QString before = field->text();
    QVERIFY(!before.isEmpty());
    QGuiApplication::clipboard()->setText(QStringLiteral("123"));
    rig.dialogs.saveAnswers = {SaveAnswer::Cancel};

    const QKeyCombination combination = QKeyCombination::fromCombined(keys);
    QTest::keyClick(target, combination.key(), combination.keyboardModifiers());

    QCOMPARE(rig.dialogs.settingsRuns, command == "settings" ? 1 : 0);
    QCOMPARE(int(rig.dialogs.saveDialogNames.size()), command == "save as" ? 1 : 0);
    QCOMPARE(int(rig.dialogs.questions.size()), command == "question" ? 1 : 0);
    QCOMPARE(int(rig.dialogs.shellOpened.size()), command == "shell" ? 1 : 0);
    QCOMPARE(int(rig.dialogs.recordDialogNames.size()), command == "record" ? 1 : 0);
    QVERIFY(window.isVisible());  // Cancel keeps it open
    QCOMPARE(field->text(), fieldText == "=" ? before : fieldText);
    if (keys == (int(Qt::ControlModifier) | Qt::Key_X) && inField) {
      QCOMPARE(QGuiApplication::clipboard()->text(), before);
    }
  }

  void ctrlDAndF1OpenTheirFiles() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_D, Qt::ControlModifier);
    QTest::keyClick(&window, Qt::Key_F1);
    QCOMPARE(rig.dialogs.recordDialogNames, std::vector<std::string>{"datalog.csv"});
    QCOMPARE(rig.dialogs.shellOpened, (std::vector<std::filesystem::path>{rig.state.manualPath}));
  }

  // Tools > Record data offers the record's file in a save dialog (datalog.csv
  // in the data folder at first), then opens the monitor with the record armed
  // for the file chosen; the folder is remembered in the program's settings
  // and offered next time, also after a restart. Cancel changes nothing.
  void recordDataOffersTheFileAndArmsTheMonitor() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    std::vector<bool> armed;
    window.SetMonitorCommand([&](QWidget*, bool armRecord) { armed.push_back(armRecord); });
    const std::filesystem::path datalog = rig.state.dataLogPath;
    QCOMPARE(datalog, rig.DataFolder() / "datalog.csv");

    rig.dialogs.recordChoices = {std::nullopt};
    window.RunCommand(MenuItem::RecordData);
    QVERIFY(armed.empty());
    QCOMPARE(rig.state.dataLogPath, datalog);

    const std::filesystem::path records = rig.Folder() / "records";
    std::filesystem::create_directories(records);
    rig.dialogs.recordChoices = {records / "oven7-run1.csv", records / "oven7-run2.csv"};
    window.RunCommand(MenuItem::RecordData);
    QCOMPARE(armed, std::vector<bool>{true});
    QCOMPARE(rig.state.dataLogPath, records / "oven7-run1.csv");
    window.RunCommand(MenuItem::Monitor);
    QCOMPARE(armed, (std::vector<bool>{true, false}));
    window.RunCommand(MenuItem::RecordData);

    QCOMPARE(rig.dialogs.recordDialogNames, (std::vector<std::string>{"datalog.csv", "datalog.csv", "oven7-run1.csv"}));
    const std::vector<std::filesystem::path> folders(rig.dialogs.dialogFolders.end() - 3, rig.dialogs.dialogFolders.end());
    QCOMPARE(folders, (std::vector<std::filesystem::path>{rig.DataFolder(), rig.DataFolder(), records}));
    const std::vector<uint8_t> stored = ReadBytes(rig.state.optionsPath);
    QCOMPARE(ParseProgramOptions(std::string(stored.begin(), stored.end())).recordFolder, records);
  }

  // A value typed and not yet left counts before any command that reads or
  // discards the screen: the field's leave rule runs first.
  void typedValueNotYetLeftIsAskedAbout_data() {
    QTest::addColumn<int>("key");  // Ctrl+key; 0 the Model menu, -1 the close box
    QTest::newRow("Ctrl+Q exit") << int(Qt::Key_Q);
    QTest::newRow("Ctrl+N new") << int(Qt::Key_N);
    QTest::newRow("Ctrl+O open") << int(Qt::Key_O);
    QTest::newRow("Ctrl+R read") << int(Qt::Key_R);
    QTest::newRow("Model menu") << 0;
    QTest::newRow("close box") << -1;
  }
  void typedValueNotYetLeftIsAskedAbout() {
    QFETCH(int, key);
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    // "Ramp higher limit setting" is checked only when it is left.
    ScreenEdit* field = window.Screen().Edit(EditField::RampUpperSetting);
    field->setFocus();
    QTRY_VERIFY(field->hasFocus());
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("0"));
    QVERIFY(!window.Modified());
    rig.dialogs.saveAnswers = {SaveAnswer::Cancel};

    if (key > 0) {
      QTest::keyClick(field, static_cast<Qt::Key>(key), Qt::ControlModifier);
    } else if (key == 0) {
      window.Action(MenuItem::ModelKlv30)->trigger();
    } else {
      QVERIFY(!window.close());
    }
    QCOMPARE(Q(rig.dialogs.questions), QStringList{"Save changes to Untitled?"});
    QCOMPARE(field->text(), QStringLiteral("1"));  // corrected as on leaving
    QVERIFY(window.Modified());
    QVERIFY(window.isVisible());
    QCOMPARE(rig.state.currentModel, ModelKind::Klv40);
    QCOMPARE(rig.dialogs.openDialogs + rig.dialogs.settingsRuns, 0);
  }

  void ctrlXWithoutChangesExits() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QWidget* button = window.Screen().Radio(RadioGroup::KeyLock, 0);
    button->setFocus();
    QTest::keyClick(button, Qt::Key_X, Qt::ControlModifier);
    QVERIFY(!window.isVisible());
    QVERIFY(rig.dialogs.questions.empty());
  }

  void enterAndEscapeDoNothing() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    for (QWidget* target : {static_cast<QWidget*>(&window), static_cast<QWidget*>(window.Screen().Edit(EditField::SlowUp)),
                            static_cast<QWidget*>(window.Screen().Radio(RadioGroup::KeyLock, 1))}) {
      target->setFocus();
      QTest::keyClick(target, Qt::Key_Escape);
      QTest::keyClick(target, Qt::Key_Return);
      QTest::keyClick(target, Qt::Key_Enter);
    }
    QVERIFY(window.isVisible());
    QVERIFY(!window.Modified());
    QVERIFY(rig.dialogs.messages.empty());
    QVERIFY(rig.dialogs.questions.empty());
    QVERIFY(!KeyLockOn(window));
  }

  void closeBoxRunsExit() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    window.show();
    EditScreen(window);
    rig.dialogs.saveAnswers = {SaveAnswer::Cancel, SaveAnswer::No};
    QVERIFY(!window.close());
    QVERIFY(window.isVisible());
    QVERIFY(window.close());
    QCOMPARE(rig.dialogs.questions.size(), std::size_t{2});
    QVERIFY(std::filesystem::exists(rig.SettingsFile()));
  }

  // ---- Tools ----

  void monitorRunsHookOnlyAfterSettingsAccepted() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    QWidget* owner = nullptr;
    int runs = 0;
    window.Monitor();  // no hook: nothing after the settings screen
    window.SetMonitorCommand([&](QWidget* w, bool) {
      owner = w;
      ++runs;
    });
    rig.dialogs.settingsAnswers = {false, true};
    window.Action(MenuItem::Monitor)->trigger();
    QCOMPARE(runs, 0);
    window.Action(MenuItem::Monitor)->trigger();
    QCOMPARE(runs, 1);
    QCOMPARE(owner, static_cast<QWidget*>(&window));
    QCOMPARE(rig.dialogs.settingsRuns, 3);
  }

  // With the settings file unreadable, nothing talks to a regulator before
  // the operator has been told and has accepted the settings screen.
  void unreadableSettingsAreNamedBeforeTheFirstConnection() {
    WindowRig rig;
    std::filesystem::create_directories(rig.SettingsFile());
    MainWindow& window = rig.Start();
    int runs = 0;
    window.SetMonitorCommand([&](QWidget*, bool) { ++runs; });
    rig.dialogs.settingsAnswers = {false, true, true};
    const QString warning = Q(rig.SettingsFile().string()) +
                            QStringLiteral(" cannot be read (Is a directory): give every setting in the "
                                           "communication settings that follow, or fix its permissions");
    window.Action(MenuItem::Monitor)->trigger();  // told, then the screen is cancelled: nothing runs
    QCOMPARE(runs, 0);
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{2});
    QCOMPARE(Q(rig.dialogs.messages[1].text), warning);
    window.Action(MenuItem::Monitor)->trigger();  // told again, accepted
    QCOMPARE(runs, 1);
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{3});
    window.Action(MenuItem::Monitor)->trigger();  // the operator's own settings now
    QCOMPARE(runs, 2);
    QCOMPARE(rig.dialogs.messages.size(), std::size_t{3});
    QCOMPARE(rig.dialogs.settingsRuns, 3);
  }

  // With ports/ unlistable, COM<n> would reach the system's own device of
  // that number: nothing runs, not even the settings screen, until it can
  // be listed again.
  void unreadablePortsAreNamedBeforeTheFirstConnection() {
    const struct {
      Language language;
      const char* tail;
    } cases[] = {
        {Language::English, " cannot be read (Not a directory): fix its permissions; nothing is sent to a regulator "
                            "until then"},
        {Language::Japanese, " を読めません（Not a directory）。フォルダの権限を直してください。"
                             "それまで機器には何も送りません。"},
    };
    for (const auto& c : cases) {
      WindowRig rig(c.language);
      MainWindow& window = rig.Start();
      const std::filesystem::path ports = rig.DataFolder() / "ports";
      std::filesystem::remove_all(ports);
      WriteBytes(ports, {});
      int runs = 0;
      window.SetMonitorCommand([&](QWidget*, bool) { ++runs; });
      const std::size_t before = rig.dialogs.messages.size();
      for (MenuItem item : {MenuItem::ReadFromDevice, MenuItem::WriteToDevice, MenuItem::CompareWithDevice, MenuItem::Monitor}) {
        window.Action(item)->trigger();
      }
      QCOMPARE(runs, 0);
      QCOMPARE(rig.dialogs.settingsRuns, 0);
      QCOMPARE(rig.dialogs.messages.size(), before + 4);
      QCOMPARE(Q(rig.dialogs.messages.back().text), Q(ports.string() + c.tail));
      std::filesystem::remove(ports);
      std::filesystem::create_directory(ports);
      window.Action(MenuItem::Monitor)->trigger();
      QCOMPARE(runs, 1);
    }
  }

  void communicationSettingsAcceptedChangesMemoryOnly() {
    WindowRig rig;
    MainWindow& window = rig.Start();
    const auto before = ReadBytes(rig.SettingsFile());
    window.CommunicationSettings();
    QCOMPARE(rig.state.connection.settings.protocol, Protocol::Torvalek);
    QCOMPARE(ReadBytes(rig.SettingsFile()), before);
    QVERIFY(window.Exit());
    QCOMPARE(ReadBytes(rig.SettingsFile())[22], uint8_t{0});  // TORVALEK stored at exit
  }
};

QTEST_MAIN(KlvToolDlgTest)
#include "main_window_test.moc"
