// klv-loader-cli over several regulators on one line: three simulated units
// on one pseudo-terminal at addresses 1 to 3 (a KLV40, a KLV30 that never
// answers, a KLV30E), each command run as a script runs it.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <regex>
#include <string>
#include <vector>

#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "klv-sim/command_line.h"
#include "sim/sim_server.h"
#include "support/cli_tool.h"
#include "support/tool_process.h"
#include "support/fake_clock.h"
#include "support/pdf_text.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

namespace fs = std::filesystem;

class BusCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
  }

  // The regulators as klv-sim makes them from its command line, served on one line.
  void StartBus(std::vector<std::string> simArgs) {
    const sim::ParsedCommandLine parsed = sim::ParseCommandLine(simArgs);
    ASSERT_TRUE(parsed.options) << parsed.error;
    std::string error;
    regulators_ = sim::MakeRegulators(*parsed.options, simClock_, error);
    ASSERT_FALSE(regulators_.empty()) << error;
    server_ = std::make_unique<sim::SimServer>(*regulators_.front());
    for (std::size_t i = 1; i < regulators_.size(); ++i) ASSERT_TRUE(server_->AddRegulator(*regulators_[i]));
    ASSERT_TRUE(server_->OpenPseudoTerminal(error)) << error;
    ASSERT_TRUE(server_->Start());
  }
  // A KLV40, a silent KLV30 and a KLV30E, each with its own slow-up time.
  void StartMixedBus() {
    StartBus({"--unit", "1:KLV40", "--unit", "2:KLV30", "--unit", "3:KLV30E", "--silent-address", "2"});
    for (std::size_t i = 0; i < regulators_.size(); ++i) Unit(i + 1)->Preset(Register{0x012C}, Int(11 * (i + 1)));
  }
  // A unit of the bus, looked at under the serving loop's lock until the end
  // of the statement (one Unit per statement).
  struct LockedUnit {
    std::unique_lock<std::mutex> lock;
    sim::SimulatedRegulator* unit;
    sim::SimulatedRegulator* operator->() const { return unit; }
  };
  LockedUnit Unit(std::size_t address) { return {server_->LockRegulators(), regulators_[address - 1].get()}; }
  static int16_t Int(std::size_t n) { return static_cast<int16_t>(n); }

  // The tool with its own data folder, on the bus's line with the longest time-out.
  ToolRun Run(const std::string& command, std::vector<std::string> args) {
    args.insert(args.begin(), {command, "--port", server_->Path(), "--timeout", "200"});
    return RunTool(cli_, std::move(args), folder_.Path());
  }

  fs::path Path(const std::string& name) const { return folder_.Path() / name; }
  std::string CommLog() const { return ReadFile(folder_.Path() / "data" / "klv-loader" / "comlog.txt"); }

  // The regulator's set as a file of its model holds it.
  void ExpectFileHolds(const fs::path& file, std::size_t address) {
    const ParameterFileLoad load = LoadParameterFile(file);
    ASSERT_TRUE(load.contents) << file;
    EXPECT_EQ(load.contents->model, Unit(address)->Config().model) << file;
    for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(load.contents->model))) {
      if (row.address == Register{} || row.value.IsScratch()) continue;
      const sim::RegisterRead held = Unit(address)->ReadRegister(row.address);
      if (held.refusal != sim::Refusal::None) continue;  // not on this device
      EXPECT_EQ(row.value.In(load.contents->parameters), held.value) << file << " " << row.address.Text();
    }
    EXPECT_EQ(load.contents->parameters.slowUpTime, Int(11 * address)) << file;
  }

  fs::path cli_;
  TempFolder folder_;
  FakeClock simClock_;
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators_;
  std::unique_ptr<sim::SimServer> server_;
};

