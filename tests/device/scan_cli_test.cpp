// klv-loader-cli scan as a script runs it: a separate process with its own
// data folder, against klv-sim on a pseudo-terminal and ports that cannot be
// opened or stay silent.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "support/cli_tool.h"
#include "transfer/transfer_rig.h"

extern char** environ;

namespace klv::testing {
namespace {

namespace fs = std::filesystem;

// A pseudo-terminal pair held by the test: the tool opens the far end.
class Terminal {
 public:
  Terminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    path_ = ::ptsname(master_);
    // Held open here too, so what the tool wrote stays readable after it ends.
    slave_ = ::open(path_.c_str(), O_RDWR | O_NOCTTY);
  }
  ~Terminal() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
  }
  bool Ready() const { return slave_ >= 0; }
  const std::string& Path() const { return path_; }

  // What arrives until text has appeared (or 20 s have passed, so a broken
  // tool fails the test instead of hanging it).
  std::string ReadUntil(const std::string& text) {
    std::string seen;
    for (int waited = 0; seen.find(text) == std::string::npos && waited < 200; ++waited) {
      pollfd fd{master_, POLLIN, 0};
      if (::poll(&fd, 1, 100) <= 0) continue;
      char buffer[4096];
      const ssize_t n = ::read(master_, buffer, sizeof buffer);
      if (n > 0) seen.append(buffer, static_cast<std::size_t>(n));
    }
    return seen;
  }

 private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

class ScanCliTest : public TransferRig {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
  }

