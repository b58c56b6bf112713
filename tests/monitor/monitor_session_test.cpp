// The monitor's sequence against the simulated regulator in the same
// process, on a fake clock: identification with its readings and receive
// sizes, the polling order per model and options, the 200 ms period, the
// hand-over to the graph, stopping, closing, and the data record driven by
// the ticks.
#include "monitor/monitor_session.h"
#include "platform/file_store.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "monitor/monitor_rig.h"
#include "serial/exchange_rig.h"
#include "support/scripted_port.h"

namespace klv {
namespace {

using std::chrono::milliseconds;
using testing::SimulatedMonitor;

using Registers = std::vector<std::string>;

sim::SimConfig Klv40(uint16_t options = 0, int16_t mode = 4) {
  sim::SimConfig config;
  config.model = ModelKind::Klv40;
  config.options = options;
  config.controlMode = mode;
  return config;
}

sim::SimConfig OneSeries(ModelKind model) {
  sim::SimConfig config;
  config.model = model;
  return config;
}

TEST(MonitorIdentification, Klv40ReadsModeClampOptionsAndRatings) {
  sim::SimConfig config = Klv40(kOptionAnalogInput | kOptionAnalogOutput, 1);
  config.register0114 = 91;
  config.ratedCurrent = 30;
  config.ratedVoltage = 200;
  SimulatedMonitor monitor(config);
  monitor.regulator_.Preset(Register{0x013D}, 5);  // "Potential": the input is clamped
  TrendHistory trend;
  monitor.session_.SetTrend(&trend);
  ASSERT_TRUE(monitor.Start());

  EXPECT_EQ(monitor.record_.registers,
            (Registers{"0110", "0112", "013D", "0116", "0117", "0118", "0119", "0114", "013C", "0115"}));
  EXPECT_EQ(monitor.record_.wanted, (std::vector<std::size_t>{90, 90, 90, 90, 90, 90, 90, 16, 16, 16}));
  const MonitorSession& session = monitor.session_;
  EXPECT_EQ(session.LastIdentification(), MonitorIdentification::Klv40);
  EXPECT_EQ(session.Display().title, "Monitor - KLV40 - C-FB");
  EXPECT_EQ(session.Display().outputCaption, "output ( A )");
  EXPECT_EQ(session.Display().alarmRowCaption, "AL/DO output");
  EXPECT_EQ(session.OptionBits(), kOptionAnalogInput | kOptionAnalogOutput);
  EXPECT_EQ(session.Scale().controlMode, 1);
  EXPECT_TRUE(session.Scale().inputClamp);
  EXPECT_EQ(session.Scale().ratingCode, 91);
  EXPECT_EQ(session.Scale().ratedVoltage, 200);
  EXPECT_EQ(session.Scale().ratedCurrent, 30);
  EXPECT_EQ(trend.ControlMode(), 1);
  EXPECT_EQ(trend.RatedVoltage(), 200);
  EXPECT_EQ(trend.RatedCurrent(), 30);

  // Only ReadOptionInfo's exchanges are in the communication log.
  const std::string_view log = monitor.connection_.log.Text();
  EXPECT_NE(log.find("0116"), std::string_view::npos);
  EXPECT_EQ(log.find("0110"), std::string_view::npos);
  EXPECT_EQ(log.find("0114"), std::string_view::npos);

  // 100 ms after the identification, then ticks every 200 ms.
  EXPECT_EQ(monitor.clock_.Sleeps(), (std::vector<Clock::Duration>{milliseconds(100)}));
  EXPECT_EQ(session.UntilNextTick(), milliseconds(200));
}

TEST(MonitorIdentification, OneSeriesModelsAfterAnErrorReplyTo0110) {
  for (const ModelKind model : {ModelKind::Klv30, ModelKind::Klv30E}) {
    SimulatedMonitor monitor(OneSeries(model));
    ASSERT_TRUE(monitor.Start());
    EXPECT_EQ(monitor.record_.registers, (Registers{"0110", "0119"}));
    const MonitorDisplay& display = monitor.session_.Display();
    const bool e = model == ModelKind::Klv30E;
    EXPECT_EQ(display.title, e ? "Monitor - KLV30E" : "Monitor - KLV30");
    EXPECT_EQ(display.layout, e ? MonitorLayout::Klv30E : MonitorLayout::Klv30);
    EXPECT_EQ(display.alarmRowCaption, "AL output");
    EXPECT_EQ(display.outputCaption, "output ( x 0.1% )");
    EXPECT_EQ(monitor.session_.Scale().controlMode, 6);
    for (const int row : {1, 3, 10, 11}) EXPECT_FALSE(display.RowShown(row)) << row;
    EXPECT_EQ(display.RowShown(9), e);
    EXPECT_TRUE(display.LampShown(0));
    EXPECT_EQ(display.LampShown(4), e);
    for (const int lamp : {1, 2, 3, 5, 6}) EXPECT_FALSE(display.LampShown(lamp)) << lamp;
  }
}

TEST(MonitorIdentification, AStopAndAKlv40StartRestoreTheFullLayout) {
  // One window, one line: a KLV30 first, then a KLV40 on the same port.
  testing::FakeClock clock;
  testing::ScriptedDevice device(clock);
  Connection connection(device.Factory());
  connection.settings.protocol = Protocol::Torvalek;
  MonitorSession session(connection, clock, Language::English);

  device.QueueReply(testing::ReadReply("0000", "02"));
  device.QueueReply(testing::ReadReply("3330"));
  ASSERT_TRUE(session.Start(false, {}, {}).started);
  EXPECT_EQ(session.Display().layout, MonitorLayout::Klv30);
  session.Stop();

  for (const char* value : {"0028", "0003", "0000", "0000", "0000", "0000", "0000", "005A", "0064", "0014"}) {
    device.QueueReply(testing::ReadReply(value));
  }
  ASSERT_TRUE(session.Start(false, {}, {}).started);
  const MonitorDisplay& display = session.Display();
  EXPECT_EQ(display.title, "Monitor - KLV40 - VVFB");
  EXPECT_EQ(display.layout, MonitorLayout::Full);
  EXPECT_EQ(display.alarmRowCaption, "AL/DO output");
  EXPECT_EQ(display.outputCaption, "output ( x 0.1% )");
  for (int row = 0; row < kMonitorRowCount; ++row) EXPECT_TRUE(display.RowShown(row)) << row;
  for (int lamp = 0; lamp < kLampCount; ++lamp) EXPECT_TRUE(display.LampShown(lamp)) << lamp;
}

TEST(MonitorIdentification, UnknownCodesAndSilence) {
  testing::FakeClock clock;
  testing::ScriptedDevice device(clock);
  Connection connection(device.Factory());
  connection.settings.protocol = Protocol::Torvalek;
  MonitorSession session(connection, clock, Language::English);

  // Neither register answers: title, model and layout stay as they were.
  device.QueueSilence();
  device.QueueSilence();
  ASSERT_TRUE(session.Start(false, {}, {}).started);
  EXPECT_EQ(session.LastIdentification(), MonitorIdentification::NoAnswer);
  EXPECT_EQ(session.Display().title, "Monitor");
  EXPECT_EQ(session.MonitoredModel(), kMonitorModelKlv40);
  session.Stop();

  // 0110 answers another code: "??", and 0119 is not read.
  device.QueueReply(testing::ReadReply("0000"));
  const std::size_t before = device.Writes().size();
  ASSERT_TRUE(session.Start(false, {}, {}).started);
  EXPECT_EQ(device.Writes().size(), before + 1);
  EXPECT_EQ(session.Display().title, "Monitor - ??");
  EXPECT_EQ(session.MonitoredModel(), kMonitorModelKlv40);
  session.Stop();

  // 0119 answers a code of no known model.
  device.QueueReply(testing::ReadReply("0000", "02"));
  device.QueueReply(testing::ReadReply("1234"));
  ASSERT_TRUE(session.Start(false, {}, {}).started);
  EXPECT_EQ(session.LastIdentification(), MonitorIdentification::OtherCode);
  EXPECT_EQ(session.Display().layout, MonitorLayout::Full);
}

TEST(MonitorIdentification, AKlv40WithoutItsReadingsKeepsTheDefaults) {
  SimulatedMonitor monitor(Klv40());
  sim::FaultPlan faults;
  for (const uint16_t reg : {0x0112, 0x013D, 0x0114, 0x013C, 0x0115}) {
    faults.AddRegisterFault(Register{reg}, {sim::FaultKind::Silent});
  }
  monitor.Faults(faults);
  TrendHistory trend;
  monitor.session_.SetTrend(&trend);
  ASSERT_TRUE(monitor.Start());
  EXPECT_EQ(monitor.session_.Display().title, "Monitor - KLV40 - UNKNOWN");
  EXPECT_EQ(monitor.session_.Display().outputCaption, "Output ( x 0.1% )");  // unchanged
  EXPECT_EQ(monitor.session_.Scale().controlMode, kUnknownControlMode);
  EXPECT_FALSE(monitor.session_.Scale().inputClamp);
  EXPECT_EQ(monitor.session_.Scale().ratingCode, 90);
  EXPECT_EQ(monitor.session_.Scale().ratedVoltage, 100);
  EXPECT_EQ(monitor.session_.Scale().ratedCurrent, 20);
  EXPECT_EQ(trend.ControlMode(), kUnknownControlMode);
}

struct OrderCase {
  const char* what;
  sim::SimConfig config;
  Registers cycle;
};

class PollingOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PollingOrder, OneCycleOfTheRowsThatApply) {
  SimulatedMonitor monitor(GetParam().config);
  ASSERT_TRUE(monitor.Start());
  EXPECT_EQ(monitor.Cycle(), GetParam().cycle);
  // Round-robin: the next cycle starts at the top again.
  EXPECT_EQ(monitor.Cycle(), GetParam().cycle);
}

INSTANTIATE_TEST_SUITE_P(
    Models, PollingOrder,
    ::testing::Values(
        OrderCase{"KLV40, both analog options", Klv40(kOptionAnalogInput | kOptionAnalogOutput),
                  {"0100", "0101", "0102", "0103", "0104", "0105", "0106", "0107", "0108", "0109", "010A", "010B"}},
        OrderCase{"KLV40, no options", Klv40(),
                  {"0100", "0101", "0102", "0103", "0104", "0105", "0106", "0107", "0108", "0109"}},
        OrderCase{"KLV40, alarm 2 and digital outputs", Klv40(kOptionAlarmOutput2 | kOptionDigitalOutput),
                  {"0100", "0101", "0102", "0103", "0104", "0105", "0106", "0107", "0108", "0109"}},
        OrderCase{"KLV40, analog output", Klv40(kOptionAnalogOutput),
                  {"0100", "0101", "0102", "0103", "0104", "0105", "0106", "0107", "0108", "0109", "010B"}},
        OrderCase{"KLV30", OneSeries(ModelKind::Klv30),
                  {"0100", "0102", "0104", "0105", "0106", "0107", "0108"}},
        OrderCase{"KLV30E", OneSeries(ModelKind::Klv30E),
                  {"0100", "0102", "0104", "0105", "0106", "0107", "0108", "0109"}}),
    [](const ::testing::TestParamInfo<OrderCase>& info) { return "Case" + std::to_string(info.index); });

TEST(MonitorPolling, OneRegisterEvery200Ms) {
  SimulatedMonitor monitor(Klv40(), 50);
  ASSERT_TRUE(monitor.Start());
  const std::size_t identificationReads = monitor.record_.wanted.size();
  const Clock::TimePoint first = monitor.clock_.Now() + monitor.session_.UntilNextTick();
  EXPECT_FALSE(monitor.session_.Tick());  // not due yet
  monitor.RunFor(std::chrono::seconds(10));
  const Clock::TimePoint end = monitor.clock_.Now();
  const std::size_t polls = monitor.record_.wanted.size() - identificationReads;
  EXPECT_EQ(polls, 50u);
  // Every poll asks for up to 90 bytes and ends with its 16-byte reply (17 ms
  // on the simulated line).
  for (std::size_t i = identificationReads; i < monitor.record_.wanted.size(); ++i) {
    EXPECT_EQ(monitor.record_.wanted[i], 90u);
  }
  EXPECT_EQ(end - first, milliseconds(49 * 200 + 17));
  EXPECT_EQ(monitor.session_.MergedTicks(), 0);
  const TickPeriods periods = monitor.session_.Periods();
  EXPECT_EQ(periods.intervals, 49);
  EXPECT_DOUBLE_EQ(periods.meanMs, 200.0);
  EXPECT_DOUBLE_EQ(periods.minMs, 200.0);
  EXPECT_DOUBLE_EQ(periods.maxMs, 200.0);
  EXPECT_NEAR(periods.spreadMs, 0.0, 1e-6);
}

TEST(MonitorPolling, ValuesLampsMarkerAndTheGraph) {
  sim::SimConfig config = Klv40(kOptionAlarmOutput2);
  config.controlInput = 400;
  SimulatedMonitor monitor(config);
  TrendHistory trend;
  monitor.session_.SetTrend(&trend);
  ASSERT_TRUE(monitor.Start());
  EXPECT_FALSE(trend.HasNewSample());

  for (int i = 0; i < 4; ++i) monitor.Tick();
  EXPECT_EQ(monitor.session_.Display().markedRow, 3);
  EXPECT_FALSE(trend.HasNewSample());  // posted with the control input only
  const MonitorPoll input = monitor.Tick();
  EXPECT_EQ(input.address, kControlInputRegister);
  EXPECT_EQ(input.text, "400");
  EXPECT_EQ(monitor.session_.LastInputText(), "400");
  ASSERT_TRUE(trend.HasNewSample());
  EXPECT_EQ(trend.LatestInput(), 400);
  EXPECT_EQ(trend.LatestOutput(), TextToValue(monitor.session_.LastOutputText()));
  EXPECT_EQ(monitor.session_.Display().rowTexts[0], monitor.session_.LastOutputText());

  // At the start of the simulation AL1 is on and AL2 off; DI1 to DI3 are on.
  for (int i = 0; i < 5; ++i) monitor.Tick();
  const MonitorDisplay& display = monitor.session_.Display();
  EXPECT_EQ(display.rowTexts[8], "_ _ _ O");
  EXPECT_EQ(display.rowTexts[9], "O O O");
  EXPECT_EQ(display.lamps, (std::array<int, kLampCount>{1, 0, 0, 0, 1, 1, 1}));
  EXPECT_EQ(display.markedRow, 9);

  monitor.session_.Stop();
  EXPECT_FALSE(monitor.session_.Running());
  EXPECT_EQ(monitor.record_.closes, 1);
  EXPECT_EQ(display.markedRow, kNoMarkedRow);
  EXPECT_EQ(display.rowTexts[9], "O O O");  // values stay
  EXPECT_EQ(monitor.clock_.Sleeps().back(), milliseconds(200));
  EXPECT_FALSE(monitor.session_.Tick());
}

TEST(MonitorPolling, ASilentDeviceShowsXxxxEverywhere) {
  SimulatedMonitor monitor(Klv40());
  sim::FaultPlan faults;
  faults.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent});
  monitor.Faults(faults);
  TrendHistory trend;
  monitor.session_.SetTrend(&trend);
  ASSERT_TRUE(monitor.Start());
  EXPECT_EQ(monitor.session_.Display().title, "Monitor");
  monitor.Cycle();
  for (const std::string& text : monitor.session_.Display().rowTexts) EXPECT_EQ(text, "xxxx");
  EXPECT_EQ(monitor.session_.LastOutputText(), "-32768");
  EXPECT_EQ(monitor.session_.LastInputText(), "-32768");
  EXPECT_EQ(trend.LatestInput(), -32768);
  EXPECT_EQ(trend.TakeSample()->input, 0);  // the graph limits it to 0
}

