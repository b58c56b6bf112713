// klv-loader-cli monitor as a script runs it: a separate process with its own
// data folder, against klv-sim on a pseudo-terminal in real time. The
// simulation keeps a fake clock, so its live values are those of its start.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "sim/sim_server.h"
#include "sim/simulated_regulator.h"
#include "monitor/simulated_line.h"
#include "platform/file_store.h"
#include "support/fake_clock.h"
#include "serial/device_path_port.h"

#include "support/cli_tool.h"

extern char** environ;

namespace klv::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class MonitorCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
  }
  void TearDown() override {
    if (server_) server_->Stop();
  }

  void Serve(const sim::SimConfig& config, std::optional<sim::FaultPlan> faults = std::nullopt) {
    regulator_ = std::make_unique<sim::SimulatedRegulator>(config, simClock_);
    if (faults) regulator_->SetFaultPlan(*faults);
    server_ = std::make_unique<sim::SimServer>(*regulator_);
    for (const auto& unit : busUnits_) ASSERT_TRUE(server_->AddRegulator(*unit));
    std::string error;
    ASSERT_TRUE(server_->OpenPseudoTerminal(error)) << error;
    ASSERT_TRUE(server_->Start());
  }

  // Starts the tool with a data folder of the test's own; its output goes to files.
  pid_t Spawn(std::vector<std::string> args) {
    args.insert(args.begin(), {cli_.string(), "monitor"});
    std::vector<std::string> env = {"XDG_DATA_HOME=" + (folder_.Path() / "data").string(),
                                    "HOME=" + folder_.Path().string(), "LANG=C"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, Out().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, Err().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    EXPECT_EQ(spawned, 0);
    return pid;
  }
  int Wait(pid_t pid) {
    int status = 0;
    if (::waitpid(pid, &status, 0) != pid) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  int Run(std::vector<std::string> args) { return Wait(Spawn(std::move(args))); }

  fs::path Out() const { return folder_.Path() / "stdout"; }
  fs::path Err() const { return folder_.Path() / "stderr"; }

  fs::path cli_;
  MonitorTempFolder folder_;
  FakeClock simClock_;
  std::unique_ptr<sim::SimulatedRegulator> regulator_;
  // More regulators on the same line, for a bus.
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> busUnits_;
  std::unique_ptr<sim::SimServer> server_;
};

std::vector<std::string> CsvCells(const std::string& line) {
  std::vector<std::string> cells;
  std::stringstream in(line);
  for (std::string cell; std::getline(in, cell, ',');) cells.push_back(cell);
  return cells;
}

TEST_F(MonitorCliTest, ABusOfThreeUnitsWithOneSilentPollsTheOthersAndRecordsAColumnPairPerUnit) {
  sim::SimConfig first;
  first.model = ModelKind::Klv30;
  first.deviceAddress = 1;
  sim::SimConfig silent;
  silent.model = ModelKind::Klv30;
  silent.deviceAddress = 2;
  sim::SimConfig third;
  third.model = ModelKind::Klv30E;
  third.deviceAddress = 3;
  busUnits_.push_back(std::make_unique<sim::SimulatedRegulator>(silent, simClock_));
  sim::FaultPlan mute;
  mute.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent});
  busUnits_.back()->SetFaultPlan(mute);
  busUnits_.push_back(std::make_unique<sim::SimulatedRegulator>(third, simClock_));
  Serve(first);
  const fs::path record = folder_.Path() / "bus.csv";
  // The silent unit never answered: the run fails and names it. Its three
  // cycles of time-outs take about 15 s before it counts as lost.
  ASSERT_EQ(Run({"--port", server_->Path(), "--timeout", "200", "--address", "1-3", "--seconds", "28", "--record",
                 record.string()}),
            1)
      << ReadFile(Err());

  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_GE(lines.size(), 5u) << ReadFile(Out());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 3),
            (std::vector<std::string>{"address=1 model=KLV30", "address=2 model=none polled=KLV40",
                                      "address=3 model=KLV30E"}));
  // Cycle lines name their unit; the answering ones carry values, the silent one xxxx only.
  const std::regex cycle(R"(\d\d:\d\d:\d\d address=(\d) (.*))");
  std::map<std::string, int> cycles;
  for (std::size_t i = 3; i < lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(lines[i], match, cycle)) << lines[i];
    ++cycles[match[1]];
    const bool allXxxx = std::regex_match(match[2].str(), std::regex(R"((\w{4}=xxxx ?)+)"));
    EXPECT_EQ(allXxxx, match[1] == "2") << lines[i];
  }
  // Three cycles of the silent unit, then it is lost and only asked again
  // every 2 s, while the others go on.
  EXPECT_EQ(cycles["2"], 3) << ReadFile(Out());
  EXPECT_GE(cycles["1"], 5) << ReadFile(Out());
  EXPECT_GE(cycles["3"], 4) << ReadFile(Out());

  const std::string csv = ReadFile(record);
  const std::vector<std::string> rows = Lines(csv);
  ASSERT_GE(rows.size(), 2u) << csv;
  EXPECT_EQ(rows[0], "Time, U1 Input, U1 Output, U2 Input, U2 Output, U3 Input, U3 Output\r");
  std::string last = rows.back();
  last.pop_back();  // the CR
  const std::vector<std::string> cells = CsvCells(last);
  ASSERT_EQ(cells.size(), 7u) << last;
  for (std::size_t cell = 1; cell < cells.size(); ++cell) {
    EXPECT_EQ(cells[cell] == "-32768", cell == 3 || cell == 4) << last;
  }

  const std::string err = ReadFile(Err());
  EXPECT_NE(err.find("Address 2: no reply; the unit is asked again every 2 s, the others are polled as before"),
            std::string::npos)
      << err;
  EXPECT_EQ(err.find("Address 1: no reply"), std::string::npos) << err;
  EXPECT_NE(err.find("Address  Model   Result"), std::string::npos) << err;
  EXPECT_TRUE(std::regex_search(err, std::regex(R"(
?klv-loader-cli: 1 +KLV30 +answered)"))) << err;
  EXPECT_TRUE(std::regex_search(err, std::regex(R"(klv-loader-cli: 2 +- +no good reply)"))) << err;
  EXPECT_TRUE(std::regex_search(err, std::regex(R"(klv-loader-cli: 3 +KLV30E +answered)"))) << err;
  EXPECT_NE(err.find("No good reply during the whole run from address 2"), std::string::npos) << err;
}

TEST_F(MonitorCliTest, PrintsTheModelThenOneLinePerCycleAndRecords) {
  sim::SimConfig config;
  config.options = kOptionAnalogInput | kOptionAnalogOutput;
  Serve(config);
  const fs::path record = folder_.Path() / "record.csv";
  const auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(Run({"--port", server_->Path(), "--timeout", "200", "--seconds", "4", "--record", record.string()}), 0)
      << ReadFile(Err());
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(seconds, 4.0);
  EXPECT_LT(seconds, 14.0) << "the run went on past its --seconds";

  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_GE(lines.size(), 2u) << ReadFile(Out());
  EXPECT_EQ(lines[0], "model=KLV40 mode=PA");
  // At the simulation's start: input 500, AL1 on, DI1 to DI3 on.
  const std::regex cycle(
      R"(\d\d:\d\d:\d\d 0100=\S+ 0101=\S+ 0102=\S+ 0103=\S+ 0104=500 0105=1000 0106=500 0107=1000 )"
      R"(0108=___O 0109=OOO 010A=\S+ 010B=\S+)");
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], cycle)) << lines[i];
  EXPECT_EQ(ReadFile(record), "Time, Input, Output\r\n");
  EXPECT_NE(ReadFile(Err()).find("10sec-sample 10min-log"), std::string::npos);
}

