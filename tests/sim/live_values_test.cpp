// Live values 0100-010B: they move with the regulator's clock, follow the
// control input through the ramp and the slow-up/slow-down times, and stay
// within what the ratings allow.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <set>

#include "sim/simulated_regulator.h"
#include "support/fake_clock.h"

namespace klv::sim {
namespace {

using namespace std::chrono_literals;
using klv::testing::FakeClock;

class SimLiveValuesTest : public ::testing::Test {
 protected:
  SimConfig Klv40(int16_t mode = 4) {
    SimConfig config;
    config.model = ModelKind::Klv40;
    config.options = 15;
    config.controlMode = mode;
    return config;
  }
  int16_t Read(SimulatedRegulator& device, uint16_t reg) {
    const RegisterRead read = device.ReadRegister(Register{reg});
    EXPECT_EQ(read.refusal, Refusal::None) << std::hex << reg;
    return read.value;
  }
  FakeClock clock_;
};

TEST_F(SimLiveValuesTest, OutputFollowsTheInputThroughSlowUpAndSlowDown) {
  SimConfig config = Klv40();
  config.controlInput = 0;
  SimulatedRegulator device(config, clock_);
  ASSERT_EQ(device.Preset(Register{0x012C}, 100), Refusal::None);  // 10 s for a full rise
  ASSERT_EQ(device.Preset(Register{0x012D}, 50), Refusal::None);   // 5 s for a full fall
  EXPECT_EQ(Read(device, 0x0100), 0);

  device.SetControlInput(1000);
  clock_.Advance(5s);
  EXPECT_NEAR(Read(device, 0x0100), 500, 5);
  clock_.Advance(5s);
  EXPECT_EQ(Read(device, 0x0100), 1000);
  clock_.Advance(1s);
  EXPECT_EQ(Read(device, 0x0100), 1000);

  device.SetControlInput(0);
  clock_.Advance(2500ms);
  EXPECT_NEAR(Read(device, 0x0100), 500, 5);
  clock_.Advance(3s);
  EXPECT_EQ(Read(device, 0x0100), 0);
}

TEST_F(SimLiveValuesTest, RampLimitsMapTheInputOntoTheOutput) {
  SimConfig config = Klv40();
  SimulatedRegulator device(config, clock_);
  ASSERT_EQ(device.Preset(Register{0x012C}, 0), Refusal::None);  // no slow-up: the output jumps
  ASSERT_EQ(device.Preset(Register{0x012D}, 0), Refusal::None);
  ASSERT_EQ(device.Preset(Register{0x012A}, 200), Refusal::None);
  ASSERT_EQ(device.Preset(Register{0x011F}, 800), Refusal::None);
  for (const auto& [input, output] : {std::pair{0, 200}, {500, 500}, {1000, 800}, {1500, 800}, {-20, 200}}) {
    device.SetControlInput(static_cast<int16_t>(input));
    clock_.Advance(100ms);
    EXPECT_EQ(Read(device, 0x0100), output) << "input " << input;
    EXPECT_EQ(Read(device, 0x0104), input);
  }
  // The upper limit from VR2 (500) and a current limiter of 30 %.
  ASSERT_EQ(device.Preset(Register{0x012B}, -2), Refusal::None);
  device.SetControlInput(1000);
  clock_.Advance(100ms);
  EXPECT_EQ(Read(device, 0x0100), 500);
  ASSERT_EQ(device.Preset(Register{0x012E}, 30), Refusal::None);
  clock_.Advance(100ms);
  EXPECT_EQ(Read(device, 0x0100), 300);
}

TEST_F(SimLiveValuesTest, OutputIsInTheUnitOfTheControlMode) {
  struct Case {
    int16_t mode;
    int16_t full;  // 0100 at full output with 20 A and 100 V
  } cases[] = {{0, 100}, {1, 200}, {2, 20000}, {3, 1000}, {6, 1000}};
  for (const Case& c : cases) {
    SimConfig config = Klv40(c.mode);
    config.controlInput = 1000;
    SimulatedRegulator device(config, clock_);
    EXPECT_EQ(Read(device, 0x0100), c.full) << "mode " << c.mode;
    EXPECT_EQ(Read(device, 0x0101), 100);
    EXPECT_EQ(Read(device, 0x0102), 200);
    EXPECT_EQ(Read(device, 0x0103), 20000);
  }
}

TEST_F(SimLiveValuesTest, FreeRunningValuesMoveAndStayPlausible) {
  SimulatedRegulator device(Klv40(), clock_);
  std::set<int16_t> inputs;
  std::set<int16_t> al1;
  std::set<int16_t> di1;
  std::set<int16_t> analogIn;
  for (int step = 0; step < 480; ++step) {  // two minutes in 250 ms steps
    clock_.Advance(250ms);
    const int16_t input = Read(device, 0x0104);
    const int16_t output = Read(device, 0x0100);
    inputs.insert(input);
    EXPECT_GE(input, 50);
    EXPECT_LE(input, 950);
    EXPECT_GE(output, 0);
    EXPECT_LE(output, 1000);
    // Defaults: ramp 0..100 %, slow-up 1 s, so the output stays close behind.
    EXPECT_LE(std::abs(output - input), 60);
    const int16_t voltage = Read(device, 0x0101);
    const int16_t current = Read(device, 0x0102);
    EXPECT_GE(voltage, 0);
    EXPECT_LE(voltage, 100);
    EXPECT_GE(current, 0);
    EXPECT_LE(current, 200);
    EXPECT_NEAR(current, 2 * voltage, 2);
    const int16_t lamps = Read(device, 0x0108);
    EXPECT_EQ(lamps & ~0x0F, 0);
    al1.insert(static_cast<int16_t>(lamps & 1));
    const int16_t inputsBits = Read(device, 0x0109);
    EXPECT_EQ(inputsBits & ~0x07, 0);
    di1.insert(static_cast<int16_t>(inputsBits & 1));
    const int16_t analog = Read(device, 0x010A);
    EXPECT_GE(analog, 0);
    EXPECT_LE(analog, 1000);
    analogIn.insert(analog);
    const int16_t analogOut = Read(device, 0x010B);
    EXPECT_GE(analogOut, 0);
    EXPECT_LE(analogOut, 1000);
  }
  EXPECT_GT(inputs.size(), 100u);
  EXPECT_GT(analogIn.size(), 100u);
  EXPECT_EQ(al1.size(), 2u);
  EXPECT_EQ(di1.size(), 2u);
}

TEST_F(SimLiveValuesTest, ValuesDoNotMoveWithoutTime) {
  SimulatedRegulator device(Klv40(), clock_);
  clock_.Advance(7s);
  const int16_t input = Read(device, 0x0104);
  const int16_t output = Read(device, 0x0100);
  EXPECT_EQ(Read(device, 0x0104), input);
  EXPECT_EQ(Read(device, 0x0100), output);
}

TEST_F(SimLiveValuesTest, RegistersFollowTheMonitorCatalogue) {
  SimConfig klv30;
  klv30.model = ModelKind::Klv30;
  SimulatedRegulator one(klv30, clock_);
  for (uint16_t reg : {0x0101, 0x0103, 0x0109, 0x010A, 0x010B}) {
    EXPECT_EQ(one.ReadRegister(Register{reg}).refusal, Refusal::NoSuchRegister) << std::hex << reg;
  }
  for (uint16_t reg : {0x0100, 0x0102, 0x0104, 0x0105, 0x0106, 0x0107, 0x0108}) {
    EXPECT_EQ(one.ReadRegister(Register{reg}).refusal, Refusal::None) << std::hex << reg;
  }

  SimConfig klv30e;
  klv30e.model = ModelKind::Klv30E;
  SimulatedRegulator e(klv30e, clock_);
  EXPECT_EQ(e.ReadRegister(Register{0x0109}).refusal, Refusal::None);

  SimConfig analogOutputOnly = Klv40();
  analogOutputOnly.options = kOptionAnalogOutput;
  SimulatedRegulator k(analogOutputOnly, clock_);
  EXPECT_EQ(k.ReadRegister(Register{0x010A}).refusal, Refusal::NoSuchRegister);
  EXPECT_EQ(k.ReadRegister(Register{0x010B}).refusal, Refusal::None);
}

}  // namespace
}  // namespace klv::sim
