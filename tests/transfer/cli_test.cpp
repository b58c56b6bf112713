// klv-loader-cli as a script runs it: a separate process with its own data
// folder, talking to klv-sim on a pseudo-terminal in real time.
#include <gtest/gtest.h>
#include "model/register_catalogue.h"
#include "editor/parameter_file.h"
#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <regex>
#include <sstream>
#include <thread>
#include <tuple>

#include "serial/settings_file.h"
#include "transfer/transfer_rig.h"

#include "support/cli_tool.h"
#include "support/pdf_text.h"

extern char** environ;

namespace klv::testing {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct CliRun {
  int status = -1;
  bool signalled = false;  // a signal ended the tool (status is 128 + the signal)
  std::string out;
  std::string err;
  double seconds = 0;
};

class CliTest : public TransferRig {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
  }

  fs::path DataFolder() const { return folder_.Path() / "data" / "klv-loader"; }

  // A KLV30 with detection holding 10 in 012C; stuck: it answers a write of
  // 012C as taken but keeps its value, which only a read-back shows.
  void ConnectKlv30Holding012C(bool stuck) {
    Connect(Device(ModelKind::Klv30, 0, true));
    device_->Preset(Register{0x012C}, 10);
    if (stuck) {
      sim::FaultPlan plan;
      plan.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Stuck, {}});
      device_->Faults(plan);
    }
  }

  // Runs the tool with a clean environment: its own data folder, the locale
  // given, further variables, and standard error to a file or a terminal.
  CliRun Run(std::vector<std::string> args, const std::string& locale = "C",
             const std::vector<std::string>& moreEnv = {}, const std::string& errorTerminal = {},
             bool ownSession = false) {
    const pid_t pid = Start(std::move(args), locale, moreEnv, errorTerminal, ownSession);
    return Wait(pid, !errorTerminal.empty());
  }

  // Starts the tool as Run does, without waiting. ownSession: the tool runs
  // in a session of its own, whose controlling terminal is errorTerminal.
  pid_t Start(std::vector<std::string> args, const std::string& locale = "C",
              const std::vector<std::string>& moreEnv = {}, const std::string& errorTerminal = {},
              bool ownSession = false) {
    const fs::path out = folder_.Path() / "stdout";
    const fs::path err = errorTerminal.empty() ? folder_.Path() / "stderr" : fs::path(errorTerminal);
    std::vector<std::string> env = {"XDG_DATA_HOME=" + (folder_.Path() / "data").string(),
                                    "HOME=" + folder_.Path().string(), "LANG=" + locale};
    env.insert(env.end(), moreEnv.begin(), moreEnv.end());
    args.insert(args.begin(), cli_.string());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (errorTerminal.empty()) {
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    } else {
      // In a session of its own, the first terminal opened without
      // O_NOCTTY becomes the controlling one.
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_RDWR | (ownSession ? 0 : O_NOCTTY), 0);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    if (ownSession) posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);
    started_ = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cli_.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << cli_;
      return -1;
    }
    return pid;
  }

  // Waits for a tool started by Start; the status is 128 + the signal when
  // a signal ended it.
  CliRun Wait(pid_t pid, bool errorToTerminal = false) {
    CliRun run;
    if (pid < 0) return run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
    run.signalled = WIFSIGNALED(status);
    run.out = ReadFile(folder_.Path() / "stdout");
    if (!errorToTerminal) run.err = ReadFile(folder_.Path() / "stderr");
    return run;
  }

  fs::path cli_;
  Clock::time_point started_;
};

// A parameter file as the layout gives it: model code, 0, the 27 records
// (address, value) in KLV40 catalogue order, optionDetect, 0x1111,
// optionFlags, 0x1111; all little-endian 16-bit words.
constexpr uint16_t kFileAddresses[27] = {0x0120, 0x0122, 0x0123, 0x0124, 0x0125, 0x0126, 0x0127, 0x0128, 0x0129,
                                         0x012A, 0x012B, 0x011F, 0x012C, 0x012D, 0x012E, 0x012F, 0x0130, 0x0131,
                                         0x0132, 0x0133, 0x0134, 0x0135, 0x0136, 0x0137, 0x0138, 0x013D, 0x013F};

std::string FileBytes(uint16_t modelCode, const std::array<int16_t, 27>& values, uint16_t detect, uint16_t flags) {
  std::string bytes;
  const auto word = [&bytes](uint16_t w) {
    bytes.push_back(static_cast<char>(w & 0xFF));
    bytes.push_back(static_cast<char>(w >> 8));
  };
  word(modelCode);
  word(0);
  for (std::size_t i = 0; i < 27; ++i) {
    word(kFileAddresses[i]);
    word(static_cast<uint16_t>(values[i]));
  }
  word(detect);
  word(0x1111);
  word(flags);
  word(0x1111);
  return bytes;
}

// --- Usage ------------------------------------------------------------------------

TEST_F(CliTest, UsageErrorsHelpAndVersion) {
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* expected;  // in stdout for 0, in stderr otherwise
  };
  const Case cases[] = {
      {{}, 2, "no command given"},
      {{"--help"}, 0, "Usage: klv-loader-cli COMMAND [OPTIONS]"},
      {{"--version"}, 0, "klv-loader-cli 1."},
      {{"defaults"}, 0, "Model KLV40"},
      {{"read", "--help"}, 0, "Usage: klv-loader-cli read [OPTIONS] --output FILE.klv"},
      {{"write", "--help"}, 0, "Usage: klv-loader-cli write [OPTIONS] FILE.klv"},
      {{"show", "--help"}, 0, "Usage: klv-loader-cli show FILE.klv [--json]"},
      {{"fetch"}, 2, "unknown command 'fetch'"},
      {{"read"}, 2, "read needs --output FILE.klv"},
      {{"read", "--output"}, 2, "--output needs a value"},
      {{"read", "--speed", "4800", "--output", "x.klv"}, 2, "--speed: '4800' is not 9600 or 19200"},
      {{"read", "--parity=mark", "--output", "x.klv"}, 2, "--parity: 'mark' is not even, none or odd"},
      {{"read", "--address", "0", "--output", "x.klv"}, 2, "--address: '0' is not a device address from 1 to 99, or a list such as 1-12,15"},
      {{"read", "--timeout", "150", "--output", "x.klv"}, 2, "--timeout: '150' is not 50, 100 or 200"},
      {{"read", "--stop-bits", "3", "--output", "x.klv"}, 2, "--stop-bits: '3' is not 1 or 2"},
      {{"read", "--protocol", "modbus", "--output", "x.klv"}, 2, "--protocol: 'modbus' is not torvalek, rtu or ascii"},
      {{"read", "--port", "COM25", "--output", "x.klv"}, 2, "--port: 'COM25' is not COM1..COM24"},
      {{"read", "--output", "x.klv", "extra"}, 2, "read takes no file argument"},
      {{"write"}, 2, "write needs exactly one parameter file"},
      {{"write", "a.klv", "b.klv"}, 2, "write needs exactly one parameter file"},
      {{"write", "--json", "a.klv"}, 2, "unknown option --json for 'write'"},
      {{"show"}, 2, "show needs exactly one parameter file"},
      {{"show", "--port", "COM1", "a.klv"}, 2, "unknown option --port for 'show'"},
      {{"read", "--output", "/no/such/folder/x.klv"}, 2, "the folder /no/such/folder does not exist"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    const CliRun run = Run(c.args);
    EXPECT_EQ(run.status, c.status) << joined;
    EXPECT_NE((c.status == 0 ? run.out : run.err).find(c.expected), std::string::npos)
        << joined << "\nstdout: " << run.out << "\nstderr: " << run.err;
  }
  // Nothing was transferred, so no log and no settings file were written.
  EXPECT_FALSE(fs::exists(DataFolder() / "comlog.txt"));
  EXPECT_FALSE(fs::exists(DataFolder() / "KlvTool.ini"));
}

// The general --help lists every command and every exit status, in both
// languages.
TEST_F(CliTest, GeneralHelpListsEveryCommandAndEveryExitStatus) {
  std::vector<std::string> commands = {"read", "write", "compare", "show", "defaults", "monitor", "scan"};
#ifdef KLV_CLI_REPORT
  commands.push_back("report");
#endif
  for (const std::string locale : {"C", "ja_JP.UTF-8"}) {
    SCOPED_TRACE(locale);
    const CliRun run = Run({"--help"}, locale);
    ASSERT_EQ(run.status, 0);
    const std::size_t listStart = run.out.find(locale == "C" ? "Commands:\n" : "コマンド:\n");
    const std::size_t listEnd = run.out.find("\n\n", listStart);
    ASSERT_NE(listStart, std::string::npos) << run.out;
    const std::string list = run.out.substr(listStart, listEnd - listStart);
    for (const std::string& command : commands) {
      EXPECT_NE(list.find("\n  " + command + " "), std::string::npos) << command << " in\n" << list;
    }
    const std::size_t exitStart = run.out.find(locale == "C" ? "Exit status:\n" : "終了コード:\n");
    ASSERT_NE(exitStart, std::string::npos) << run.out;
    for (const char* status : {"\n  0  ", "\n  1  ", "\n  2  ", "\n  3  "}) {
      EXPECT_NE(run.out.find(status, exitStart), std::string::npos) << status;
    }
  }
}

