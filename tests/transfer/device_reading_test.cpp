// Reading the simulated regulator into a set of its own for a comparison.
#include "transfer/device_reading.h"

#include <gtest/gtest.h>

#include "model/register_catalogue.h"
#include "support/cli_tool.h"
#include "transfer/transfer_rig.h"

namespace klv::testing {
namespace {

class DeviceReadingTest : public TransferRig {};

TEST_F(DeviceReadingTest, FillsItsOwnSetAndLeavesTheProgramsAlone) {
  Connect(Device(ModelKind::Klv30E, 0, true));
  device_->Preset(Register{0x012C}, 44);
  // The program's state: a KLV40 screen, and the results of an earlier write.
  LoadDefaults(parameters_, ModelKind::Klv40);
  parameters_.slowUpTime = 7;
  const ParameterSet screenBefore = parameters_;
  state_.writeResult = 9;
  state_.tally.asked = 9;

  DeviceReading reading;
  const TransferCommandOutcome outcome =
      RunDeviceReading(Session(), currentModel_, reading, Language::English, journal_, journal_);

  EXPECT_TRUE(reading.Complete());
  EXPECT_TRUE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text, "--- KLV30E Parameter reading complete ---");
  EXPECT_EQ(reading.model, ModelKind::Klv30E);
  EXPECT_EQ(reading.parameters.slowUpTime, 44);
  EXPECT_EQ(reading.parameters.optionDetect, kOptionCurrentDetection);
  EXPECT_EQ(parameters_, screenBefore);
  EXPECT_EQ(currentModel_, ModelKind::Klv40);
  EXPECT_EQ(state_.writeResult, 9);
  EXPECT_EQ(state_.tally.asked, 9);
  // The read is logged like any other: comlog.txt holds it.
  EXPECT_NE(ReadFile(LogPath()).find(" < Parameter Read >"), std::string::npos);
}

TEST_F(DeviceReadingTest, AnIncompleteReadIsNotComplete) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan silent;
  silent.AddRegisterFault(Register{0x012D}, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  DeviceReading reading;
  const TransferCommandOutcome outcome =
      RunDeviceReading(Session(), ModelKind::Klv40, reading, Language::English, journal_, journal_);
  EXPECT_FALSE(reading.Complete());
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text.rfind("Parameter reading incomplete: ", 0), 0u) << outcome.report.text;
}

}  // namespace
}  // namespace klv::testing