TEST(MonitorPolling, RangeMarksFromTheDevice) {
  SimulatedMonitor monitor(Klv40());
  sim::FaultPlan faults;
  faults.AddRegisterFault(Register{0x0100}, {sim::FaultKind::Under});
  faults.AddRegisterFault(Register{0x0102}, {sim::FaultKind::Under});
  faults.AddRegisterFault(Register{0x0104}, {sim::FaultKind::Over});
  faults.AddRegisterFault(Register{0x0105}, {sim::FaultKind::Error});
  monitor.Faults(faults);
  ASSERT_TRUE(monitor.Start());
  monitor.Cycle();
  const MonitorDisplay& display = monitor.session_.Display();
  EXPECT_EQ(display.rowTexts[0], "LLLL");
  EXPECT_EQ(display.rowTexts[2], "----");
  EXPECT_EQ(display.rowTexts[3], "----");  // the load power blanks with the current
  EXPECT_EQ(display.rowTexts[4], "HHHH");
  EXPECT_EQ(display.rowTexts[5], "xxxx");
  EXPECT_EQ(monitor.session_.LastOutputText(), "-32768");
  EXPECT_EQ(monitor.session_.LastInputText(), "32767");
}

TEST(MonitorPolling, APortThatCannotBeOpenedLeavesTheMonitorIdle) {
  testing::FakeClock clock;
  testing::ScriptedDevice device(clock);
  device.openStatus = {PortStatus::CannotOpen, "/dev/ttyS0: no such device"};
  Connection connection(device.Factory());
  MonitorSession session(connection, clock, Language::English);
  bool asked = false;
  const auto outcome = session.Start(true, "/nonexistent/datalog.csv", [&](std::string_view) { asked = true; });
  EXPECT_FALSE(outcome.started);
  EXPECT_NE(outcome.portMessage.find("Port cannot be used"), std::string::npos);
  EXPECT_FALSE(session.Running());
  EXPECT_FALSE(asked);  // nothing else happened: no record was prepared
  EXPECT_FALSE(session.Recorder().Recording());
  EXPECT_TRUE(device.Writes().empty());
}