// Whatever goes wrong, each message on standard error says whose it is.
TEST_F(CliTest, EveryMessageOnStandardErrorStartsWithTheToolsName) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  const std::string output = (folder_.Path() / "x.klv").string();
  const std::vector<std::string> cases[] = {
      {},
      {"fetch"},
      {"monitor", "--seconds", "0"},
      {"scan", "--port", (folder_.Path() / "no-tty").string()},
      {"read", "--port", device_->Path(), "--timeout", "200", "--output", output},
      {"show", (folder_.Path() / "missing.klv").string()},
  };
  for (const std::string locale : {"C", "ja_JP.UTF-8"}) {
    for (const std::vector<std::string>& args : cases) {
      const CliRun run = Run(args, locale);
      std::string joined;
      for (const std::string& arg : args) joined += arg + " ";
      EXPECT_NE(run.status, 0) << joined;
      ASSERT_FALSE(run.err.empty()) << joined;
      std::istringstream lines(run.err);
      for (std::string line; std::getline(lines, line);) {
        if (line.empty()) continue;  // a message's own blank lines
        EXPECT_EQ(line.rfind("klv-loader-cli: ", 0), 0u) << locale << " " << joined << "\n" << run.err;
      }
    }
  }
}

TEST_F(CliTest, UnderAJapaneseLocaleUsageErrorsAndPortFailuresAreJapanese) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string expected;  // in stdout for 0, in stderr otherwise
  };
  const fs::path file = folder_.Path() / "e.klv";
  {
    std::ofstream out(file, std::ios::binary);
    out << FileBytes(30, {}, 0, 0);
  }
  const std::string missing = (folder_.Path() / "no-tty").string();
  const Case cases[] = {
      {{"--help"}, 0, "使い方: klv-loader-cli COMMAND [OPTIONS]"},
      {{"--help"}, 0, "接続オプション"},
      {{"--help"}, 0, "パラメータ既定値を表示\n  monitor [OPTIONS]"},
      {{"--help"}, 0, "  3  compare: 調整器の値がファイルと異なる、scan: 調整器が見つからない\n"},
      {{"read", "--help"}, 0, "使い方: klv-loader-cli read [OPTIONS] --output FILE.klv"},
      {{"monitor", "--help"}, 0, "使い方: klv-loader-cli monitor"},
      {{}, 2, "klv-loader-cli: コマンドが指定されていません\nklv-loader-cli: 使い方は 'klv-loader-cli --help' で表示されます。\n"},
      {{"read", "--speed", "4800", "--output", "x.klv"}, 2, "--speed: '4800' は 9600 か 19200 ではありません"},
      {{"monitor", "--seconds", "0"}, 2, "--seconds: '0' は 1～2678400 の秒数ではありません"},
      {{"read", "--port", missing, "--output", (folder_.Path() / "x.klv").string()}, 2,
       "klv-loader-cli: Port cannot be used\n"},
      {{"read", "--port", missing, "--output", (folder_.Path() / "x.klv").string()}, 2,
       missing + ": デバイスがありません\n"},
      {{"defaults"}, 0, "レジスタ   既定値  範囲"},
      {{"show", file.string()}, 0, "機種: KLV30\nオプション: なし (optionFlags 0, optionDetect 0)\n"},
      {{"show", file.string()}, 0, "レジスタ  パラメータ"},
  };
  for (const Case& c : cases) {
    std::string joined;
    for (const std::string& arg : c.args) joined += arg + " ";
    const CliRun run = Run(c.args, "ja_JP.UTF-8");
    EXPECT_EQ(run.status, c.status) << joined;
    const std::string& shown = c.status == 0 ? run.out : run.err;
    EXPECT_NE(shown.find(c.expected), std::string::npos) << joined << "\nstdout: " << run.out << "\nstderr: " << run.err;
    // Nothing of the English texts is left.
    EXPECT_EQ(shown.find("Usage"), std::string::npos) << shown;
    EXPECT_EQ(shown.find(" is not "), std::string::npos) << shown;
    EXPECT_EQ(shown.find("no such"), std::string::npos) << shown;
  }
}

// --- Read in real time ------------------------------------------------------------------

TEST_F(CliTest, Klv40ReadOnTheDefaultSettingsWritesTheLogAndTheFile) {
  Connect(Device(ModelKind::Klv40, kOptionDigitalOutput | kOptionAnalogOutput));
  // Values in file order; 0135 (index 21) is absent on this device and
  // keeps its default 0.
  const std::array<int16_t, 27> values = {1, 2, 1, 2, 1, 2, 1, 3, 2, -2, -1, 750, 25, 999, -3, 40, 2, 1, 1, 800,
                                          55, 0, 1, 100, 900, 3, 0};
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i != 21) device_->Preset(Register{kFileAddresses[i]}, values[i]);
  }
  const fs::path output = folder_.Path() / "read.klv";

  // No settings file: the defaults (COM1 9600 bps, 100 ms, address 1), and
  // TORVALEK as every connection of the windows.
  const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", output.string()});

  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "--- KLV40 Parameter reading complete ---\n");
  EXPECT_EQ(run.err, "");  // not a terminal: no progress
  EXPECT_EQ(ReadFile(output), FileBytes(40, values, 0, 12));
  EXPECT_FALSE(fs::exists(DataFolder() / "KlvTool.ini"));

  // The protocol's floor: 28 pauses of 100 ms.
  EXPECT_GE(run.seconds, 28 * 0.1);

  const std::vector<std::string> lines = SplitLines(ReadFile(DataFolder() / "comlog.txt"));
  ASSERT_EQ(lines.size(), 2u + 3u * 31u);
  EXPECT_TRUE(std::regex_match(lines[0], std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d < Parameter Read > )" +
                                                    std::regex_replace(device_->Path(), std::regex("/"), "\\/") +
                                                    " 9600bps")))
      << lines[0];
  EXPECT_EQ(lines[1], "");
  std::vector<std::string> expected;
  const auto exchange = [&expected](int n, const std::string& reg, const std::string& reply) {
    char head[24];
    std::snprintf(head, sizeof head, "%03d. PC->KLV: ", n);
    expected.push_back(head + LoggedFrame("011R" + reg + "0"));
    std::snprintf(head, sizeof head, "%03d. KLV->PC: ", n + 1);
    expected.push_back(head + LoggedFrame("011R00," + reply));
    expected.emplace_back();
  };
  exchange(1, "0110", "0028");
  exchange(1, "0116", "0000");
  exchange(3, "0117", "0000");
  exchange(5, "0118", "0001");
  exchange(7, "0119", "0006");
  int n = 3;
  for (std::size_t i = 0; i < values.size(); ++i) {
    if (i == 21) continue;
    char reg[5];
    char hex[5];
    std::snprintf(reg, sizeof reg, "%04X", kFileAddresses[i]);
    std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(static_cast<uint16_t>(values[i])));
    exchange(n, reg, hex);
    n += 2;
  }
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.end()), expected);
}

TEST_F(CliTest, SilentDeviceFailsAndKeepsTheLog) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  const fs::path output = folder_.Path() / "none.klv";

  const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", output.string()});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("klv-loader-cli: KLV40 Parameter reading failure\n", 0), 0u) << run.err;
  EXPECT_FALSE(fs::exists(output));
  EXPECT_EQ(SplitLines(ReadFile(DataFolder() / "comlog.txt")).size(), 2u + 6u);

  // The messages follow the locale; LC_ALL comes before LANG.
  const std::vector<std::string> args = {"read", "--port", device_->Path(), "--timeout", "200", "--output",
                                         output.string()};
  EXPECT_EQ(Run(args, "ja_JP.UTF-8").err.rfind("klv-loader-cli: KLV40 パラメータ読出し失敗\n", 0), 0u);
  EXPECT_EQ(Run(args, "ja_JP.UTF-8", {"LC_ALL=C"}).err.rfind("klv-loader-cli: KLV40 Parameter reading failure\n", 0),
            0u);
  EXPECT_EQ(Run(args, "C", {"LC_MESSAGES=ja_JP.UTF-8"}).err.rfind("klv-loader-cli: KLV40 パラメータ読出し失敗\n", 0),
            0u);
}

struct BrokenReadCase {
  const char* name;
  sim::FaultPlan faults;
  const char* message;  // how the error output begins
};