TEST_F(MonitorCliTest, CtrlCStopsItCleanlyAndASilentDeviceReadsXxxx) {
  sim::FaultPlan faults;
  faults.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent});
  Serve(sim::SimConfig{}, faults);
  const pid_t pid = Spawn({"--port", server_->Path(), "--timeout", "200"});
  // Identification (two time-outs) and one cycle of ten registers.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
  while (Lines(ReadFile(Out())).size() < 2 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  ::kill(pid, SIGINT);
  // Rows of xxxx only: the run failed, and says what to check.
  EXPECT_EQ(Wait(pid), 1) << ReadFile(Err());
  EXPECT_NE(ReadFile(Err()).find("klv-loader-cli: No good reply from the regulator during the whole run: check the "
                                 "cable, the port and the device address"),
            std::string::npos)
      << ReadFile(Err());
  // And what it tried, as a read that got no reply says it.
  EXPECT_NE(ReadFile(Err()).find("klv-loader-cli: No reply from address 1 on " + server_->Path() +
                                 " (9600 E 7 1, TORVALEK, 200 ms).\n"),
            std::string::npos)
      << ReadFile(Err());
  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], "model=none polled=KLV40");
  EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(\d\d:\d\d:\d\d 0100=xxxx 0101=xxxx 0102=xxxx 0103=xxxx )"
                                                    R"(0104=xxxx 0105=xxxx 0106=xxxx 0107=xxxx 0108=xxxx 0109=xxxx)")))
      << lines[1];
  // The port was let go: the program's own port opens it again.
  SerialLine line(DevicePathPortFactory(server_->Path()));
  CommSettings settings;
  EXPECT_TRUE(line.OpenPort(settings, {}).ok);
}

