// Reading from the simulated regulator over a pseudo-terminal, with the
// pauses on a fake clock.
#include "transfer/read_transfer.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <sstream>

#include "model/register_catalogue.h"
#include "transfer/transfer_rig.h"
#include "transfer/write_refusal_messages.h"

namespace klv::testing {
namespace {

using std::chrono::milliseconds;

struct Row {
  const char* address;
  uint16_t mask;
};

// The catalogues in transfer order with their option masks, as the
// regulators' register tables give them.
constexpr std::array<Row, 27> kKlv40Rows = {{
    {"0120", 0}, {"0122", 0}, {"0123", 0}, {"0124", 0}, {"0125", 0}, {"0126", 0}, {"0127", 0},
    {"0128", 4}, {"0129", 4}, {"012A", 0}, {"012B", 0}, {"011F", 0}, {"012C", 0}, {"012D", 0},
    {"012E", 0}, {"012F", 0}, {"0130", 0}, {"0131", 0}, {"0132", 0}, {"0133", 0}, {"0134", 0},
    {"0135", 1}, {"0136", 8}, {"0137", 8}, {"0138", 8}, {"013D", 0}, {"013F", 0},
}};
constexpr std::array<Row, 13> kKlv30Rows = {{
    {"0120", 0}, {"0123", 1}, {"0124", 1}, {"0125", 1}, {"0127", 1}, {"012A", 0}, {"012B", 0},
    {"011F", 0}, {"012C", 0}, {"012E", 1}, {"012F", 1}, {"013D", 0}, {"013F", 0},
}};
constexpr std::array<Row, 15> kKlv30ERows = {{
    {"0120", 0}, {"0123", 1}, {"0124", 1}, {"0125", 1}, {"0127", 1}, {"0128", 0}, {"0129", 0}, {"012A", 0},
    {"012B", 0}, {"011F", 0}, {"012C", 0}, {"012D", 0}, {"012E", 1}, {"012F", 1}, {"013F", 0},
}};

std::vector<Row> RowsOf(ModelKind model) {
  switch (model) {
    case ModelKind::Klv40: return {kKlv40Rows.begin(), kKlv40Rows.end()};
    case ModelKind::Klv30: return {kKlv30Rows.begin(), kKlv30Rows.end()};
    case ModelKind::Klv30E: break;
  }
  return {kKlv30ERows.begin(), kKlv30ERows.end()};
}

std::vector<std::string> PresentRows(ModelKind model, uint16_t options) {
  std::vector<std::string> rows;
  for (const Row& row : RowsOf(model)) {
    if (row.mask == 0 || (row.mask & options) != 0) rows.emplace_back(row.address);
  }
  return rows;
}

std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

class ReadTransferTest : public TransferRig {};

// --- The worked KLV40 example: options 12, one row not present ----------------

TEST_F(ReadTransferTest, Klv40ReadFillsTheSetAndLogsEveryFrameInOrder) {
  Connect(Device(ModelKind::Klv40, kOptionDigitalOutput | kOptionAnalogOutput));
  struct Preset {
    uint16_t reg;
    int16_t value;
    const char* hex;
  };
  // 0135 (analog input) is absent on this device and keeps its default.
  const std::vector<Preset> presets = {
      {0x0120, 1, "0001"},    {0x0122, 2, "0002"},   {0x0123, 1, "0001"},   {0x0124, 2, "0002"},
      {0x0125, 1, "0001"},    {0x0126, 2, "0002"},   {0x0127, 1, "0001"},   {0x0128, 3, "0003"},
      {0x0129, 2, "0002"},    {0x012A, -2, "FFFE"},  {0x012B, -1, "FFFF"},  {0x011F, 750, "02EE"},
      {0x012C, 25, "0019"},   {0x012D, 999, "03E7"}, {0x012E, -3, "FFFD"},  {0x012F, 40, "0028"},
      {0x0130, 2, "0002"},    {0x0131, 1, "0001"},   {0x0132, 1, "0001"},   {0x0133, 800, "0320"},
      {0x0134, 55, "0037"},   {0x0136, 1, "0001"},   {0x0137, 100, "0064"}, {0x0138, 900, "0384"},
      {0x013D, 3, "0003"},    {0x013F, 0, "0000"},
  };
  for (const Preset& p : presets) device_->Preset(Register{p.reg}, p.value);
  parameters_.keyLock = 77;  // the command's defaults replace it before the read

  const TransferCommandOutcome outcome = Read();

  ASSERT_TRUE(outcome.open.ok) << outcome.open.message;
  EXPECT_EQ(outcome.result.count, 26);
  EXPECT_EQ(state_.readResult, 26);
  EXPECT_EQ(outcome.report.text, "--- KLV40 Parameter reading complete ---");
  EXPECT_EQ(currentModel_, ModelKind::Klv40);

  ParameterSet expected;
  expected.keyLock = 1;
  expected.fuseMeltedAlarm = 2;
  expected.powerSupplyErrorAlarm = 1;
  expected.currentErrorAlarm = 2;
  expected.hardwareErrorAlarm = 1;
  expected.temperatureErrorAlarm = 2;
  expected.heaterBreakAlarm = 1;
  expected.do1Setting = 3;
  expected.do2Setting = 2;
  expected.rampLowerLimit = -2;  // FFFE
  expected.rampUpperSelection = -1;
  expected.rampUpperSetting = 750;
  expected.slowUpTime = 25;
  expected.slowDownTime = 999;
  expected.currentLimiter = -3;
  expected.heaterBreakCurrent = 40;
  expected.di1Setting = 2;
  expected.di2Setting = 1;
  expected.di3Setting = 1;
  expected.bootLimiter = 800;
  expected.bootLimiterTime = 55;
  expected.analogInputSetting = 0;  // not requested: the default
  expected.analogOutputSetting = 1;
  expected.scaleLow = 100;
  expected.scaleHigh = 900;
  expected.controlInputRange = 3;
  expected.powerDipHandling = 0;
  expected.optionFlags = 12;
  expected.optionDetect = 0;
  EXPECT_EQ(parameters_, expected);

  std::vector<std::string> lines = {"12/09/26 08:05:03 < Parameter Read > COM1 9600bps", ""};
  const auto exchange = [&lines](int n, const std::string& reg, const std::string& reply) {
    char head[16];
    std::snprintf(head, sizeof head, "%03d. ", n);
    lines.push_back(head + std::string("PC->KLV: ") + LoggedFrame("011R" + reg + "0"));
    std::snprintf(head, sizeof head, "%03d. ", n + 1);
    lines.push_back(head + std::string("KLV->PC: ") + LoggedFrame("011R00," + reply));
    lines.emplace_back();
  };
  exchange(1, "0110", "0028");
  exchange(1, "0116", "0000");  // the option reads number from 1 again
  exchange(3, "0117", "0000");
  exchange(5, "0118", "0001");
  exchange(7, "0119", "0006");
  int n = 3;
  for (const Preset& p : presets) {
    char reg[5];
    std::snprintf(reg, sizeof reg, "%04X", p.reg);
    exchange(n, reg, p.hex);
    n += 2;
  }
  EXPECT_EQ(SplitLines(ReadFile(LogPath())), lines);

  EXPECT_EQ(journal_.statuses, (std::vector<std::string>{"Reading parameter…", "KLV40 Reading parameter…"}));
}

// --- The walk for every model and option word ---------------------------------

struct WalkCase {
  const char* name;
  ModelKind model;
  uint16_t options;  // KLV40 option bits
  bool detect;       // one-series output current detection
};
void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class ReadWalkTest : public TransferRig, public ::testing::WithParamInterface<WalkCase> {};

TEST_P(ReadWalkTest, AsksThePresentRowsWithAPauseBeforeEveryRow) {
  const WalkCase& c = GetParam();
  Connect(Device(c.model, c.options, c.detect));
  // The screen shows another model: the read switches to the device's.
  currentModel_ = c.model == ModelKind::Klv40 ? ModelKind::Klv30 : ModelKind::Klv40;
  parameters_.optionFlags = 15;
  parameters_.optionDetect = 1;

  const TransferCommandOutcome outcome = Read();

  const bool klv40 = c.model == ModelKind::Klv40;
  const uint16_t word = klv40 ? c.options : static_cast<uint16_t>(c.detect ? 1 : 0);
  const std::vector<std::string> walk = PresentRows(c.model, word);
  const std::size_t rows = RowsOf(c.model).size();
  EXPECT_EQ(currentModel_, c.model);
  EXPECT_EQ(outcome.result.count, static_cast<int16_t>(walk.size()));
  EXPECT_EQ(outcome.report.text, "--- " + std::string(ModelName(c.model)) + " Parameter reading complete ---");
  // The device's option word for its family; the other one stays cleared.
  EXPECT_EQ(parameters_.optionFlags, klv40 ? c.options : 0);
  EXPECT_EQ(parameters_.optionDetect, klv40 ? 0 : word);

  // Identification and option exchanges, then the walk numbered on from the
  // identification: 0110 (1, 2) for a KLV40; 0110 and 0119 (1 to 4) otherwise.
  const std::vector<LoggedRequest> requests = Requests();
  const std::vector<std::string> head =
      klv40 ? std::vector<std::string>{"0110", "0116", "0117", "0118", "0119"}
            : std::vector<std::string>{"0110", "0119", "0102"};
  ASSERT_EQ(requests.size(), head.size() + walk.size());
  for (std::size_t i = 0; i < head.size(); ++i) EXPECT_EQ(requests[i].reg, head[i]);
  EXPECT_EQ(RegistersFrom(head.size()), walk);
  int number = klv40 ? 3 : 5;
  for (std::size_t i = head.size(); i < requests.size(); ++i, number += 2) {
    EXPECT_EQ(requests[i].number, number);
    EXPECT_EQ(requests[i].command, 'R');
  }

  // A pause before each row, the skipped ones and the blank end row included,
  // and a bar step after each row; nothing else once the model is known.
  std::vector<std::string> walkEvents;
  for (std::size_t i = 0; i < rows; ++i) {
    walkEvents.push_back("pause 100");
    walkEvents.push_back("bar");
  }
  walkEvents.push_back("pause 100");
  const std::vector<std::string>& events = journal_.Events();
  ASSERT_GE(events.size(), walkEvents.size());
  EXPECT_EQ(std::vector<std::string>(events.end() - static_cast<std::ptrdiff_t>(walkEvents.size()), events.end()),
            walkEvents);
  EXPECT_EQ(journal_.Pauses(), std::vector<milliseconds>(rows + 1, milliseconds(100)));

  // Steps of 4 (27 rows) or 8 (13, 15 rows), clamped at a full bar.
  const int step = klv40 ? 4 : 8;
  std::vector<int> bars;
  for (std::size_t i = 1; i <= rows; ++i) bars.push_back(std::min(100, step * static_cast<int>(i)));
  EXPECT_EQ(journal_.bars, bars);
  EXPECT_EQ(journal_.statuses.back(), std::string(ModelName(c.model)) + " Reading parameter…");
}

INSTANTIATE_TEST_SUITE_P(
    ModelsAndOptions, ReadWalkTest,
    ::testing::Values(WalkCase{"Klv40NoOptions", ModelKind::Klv40, 0, true},
                      WalkCase{"Klv40AlarmOutput2", ModelKind::Klv40, kOptionAlarmOutput2, true},
                      WalkCase{"Klv40AnalogInput", ModelKind::Klv40, kOptionAnalogInput, true},
                      WalkCase{"Klv40AllOptions", ModelKind::Klv40, 15, true},
                      WalkCase{"Klv30WithDetection", ModelKind::Klv30, 0, true},
                      WalkCase{"Klv30WithoutDetection", ModelKind::Klv30, 0, false},
                      WalkCase{"Klv30EWithDetection", ModelKind::Klv30E, 0, true},
                      WalkCase{"Klv30EWithoutDetection", ModelKind::Klv30E, 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Failures ------------------------------------------------------------------

TEST_F(ReadTransferTest, NoDeviceLeavesFourLogLinesAndTheSetAsItWas) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan silent;
  silent.AddRegisterFault(std::nullopt, {sim::FaultKind::Silent, {}});
  device_->Faults(silent);
  currentModel_ = ModelKind::Klv30;
  parameters_.keyLock = 1;
  parameters_.optionDetect = 1;
  const ParameterSet before = parameters_;

  const TransferCommandOutcome outcome = Read();

  EXPECT_EQ(outcome.result.count, 0);
  EXPECT_EQ(outcome.report.text, "KLV30 Parameter reading failure");
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(currentModel_, ModelKind::Klv30);
  // Nothing was read, so nothing is used: not even the defaults.
  EXPECT_EQ(parameters_, before);
  EXPECT_EQ(SplitLines(connection_.log.Text()),
            (std::vector<std::string>{"001. PC->KLV: " + LoggedFrame("011R01100"), "002. KLV->PC: ", "",
                                      "003. PC->KLV: " + LoggedFrame("011R01190"), "004. KLV->PC: ", ""}));
  EXPECT_TRUE(journal_.Pauses().empty());
  EXPECT_TRUE(journal_.messages.empty());
  EXPECT_EQ(journal_.statuses, std::vector<std::string>{"Reading parameter…"});
  // The log of the failed read is still written.
  EXPECT_TRUE(std::filesystem::exists(LogPath()));
}

TEST_F(ReadTransferTest, AnotherCodeIn0110EndsWithoutAsking0119) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{0x0110}, {sim::FaultKind::Under, {}});  // answers 8000
  device_->Faults(plan);
  currentModel_ = ModelKind::Klv30E;

  const TransferCommandOutcome outcome = Read();

  EXPECT_EQ(outcome.result.count, 0);
  EXPECT_EQ(outcome.report.text, "KLV30E Parameter reading failure");
  EXPECT_EQ(currentModel_, ModelKind::Klv30E);
  EXPECT_EQ(RegistersFrom(0), std::vector<std::string>{"0110"});
  EXPECT_EQ(SplitLines(ReadFile(LogPath())).size(), 2u + 3u);  // header, empty line, one exchange
}

TEST_F(ReadTransferTest, SilentAndRefusedRegistersMakeTheReadIncompleteAndNothingIsUsed) {
  Connect(Device(ModelKind::Klv40));
  device_->Preset(Register{0x0124}, 1);
  device_->Preset(Register{0x012C}, 50);
  device_->Preset(Register{0x0133}, 900);
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{0x0124}, {sim::FaultKind::Silent, {}});
  plan.AddRegisterFault(Register{0x012C}, {sim::FaultKind::Error, {}});
  plan.AddRegisterFault(Register{0x0133}, {sim::FaultKind::Over, {}});  // 7FFF, beyond the register's limits
  device_->Faults(plan);
  currentModel_ = ModelKind::Klv30;
  parameters_.keyLock = 1;
  const ParameterSet before = parameters_;