// A read that does not get every register fails: exit 1, the message on
// standard error, and the output file as it was. Late replies are never
// taken for the next register.
TEST_F(CliTest, AnIncompleteReadLeavesTheOutputFileAlone) {
  sim::FaultPlan lost;
  lost.SetHangUpAfter(15);
  // Far later than the time-out: the device is still busy with the first
  // late reply when the tool has ended, so no reply after the 15th arrives.
  sim::FaultPlan late;
  late.AddFailAfter(15, {sim::FaultKind::Late, std::chrono::seconds(60)});
  sim::FaultPlan options;
  options.AddRegisterFault(Register{0x0117}, {sim::FaultKind::Error, {}});
  const BrokenReadCase cases[] = {
      {"unplugged after 15 exchanges", lost, "klv-loader-cli: Parameter reading incomplete: 10 of 21 registers read\n"},
      {"late after 15 exchanges", late, "klv-loader-cli: Parameter reading incomplete: 10 of 21 registers read\n"},
      {"option register refused", options,
       "klv-loader-cli: Parameter reading incomplete: the options of the connected device could not be read\n"},
  };
  for (const BrokenReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Connect(Device(ModelKind::Klv40));
    device_->Preset(Register{0x012D}, 22);
    device_->Preset(Register{0x012E}, 88);
    device_->Faults(c.faults);
    const fs::path output = folder_.Path() / "unit.klv";
    WriteFile(output, "the previous file");

    const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", output.string()});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind(c.message, 0), 0u) << run.err;
    EXPECT_EQ(ReadFile(output), "the previous file");
  }
}

// A write whose registers are refused is not complete; a file with values
// outside their limits is not written at all.
TEST_F(CliTest, WritesThatCannotBeTrustedExitWithOne) {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  const fs::path good = folder_.Path() / "good.klv";
  ASSERT_TRUE(WriteParameterFile(good, set, ModelKind::Klv30).ok);
  set.slowUpTime = 9999;
  const fs::path wild = folder_.Path() / "wild.klv";
  ASSERT_TRUE(WriteParameterFile(wild, set, ModelKind::Klv30).ok);

  Connect(Device(ModelKind::Klv30, 0, false));
  sim::FaultPlan refused;
  refused.AddFailAfter(6, {sim::FaultKind::Error, {}});
  device_->Faults(refused);
  const CliRun partly = Run({"write", "--port", device_->Path(), "--timeout", "200", good.string()});
  EXPECT_EQ(partly.status, 1);
  EXPECT_EQ(partly.err.rfind("klv-loader-cli: Parameter writing incomplete: 0 of 7 registers written\n", 0), 0u) << partly.err;
  EXPECT_NE(partly.err.find("mix of old and new values"), std::string::npos);

  Connect(Device(ModelKind::Klv30, 0, false));
  const CliRun refusedWhole = Run({"write", "--port", device_->Path(), "--timeout", "200", wild.string()});
  EXPECT_EQ(refusedWhole.status, 1);
  EXPECT_EQ(refusedWhole.err.rfind("klv-loader-cli: Values outside their range; nothing was written:\nklv-loader-cli:   012C = 9999  (", 0), 0u)
      << refusedWhole.err;
  EXPECT_EQ(ReadFile(DataFolder() / "comlog.txt").find("W0"), std::string::npos);
}

TEST_F(CliTest, OnATerminalTheBarAndTheStatusAreRedrawnInPlace) {
  Connect(Device(ModelKind::Klv30, 0, false));
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string terminal = ::ptsname(master);
  // Held open here too, so what the tool wrote stays readable after it ends.
  const int slave = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);

  const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output",
                          (folder_.Path() / "t.klv").string()},
                         "C", {}, terminal);

  std::string screen;
  ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
  char buffer[4096];
  for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, static_cast<std::size_t>(n));
  ::close(slave);
  ::close(master);

  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, "--- KLV30 Parameter reading complete ---\n");
  EXPECT_EQ(screen.rfind("\r[..............................]   0%  Reading parameter…\x1b[K", 0), 0u) << screen;
  EXPECT_NE(screen.find("\r[###################...........]  64%  KLV30 Reading parameter…\x1b[K"), std::string::npos)
      << screen;
  // The last drawing is the full bar, then the line is ended.
  const std::string last = "\r[##############################] 100%  KLV30 Reading parameter…\x1b[K\r\n";
  ASSERT_GE(screen.size(), last.size());
  EXPECT_EQ(screen.substr(screen.size() - last.size()), last);
}

// The protocol and the parity are named in any case.
TEST_F(CliTest, ModbusProtocolsCarryTheSameTransfers) {
  for (const auto& [name, given, protocol, firstRequest] :
       {std::tuple<const char*, const char*, Protocol, std::string>{"rtu", "RTU", Protocol::ModbusRtu,
                                                                    "(01)(03)(01)(10)(00)(01)"},
        std::tuple<const char*, const char*, Protocol, std::string>{"ascii", "Ascii", Protocol::ModbusAscii,
                                                                    ":010301100001EA(CR)(LF)"}}) {
    SCOPED_TRACE(name);
    sim::SimConfig config = Device(ModelKind::Klv30, 0, false);
    config.protocol = protocol;
    Connect(config);
    device_->Preset(Register{0x012C}, 44);
    const fs::path file = folder_.Path() / (std::string(name) + ".klv");

    const CliRun read = Run({"read", "--port", device_->Path(), "--protocol", given, "--parity", "EVEN", "--timeout",
                             "200", "--output", file.string()});
    ASSERT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(read.out, "--- KLV30 Parameter reading complete ---\n");
    const std::string bytes = ReadFile(file);
    ASSERT_EQ(bytes.size(), 120u);
    EXPECT_EQ(bytes.substr(0, 2), std::string("\x1e\x00", 2));
    EXPECT_EQ(bytes.substr(52, 4), std::string("\x2c\x01\x2c\x00", 4));  // record 12: 012C = 44
    const std::vector<std::string> log = SplitLines(ReadFile(DataFolder() / "comlog.txt"));
    ASSERT_GT(log.size(), 2u);
    EXPECT_EQ(log[2].rfind("001. PC->KLV: " + firstRequest, 0), 0u) << log[2];

    // Written back through the same protocol, the write echoes included.
    const CliRun write = Run({"write", "--port", device_->Path(), "--protocol", name, "--timeout", "200", file.string()});
    EXPECT_EQ(write.status, 0) << write.err;
    EXPECT_EQ(write.out, "--- KLV30 Parameter writing complete ---\n");
  }
}

TEST_F(CliTest, PortThatCannotBeOpenedIsUnusableAndWritesNoLog) {
  const CliRun run = Run({"read", "--port", (folder_.Path() / "no-tty").string(), "--output",
                          (folder_.Path() / "x.klv").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("klv-loader-cli: Port cannot be used\n", 0), 0u) << run.err;
  EXPECT_FALSE(fs::exists(DataFolder() / "comlog.txt"));
}

// --- Write ---------------------------------------------------------------------------------

TEST_F(CliTest, WriteSendsTheFileWithTheStoredSettings) {
  sim::SimConfig config = Device(ModelKind::Klv30, 0, true);
  config.deviceAddress = 5;
  Connect(config);
  // The stored settings reach the device: address 5, 200 ms, COM3 (replaced by --port).
  fs::create_directories(DataFolder());
  CommSettings stored;
  stored.portNumber = 3;
  stored.deviceAddress = 5;
  stored.readTimeout = 200;
  stored.protocol = Protocol::ModbusRtu;  // what a new settings file holds; the tool talks TORVALEK
  const std::string settingsBytes = [&] {
    std::string bytes;
    for (const int32_t field : {stored.portNumber, stored.speed, stored.parity, stored.readTimeout, stored.stopBits,
                                stored.deviceAddress, 0, 0, stored.samplingInterval}) {
      bytes.push_back(static_cast<char>(field & 0xFF));
      bytes.push_back(static_cast<char>((field >> 8) & 0xFF));
    }
    for (const int shift : {0, 8, 16, 24}) bytes.push_back(static_cast<char>((stored.recordDuration >> shift) & 0xFF));
    bytes += std::string("\x01\x00", 2);
    return bytes;
  }();
  ASSERT_EQ(settingsBytes.size(), 24u);
  WriteFile(DataFolder() / "KlvTool.ini", settingsBytes);

  std::array<int16_t, 27> values{};
  values[0] = 1;      // keyLock
  values[2] = 1;      // powerSupplyErrorAlarm
  values[9] = -2;     // rampLowerLimit, sent as FFFE
  values[11] = 600;   // rampUpperSetting
  values[12] = 33;    // slowUpTime
  values[14] = 80;    // currentLimiter
  values[25] = 6;     // controlInputRange
  values[26] = 1;     // powerDipHandling
  values[7] = 3;      // do1Setting: not a KLV30 register, not sent
  const fs::path file = folder_.Path() / "klv30.klv";
  // optionDetect 2 reads as a ticked box, as the screen would take it.
  WriteFile(file, FileBytes(30, values, 2, 0));

  const CliRun run = Run({"write", "--port", device_->Path(), file.string()});

  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "--- KLV30 Parameter writing complete ---\n");
  const ParameterSet device = device_->Parameters();
  EXPECT_EQ(device.keyLock, 1);
  EXPECT_EQ(device.powerSupplyErrorAlarm, 1);
  EXPECT_EQ(device.rampLowerLimit, -2);
  EXPECT_EQ(device.rampUpperSetting, 600);
  EXPECT_EQ(device.slowUpTime, 33);
  EXPECT_EQ(device.currentLimiter, 80);
  EXPECT_EQ(device.controlInputRange, 6);
  EXPECT_EQ(device.do1Setting, 0);
  EXPECT_EQ(ReadFile(DataFolder() / "KlvTool.ini"), settingsBytes);
  const std::string log = ReadFile(DataFolder() / "comlog.txt");
  EXPECT_NE(log.find(" < Parameter Write > " + device_->Path() + " 9600bps\r\n"), std::string::npos);
  EXPECT_NE(log.find("PC->KLV: " + LoggedFrame("051W012A0,FFFE")), std::string::npos) << log;
}