TEST_F(BusCliTest, ReadSavesAFilePerUnitNamesTheSilentOneAndKeepsALogSectionEach) {
  StartMixedBus();
  const ToolRun run = Run("read", {"--address", "1-3", "--output", Path("unit-{address}.klv").string()});

  EXPECT_EQ(run.status, 1) << run.err;
  ExpectFileHolds(Path("unit-1.klv"), 1);
  ExpectFileHolds(Path("unit-3.klv"), 3);
  EXPECT_FALSE(fs::exists(Path("unit-2.klv")));
  EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(Address +Model +Result\n1 +KLV40 +succeeded\n)"
                                                    R"(2 +- +failed \(no-reply\)\n3 +KLV30E +succeeded\n$)")))
      << run.out;
  EXPECT_NE(run.out.find("Unit at address 3:\n--- KLV30E Parameter reading complete ---\n"), std::string::npos);
  EXPECT_NE(run.err.find("Units that did not succeed: 2\n"), std::string::npos) << run.err;

  // One section per unit, in order, each holding the frames to its own address only.
  std::vector<std::string> headings;
  for (const std::string& line : SplitLines(CommLog())) {
    if (line.starts_with("=== ")) headings.push_back(line);
    if (const std::size_t at = line.find("PC->KLV: (STX)"); at != std::string::npos) {
      ASSERT_FALSE(headings.empty());
      EXPECT_EQ(headings.back(), "=== Unit at address " + std::to_string(std::stoi(line.substr(at + 14, 2))) + " ===");
    }
  }
  EXPECT_EQ(headings, (std::vector<std::string>{"=== Unit at address 1 ===", "=== Unit at address 2 ===",
                                                "=== Unit at address 3 ==="}));
}

TEST_F(BusCliTest, JsonSummaryAndStopOnFailure) {
  StartMixedBus();
  struct Case {
    std::vector<std::string> extra;
    std::string third;  // unit 3's entry
    bool thirdFile;
  };
  const std::vector<Case> cases = {
      {{}, R"(\{"address": 3, "model": "KLV30E", "result": "ok", "file": "[^"]*unit-3\.klv", "message": "--- KLV30E Parameter reading complete ---"\})", true},
      {{"--stop-on-failure"}, R"(\{"address": 3, "model": null, "result": "not-tried", "file": "", "message": ""\})", false},
  };
  for (const Case& c : cases) {
    fs::remove(Path("unit-3.klv"));
    const uint64_t exchangesBefore = Unit(3)->ExchangeCount();
    std::vector<std::string> args = {"--address", "1,2,3", "--json", "--output", Path("unit-{address}.klv").string()};
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const ToolRun run = Run("read", args);
    EXPECT_EQ(run.status, 1) << run.err;
    const std::string first = R"(\[\n  \{"address": 1, "model": "KLV40", "result": "ok", "file": "[^"]*unit-1\.klv", )"
                              R"("message": "--- KLV40 Parameter reading complete ---"\},\n)";
    const std::string second = R"(  \{"address": 2, "model": null, "result": "no-reply", "file": "[^"]*unit-2\.klv", )"
                               R"("message": "KLV40 Parameter reading failure\\nNo reply from address 2 [^"]*"\},\n)";
    EXPECT_TRUE(std::regex_match(run.out, std::regex(first + second + "  " + c.third + "\n\\]\n"))) << run.out;
    EXPECT_EQ(fs::exists(Path("unit-3.klv")), c.thirdFile);
    EXPECT_EQ(Unit(3)->ExchangeCount() > exchangesBefore, c.thirdFile);
  }
}

TEST_F(BusCliTest, WriteSendsOneFileToEveryUnitOrAFilePerUnit) {
  // Three KLV30 units, the second silent: the one file goes to the others.
  StartBus({"--address", "1-3", "--model", "KLV30", "--silent-address", "2"});
  ParameterSet set = Unit(1)->Parameters();
  set.optionDetect = kOptionCurrentDetection;  // as the units have it
  set.slowUpTime = 77;
  ASSERT_TRUE(WriteParameterFile(Path("same.klv"), set, ModelKind::Klv30).ok);
  const int16_t before = Unit(2)->Parameters().slowUpTime;
  const ToolRun same = Run("write", {"--address", "1-3", Path("same.klv").string()});
  EXPECT_EQ(same.status, 1) << same.err;
  EXPECT_EQ(Unit(1)->Parameters().slowUpTime, 77);
  EXPECT_EQ(Unit(2)->Parameters().slowUpTime, before);
  EXPECT_EQ(Unit(3)->Parameters().slowUpTime, 77);
  EXPECT_NE(same.err.find("Units that did not succeed: 2\n"), std::string::npos) << same.err;

  // Units 1 and 3 with {address}: each gets its own file, verified.
  for (const int address : {1, 3}) {
    ParameterSet own = Unit(address)->Parameters();
    own.optionDetect = kOptionCurrentDetection;
    own.slowUpTime = static_cast<int16_t>(50 + address);
    ASSERT_TRUE(WriteParameterFile(Path("own-" + std::to_string(address) + ".klv"), own, ModelKind::Klv30).ok);
  }
  const ToolRun own = Run("write", {"--address", "3,1", "--verify", Path("own-{address}.klv").string()});
  EXPECT_EQ(own.status, 0) << own.err;
  EXPECT_EQ(Unit(1)->Parameters().slowUpTime, 51);
  EXPECT_EQ(Unit(3)->Parameters().slowUpTime, 53);
  EXPECT_TRUE(std::regex_search(own.out, std::regex(R"(3 +KLV30 +succeeded\n1 +KLV30 +succeeded\n$)"))) << own.out;
}