  const TransferCommandOutcome outcome = Read();

  EXPECT_EQ(outcome.result.count, 21 - 2);
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text,
            "Parameter reading incomplete: 19 of 21 registers read\nRefused by the device: 012C\n"
            "No valid reply: 0124\n\nThe values read have not been used.");
  // The walk went on over every row, but the half-read set is not kept.
  EXPECT_EQ(RegistersFrom(5), PresentRows(ModelKind::Klv40, 0));
  EXPECT_EQ(parameters_, before);
  EXPECT_EQ(currentModel_, ModelKind::Klv30);
}

// The device's over- and under-range marks lie beyond every register's
// limits: kept as read, and the complete read's report names each of them.
TEST_F(ReadTransferTest, ValuesOutsideTheirLimitsAreKeptAndNamed) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{0x0133}, {sim::FaultKind::Over, {}});   // boot limiter, 0..1000
  plan.AddRegisterFault(Register{0x0120}, {sim::FaultKind::Under, {}});  // key lock, 0..1
  device_->Faults(plan);

  const TransferCommandOutcome outcome = Read();

  EXPECT_TRUE(outcome.report.succeeded) << outcome.report.text;
  EXPECT_EQ(outcome.report.text,
            "--- KLV40 Parameter reading complete ---\n"
            "0120 = -32768 (0..1): check the regulator\n"
            "0133 = 32767 (0..1000): check the regulator");
  EXPECT_EQ(parameters_.keyLock, -32768);
  EXPECT_EQ(parameters_.slowUpTime, 10);  // within its limits: not named
  EXPECT_EQ(parameters_.bootLimiter, 32767);

  const TransferReport japanese = ReadReport(currentModel_, outcome.result.count, state_.tally, Language::Japanese);
  EXPECT_NE(japanese.text.find("\n0133 = 32767 (0..1000): 接続機器を確認してください"), std::string::npos)
      << japanese.text;
}

