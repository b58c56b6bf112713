#include "app/ui/application.h"

#include <QApplication>
#include <QDir>
#include <QLocale>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>
#include <cstdio>
#include <string_view>

#include "app/program_state.h"
#include "text/texts.h"
#include "app/ui/demo_regulator.h"
#include "app/ui/main_window.h"
#include "widgets/message_box.h"
#include "app/ui/qt_translations.h"
#include "monitor/ui/monitor_dialog.h"
#include "app/ui/system_dialogs.h"
#include "widgets/operator_dialogs.h"

namespace klv {

SingleInstance::SingleInstance(const QString& folder) {
  QString where = folder;
  if (where.isEmpty()) where = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
  if (where.isEmpty()) where = QDir::tempPath();
  path_ = QDir(where).filePath(QString::fromUtf8(kSingleInstanceName) + QStringLiteral(".lock"));
#ifdef _WIN32
  // Windows names a local server as a pipe, not a path: one name per lock folder.
  socketPath_ = QString::fromUtf8(kSingleInstanceName) + QLatin1Char('-') + QString::number(qHash(QDir(where).absolutePath()));
#else
  socketPath_ = QDir(where).filePath(QString::fromUtf8(kSingleInstanceName) + QStringLiteral(".socket"));
#endif
  lock_ = std::make_unique<QLockFile>(path_);
  // Stale only when its process is gone: a running program is never taken over.
  lock_->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::Acquire() { return lock_->isLocked() || lock_->tryLock(0); }

QString SingleInstance::Path() const { return path_; }

std::optional<std::filesystem::path> HandedOverFile(std::string_view bytes) {
  if (bytes.size() > kLongestHandOver || bytes.find_first_of(std::string_view("\0\n\r", 3)) != std::string_view::npos) {
    return std::nullopt;
  }
  return std::filesystem::path(std::string(bytes));
}

bool SingleInstance::Listen(std::function<void(const std::filesystem::path& file)> onStart) {
  if (!lock_->isLocked()) return false;
  server_ = std::make_unique<QLocalServer>();
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // Holding the lock, a socket left there is a dead program's.
  QLocalServer::removeServer(socketPath_);
  if (!server_->listen(socketPath_)) {
    server_.reset();
    return false;
  }
  QLocalServer* server = server_.get();
  QObject::connect(server, &QLocalServer::newConnection, server, [server, onStart] {
    while (QLocalSocket* socket = server->nextPendingConnection()) {
      auto received = std::make_shared<QByteArray>();
      QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, received] {
        received->append(socket->readAll());
        // More than a path can be is not read on.
        if (static_cast<std::size_t>(received->size()) > kLongestHandOver) socket->abort();
      });
      QObject::connect(socket, &QLocalSocket::disconnected, socket, [socket, received, onStart] {
        received->append(socket->readAll());
        socket->deleteLater();
        if (const auto file = HandedOverFile(std::string_view(received->constData(), static_cast<std::size_t>(received->size())))) {
          onStart(*file);
        }
      });
    }
  });
  return true;
}

bool SingleInstance::HandOver(const std::filesystem::path& file) const {
  std::error_code error;
  const std::filesystem::path absolute = file.empty() ? file : std::filesystem::absolute(file, error);
  QLocalSocket socket;
  socket.connectToServer(socketPath_, QIODevice::WriteOnly);
  // The running program answers at once; a second is plenty on a busy machine.
  constexpr int kWaitMs = 1000;
  if (!socket.waitForConnected(kWaitMs)) return false;
  const std::string bytes = absolute.string();
  socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
  if (!bytes.empty() && !socket.waitForBytesWritten(kWaitMs)) return false;
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(kWaitMs);
  return true;
}

LaunchOptions ParseLaunchOptions(int argc, const char* const* argv) {
  LaunchOptions options;
  bool onlyFiles = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (!onlyFiles && argument.size() > 1 && argument[0] == '-') {
      if (argument == "--") {
        onlyFiles = true;
      } else if (argument == "--help" || argument == "-h") {
        options.help = true;
      } else if (argument == "--version") {
        options.version = true;
      } else if (argument == "--demo") {
        options.demo = ModelKind::Klv40;
        if (i + 1 < argc) {
          if (const auto model = ParseDemoModel(argv[i + 1])) {
            options.demo = *model;
            ++i;
          }
        }
      } else if (argument == "--quit-after-show") {
        options.quitAfterShow = true;
      } else {
        options.unknown.emplace_back(argument);
      }
      continue;
    }
    // The one optional argument: the first file named counts.
    if (options.file.empty()) options.file = std::filesystem::path(std::string(argument));
  }
  return options;
}

Language SystemLanguage() {
  const QStringList languages = QLocale::system().uiLanguages();
  return ChooseLanguage(languages.isEmpty() ? std::string() : languages.constFirst().toStdString());
}

std::string UnknownOptionText(std::string_view option, Language language) {
  return Text(TextId::ProgramUnknownOption, language, {option});
}

std::string UsageText(Language language) { return std::string(Text(TextId::ProgramUsage, language)); }

Application::Application(SerialPortFactory ports, Clock& clock) : ports_(std::move(ports)), clock_(clock) {}

int Application::Run(const LaunchOptions& options) {
  // A second start hands its file to the running program and ends, silently.
  SingleInstance instance;
  if (!instance.Acquire()) {
    instance.HandOver(options.file);
    return 0;
  }

  const Language language = SystemLanguage();
  const auto qtTexts = InstallQtTranslations(language);

  std::unique_ptr<DemoRegulator> demo;
  if (options.demo) demo = std::make_unique<DemoRegulator>(*options.demo);

  ProgramState state(clock_, demo ? demo->Ports() : ports_, language);
  state.commandLineFile = options.file;
  SystemDialogs dialogs(language);
  MainWindow window(state, dialogs);
  window.SetMonitorCommand([&state, &window](QWidget* owner, bool armRecord) {
    MonitorDependencies dependencies{state.connection, state.dataLogPath, state.clock, state.language,
                                     state.options.pictureFolder, [&state](const std::filesystem::path& folder) {
                                       state.options.pictureFolder = folder;
                                       StoreProgramOptions(state);
                                     }};
    dependencies.armRecord = armRecord;
    dependencies.chooseRecordFile = [&window](QWidget* monitor) { return window.ChooseRecordFile(monitor); };
    RunMonitor(owner, dependencies);
  });

  const std::filesystem::path programFile = QCoreApplication::applicationFilePath().toStdString();
  window.Initialise(StartupInputs{programFile, InstalledDocumentationFolder(programFile), DataFolder()});
  if (demo) {
    std::string error;
    if (!BeginDemo(*demo, window, state, error)) {
      ShowMessage(&window, Text(TextId::DemoModeFailed, language, {error}));
    }
  }
  window.show();
  instance.Listen([&window](const std::filesystem::path& file) { window.OpenFromLaterStart(file); });

  if (options.quitAfterShow) {
    // After the first pass of the event loop, which paints the window.
    QTimer::singleShot(0, qApp, [&window] {
      std::printf("klv-loader: window shown %dx%d\n", window.width(), window.height());
      std::fflush(stdout);
      QCoreApplication::quit();
    });
  }
  return QApplication::exec();
}

}  // namespace klv