  // Starts the tool with its own data folder and locale_; standard
  // error to a file, or to the terminal given.
  pid_t Start(std::vector<std::string> args, const std::string& errorTerminal = {}) {
    std::vector<std::string> env = {"XDG_DATA_HOME=" + (folder_.Path() / "data").string(),
                                    "HOME=" + folder_.Path().string(), "LANG=" + locale_};
    args.insert(args.begin(), {cli_.string(), "scan"});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, Out().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const std::string err = errorTerminal.empty() ? Err().string() : errorTerminal;
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(),
                                     errorTerminal.empty() ? O_WRONLY | O_CREAT | O_TRUNC : O_RDWR | O_NOCTTY, 0600);
    pid_t pid = -1;
    if (posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
  }
  static int Wait(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Run(std::vector<std::string> args) {
    const pid_t pid = Start(std::move(args));
    return pid < 0 ? -1 : Wait(pid);
  }
  fs::path Out() const { return folder_.Path() / "stdout"; }
  fs::path Err() const { return folder_.Path() / "stderr"; }

  fs::path cli_;
  std::string locale_ = "C";
};

TEST_F(ScanCliTest, FindsTheRegulatorAt57AtTheCurrentLineAfterAPortThatCannotBeOpened) {
  sim::SimConfig config = Device(ModelKind::Klv40, kOptionAnalogOutput);
  config.deviceAddress = 57;
  Connect(config);
  const std::string missing = (folder_.Path() / "no-tty").string();

  // The line given is the current one: a pseudo-terminal passes any line, so
  // the regulator is found at the first line tried (and, asked first, at the
  // first address: the silent addresses cost a time-out each).
  ASSERT_EQ(Run({"--port", missing, "--port", device_->Path(), "--speed", "19200", "--parity", "none", "--address",
                 "57", "--first", "--timeout", "200"}), 0)
      << ReadFile(Err());
  EXPECT_EQ(ReadFile(Err()).rfind("klv-loader-cli: " + missing + ": Port cannot be used", 0), 0u) << ReadFile(Err());
  // A port given by its path is named by it alone, not by the settings' COM number.
  EXPECT_EQ(ReadFile(Err()).find("COM"), std::string::npos) << ReadFile(Err());
  const std::string table = ReadFile(Out());
  const std::string row = table.substr(table.find('\n') + 1);
  EXPECT_EQ(row.rfind(device_->Path(), 0), 0u) << table;
  for (const char* part : {"19200 NON 1 TORVALEK", " 57 ", "KLV40", "Analog output\n"}) {
    EXPECT_NE(row.find(part), std::string::npos) << part << " in\n" << table;
  }

  // The stored address is asked first. JSON names each option by a key that
  // is the same in every language, its caption beside it.
  for (const auto& [locale, name] : {std::pair{"C", "Analog output"}, std::pair{"ja_JP.UTF-8", "アナログ出力"}}) {
    locale_ = locale;
    ASSERT_EQ(Run({"--port", device_->Path(), "--address", "57", "--first", "--json", "--timeout", "200"}), 0);
    const std::string json = ReadFile(Out());
    const std::string parts[] = {"\"speed\": 9600", "\"parity\": \"even\"", "\"stopBits\": 1", "\"address\": 57",
                                   "\"model\": \"KLV40\"",
                                   "\"options\": [{\"key\": \"analogOutput\", \"name\": \"" + std::string(name) + "\"}]"};
    for (const std::string& part : parts) {
      EXPECT_NE(json.find(part), std::string::npos) << part << " in\n" << json;
    }
  }
}

TEST_F(ScanCliTest, UsageErrorsAndPortsThatCannotBeUsedExitWithTwo) {
  const std::string missing = (folder_.Path() / "no-tty").string();
  const std::vector<std::vector<std::string>> cases = {
      {"--speed", "4800"}, {"--port", "COM25"}, {"extra"}, {"--bogus"}, {"--port", missing},
  };
  for (const auto& args : cases) {
    EXPECT_EQ(Run(args), 2) << args.front();
    EXPECT_NE(ReadFile(Err()).find("klv-loader-cli: "), std::string::npos) << args.front();
  }
}

TEST_F(ScanCliTest, OnATerminalEachPortHasItsProgressLineAndCtrlCEndsTheScanOfAll) {
  Terminal silent;  // ports nobody answers on
  Terminal alsoSilent;
  Terminal screen;
  ASSERT_TRUE(silent.Ready() && alsoSilent.Ready() && screen.Ready());

  const pid_t pid = Start({"--port", silent.Path(), "--port", alsoSilent.Path()}, screen.Path());
  ASSERT_GT(pid, 0);
  // The second port is tried while the first is (one after the other, it
  // would wait for the first port's twelve line settings).
  const std::string drawn = screen.ReadUntil(alsoSilent.Path() + "  9600 EVEN 1 TORVALEK  address 4\x1b[K");
  ::kill(pid, SIGINT);
  const int status = Wait(pid);

  // No settings file: 9600 bps, even parity, 1 stop bit, address 1 first.
  for (const Terminal* port : {&silent, &alsoSilent}) {
    EXPECT_NE(drawn.find("  0%  " + port->Path() + "  9600 EVEN 1 TORVALEK  address 2\x1b[K"), std::string::npos)
        << drawn;
  }
  EXPECT_EQ(status, 3);
  EXPECT_EQ(ReadFile(Out()), "No regulator found.\n");
}

// Echo off is tried first, then on: a regulator behind an echoing adapter is
// found and reported with echo on, one behind a plain line with echo off.
TEST_F(ScanCliTest, FindsARegulatorBehindAnEchoingAdapterAndSaysEchoOn) {
  Connect(Device(ModelKind::Klv40, 0));
  for (const bool echo : {true, false}) {
    device_->LocalEcho(echo);
    ASSERT_EQ(Run({"--port", device_->Path(), "--address", "1", "--first", "--json", "--timeout", "200"}), 0)
        << ReadFile(Err());
    const std::string json = ReadFile(Out());
    EXPECT_NE(json.find(std::string("\"echo\": ") + (echo ? "true" : "false")), std::string::npos) << json;
    EXPECT_NE(json.find("\"model\": \"KLV40\""), std::string::npos) << json;
  }
  device_->LocalEcho(true);
  ASSERT_EQ(Run({"--port", device_->Path(), "--address", "1", "--first", "--timeout", "200"}), 0) << ReadFile(Err());
  const std::string table = ReadFile(Out());
  EXPECT_NE(table.find("Echo"), std::string::npos) << table;
  EXPECT_NE(table.find(" on "), std::string::npos) << table;
}

}  // namespace
}  // namespace klv::testing
