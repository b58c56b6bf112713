#pragma once
// The application: one program at a time, the command-line file, the
// program's state, the main window and its event loop.
#include <QString>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "text/language.h"
#include "platform/clock.h"
#include "serial/port.h"

class QLocalServer;
class QLockFile;

namespace klv {

// The name of the lock that keeps a second copy of the program from starting.
inline constexpr char kSingleInstanceName[] = "適当な文字列";

// Held while the program runs: a lock file named after kSingleInstanceName in
// the session's runtime folder (or the given folder). A lock left behind by
// a program that died is taken over. Beside it, a local socket on which the
// running program hears from later starts: each hands over the file it was
// given (or none) and ends.
class SingleInstance {
 public:
  explicit SingleInstance(const QString& folder = QString());
  ~SingleInstance();
  SingleInstance(const SingleInstance&) = delete;
  SingleInstance& operator=(const SingleInstance&) = delete;

  // True when this process now holds the lock; false when another one does.
  bool Acquire();
  QString Path() const;
  QString SocketPath() const { return socketPath_; }

  // While the lock is held: each later start's file (empty for none) comes
  // to onStart, on the window thread. False when the socket cannot be made.
  bool Listen(std::function<void(const std::filesystem::path& file)> onStart);
  // From a later start: hands file (made absolute; empty for none) to the
  // running program. False when it could not be reached.
  bool HandOver(const std::filesystem::path& file) const;

 private:
  std::unique_ptr<QLockFile> lock_;
  QString path_;
  QString socketPath_;
  std::unique_ptr<QLocalServer> server_;
};

// What a later start sends: the file's absolute path in UTF-8 (nothing for
// none), and what the running program makes of the bytes it got: nothing
// when they are too long or hold a NUL or a line break.
inline constexpr std::size_t kLongestHandOver = 4096;
std::optional<std::filesystem::path> HandedOverFile(std::string_view bytes);

// What the command line asks for.
struct LaunchOptions {
  bool help = false;
  bool version = false;
  // Ends the program once the main window is shown, after printing
  // "klv-loader: window shown WIDTHxHEIGHT" on standard output; for the
  // start-up benchmark and the tests. Not in the usage text.
  bool quitAfterShow = false;
  // --demo [KLV40|KLV30|KLV30E]: a simulated regulator that COM1 reaches.
  std::optional<ModelKind> demo;
  std::filesystem::path file;  // the parameter file to open; empty for none
  std::vector<std::string> unknown;  // options the program does not know
};

LaunchOptions ParseLaunchOptions(int argc, const char* const* argv);
// The language of the user interface: the first of the system's UI languages
// (LANGUAGE, LC_ALL, LC_MESSAGES, LANG) decides.
Language SystemLanguage();

// What --help prints, and a refused option's message, in that language.
std::string UsageText(Language language);
std::string UnknownOptionText(std::string_view option, Language language);

class Application {
 public:
  // ports: how the serial line makes its ports; clock: pauses and time stamps.
  explicit Application(SerialPortFactory ports = MakeSystemSerialPort, Clock& clock = SystemClock());

  // The whole program, once the QApplication exists: ends at once (0) when
  // another instance runs; otherwise runs the main window until it closes
  // and returns the event loop's result.
  int Run(const LaunchOptions& options);

 private:
  SerialPortFactory ports_;
  Clock& clock_;
};

}  // namespace klv
