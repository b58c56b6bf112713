// Several regulators on one line, read one after another over one open port.
#include "transfer/bus_run.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <tuple>

#include "sim/sim_server.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

class BusRunTest : public TransferRig {
 protected:
  // Regulators of the models at addresses 1, 2, 3 on one pseudo-terminal;
  // the one at silentAddress never answers.
  void ConnectBus(std::vector<ModelKind> models, int silentAddress) {
    for (std::size_t i = 0; i < models.size(); ++i) {
      sim::SimConfig config = Device(models[i]);
      config.deviceAddress = static_cast<int>(i) + 1;
      regulators_.push_back(std::make_unique<sim::SimulatedRegulator>(config, simClock_));
      if (config.deviceAddress == silentAddress) {
        sim::FaultPlan silence;
        silence.AddRegisterFault(std::nullopt, sim::Fault{sim::FaultKind::Silent, {}});
        regulators_.back()->SetFaultPlan(silence);
      }
    }
    server_ = std::make_unique<sim::SimServer>(*regulators_.front());
    for (std::size_t i = 1; i < regulators_.size(); ++i) ASSERT_TRUE(server_->AddRegulator(*regulators_[i]));
    std::string error;
    ASSERT_TRUE(server_->OpenPseudoTerminal(error)) << error;
    ASSERT_TRUE(server_->Start());
    const SerialPortFactory device = DevicePathPortFactory(server_->Path());
    ports_ = [this, device] {
      ++opens_;
      return device();
    };
  }

  // One unit: the read a lone regulator gets, over the port kept open.
  BusUnitResult ReadUnit() {
    TransferSession session = Session();
    session.portStaysOpen = true;
    currentModel_ = ModelKind::Klv40;
    const TransferCommandOutcome outcome = RunReadCommand(session, Language::English, journal_, journal_);
    BusUnitResult unit;
    unit.status = outcome.report.succeeded ? BusUnitStatus::Succeeded : BusUnitStatus::Failed;
    unit.result = outcome.report.succeeded ? "ok" : "failed";
    unit.stopsBus = !outcome.open.ok;
    if (outcome.report.succeeded) unit.model = currentModel_;
    return unit;
  }

  BusRunResult ReadBus(const std::vector<int32_t>& addresses, bool stopOnFailure) {
    return RunOnBus(connection_, addresses, stopOnFailure, [this](int32_t) { return ReadUnit(); });
  }

  FakeClock simClock_;
  std::vector<std::unique_ptr<sim::SimulatedRegulator>> regulators_;
  std::unique_ptr<sim::SimServer> server_;
  int opens_ = 0;
};

TEST_F(BusRunTest, EachUnitInTurnOverOnePortWithALogSectionEach) {
  ConnectBus({ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}, 2);
  connection_.settings.deviceAddress = 9;
  const BusRunResult run = ReadBus({3, 2, 1}, false);

  ASSERT_EQ(run.units.size(), 3u);
  const std::vector<std::tuple<int32_t, BusUnitStatus, std::optional<ModelKind>>> expected = {
      {3, BusUnitStatus::Succeeded, ModelKind::Klv30E},
      {2, BusUnitStatus::Failed, std::nullopt},
      {1, BusUnitStatus::Succeeded, ModelKind::Klv40}};
  for (std::size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(std::tie(run.units[i].address, run.units[i].status, run.units[i].model), expected[i]) << i;
  }
  EXPECT_FALSE(run.AllSucceeded());
  EXPECT_EQ(run.Unsuccessful(), std::vector<int32_t>{2});
  EXPECT_EQ(opens_, 1);
  EXPECT_FALSE(connection_.IsOpen());
  EXPECT_EQ(connection_.settings.deviceAddress, 9);

  // Each section holds the frames to its own address only, in the order run.
  std::vector<std::string> sections;
  for (const std::string& line : SplitLines(run.log)) {
    if (line.starts_with("===")) {
      sections.push_back(line);
    } else if (const std::size_t at = line.find("PC->KLV: (STX)"); at != std::string::npos) {
      ASSERT_FALSE(sections.empty());
      const std::string address = line.substr(at + 14, 2);
      EXPECT_EQ("=== Unit at address " + std::to_string(std::stoi(address)) + " ===", sections.back()) << line;
    }
  }
  EXPECT_EQ(sections, (std::vector<std::string>{"=== Unit at address 3 ===", "=== Unit at address 2 ===",
                                                "=== Unit at address 1 ==="}));

  ASSERT_EQ(SaveBusCommLog(run, LogPath(), kParameterReadTitle, connection_, journal_).status,
            CommLogSave::Status::Saved);
  std::ifstream file(LogPath(), std::ios::binary);
  const std::string saved{std::istreambuf_iterator<char>(file), {}};
  EXPECT_NE(saved.find(kParameterReadTitle), std::string::npos);
  EXPECT_TRUE(saved.ends_with(run.log));
}

TEST_F(BusRunTest, StopOnFailureLeavesTheRestNotTriedAndUnlogged) {
  ConnectBus({ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}, 2);
  const BusRunResult run = ReadBus({1, 2, 3}, true);
  ASSERT_EQ(run.units.size(), 3u);
  EXPECT_EQ(run.units[0].status, BusUnitStatus::Succeeded);
  EXPECT_EQ(run.units[1].status, BusUnitStatus::Failed);
  EXPECT_EQ(run.units[2].status, BusUnitStatus::NotTried);
  EXPECT_EQ(run.units[2].result, "not-tried");
  EXPECT_EQ(run.NotTried(), std::vector<int32_t>{3});
  EXPECT_EQ(run.Unsuccessful(), (std::vector<int32_t>{2, 3}));
  EXPECT_EQ(run.log.find("address 3"), std::string::npos);
  EXPECT_EQ(regulators_[2]->ExchangeCount(), 0u);
}

TEST_F(BusRunTest, APortThatCannotOpenStopsTheBusAndWritesNoLog) {
  // No device: every opening fails.
  const BusRunResult run = ReadBus({1, 2}, false);
  ASSERT_EQ(run.units.size(), 2u);
  EXPECT_EQ(run.units[0].status, BusUnitStatus::Failed);
  EXPECT_EQ(run.units[1].status, BusUnitStatus::NotTried);
  EXPECT_EQ(SaveBusCommLog(run, LogPath(), kParameterReadTitle, connection_, journal_).status,
            CommLogSave::Status::NothingToSave);
  EXPECT_FALSE(std::filesystem::exists(LogPath()));
}

}  // namespace
}  // namespace klv::testing