TEST_F(CliTest, RefusedWriteExplainsOnStandardError) {
  Connect(Device(ModelKind::Klv40, kOptionAlarmOutput2));
  const fs::path file = folder_.Path() / "klv40.klv";
  WriteFile(file, FileBytes(40, {}, 0, 0));

  const CliRun run = Run({"write", "--port", device_->Path(), "--timeout", "200", file.string()});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err,
            "klv-loader-cli: < Optional information differs >            \n"
            "\nklv-loader-cli:   Optional information of connected device\n"
            "\nklv-loader-cli:     Analog input\t :  OFF"
            "\nklv-loader-cli:     Alarm output 2\t :   ON"
            "\nklv-loader-cli:     Digital control output\t :  OFF"
            "\nklv-loader-cli:     Analog output\t :  OFF"
            "\n\nklv-loader-cli: Confirm screen setting\n"
            "klv-loader-cli: KLV40 Parameter writing failure\n");
}

TEST_F(CliTest, UnusableFilesAreRefusedBeforeAnyPortIsOpened) {
  const fs::path shortFile = folder_.Path() / "short.klv";
  WriteFile(shortFile, FileBytes(40, {}, 0, 0).substr(0, 119));
  const fs::path wrongModel = folder_.Path() / "model.klv";
  std::string bytes = FileBytes(40, {}, 0, 0);
  bytes[1] = 1;  // 28 01: 296
  WriteFile(wrongModel, bytes);

  struct Case {
    std::vector<std::string> args;
    std::string locale;
    std::string error;
  };
  const Case cases[] = {
      {{"write", "--port", "/dev/null", shortFile.string()}, "C", shortFile.string() + ": File data is unauthorized\n"},
      {{"write", wrongModel.string()}, "C", wrongModel.string() + ": File data is unauthorized\n"},
      {{"show", shortFile.string()}, "ja_JP.UTF-8", shortFile.string() + ": ファイルデータが不正です\n"},
      {{"write", (folder_.Path() / "missing.klv").string()}, "C",
       (folder_.Path() / "missing.klv").string() + ": File cannot be opened (No such file or directory)\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = Run(c.args, c.locale);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "klv-loader-cli: " + c.error);
  }
  EXPECT_FALSE(fs::exists(DataFolder() / "comlog.txt"));
}

// --- Show -------------------------------------------------------------------------------------

TEST_F(CliTest, ShowListsTheModelsParametersWithCaptionsAndMeanings) {
  std::array<int16_t, 27> values{};
  values[0] = 1;     // keyLock: ON
  values[2] = 1;     // power supply error on a one-series model: non
  values[9] = -2;    // ramp lower limit: VR2
  values[10] = -1;   // ramp higher limit selection: VR1
  values[12] = 25;   // slow-up: 2.5 s
  values[14] = -4;   // current limiter: nothing chosen
  values[23] = 150;  // KLV30E control input scaling, lower
  values[24] = 900;
  values[26] = 7;  // not a choice
  const fs::path file = folder_.Path() / "e.klv";
  WriteFile(file, FileBytes(308, values, 0, 0));

  const CliRun text = Run({"show", file.string()});
  ASSERT_EQ(text.status, 0) << text.err;
  const std::vector<std::string> lines = SplitLines(std::regex_replace(text.out, std::regex("\n"), "\r\n"));
  ASSERT_EQ(lines.size(), 5u + 15u);
  EXPECT_EQ(lines[1], "Model: KLV30E");
  EXPECT_EQ(lines[2], "Options: none (optionFlags 0, optionDetect 0)");
  const auto row = [&lines](const std::string& reg) {
    for (const std::string& line : lines) {
      if (line.rfind(reg + " ", 0) == 0) return std::regex_replace(line, std::regex(" {2,}"), " | ");
    }
    return std::string();
  };
  EXPECT_EQ(row("0120"), "0120 | Key lock | 1 | ON");
  EXPECT_EQ(row("0123"), "0123 | Power supply error | 1 | non | [option absent: not transferred]");
  EXPECT_EQ(row("0128"), "0128 | Control input scaling ( x 0.1% ): Lower limit value | 150 | 15.0 %");
  EXPECT_EQ(row("012A"), "012A | Ramp lower limit | -2 | VR2");
  EXPECT_EQ(row("012B"), "012B | Ramp higher limit selection | -1 | VR1");
  EXPECT_EQ(row("012C"), "012C | Slow-up | 25 | 2.5 s");
  EXPECT_EQ(row("012E"),
            "012E | Current limiter ( % ) | -4 | not a choice (the screen checks none) | [option absent: not "
            "transferred]");
  EXPECT_EQ(row("013F"),
            "013F | Power supply instantaneous stop handling function | 7 | not a choice (the screen checks none)");
  EXPECT_EQ(row("013D"), "");  // not a KLV30E register

  const CliRun json = Run({"show", file.string(), "--json"});
  ASSERT_EQ(json.status, 0) << json.err;
  EXPECT_NE(json.out.find("\"model\": \"KLV30E\",\n  \"modelCode\": 308,"), std::string::npos) << json.out;
  EXPECT_NE(json.out.find("{\"register\": \"012A\", \"name\": \"rampLowerLimit\", \"caption\": \"Ramp lower "
                          "limit\", \"value\": -2, \"meaning\": \"VR2\", \"transferred\": true}"),
            std::string::npos)
      << json.out;

  // A KLV30 names 012C "Variation limit" and the first control input "Linear".
  WriteFile(file, FileBytes(30, values, 1, 0));
  const CliRun klv30 = Run({"show", file.string()}, "ja_JP.UTF-8");
  ASSERT_EQ(klv30.status, 0);
  EXPECT_NE(klv30.out.find("変化率制限"), std::string::npos);
  EXPECT_NE(klv30.out.find("リニア"), std::string::npos);
  EXPECT_NE(klv30.out.find("オプション: 出力電流検出機能 (optionFlags 0, optionDetect 1)"), std::string::npos);
}

// --- Compare and verify ----------------------------------------------------------------------

// A KLV30 file as the device holds it after start-up, with slow-up 3.3 s.
fs::path Klv30File(const fs::path& folder, int16_t slowUp) {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  set.optionDetect = kOptionCurrentDetection;
  set.slowUpTime = slowUp;
  const fs::path file = folder / ("klv30-" + std::to_string(slowUp) + ".klv");
  EXPECT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
  return file;
}

// A regulator at another address than the one asked: nothing answers. Every
// command says what it tried and what to do next, in the locale's language,
// and compare --json gives a script the reason on standard output too.
// --- Set --------------------------------------------------------------------------------------

TEST_F(CliTest, SetChangesOnlyTheNamedValuesAndTakesBackWhatShowJsonPrints) {
  std::array<int16_t, 27> values{};
  values[7] = 3;      // do1Setting: the options leave it out, show still prints it
  values[12] = 25;    // slowUpTime
  values[14] = -3;    // currentLimiter
  values[22] = 2000;  // analogOutputSetting: a value no write would send
  std::string bytes = FileBytes(40, values, 0, kOptionAlarmOutput2);
  bytes[2] = 0x7F;  // the reserved word and a marker as another program left them
  bytes[115] = 0x22;
  const fs::path file = folder_.Path() / "unit.klv";
  WriteFile(file, bytes);

  // Every line of show --json fed back leaves every byte.
  const CliRun show = Run({"show", "--json", file.string()});
  ASSERT_EQ(show.status, 0) << show.err;
  std::vector<std::string> args = {"set", file.string()};
  const std::regex entry(R"re("register": "([0-9A-F]{4})", "name": "(\w+)".*"value": (-?\d+),)re");
  bool byName = false;
  for (std::sregex_iterator it(show.out.begin(), show.out.end(), entry), end; it != end; ++it) {
    args.push_back(((byName = !byName) ? (*it)[2].str() : (*it)[1].str()) + "=" + (*it)[3].str());
  }
  ASSERT_EQ(args.size(), 2u + 27u);
  const CliRun same = Run(args);
  ASSERT_EQ(same.status, 0) << same.err;
  EXPECT_EQ(ReadFile(file), bytes);

  const CliRun run = Run({"set", file.string(), "slowUpTime=50", "012e=80", "slowUpTime=+60"});
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "012C slowUpTime: 25 -> 50\n012E currentLimiter: -3 -> 80\n012C slowUpTime: 50 -> 60\n");
  std::string expected = bytes;
  expected[4 + 12 * 4 + 2] = 60;
  expected[4 + 14 * 4 + 2] = 80;
  expected[4 + 14 * 4 + 3] = 0;
  EXPECT_EQ(ReadFile(file), expected);
}

