// klv-loader-cli write --changed-only as a script runs it: a separate
// process with its own data folder, talking to klv-sim on a pseudo-terminal
// in real time.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "support/cli_tool.h"
#include "support/tool_process.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

namespace fs = std::filesystem;

class ChangedOnlyCliTest : public TransferRig {
 protected:
  void SetUp() override {
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
  }

  fs::path DataFolder() const { return folder_.Path() / "data" / "klv-loader"; }

  ToolRun Run(std::vector<std::string> args, const std::string& locale = "C") {
    return RunTool(cli_, std::move(args), folder_.Path(), locale);
  }

  // The parameter file of what the regulator holds now, with changes.
  fs::path FileOfDevice(ModelKind model, uint16_t optionDetect,
                        const std::vector<std::pair<int16_t ParameterSet::*, int16_t>>& changes) {
    ParameterSet set = device_->Parameters();
    set.optionFlags = 0;
    set.optionDetect = optionDetect;
    for (const auto& [slot, value] : changes) set.*slot = value;
    const fs::path file = folder_.Path() / "unit.klv";
    EXPECT_TRUE(WriteParameterFile(file, set, model).ok);
    return file;
  }

  // The registers the last command wrote, as its comm log shows them.
  std::vector<std::string> LoggedWrites() const {
    std::vector<std::string> writes;
    const std::string log = ReadFile(DataFolder() / "comlog.txt");
    const std::regex write(R"(PC->KLV: \(STX\)\d\d\dW(\w{4})\d,(\w{4}))");
    for (auto it = std::sregex_iterator(log.begin(), log.end(), write); it != std::sregex_iterator(); ++it) {
      writes.push_back((*it)[1].str() + "=" + (*it)[2].str());
    }
    return writes;
  }

  void ExpectDeviceHolds(ModelKind model, const fs::path& file) {
    const ParameterFileLoad load = LoadParameterFile(file);
    ASSERT_TRUE(load.contents.has_value());
    const ParameterSet device = device_->Parameters();
    for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
      EXPECT_EQ(row.value.In(device), row.value.In(load.contents->parameters)) << row.address.Text();
    }
  }

  fs::path cli_;
};

TEST_F(ChangedOnlyCliTest, WritesOnlyTheTwoChangedRegistersThenNothingOnceTheRegulatorHoldsTheFile) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  const fs::path file =
      FileOfDevice(ModelKind::Klv30E, 1, {{&ParameterSet::keyLock, 1}, {&ParameterSet::slowDownTime, 25}});
  const std::vector<std::string> args = {"write", "--changed-only", "--port", device_->Path(), "--timeout", "200",
                                         file.string()};

  const ToolRun changed = Run(args);
  ASSERT_EQ(changed.status, 0) << changed.err;
  EXPECT_EQ(changed.out,
            "--- KLV30E Parameter writing complete ---\nChanged values written: 2 registers (0120, 012D)\n");
  EXPECT_EQ(LoggedWrites(), (std::vector<std::string>{"0120=0001", "012D=0019"}));
  // The read is in the same log, before the writes.
  EXPECT_NE(ReadFile(DataFolder() / "comlog.txt").find("1. PC->KLV: " + LoggedFrame("011R01100")), std::string::npos);
  ExpectDeviceHolds(ModelKind::Klv30E, file);

  const ToolRun again = Run(args);
  EXPECT_EQ(again.status, 0) << again.err;
  EXPECT_EQ(again.out, "Nothing to write: the regulator already holds these values\n");
  EXPECT_TRUE(LoggedWrites().empty());

#ifdef KLV_CLI_REPORT
  // The read found every value in place: that is what the unit's report records.
  const fs::path report = folder_.Path() / "unit.pdf";
  const ToolRun reported = Run({"write", "--changed-only", "--verify", "--report", report.string(), "--port",
                                device_->Path(), "--timeout", "200", file.string()});
  EXPECT_EQ(reported.status, 0) << reported.err;
  EXPECT_EQ(ReadFile(report).substr(0, 5), "%PDF-");
#endif

  const ToolRun japanese = Run(args, "ja_JP.UTF-8");
  EXPECT_EQ(japanese.status, 0) << japanese.err;
  EXPECT_EQ(japanese.out, "書き込む値はありません：調整器はすでにこれらの値を保持しています\n");
}

// --set and an echoing adapter: the values given replace the file's, and
// only what then differs is written, through the echo.
TEST_F(ChangedOnlyCliTest, WorksWithSetValuesOverAnEchoingAdapter) {
  Connect(Device(ModelKind::Klv30, 0, true));
  device_->LocalEcho(true);
  const fs::path file = FileOfDevice(ModelKind::Klv30, 1, {});
  const std::string bytes = ReadFile(file);

  const ToolRun run = Run({"write", "--changed-only", "--echo", "--set", "heaterBreakCurrent=40", "--verify",
                           "--port", device_->Path(), "--timeout", "200", file.string()});

  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(LoggedWrites(), (std::vector<std::string>{"012F=0028"}));
  EXPECT_EQ(device_->Parameters().heaterBreakCurrent, 40);
  EXPECT_NE(run.out.find("Verified: all 1 registers read back equal"), std::string::npos) << run.out;
  EXPECT_EQ(ReadFile(file), bytes);
}

TEST_F(ChangedOnlyCliTest, ASilentRegulatorGetsNoWriteAndTheReadFailureIsSaid) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  const fs::path file = FileOfDevice(ModelKind::Klv30E, 1, {{&ParameterSet::keyLock, 1}});
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);

  const ToolRun run = Run({"write", "--changed-only", "--port", device_->Path(), "--timeout", "200", file.string()});

  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err.rfind("klv-loader-cli: KLV30E Parameter reading failure\n", 0), 0u) << run.err;
  EXPECT_TRUE(LoggedWrites().empty());
  EXPECT_EQ(device_->Parameters().keyLock, 0);
}

}  // namespace
}  // namespace klv::testing