TEST_F(BusCliTest, CompareNamesTheUnitThatDiffersAndTheOneThatIsSilent) {
  StartBus({"--address", "1-3", "--model", "KLV40", "--silent-address", "2"});
  Unit(3)->Preset(Register{0x012C}, 66);
  ASSERT_TRUE(WriteParameterFile(Path("line.klv"), Unit(1)->Parameters(), ModelKind::Klv40).ok);
  const ToolRun run = Run("compare", {"--address", "1-3", "--json", Path("line.klv").string()});
  EXPECT_EQ(run.status, 1) << run.err;
  const std::vector<std::pair<int, std::string>> results = {{1, "ok"}, {2, "no-reply"}, {3, "differs"}};
  for (const auto& [address, result] : results) {
    EXPECT_TRUE(std::regex_search(run.out, std::regex(R"(\{"address": )" + std::to_string(address) +
                                                      R"(, "model": [^,]*, "result": ")" + result + "\"")))
        << address << run.out;
  }
  EXPECT_NE(run.out.find("012C"), std::string::npos) << "the difference is in unit 3's message";

  // With {address} each unit is compared with its own file.
  for (const int address : {1, 3}) {
    ASSERT_TRUE(WriteParameterFile(Path("own-" + std::to_string(address) + ".klv"), Unit(address)->Parameters(),
                                   ModelKind::Klv40)
                    .ok);
  }
  const ToolRun own = Run("compare", {"--address", "3,1", Path("own-{address}.klv").string()});
  EXPECT_EQ(own.status, 0) << own.err;
  EXPECT_TRUE(std::regex_search(own.out, std::regex(R"(3 +KLV40 +succeeded\n1 +KLV40 +succeeded\n$)"))) << own.out;
}

TEST_F(BusCliTest, ReportMakesAPdfPerUnitOrOneWithAPagePerUnit) {
#ifndef KLV_CLI_REPORT
  GTEST_SKIP() << "this build's klv-loader-cli has no PDF report (built without Qt)";
#endif
  StartMixedBus();
  const ToolRun perUnit = Run("report", {"--address", "1-3", "--output", Path("report-{address}.pdf").string()});
  EXPECT_EQ(perUnit.status, 1) << perUnit.err;
  EXPECT_FALSE(fs::exists(Path("report-2.pdf")));
  for (const auto& [address, model] : std::vector<std::pair<int, std::string>>{{1, "KLV40"}, {3, "KLV30E"}}) {
    const std::optional<std::string> text = PdfText(Path("report-" + std::to_string(address) + ".pdf"));
    ASSERT_TRUE(text) << address;
    EXPECT_NE(text->find(model), std::string::npos) << address;
    EXPECT_NE(text->find("unit at address " + std::to_string(address)), std::string::npos) << *text;
  }

  const ToolRun one = Run("report", {"--address", "1,3", "--output", Path("line.pdf").string(), "--note", "cabinet 4"});
  EXPECT_EQ(one.status, 0) << one.err;
  const std::optional<std::string> text = PdfText(Path("line.pdf"));
  ASSERT_TRUE(text);
  const std::size_t third = text->find("unit at address 3");
  ASSERT_NE(third, std::string::npos) << *text;
  // Unit 3's page comes after a page break, unit 1's before it.
  const std::size_t firstPageEnd = text->find('\f');
  EXPECT_LT(text->find("unit at address 1"), firstPageEnd);
  EXPECT_GT(third, firstPageEnd);
  EXPECT_NE(text->find("KLV30E", firstPageEnd), std::string::npos);
}

TEST_F(BusCliTest, ReadOfSeveralUnitsNeedsAddressInTheOutputName) {
  StartMixedBus();
  const ToolRun run = Run("read", {"--address", "1-3", "--output", Path("all.klv").string()});
  EXPECT_EQ(run.status, 2);
  EXPECT_NE(run.err.find("{address}"), std::string::npos) << run.err;
  EXPECT_EQ(Unit(1)->ExchangeCount(), 0u);
}

}  // namespace
}  // namespace klv::testing