TEST_F(CliTest, SetRefusesWhatAWriteWouldAndLeavesTheFileAlone) {
  std::array<int16_t, 27> values{};
  values[12] = 25;
  const std::string bytes = FileBytes(30, values, 0, 0);
  const fs::path file = folder_.Path() / "klv30.klv";
  WriteFile(file, bytes);
  const std::string unchanged = "; " + file.string() + " is left unchanged\n";
  struct Case {
    std::vector<std::string> assignments;
    std::string error;
    std::string locale = "C";
  };
  const Case cases[] = {
      {{"slowUpTime=50", "rampUpperSetting=1001"},
       "011F (rampUpperSetting): 1001 is outside the limits 1 to 1000" + unchanged},
      {{"012c=fast"}, "012C (slowUpTime): 'fast' is not a number; allowed 0 to 999" + unchanged},
      {{"do1Setting=1"},
       "'do1Setting' is neither a register nor a parameter name of a KLV30 file (see klv-loader-cli show --json)" +
           unchanged},
      {{"currentLimiter=50"}, "012E (currentLimiter) is not used by a KLV30 with this file's options" + unchanged},
      {{"slowUpTime"},
       "'slowUpTime' is not REG=VALUE (a register such as 012C or a name such as slowUpTime, '=', the value)" +
           unchanged},
      {{"011f=-1"}, "011F（rampUpperSetting）: -1 は範囲 1～1000 の外です。" + file.string() + " は変更していません\n",
       "ja_JP.UTF-8"},
      {{}, "set needs a parameter file and at least one REG=VALUE\nklv-loader-cli: Try 'klv-loader-cli --help'.\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"set", file.string()};
    args.insert(args.end(), c.assignments.begin(), c.assignments.end());
    const CliRun run = Run(args, c.locale);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "klv-loader-cli: " + c.error);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadFile(file), bytes);
  }
  // A file that is no parameter file is refused as every command refuses it.
  const fs::path shortFile = folder_.Path() / "short.klv";
  WriteFile(shortFile, bytes.substr(0, 119));
  const CliRun run = Run({"set", shortFile.string(), "slowUpTime=5"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "klv-loader-cli: " + shortFile.string() + ": File data is unauthorized\n");
  EXPECT_EQ(ReadFile(shortFile), bytes.substr(0, 119));
}

TEST_F(CliTest, WriteSetSendsTheChangedValuesAndLeavesTheFileAlone) {
  Connect(Device(ModelKind::Klv30, 0, true));
  std::array<int16_t, 27> values{};
  values[11] = 1000;  // rampUpperSetting
  values[12] = 33;    // slowUpTime
  const std::string bytes = FileBytes(30, values, 1, 0);
  const fs::path file = folder_.Path() / "klv30.klv";
  WriteFile(file, bytes);

  // A refused value stops the command before the port is opened.
  const CliRun refused =
      Run({"write", "--port", device_->Path(), "--timeout", "200", "--set", "currentLimiter=121", file.string()});
  EXPECT_EQ(refused.status, 2);
  EXPECT_EQ(refused.err,
            "klv-loader-cli: 012E (currentLimiter): 121 is outside the limits -2 to 120; nothing was sent\n");
  EXPECT_FALSE(fs::exists(DataFolder() / "comlog.txt"));

  const CliRun run = Run({"write", "--port", device_->Path(), "--timeout", "200", "--set", "slowUpTime=44",
                          "--set=011f=555", "--verify", file.string()});
  ASSERT_EQ(run.status, 0) << run.err;
  const ParameterSet device = device_->Parameters();
  EXPECT_EQ(device.slowUpTime, 44);
  EXPECT_EQ(device.rampUpperSetting, 555);
  EXPECT_EQ(ReadFile(file), bytes);
}