TEST_F(MonitorCliTest, ARecordFileThatCannotBeCreatedNamesTheReason) {
  Serve(sim::SimConfig{});
  // sysfs takes no new files, not even from root.
  const fs::path record = "/sys/klv-record.csv";
  const SaveOutcome expected = SaveFileAtomically(record, "x");
  ASSERT_FALSE(expected.ok);
  ASSERT_FALSE(expected.error.empty());
  EXPECT_EQ(Run({"--port", server_->Path(), "--timeout", "200", "--seconds", "1", "--record", record.string()}), 2);
  const std::string err = ReadFile(Err());
  EXPECT_NE(err.find(record.string() + ": Log file cannot be created (" + expected.error + ")\n"), std::string::npos)
      << err;
}

// COM1 is a link in the tool's data folder, as a /dev/serial/by-id link is
// on a real machine. The simulator goes away as a pulled adapter does; another
// one starts on a new pseudo-terminal and the link is pointed at it, as the
// by-id link follows the adapter to a new ttyUSB name.
TEST_F(MonitorCliTest, ValuesComeBackWhenTheComLinkLeadsToTheDeviceAgain) {
  const fs::path ports = folder_.Path() / "data" / "klv-loader" / "ports";
  fs::create_directories(ports);
  sim::SimConfig config;
  config.model = ModelKind::Klv30;
  config.controlInput = 300;
  Serve(config);
  // The second device's pseudo-terminal exists from the start, so that it
  // never takes over the first one's name: only the link leads to it.
  config.controlInput = 700;
  sim::SimulatedRegulator secondRegulator(config, simClock_);
  sim::SimServer second(secondRegulator);
  std::string error;
  ASSERT_TRUE(second.OpenPseudoTerminal(error)) << error;

  fs::create_symlink(server_->Path(), ports / "COM1");
  const pid_t pid = Spawn({"--port", "COM1", "--timeout", "200"});
  const auto waitFor = [](const fs::path& file, const std::string& text, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadFile(file).find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ReadFile(file).find(text) != std::string::npos;
  };
  ASSERT_TRUE(waitFor(Out(), "0104=300", std::chrono::seconds(8))) << ReadFile(Out()) << ReadFile(Err());

  server_.reset();  // the first simulator ends, its pseudo-terminal with it
  ASSERT_TRUE(waitFor(Err(), "Line lost: no reply; opening the port again every 2 s", std::chrono::seconds(10)))
      << ReadFile(Err());
  const std::size_t linesWhileLost = Lines(ReadFile(Out())).size();
  std::this_thread::sleep_for(std::chrono::milliseconds(2500));  // an attempt or two on the dead link

  ASSERT_TRUE(second.Start());
  const fs::path repointed = ports / "COM1.new";
  fs::create_symlink(second.Path(), repointed);
  fs::rename(repointed, ports / "COM1");
  const auto repointedAt = std::chrono::steady_clock::now();
  ASSERT_TRUE(waitFor(Out(), "0104=700", std::chrono::seconds(8))) << ReadFile(Out()) << ReadFile(Err());
  std::printf("monitor cli: values back %.1f s after the COM1 link was pointed at the new device\n",
              std::chrono::duration<double>(std::chrono::steady_clock::now() - repointedAt).count());
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 0) << ReadFile(Err());
  second.Stop();

  EXPECT_NE(ReadFile(Err()).find("Line back: the regulator answers again"), std::string::npos) << ReadFile(Err());
  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_GT(lines.size(), linesWhileLost);
  EXPECT_EQ(lines[0], "model=KLV30");
  // Nothing was printed while the line was lost; the first line after it is
  // a whole cycle of the same rows, from the new device.
  EXPECT_TRUE(std::regex_match(lines[linesWhileLost],
                               std::regex(R"(\d\d:\d\d:\d\d 0100=\S+ 0102=\S+ 0104=700 0105=1000 0106=500 0107=1000 0108=\S+)")))
      << lines[linesWhileLost];
}