// A device lost halfway: the registers after it have no reply, and the read
// says so instead of passing defaults off as the device's values.
TEST_F(ReadTransferTest, ADeviceLostHalfwayGivesAnIncompleteRead) {
  Connect(Device(ModelKind::Klv40));
  sim::FaultPlan plan;
  plan.SetHangUpAfter(15);
  device_->Faults(plan);

  const TransferCommandOutcome outcome = Read();

  // 0110, four option registers, then ten rows before the line goes.
  EXPECT_EQ(outcome.result.count, 10);
  EXPECT_FALSE(outcome.report.succeeded);
  EXPECT_EQ(outcome.report.text.rfind("Parameter reading incomplete: 10 of 21 registers read\n", 0), 0u)
      << outcome.report.text;
  EXPECT_NE(outcome.report.text.find("No valid reply: "), std::string::npos) << outcome.report.text;
}

// Without its options the device's catalogue is not known: the read stops
// rather than go on as a device without options.
TEST_F(ReadTransferTest, OptionRegistersWithoutReplyStopTheRead) {
  Connect(Device(ModelKind::Klv40, 15));
  sim::FaultPlan plan;
  plan.AddRegisterFault(Register{0x0118}, {sim::FaultKind::Silent, {}});
  device_->Faults(plan);
  const ParameterSet before = parameters_;

  const TransferCommandOutcome outcome = Read();

  EXPECT_EQ(RegistersFrom(0), (std::vector<std::string>{"0110", "0116", "0117", "0118"}));
  EXPECT_EQ(outcome.result.count, 0);
  EXPECT_EQ(outcome.report.text,
            "Parameter reading incomplete: the options of the connected device could not be read\n"
            "No valid reply: 0118\n\nThe values read have not been used.");
  EXPECT_EQ(parameters_, before);
}

