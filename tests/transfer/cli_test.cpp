// klv-loader-cli as a script runs it: a separate process with its own data
// folder, talking to klv-sim on a pseudo-terminal in real time.
#include <gtest/gtest.h>
#include "model/register_catalogue.h"
#include "editor/parameter_file.h"
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "transfer/transfer_rig.h"

#include "support/cli_tool.h"

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

  // Runs the tool with a clean environment: its own data folder, the locale
  // given, further variables, and standard error to a file or a terminal.
  CliRun Run(std::vector<std::string> args, const std::string& locale = "C",
             const std::vector<std::string>& moreEnv = {}, const std::string& errorTerminal = {}) {
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
      posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_RDWR | O_NOCTTY, 0);
    }
    CliRun run;
    const auto start = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
      ADD_FAILURE() << "cannot start " << cli_;
      return run;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(out);
    if (errorTerminal.empty()) run.err = ReadFile(err);
    return run;
  }

  fs::path cli_;
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
      {{"read", "--address", "0", "--output", "x.klv"}, 2, "--address: '0' is not a device address from 1 to 99"},
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
      {"read", "--port", device_->Path(), "--timeout", "50", "--output", output},
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
    if (i != 21) device_->Preset(kFileAddresses[i], values[i]);
  }
  const fs::path output = folder_.Path() / "read.klv";

  // No settings file: the defaults (COM1 9600 bps, 100 ms, address 1), and
  // TORVALEK as every connection of the windows.
  const CliRun run = Run({"read", "--port", device_->Path(), "--output", output.string()});

  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out, "--- KLV40 Parameter reading complete ---\n");
  EXPECT_EQ(run.err, "");  // not a terminal: no progress
  EXPECT_EQ(ReadFile(output), FileBytes(40, values, 0, 12));
  EXPECT_FALSE(fs::exists(DataFolder() / "KlvTool.ini"));

  // The protocol's floor: 28 pauses of 100 ms. Each of the 31 exchanges
  // (0110, four option reads, 26 rows) ends with its reply, well before its
  // 100 ms time-out, so together they stay far below 31 time-outs.
  const double pauses = 28 * 0.1;
  EXPECT_GE(run.seconds, pauses);
  EXPECT_LT(run.seconds, pauses + 31 * 0.1);

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

  const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "50", "--output", output.string()});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "klv-loader-cli: KLV40 Parameter reading failure\n");
  EXPECT_FALSE(fs::exists(output));
  EXPECT_EQ(SplitLines(ReadFile(DataFolder() / "comlog.txt")).size(), 2u + 6u);

  // The messages follow the locale; LC_ALL comes before LANG.
  const std::vector<std::string> args = {"read", "--port", device_->Path(), "--timeout", "50", "--output",
                                         output.string()};
  EXPECT_EQ(Run(args, "ja_JP.UTF-8").err, "klv-loader-cli: KLV40 パラメータ読出し失敗\n");
  EXPECT_EQ(Run(args, "ja_JP.UTF-8", {"LC_ALL=C"}).err, "klv-loader-cli: KLV40 Parameter reading failure\n");
  EXPECT_EQ(Run(args, "C", {"LC_MESSAGES=ja_JP.UTF-8"}).err, "klv-loader-cli: KLV40 パラメータ読出し失敗\n");
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
  sim::FaultPlan late;
  late.AddFailAfter(15, {sim::FaultKind::Late, std::chrono::milliseconds(130)});
  sim::FaultPlan options;
  options.AddRegisterFault(0x0117, {sim::FaultKind::Error, {}});
  const BrokenReadCase cases[] = {
      {"unplugged after 15 exchanges", lost, "klv-loader-cli: Parameter reading incomplete: 10 of 21 registers read\n"},
      {"late after 15 exchanges", late, "klv-loader-cli: Parameter reading incomplete: 10 of 21 registers read\n"},
      {"option register refused", options,
       "klv-loader-cli: Parameter reading incomplete: the options of the connected device could not be read\n"},
  };
  for (const BrokenReadCase& c : cases) {
    SCOPED_TRACE(c.name);
    Connect(Device(ModelKind::Klv40));
    device_->Preset(0x012D, 22);
    device_->Preset(0x012E, 88);
    device_->Faults(c.faults);
    const fs::path output = folder_.Path() / "unit.klv";
    WriteFile(output, "the previous file");

    const CliRun run = Run({"read", "--port", device_->Path(), "--output", output.string()});

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
  const CliRun partly = Run({"write", "--port", device_->Path(), "--timeout", "50", good.string()});
  EXPECT_EQ(partly.status, 1);
  EXPECT_EQ(partly.err.rfind("klv-loader-cli: Parameter writing incomplete: 0 of 7 registers written\n", 0), 0u) << partly.err;
  EXPECT_NE(partly.err.find("mix of old and new values"), std::string::npos);

  Connect(Device(ModelKind::Klv30, 0, false));
  const CliRun refusedWhole = Run({"write", "--port", device_->Path(), "--timeout", "50", wild.string()});
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

  const CliRun run = Run({"read", "--port", device_->Path(), "--timeout", "50", "--output",
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

TEST_F(CliTest, ModbusProtocolsCarryTheSameTransfers) {
  for (const auto& [name, protocol, firstRequest] :
       {std::tuple<const char*, Protocol, std::string>{"rtu", Protocol::ModbusRtu, "(01)(03)(01)(10)(00)(01)"},
        std::tuple<const char*, Protocol, std::string>{"ascii", Protocol::ModbusAscii,
                                                       ":010301100001EA(CR)(LF)"}}) {
    SCOPED_TRACE(name);
    sim::SimConfig config = Device(ModelKind::Klv30, 0, false);
    config.protocol = protocol;
    Connect(config);
    device_->Preset(0x012C, 44);
    const fs::path file = folder_.Path() / (std::string(name) + ".klv");

    const CliRun read =
        Run({"read", "--port", device_->Path(), "--protocol", name, "--timeout", "50", "--output", file.string()});
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
    const CliRun write = Run({"write", "--port", device_->Path(), "--protocol", name, "--timeout", "50", file.string()});
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
  // The stored settings reach the device: address 5, 50 ms, COM3 (replaced by --port).
  fs::create_directories(DataFolder());
  CommSettings stored;
  stored.portNumber = 3;
  stored.deviceAddress = 5;
  stored.readTimeout = 50;
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

  const CliRun run = Run({"write", "--port", device_->Path(), "--timeout", "50", file.string()});

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
  lost.AddRegisterFault(0x013F, {sim::FaultKind::Silent, {}});
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
    device_->Preset(0x012C, c.deviceSlowUp);
    device_->Faults(c.faults);
    const fs::path file = Klv30File(folder_.Path(), 33);
    const std::string before = ReadFile(file);

    const CliRun run = Run({"compare", "--port", device_->Path(), "--timeout", "50", file.string()});

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
  device_->Preset(0x012C, 40);
  const fs::path file = Klv30File(folder_.Path(), 33);

  const CliRun json = Run({"compare", "--json", "--port", device_->Path(), "--timeout", "50", file.string()});
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
      Run({"compare", "--port", device_->Path(), "--timeout", "50", file.string()}, "ja_JP.UTF-8");
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
    Connect(Device(ModelKind::Klv30, 0, true));
    device_->Preset(0x012C, 10);
    if (c.stuck) {
      sim::FaultPlan stuck;
      stuck.AddRegisterFault(0x012C, {sim::FaultKind::Stuck, {}});
      device_->Faults(stuck);
    }
    const fs::path file = Klv30File(folder_.Path(), 33);

    const CliRun run = Run({"write", "--verify", "--port", device_->Path(), "--timeout", "50", file.string()});

    EXPECT_EQ(run.status, c.status) << run.err;
    EXPECT_EQ(c.status == 0 ? run.out : run.err, c.report);
    // The read-backs follow the writes in the log.
    const std::string log = ReadFile(DataFolder() / "comlog.txt");
    const std::size_t lastWrite = log.rfind("PC->KLV: (STX)011W013F0,");
    ASSERT_NE(lastWrite, std::string::npos) << log;
    EXPECT_NE(log.find("PC->KLV: " + LoggedFrame("011R012C0"), lastWrite), std::string::npos) << log;
  }
}

}  // namespace
}  // namespace klv::testing