// Another model behind the re-pointed link: its own model line, no cycle
// line mixing the two, and the record goes on in a file named with the time.
TEST_F(MonitorCliTest, AnotherUnitBehindTheComLinkGetsItsOwnModelLineAndRecordFile) {
  const fs::path ports = folder_.Path() / "data" / "klv-loader" / "ports";
  fs::create_directories(ports);
  sim::SimConfig config;
  config.model = ModelKind::Klv30;
  config.controlInput = 300;
  Serve(config);
  sim::SimConfig other;
  other.controlInput = 700;
  sim::SimulatedRegulator secondRegulator(other, simClock_);
  sim::SimServer second(secondRegulator);
  std::string error;
  ASSERT_TRUE(second.OpenPseudoTerminal(error)) << error;
  fs::create_symlink(server_->Path(), ports / "COM1");
  const fs::path record = folder_.Path() / "run.csv";
  const pid_t pid = Spawn({"--port", "COM1", "--timeout", "200", "--record", record.string()});
  const auto waitFor = [](const fs::path& file, const std::string& text, std::chrono::seconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (ReadFile(file).find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return ReadFile(file).find(text) != std::string::npos;
  };
  EXPECT_TRUE(waitFor(Out(), "0104=300", std::chrono::seconds(10))) << ReadFile(Out()) << ReadFile(Err());
  server_.reset();
  EXPECT_TRUE(waitFor(Err(), "Line lost", std::chrono::seconds(15))) << ReadFile(Err());
  ASSERT_TRUE(second.Start());
  const fs::path repointed = ports / "COM1.new";
  fs::create_symlink(second.Path(), repointed);
  fs::rename(repointed, ports / "COM1");
  EXPECT_TRUE(waitFor(Out(), "0104=700", std::chrono::seconds(15))) << ReadFile(Out()) << ReadFile(Err());
  ::kill(pid, SIGINT);
  EXPECT_EQ(Wait(pid), 0) << ReadFile(Err());
  second.Stop();

  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines[0], "model=KLV30");
  const auto change = std::find(lines.begin(), lines.end(), "model=KLV40 mode=PA");
  ASSERT_NE(change, lines.end()) << ReadFile(Out());
  // A cycle line belongs to one unit: before the new model line the first's, after it the second's.
  for (auto line = lines.begin() + 1; line != lines.end(); ++line) {
    if (line == change) continue;
    EXPECT_EQ(line->find(line < change ? "0104=700" : "0104=300"), std::string::npos) << *line;
  }
  const std::string err = ReadFile(Err());
  std::smatch named;
  EXPECT_TRUE(std::regex_search(err, named, std::regex(R"(Another unit: KLV40; record goes on in (run-\d{8}-\d{6}\.csv)\n)")))
      << err;
  ASSERT_EQ(named.size(), 2u);
  EXPECT_EQ(ReadFile(record).rfind("Time, Input, Output\r\n", 0), 0u);
  EXPECT_EQ(ReadFile(folder_.Path() / named[1].str()).rfind("Time, Input, Output\r\n", 0), 0u);
}

// 0103 answers 260 ms late at a 100 ms time-out and the device serves the
// next request only after it, so its reply arrives while 0104 is asked:
// 0104 never shows it (only its own value or xxxx), and 0103 shows nothing.
TEST_F(MonitorCliTest, ALateReplyNeverShowsAsTheNextRowsValue) {
  sim::SimConfig config;
  config.controlInput = 777;
  sim::FaultPlan late;
  late.AddRegisterFault(Register{0x0103}, {sim::FaultKind::Late, std::chrono::milliseconds(260)});
  Serve(config, late);
  ASSERT_EQ(Run({"--port", server_->Path(), "--timeout", "100", "--seconds", "5"}), 0) << ReadFile(Err());

  const std::vector<std::string> lines = Lines(ReadFile(Out()));
  ASSERT_GE(lines.size(), 2u) << ReadFile(Out());
  EXPECT_EQ(lines[0], "model=KLV40 mode=PA");
  const std::regex cycle(R"(\d\d:\d\d:\d\d .* 0103=xxxx 0104=(777|xxxx) .*)");
  for (std::size_t i = 1; i < lines.size(); ++i) EXPECT_TRUE(std::regex_match(lines[i], cycle)) << lines[i];
}

TEST_F(MonitorCliTest, UsageErrors) {
  EXPECT_EQ(Run({"--seconds", "0"}), 2);
  EXPECT_NE(ReadFile(Err()).find("--seconds"), std::string::npos);
  EXPECT_EQ(Run({"--output", "x"}), 2);
  EXPECT_NE(ReadFile(Err()).find("unknown option --output for 'monitor'"), std::string::npos);
  EXPECT_EQ(Run({"--parity", "mark"}), 2);
  EXPECT_NE(ReadFile(Err()).find("--parity: 'mark' is not even, none or odd"), std::string::npos);
  EXPECT_EQ(Run({"--record", (folder_.Path() / "missing" / "r.csv").string()}), 2);
  EXPECT_NE(ReadFile(Err()).find("does not exist"), std::string::npos);
  EXPECT_EQ(Run({"--port", "/dev/klv-no-such-device", "--seconds", "1"}), 2);
  EXPECT_NE(ReadFile(Err()).find("Port cannot be used"), std::string::npos);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(ReadFile(Out()).find("Usage: klv-loader-cli monitor"), std::string::npos);
}

}  // namespace
}  // namespace klv::testing