TEST_F(CliTest, NoReplyAtAllSaysWhatWasTriedAndWhatToDoNext) {
  Connect(Device(ModelKind::Klv30, 0, true));  // at address 1
  const fs::path file = Klv30File(folder_.Path(), 33);
  const std::string log = (DataFolder() / "comlog.txt").string();
  const std::string tried = "No reply from address 5 on " + device_->Path() + " (9600 E 7 1, TORVALEK, 200 ms).\n";
  const std::string next = "Check the cable and the address, or use `klv-loader-cli scan`; the exchange is in " + log + ".\n";
  const std::string prefix = "klv-loader-cli: ";
  struct Case {
    std::vector<std::string> command;
    std::string locale;
    std::string err;
  };
  const Case cases[] = {
      {{"read", "--output", (folder_.Path() / "x.klv").string()},
       "C",
       prefix + "KLV40 Parameter reading failure\n" + prefix + tried + prefix +
           "KLV40 is the model selected, not one detected.\n" + prefix + next},
      {{"write", file.string()},
       "C",
       prefix + "KLV30 Parameter writing failure\n" + prefix + tried + prefix +
           "KLV30 is the model expected, not one detected.\n" + prefix + next},
      {{"compare", file.string()},
       "C",
       prefix + "KLV30 Parameter reading failure\n" + prefix + tried + prefix +
           "KLV30 is the model expected, not one detected.\n" + prefix + next},
      {{"write", file.string()},
       "ja_JP.UTF-8",
       prefix + "KLV30 パラメータ書込み失敗\n" + prefix + "アドレス 5、" + device_->Path() +
           "（9600 E 7 1、TORVALEK、200 ms）から応答がありません。\n" + prefix +
           "KLV30 は想定した機種で、検出された機種ではありません。\n" + prefix +
           "ケーブルとアドレスを確認するか、`klv-loader-cli scan` を使ってください。通信内容は " + log +
           " にあります。\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.command;
    args.insert(args.begin() + 1, {"--port", device_->Path(), "--address", "5", "--protocol", "torvalek",
                                   "--timeout", "200"});
    const CliRun run = Run(args, c.locale);
    EXPECT_EQ(run.status, 1) << c.command[0];
    EXPECT_EQ(run.err, c.err) << c.command[0];
    EXPECT_EQ(run.out, "") << c.command[0];
  }

  const CliRun json = Run({"compare", "--json", "--port", device_->Path(), "--address", "5", "--protocol", "torvalek",
                           "--timeout", "200", file.string()});
  EXPECT_EQ(json.status, 1);
  EXPECT_EQ(json.out, "{\"file\": \"" + file.string() +
                          "\", \"equal\": false, \"error\": \"no-reply\", \"message\": \"KLV30 Parameter reading "
                          "failure\\nNo reply from address 5 on " + device_->Path() +
                          " (9600 E 7 1, TORVALEK, 200 ms).\\nKLV30 is the model expected, not one detected.\\n"
                          "Check the cable and the address, or use `klv-loader-cli scan`; the exchange is in " +
                          log + ".\"}\n");
  EXPECT_NE(json.err.find("No reply from address 5"), std::string::npos) << json.err;
}

TEST_F(CliTest, CompareListsWhatTheRegulatorHoldsOtherwise) {
  struct Case {
    const char* name;
    int16_t deviceSlowUp;
    sim::FaultPlan faults;
    int status;
    std::string out;      // exactly, when given
    std::string errHead;  // how standard error begins
  };
  sim::FaultPlan lost;
  lost.AddRegisterFault(Register{0x013F}, {sim::FaultKind::Silent, {}});
  const std::string head =
      "Model: file KLV30, regulator KLV30\nOptions: file Output current detection function; regulator Output "
      "current detection function\n\n";
  const Case cases[] = {
      {"equal", 33, {}, 0, head + "No differences\n", ""},
      {"one register differs", 40, {}, 3,
       head + "Register  Parameter        File        Regulator\n"
              "012C      Variation limit  33 (3.3 s)  40 (4.0 s)\n",
       ""},
      {"incomplete read", 33, lost, 1, "", "klv-loader-cli: Parameter reading incomplete: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Connect(Device(ModelKind::Klv30, 0, true));
    device_->Preset(Register{0x012C}, c.deviceSlowUp);
    device_->Faults(c.faults);
    const fs::path file = Klv30File(folder_.Path(), 33);
    const std::string before = ReadFile(file);

    const CliRun run = Run({"compare", "--port", device_->Path(), "--timeout", "200", file.string()});

    EXPECT_EQ(run.status, c.status) << run.err;
    if (c.status == 1) {
      EXPECT_EQ(run.out, "");  // nothing is shown as equal
    } else {
      EXPECT_EQ(run.out, "File: " + file.string() + "\n" + c.out);
    }
    EXPECT_EQ(run.err.rfind(c.errHead, 0), 0u) << run.err;
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_NE(ReadFile(DataFolder() / "comlog.txt").find(" < Parameter Read > "), std::string::npos);
  }
}

TEST_F(CliTest, CompareSpeaksJsonAndJapaneseAndRefusesWhatItCannotUse) {
  Connect(Device(ModelKind::Klv30, 0, true));
  device_->Preset(Register{0x012C}, 40);
  const fs::path file = Klv30File(folder_.Path(), 33);

  const CliRun json = Run({"compare", "--json", "--port", device_->Path(), "--timeout", "200", file.string()});
  EXPECT_EQ(json.status, 3) << json.err;
  EXPECT_NE(json.out.find("\"equal\": false,\n  \"model\": {\"file\": \"KLV30\", \"regulator\": \"KLV30\", "
                          "\"differs\": false},"),
            std::string::npos)
      << json.out;
  EXPECT_NE(json.out.find("{\"register\": \"012C\", \"name\": \"slowUpTime\", \"caption\": \"Variation limit\", "
                          "\"file\": {\"value\": 33, \"meaning\": \"3.3 s\"}, \"regulator\": {\"value\": 40, "
                          "\"meaning\": \"4.0 s\"}}\n  ]\n}\n"),
            std::string::npos)
      << json.out;

  const CliRun japanese =
      Run({"compare", "--port", device_->Path(), "--timeout", "200", file.string()}, "ja_JP.UTF-8");
  EXPECT_EQ(japanese.status, 3);
  EXPECT_NE(japanese.out.find("機種: ファイル KLV30、調整器 KLV30\n"), std::string::npos) << japanese.out;
  EXPECT_NE(japanese.out.find("レジスタ  パラメータ"), std::string::npos) << japanese.out;

  struct Refusal {
    std::vector<std::string> args;
    const char* error;
  };
  const Refusal refusals[] = {
      {{"compare"}, "compare needs exactly one parameter file"},
      {{"compare", "--verify", file.string()}, "unknown option --verify for 'compare'"},
      {{"compare", (folder_.Path() / "missing.klv").string()}, "File cannot be opened"},
      {{"compare", "--port", (folder_.Path() / "no-tty").string(), file.string()}, "Port cannot be used"},
  };
  for (const Refusal& r : refusals) {
    const CliRun run = Run(r.args);
    EXPECT_EQ(run.status, 2) << r.error;
    EXPECT_NE(run.err.find(r.error), std::string::npos) << run.err;
  }
}

TEST_F(CliTest, WriteVerifyReadsEveryRegisterBackAndNamesOneThatKeptItsValue) {
  struct Case {
    const char* name;
    bool stuck;
    int status;
    std::string report;  // on standard output for 0, standard error otherwise
  };
  const Case cases[] = {
      {"equal", false, 0, "--- KLV30 Parameter writing complete ---\nVerified: all 13 registers read back equal\n"},
      {"stuck", true, 1,
       "klv-loader-cli: --- KLV30 Parameter writing complete ---\n"
       "klv-loader-cli: Verification failed: 1 of 13 registers do not read back equal\n"
       "klv-loader-cli:   012C: written 33, read back 10\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectKlv30Holding012C(c.stuck);
    const fs::path file = Klv30File(folder_.Path(), 33);

    const CliRun run = Run({"write", "--verify", "--port", device_->Path(), "--timeout", "200", file.string()});

    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(c.status == 0 ? run.out : run.err, c.report);
    // The read-backs follow the writes in the log.
    const std::string log = ReadFile(DataFolder() / "comlog.txt");
    const std::size_t lastWrite = log.rfind("PC->KLV: (STX)011W013F0,");
    ASSERT_NE(lastWrite, std::string::npos) << log;
    EXPECT_NE(log.find("PC->KLV: " + LoggedFrame("011R012C0"), lastWrite), std::string::npos) << log;
  }
}

// write --verify --report: the PDF records the unit as written and checked,
// with the regulator, the line and what the read-back found; a read-back
// that differs is recorded too, and the exit status still says so.
TEST_F(CliTest, WriteVerifyReportRecordsWhatWasWrittenAndChecked) {
#ifndef KLV_CLI_REPORT
  GTEST_SKIP() << "this build's klv-loader-cli has no PDF report (built without Qt)";
#else
  struct Case {
    const char* name;
    bool stuck;
    int status;
    std::vector<std::string> words;  // each found in the PDF's text
  };
  const Case cases[] = {
      {"equal", false, 0, {"Verified: all 13 registers read back equal", "Model code 3330 (KLV30), written "}},
      {"stuck", true, 1, {"1 of 13 registers do not read back equal", "012C: written 33, read back 10"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ConnectKlv30Holding012C(c.stuck);
    const fs::path file = Klv30File(folder_.Path(), 33);
    const fs::path pdf = folder_.Path() / (std::string("unit7-") + c.name + ".pdf");

    const CliRun run = Run({"write", "--verify", "--report", pdf.string(), "--note", "SN 4712", "--port",
                            device_->Path(), "--address", "1", "--timeout", "200", file.string()});

    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_NE(run.out.find("Report saved: " + pdf.string() + "\n"), std::string::npos) << run.out;
    const std::optional<std::string> text = PdfText(pdf);
    ASSERT_TRUE(text) << "pdftotext (poppler-utils) could not read " << pdf;
    std::vector<std::string> words = c.words;
    words.insert(words.end(), {"SN 4712", "klv30-33.klv", device_->Path() + ", address 1, 9600 E 7 1, TORVALEK, 200 ms",
                               "Checked by", "Signature"});
    for (const std::string& word : words) EXPECT_NE(text->find(word), std::string::npos) << word << "\n" << *text;
    for (const char* jargon : {"not verified", "optionFlags", "register 0119"}) {
      EXPECT_EQ(text->find(jargon), std::string::npos) << jargon << "\n" << *text;
    }
  }

  // Refused before anything is sent: a report without the read-back, a note
  // without a report, a report that could not be saved.
  const fs::path file = Klv30File(folder_.Path(), 33);
  const std::string missing = (folder_.Path() / "missing" / "r.pdf").string();
  const std::vector<std::string> refusals[] = {
      {"write", "--report", (folder_.Path() / "r.pdf").string(), "--port", device_->Path(), file.string()},
      {"write", "--verify", "--note", "SN 1", "--port", device_->Path(), file.string()},
      {"write", "--verify", "--report", missing, "--port", device_->Path(), file.string()},
  };
  const char* errors[] = {"klv-loader-cli: --report needs --verify\n", "klv-loader-cli: --note needs --report\n",
                          missing.c_str()};
  const std::string logBefore = ReadFile(DataFolder() / "comlog.txt");
  for (std::size_t i = 0; i < std::size(refusals); ++i) {
    const CliRun run = Run(refusals[i]);
    EXPECT_EQ(run.status, 2) << run.err;
    EXPECT_NE(run.err.find(errors[i]), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadFile(DataFolder() / "comlog.txt"), logBefore);
  EXPECT_FALSE(fs::exists(folder_.Path() / "r.pdf"));
#endif
}

// --- Stored settings that cannot be used ----------------------------------------

// The settings file (or the ports/ folder) is there but cannot be used: a
// command that talks to a regulator refuses before anything is sent, naming
// the file and what to do, unless the command line gives what is missing.
TEST_F(CliTest, SettingsThatCannotBeUsedStopTheCommandBeforeAnythingIsSent) {
  Connect(Device(ModelKind::Klv30, 0, false));
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  const fs::path file = folder_.Path() / "klv30.klv";
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
  const fs::path settings = DataFolder() / "KlvTool.ini";
  const auto record = [](int16_t port, int16_t address) {
    CommSettings stored;
    stored.portNumber = port;
    stored.deviceAddress = address;
    const auto bytes = EncodeSettings(stored, ModelKind::Klv30);
    return std::string(bytes.begin(), bytes.end());
  };
  const std::string tail = ": give --port, --address, --speed, --parity, --stop-bits, --timeout and --protocol, ";
  struct Case {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::string> args;
    std::string message;
  };
  const std::string port = device_->Path();
  const Case cases[] = {
      {"settings file unreadable", [&] { fs::create_directories(settings); },
       {"write", "--port", port, file.string()},
       settings.string() + " cannot be read (Is a directory)" + tail + "or fix its permissions"},
      {"empty settings file", [&] { WriteFile(settings, ""); }, {"compare", "--port", port, file.string()},
       settings.string() + " holds 0 bytes, not 24" + tail + "or save the settings again"},
      {"address 0", [&] { WriteFile(settings, record(1, 0)); }, {"write", "--port", port, file.string()},
       settings.string() + ": the device address 0 is invalid (allowed: a device address from 1 to 99): "
                           "give --address or correct the file"},
      {"address 100", [&] { WriteFile(settings, record(1, 100)); }, {"write", "--port", port, file.string()},
       settings.string() + ": the device address 100 is invalid (allowed: a device address from 1 to 99): "
                           "give --address or correct the file"},
      {"port 0", [&] { WriteFile(settings, record(0, 1)); }, {"write", "--address", "1", file.string()},
       settings.string() + ": the port number 0 is invalid (allowed: COM1..COM24 or a device path such as "
                           "/dev/ttyUSB0): give --port or correct the file"},
      {"ports folder unusable", [&] {
         fs::remove_all(DataFolder() / "ports");
         WriteFile(DataFolder() / "ports", "not a folder");
       },
       {"write", "--port", "COM1", file.string()},
       (DataFolder() / "ports").string() + " cannot be read (Not a directory): give --port with the serial "
                                           "device's path, or fix its permissions"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(DataFolder());
    fs::create_directories(DataFolder() / "ports");
    c.prepare();
    const uint64_t before = device_->Exchanges();

    const CliRun run = Run(c.args);

    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "klv-loader-cli: " + c.message + "\n");
    EXPECT_EQ(device_->Exchanges(), before);
    EXPECT_FALSE(fs::exists(DataFolder() / "comlog.txt"));
  }

  // Every connection option on the command line: the unreadable file is not needed.
  fs::remove_all(DataFolder());
  fs::create_directories(settings);
  const CliRun given = Run({"write", "--port", port, "--address", "1", "--speed", "9600", "--parity", "even",
                            "--stop-bits", "2", "--timeout", "200", "--protocol", "torvalek", file.string()});
  EXPECT_EQ(given.status, 0) << given.err;
  EXPECT_EQ(given.out, "--- KLV30 Parameter writing complete ---\n");
}

// --- Saving the output ------------------------------------------------------------

// read --output saves through a link to its target, keeps the replaced
// file's mode and group, and refuses before the read what it could never
// replace: a device node, a name longer than the folder takes.
TEST_F(CliTest, ReadOutputFollowsLinksKeepsModesAndRefusesDevicesUpFront) {
  Connect(Device(ModelKind::Klv40));
  device_->Preset(Register{0x012C}, 25);  // slowUpTime
  const fs::path target = folder_.Path() / "kept" / "unit.klv";
  fs::create_directories(target.parent_path());
  WriteFile(target, "old values");
  ASSERT_EQ(::chmod(target.c_str(), 0664), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(target.c_str(), 4321, 1234), 0);
  }
  const fs::path link = folder_.Path() / "latest.klv";
  fs::create_symlink(target, link);

  // A umask that would narrow a new file: the replaced file keeps its own mode.
  const mode_t oldMask = ::umask(077);
  const CliRun read = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", link.string()});
  ::umask(oldMask);
  ASSERT_EQ(read.status, 0) << read.err;
  EXPECT_TRUE(fs::is_symlink(link));
  const ParameterFileLoad load = LoadParameterFile(target);
  ASSERT_TRUE(load.contents.has_value());
  EXPECT_EQ(load.contents->parameters.slowUpTime, 25);
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  if (root) {
    EXPECT_EQ(info.st_gid, 1234u);
    EXPECT_EQ(info.st_uid, 4321u);
  }

  struct Refused {
    fs::path output;
    std::string message;
  };
  std::vector<Refused> refused = {
      {folder_.Path() / (std::string(256, 'n') + ".klv"),
       (folder_.Path() / (std::string(256, 'n') + ".klv")).string() + ": File name too long"},
  };
  const fs::path node = folder_.Path() / "null";
  if (::mknod(node.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0) {
    refused.push_back({node, node.string() + " is not a regular file"});
  }
  for (const Refused& r : refused) {
    const uint64_t before = device_->Exchanges();
    const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", r.output.string()});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "klv-loader-cli: " + r.message + "\n");
    EXPECT_EQ(device_->Exchanges(), before);
  }
  if (fs::exists(node)) {
    EXPECT_EQ(fs::status(node).type(), fs::file_type::character);
  }

  // The longest name the folder takes is saved.
  const fs::path longest = folder_.Path() / (std::string(251, 'n') + ".klv");
  const CliRun saved = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", longest.string()});
  EXPECT_EQ(saved.status, 0) << saved.err;
  EXPECT_TRUE(LoadParameterFile(longest).contents.has_value());
}

// --- Ctrl+C and SIGTERM -----------------------------------------------------------

// Waits (bounded) until the simulator has answered this many requests.
bool AwaitExchanges(SimulatedDevice& device, uint64_t count) {
  const auto limit = Clock::now() + std::chrono::seconds(30);
  while (device.Exchanges() < count) {
    if (Clock::now() > limit) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Waits (bounded) until a signal sent to the process is no longer pending.
bool AwaitDelivered(pid_t pid, int signal) {
  const uint64_t bit = uint64_t{1} << (signal - 1);
  const auto limit = Clock::now() + std::chrono::seconds(30);
  while (Clock::now() < limit) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    uint64_t pending = 0;
    for (std::string line; std::getline(status, line);) {
      if (line.rfind("SigPnd:", 0) == 0 || line.rfind("ShdPnd:", 0) == 0) {
        pending |= std::stoull(line.substr(7), nullptr, 16);
      }
    }
    if ((pending & bit) == 0) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return false;
}

// A signal during a transfer stops it after the exchange in flight: the tool
// says how far it got, keeps the comm log of this transfer, leaves the
// output file alone and exits 130 (Ctrl+C) or 143 (SIGTERM).
TEST_F(CliTest, ASignalStopsATransferAndSaysHowFarItGot) {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  set.slowUpTime = 33;
  const fs::path file = folder_.Path() / "unit.klv";
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv40).ok);
  const fs::path output = folder_.Path() / "read.klv";
  struct Case {
    int signal;
    std::vector<std::string> args;
    std::regex message;
    const char* title;
  };
  const Case cases[] = {
      {SIGINT, {"write", file.string()},
       std::regex("klv-loader-cli: Cancelled: ([0-9]+) of ([0-9]+) registers written; the regulator may hold a mix of old and new "
                  "values\\.\n"),
       " < Parameter Write > "},
      {SIGTERM, {"read", "--output", output.string()},
       std::regex("klv-loader-cli: Cancelled: ([0-9]+) of (21) registers read; nothing was saved\\.\n"), " < Parameter Read > "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[0]);
    Connect(Device(ModelKind::Klv40));
    WriteFile(output, "the previous file");
    WriteFile(DataFolder() / "comlog.txt", "an earlier transfer");
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {"--port", device_->Path(), "--timeout", "200"});
    const pid_t pid = Start(args);
    // Identification, options (and a write's checks and pre-writes), and a few registers.
    ASSERT_TRUE(AwaitExchanges(*device_, 13));
    ::kill(pid, c.signal);
    const CliRun run = Wait(pid);

    EXPECT_FALSE(run.signalled);
    EXPECT_EQ(run.status, 128 + c.signal);
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.err, match, c.message)) << run.err;
    EXPECT_GT(std::stoi(match[1]), 0);
    EXPECT_LT(std::stoi(match[1]), std::stoi(match[2]));
    EXPECT_EQ(ReadFile(output), "the previous file");
    const std::string log = ReadFile(DataFolder() / "comlog.txt");
    EXPECT_NE(log.find(c.title), std::string::npos) << log;
    // It stopped: far fewer exchanges than the whole transfer's.
    EXPECT_LT(device_->Exchanges(), 20u);
  }

  // A second Ctrl+C ends the tool at once.
  Connect(Device(ModelKind::Klv40));
  const pid_t pid = Start({"write", file.string(), "--port", device_->Path(), "--timeout", "200"});
  ASSERT_TRUE(AwaitExchanges(*device_, 8));
  ::kill(pid, SIGINT);
  // Two signals of a kind that are pending together count as one: the
  // second goes once the first has reached the tool.
  ASSERT_TRUE(AwaitDelivered(pid, SIGINT));
  ::kill(pid, SIGINT);
  const CliRun run = Wait(pid);
  EXPECT_TRUE(run.signalled);
  EXPECT_EQ(run.status, 128 + SIGINT);
}

// --- The terminal the tool runs in ------------------------------------------------

// --port naming the tool's own terminal (/dev/tty, or its device name) is
// refused before the terminal is touched: it keeps its echo.
TEST_F(CliTest, TheControllingTerminalIsNeverUsedAsAPort) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_GE(master, 0);
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const std::string terminal = ::ptsname(master);
  const int slave = ::open(terminal.c_str(), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);

  for (const std::string& port : {std::string("/dev/tty"), terminal}) {
    SCOPED_TRACE(port);
    const CliRun run =
        Run({"read", "--port", port, "--output", (folder_.Path() / "t.klv").string()}, "C", {}, terminal, true);
    std::string screen;
    ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    char buffer[4096];
    for (ssize_t n; (n = ::read(master, buffer, sizeof buffer)) > 0;) screen.append(buffer, static_cast<std::size_t>(n));

    EXPECT_EQ(run.status, 2);
    EXPECT_NE(screen.find("this is the terminal the program runs in, not a serial port"), std::string::npos) << screen;
    termios modes{};
    ASSERT_EQ(::tcgetattr(slave, &modes), 0);
    EXPECT_NE(modes.c_lflag & ECHO, 0u);
    EXPECT_NE(modes.c_lflag & ICANON, 0u);
  }
  ::close(slave);
  ::close(master);
}

// A value outside its limits is saved as read and named; a write to a
// KLV40 in control mode ZC names the limiter it leaves out and counts only
// what it sent as verified.
TEST_F(CliTest, ReadNamesValuesOutsideTheirLimitsAndWriteNamesWhatItLeavesOut) {
  sim::SimConfig config = Device(ModelKind::Klv40);
  config.controlMode = 5;
  Connect(config);
  sim::FaultPlan over;
  over.AddRegisterFault(Register{0x0133}, {sim::FaultKind::Over, {}});
  device_->Faults(over);
  const fs::path file = folder_.Path() / "unit.klv";

  const CliRun read = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", file.string()});

  EXPECT_EQ(read.status, 0) << read.err;
  EXPECT_EQ(read.out, "--- KLV40 Parameter reading complete ---\n0133 = 32767 (0..1000): check the regulator\n");
  std::string bytes = ReadFile(file);
  constexpr std::size_t kBootLimiterValue = 4 + 19 * 4 + 2;  // record 19 (0133), after its address
  ASSERT_EQ(bytes.size(), 120u);
  EXPECT_EQ(bytes.substr(kBootLimiterValue, 2), std::string("\xFF\x7F", 2));

  device_->Faults({});
  bytes[kBootLimiterValue] = static_cast<char>(500 & 0xFF);
  bytes[kBootLimiterValue + 1] = static_cast<char>(500 >> 8);
  WriteFile(file, bytes);
  const CliRun write = Run({"write", "--verify", "--port", device_->Path(), "--timeout", "200", file.string()});

  EXPECT_EQ(write.status, 0) << write.err;
  EXPECT_EQ(write.out,
            "--- KLV40 Parameter writing complete ---\n012E not written: not used in control mode ZC\n"
            "Verified: all 20 registers read back equal\n");
}

// --- Replies out of step -------------------------------------------------------------

sim::FaultPlan Doubled(uint16_t reg, std::chrono::milliseconds gap) {
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{reg}, {sim::FaultKind::Twice, gap});
  return plan;
}

// A reply that comes twice: its copy arrives while the next register is
// read and is taken there, or with that register's own reply; that register
// is then asked again, and the file holds what the device holds. With the
// copy close behind, the register asked again gets a copy once more and has
// no valid reply.
TEST_F(CliTest, ADoubledReplyIsNeverTakenForTheNextRegister) {
  for (const auto& [name, protocol] : {std::pair<const char*, Protocol>{"torvalek", Protocol::Torvalek},
                                       std::pair<const char*, Protocol>{"rtu", Protocol::ModbusRtu}}) {
    SCOPED_TRACE(name);
    sim::SimConfig config = Device(ModelKind::Klv30, 0, false);
    config.protocol = protocol;
    Connect(config);
    device_->Preset(Register{0x012C}, 45);
    device_->Preset(Register{0x013D}, 3);
    const fs::path clean = folder_.Path() / "clean.klv";
    const fs::path file = folder_.Path() / "doubled.klv";
    // A name of its own: clang 14 cannot capture a structured binding.
    const char* const protocolName = name;
    const auto read = [&](const fs::path& output) {
      return Run({"read", "--port", device_->Path(), "--protocol", protocolName, "--timeout", "200", "--output",
                  output.string()});
    };
    ASSERT_EQ(read(clean).status, 0);

    device_->Faults(Doubled(0x012C, std::chrono::milliseconds(250)));
    const CliRun late = read(file);
    ASSERT_EQ(late.status, 0) << late.err;
    EXPECT_EQ(ReadFile(file), ReadFile(clean));
    const std::string log = ReadFile(DataFolder() / "comlog.txt");
    EXPECT_NE(log.find("---. KLV->PC: "), std::string::npos) << log;
    EXPECT_NE(log.find("its register is asked again"), std::string::npos) << log;

    device_->Faults(Doubled(0x012C, std::chrono::milliseconds(50)));
    fs::remove(file);
    const CliRun close = read(file);
    EXPECT_EQ(close.status, 1);
    EXPECT_NE(close.err.find("\nklv-loader-cli: No valid reply: 012C\n"), std::string::npos) << close.err;
    EXPECT_FALSE(fs::exists(file));
  }
}

// A write whose reply may have been a copy of the one before is read back:
// 013D refused (the copy of 012C's reply said "taken") is not counted.
TEST_F(CliTest, AWriteTakenFromADoubledReplyIsReadBack) {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  set.slowUpTime = 45;
  set.controlInputRange = 2;
  const fs::path file = folder_.Path() / "unit.klv";
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
  for (const auto& [name, protocol] : {std::pair<const char*, Protocol>{"torvalek", Protocol::Torvalek},
                                       std::pair<const char*, Protocol>{"rtu", Protocol::ModbusRtu}}) {
    SCOPED_TRACE(name);
    sim::SimConfig config = Device(ModelKind::Klv30, 0, false);
    config.protocol = protocol;
    Connect(config);
    device_->Preset(Register{0x013D}, 5);
    sim::FaultPlan faults = Doubled(0x012C, std::chrono::milliseconds(250));
    faults.AddRegisterFault(Register{0x013D}, {sim::FaultKind::Error, {}});
    device_->Faults(faults);

    const CliRun run =
        Run({"write", "--port", device_->Path(), "--protocol", name, "--timeout", "200", file.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("\nklv-loader-cli: Refused by the device: 013D\n"), std::string::npos) << run.err;
    EXPECT_EQ(device_->Parameters().controlInputRange, 5);
    EXPECT_EQ(device_->Parameters().slowUpTime, 45);
  }
}

// A device that answers every request 500 ms late at the 200 ms time-out,
// one request at a time, from its sixth exchange on: nothing it says after
// that is taken for another register's value.
TEST_F(CliTest, EveryReplyLateGivesAnIncompleteReadAndWrite) {
  Connect(Device(ModelKind::Klv30, 0, false));
  device_->Preset(Register{0x012C}, 45);
  sim::FaultPlan late;
  late.AddFailAfter(5, {sim::FaultKind::Late, std::chrono::milliseconds(500)});
  device_->Faults(late);
  const fs::path file = folder_.Path() / "unit.klv";
  WriteFile(file, "the previous file");
  const CliRun read = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", file.string()});
  EXPECT_EQ(read.status, 1);
  EXPECT_EQ(read.err.rfind("klv-loader-cli: Parameter reading incomplete: ", 0), 0u) << read.err;
  EXPECT_EQ(ReadFile(file), "the previous file");
  EXPECT_NE(ReadFile(DataFolder() / "comlog.txt").find("---. KLV->PC: "), std::string::npos);

  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  ASSERT_TRUE(WriteParameterFile(file, set, ModelKind::Klv30).ok);
  Connect(Device(ModelKind::Klv30, 0, false));
  device_->Faults(late);
  const CliRun write = Run({"write", "--port", device_->Path(), "--timeout", "200", file.string()});
  EXPECT_EQ(write.status, 1);
  EXPECT_EQ(write.err.rfind("klv-loader-cli: Parameter writing incomplete: ", 0), 0u) << write.err;
}

// A one-series device whose 0102 never answers is read without the
// detection, and the report says so; one that answers is not named.
TEST_F(CliTest, ADeviceWhose0102NeverAnswersIsSaidToHaveNoDetection) {
  const fs::path file = folder_.Path() / "unit.klv";
  // The simulator refuses 0102 without the function; a real device is silent.
  Connect(Device(ModelKind::Klv30, 0, false));
  sim::FaultPlan silent;
  silent.AddRegisterFault(Register{0x0102}, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  const CliRun never = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", file.string()});
  EXPECT_EQ(never.status, 0) << never.err;
  EXPECT_EQ(never.out,
            "--- KLV30 Parameter reading complete ---\nOutput current detection: not fitted (0102 did not answer)\n");
  // Asked three times before silence counts as an answer.
  const std::string log = ReadFile(DataFolder() / "comlog.txt");
  std::size_t asked = 0;
  for (std::size_t at = log.find("R0102"); at != std::string::npos; at = log.find("R0102", at + 1)) ++asked;
  EXPECT_EQ(asked, 3u);

  Connect(Device(ModelKind::Klv30, 0, true));
  const CliRun fitted = Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", file.string()});
  EXPECT_EQ(fitted.out, "--- KLV30 Parameter reading complete ---\n");
}

// An adapter that echoes every byte: with --echo the values read are those
// read from a line without echo; without it the read fails and says why.
TEST_F(CliTest, ReadWithEchoOverAnEchoingAdapterEqualsAReadWithoutEcho) {
  Connect(Device(ModelKind::Klv40));
  device_->Preset(Register{0x012C}, 25);
  const fs::path plain = folder_.Path() / "plain.klv";
  const fs::path echoed = folder_.Path() / "echoed.klv";
  ASSERT_EQ(Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", plain.string()}).status, 0);

  device_->LocalEcho(true);
  const CliRun withEcho =
      Run({"read", "--port", device_->Path(), "--timeout", "200", "--echo", "--output", echoed.string()});
  ASSERT_EQ(withEcho.status, 0) << withEcho.err;
  EXPECT_EQ(ReadFile(echoed), ReadFile(plain));

  const fs::path refused = folder_.Path() / "refused.klv";
  const CliRun withoutEcho =
      Run({"read", "--port", device_->Path(), "--timeout", "200", "--output", refused.string()});
  EXPECT_NE(withoutEcho.status, 0);
  EXPECT_NE(withoutEcho.err.find("the adapter echoes; turn on Local echo (--echo)"), std::string::npos)
      << withoutEcho.err;
  EXPECT_FALSE(fs::exists(refused));
}

}  // namespace
}  // namespace klv::testing