TEST(MonitorPolling, ClosingWhileRunningEndsTheRecordAndThePort) {
  testing::MonitorTempFolder folder;
  SimulatedMonitor monitor(Klv40());
  ASSERT_TRUE(monitor.Start(true, folder.Path() / "datalog.csv"));
  monitor.RunFor(std::chrono::seconds(12));
  EXPECT_TRUE(monitor.session_.Recorder().FileOpen());
  monitor.session_.Close();
  EXPECT_FALSE(monitor.session_.Running());
  EXPECT_FALSE(monitor.session_.Recorder().FileOpen());
  EXPECT_FALSE(monitor.connection_.line.IsOpen());
  EXPECT_FALSE(monitor.session_.Tick());
}

// ---- The data record driven by the monitor's ticks -------------------------------

std::vector<std::string> FileLines(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  std::vector<std::string> lines;
  std::string all = text.str();
  for (std::size_t start = 0; start < all.size();) {
    const std::size_t end = all.find("\r\n", start);
    lines.push_back(all.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

TEST(MonitorRecording, TenMinutesAtTenSecondsThroughTheTicks) {
  testing::MonitorTempFolder folder;
  sim::SimConfig config = Klv40();
  config.controlInput = 700;
  SimulatedMonitor monitor(config);
  monitor.connection_.settings.samplingInterval = 10;
  monitor.connection_.settings.recordDuration = 600;
  const std::filesystem::path path = folder.Path() / "datalog.csv";
  ASSERT_TRUE(monitor.Start(true, path));
  EXPECT_EQ(monitor.session_.Recorder().Status(), "10sec-sample 10min-log ");
  monitor.RunFor(std::chrono::seconds(605));
  const DataRecorder& recorder = monitor.session_.Recorder();
  EXPECT_EQ(recorder.RowsWritten(), 60);
  EXPECT_EQ(recorder.Progress(), 1000);
  EXPECT_EQ(recorder.Status(), "Data record complete");
  EXPECT_TRUE(monitor.session_.Running());  // monitoring goes on
  const std::vector<std::string> lines = FileLines(path);
  ASSERT_EQ(lines.size(), 61u);
  EXPECT_EQ(lines[0], "Time, Input, Output");
  EXPECT_EQ(lines[1].substr(8, 5), ",700,");
  EXPECT_TRUE(monitor.messages.empty());
}

TEST(MonitorRecording, ASilentDeviceRecordsTheNoReplyValue) {
  testing::MonitorTempFolder folder;
  SimulatedMonitor monitor(Klv40(), 50);
  // Output and control input never answer; the other rows keep the line
  // from counting as lost (see the reconnect tests for a lost line).
  sim::FaultPlan faults;
  faults.AddRegisterFault(Register{0x0100}, {sim::FaultKind::Silent});
  faults.AddRegisterFault(Register{0x0104}, {sim::FaultKind::Silent});
  monitor.Faults(faults);
  const std::filesystem::path path = folder.Path() / "datalog.csv";
  ASSERT_TRUE(monitor.Start(true, path));
  monitor.RunFor(std::chrono::seconds(25));
  monitor.session_.Stop();
  const std::vector<std::string> lines = FileLines(path);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[1].substr(8), ",-32768,-32768");
  EXPECT_EQ(monitor.session_.Recorder().Status(), "");
  EXPECT_EQ(monitor.session_.Recorder().Progress(), 0);
}

TEST(MonitorRecording, AFileThatCannotBeCreatedIsReportedAndMonitoringGoesOn) {
  SimulatedMonitor monitor(Klv40());
  ASSERT_TRUE(monitor.Start(true, "/nonexistent-folder/datalog.csv"));
  // The system's reason follows on a second line.
  const std::string reason = SaveFileAtomically("/nonexistent-folder/datalog.csv", "x").error;
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(monitor.messages, (std::vector<std::string>{"Log file cannot be created\n(" + reason + ")"}));
  EXPECT_TRUE(monitor.session_.Running());
  EXPECT_EQ(monitor.record_.registers.front(), "0110");  // identification followed
}

}  // namespace
}  // namespace klv