struct DamageCase {
  const char* name;
  Protocol protocol;
  sim::FaultKind fault;
};

// A damaged reply is no reply: whatever the protocol, the register is named
// and nothing read is used; a value is never made of a damaged frame.
TEST_F(ReadTransferTest, DamagedRepliesAreNotTakenAsValues) {
  const DamageCase cases[] = {
      {"TORVALEK bad BCC", Protocol::Torvalek, sim::FaultKind::BadCheck},
      {"TORVALEK other address", Protocol::Torvalek, sim::FaultKind::OtherAddress},
      {"TORVALEK junk digits", Protocol::Torvalek, sim::FaultKind::Junk},
      {"TORVALEK short value", Protocol::Torvalek, sim::FaultKind::Short},
      {"TORVALEK noise first", Protocol::Torvalek, sim::FaultKind::Noise},
      {"RTU bad CRC", Protocol::ModbusRtu, sim::FaultKind::BadCheck},
      {"RTU other slave", Protocol::ModbusRtu, sim::FaultKind::OtherAddress},
      {"RTU cut short", Protocol::ModbusRtu, sim::FaultKind::Short},
      {"ASCII bad LRC", Protocol::ModbusAscii, sim::FaultKind::BadCheck},
      {"ASCII other slave", Protocol::ModbusAscii, sim::FaultKind::OtherAddress},
      {"ASCII junk digits", Protocol::ModbusAscii, sim::FaultKind::Junk},
  };
  for (const DamageCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimConfig config = Device(ModelKind::Klv30);
    config.protocol = c.protocol;
    Connect(config);
    connection_.settings.protocol = c.protocol;
    device_->Preset(Register{0x0120}, 1);
    sim::FaultPlan plan;
    plan.AddRegisterFault(Register{0x0120}, {c.fault, {}});
    device_->Faults(plan);
    currentModel_ = ModelKind::Klv40;
    LoadDefaults(parameters_, ModelKind::Klv40);
    const ParameterSet before = parameters_;

    const TransferCommandOutcome outcome = Read();

    EXPECT_EQ(outcome.result.count, 13 - 1);
    EXPECT_FALSE(outcome.report.succeeded);
    EXPECT_EQ(outcome.report.text,
              "Parameter reading incomplete: 12 of 13 registers read\nNo valid reply: 0120\n\n"
              "The values read have not been used.");
    EXPECT_EQ(parameters_, before);
    EXPECT_EQ(currentModel_, ModelKind::Klv40);
  }
}

TEST_F(ReadTransferTest, ClosedPortIsARefusalWithMinusOneAndShowsNothing) {
  TransferSession session = Session();  // the port is never opened
  const ParameterSet before = parameters_;

  const TransferResult result = RunReadTransfer(MakeTransferContext(session, Language::English, journal_));
  EXPECT_EQ(result.count, -1);
  ASSERT_TRUE(result.refusal.has_value());
  EXPECT_EQ(RefusalMessage(*result.refusal, result.tally, Language::English), "Port yet to open");
  EXPECT_TRUE(journal_.messages.empty());  // the caller shows it
  EXPECT_TRUE(connection_.log.Empty());
  EXPECT_EQ(parameters_, before);
  // A result of -1 is reported as a failure, never as complete.
  EXPECT_EQ(ReadReport(ModelKind::Klv40, -1, {}, Language::English).text, "KLV40 Parameter reading failure");
}

}  // namespace
}  // namespace klv::testing
