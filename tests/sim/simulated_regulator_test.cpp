#include "sim/simulated_regulator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "model/register_catalogue.h"
#include "serial/checksums.h"
#include "serial/modbus_codec.h"
#include "serial/response.h"
#include "sim/sim_test_util.h"
#include "support/fake_clock.h"

namespace klv::sim {
namespace {

using klv::testing::FakeClock;
using testing::Bytes;
using testing::ReadRequest;
using testing::Text;
using testing::TorvalekFrame;
using testing::WriteRequest;

SimConfig Config(ModelKind model, uint16_t options = 0, bool detect = true) {
  SimConfig config;
  config.model = model;
  config.options = options;
  config.detect = detect;
  return config;
}

// A TORVALEK reply as the program sees it after receiving it: its response
// code, and the value a normal read carries.
struct Seen {
  ExchangeResult result;
  int16_t value;
};

Seen AsProgramSees(const std::vector<uint8_t>& reply) {
  FrameBuffer buffer{};
  const std::size_t count = std::min(reply.size(), buffer.size());
  std::copy_n(reply.begin(), count, buffer.begin());
  if (count == 0) return {ExchangeResult::NoResponse, 0};
  return {count > 6 && buffer[6] == '0' ? ExchangeResult::Ok : ExchangeResult::Error, ResponseValue(buffer, count)};
}

class SimRegulatorTest : public ::testing::Test {
 protected:
  FakeClock clock_;
};

// --- Identification and option registers --------------------------------------

TEST_F(SimRegulatorTest, Klv40AnswersItsModelCodeInTheSixteenCharacterLayout) {
  SimulatedRegulator klv40(Config(ModelKind::Klv40), clock_);
  const std::vector<uint8_t> reply = klv40.Handle(ReadRequest(1, "0110"));
  EXPECT_EQ(Text(reply), TorvalekFrame("011R00,0028"));
  EXPECT_EQ(reply.size(), 16u);
}

struct IdentityCase {
  const char* name;
  ModelKind model;
  uint16_t options;
  ExchangeResult at0110;
  int16_t value0110;  // when Ok
  int16_t value0119;
};
void PrintTo(const IdentityCase& c, std::ostream* os) { *os << c.name; }

class SimIdentityTest : public ::testing::TestWithParam<IdentityCase> {};

TEST_P(SimIdentityTest, AnswersTheIdentificationRegisters) {
  const IdentityCase& c = GetParam();
  FakeClock clock;
  SimulatedRegulator device(Config(c.model, c.options), clock);
  const Seen at0110 = AsProgramSees(device.Handle(ReadRequest(1, "0110")));
  EXPECT_EQ(at0110.result, c.at0110);
  if (c.at0110 == ExchangeResult::Ok) {
    EXPECT_EQ(at0110.value, c.value0110);
  }
  const Seen at0119 = AsProgramSees(device.Handle(ReadRequest(1, "0119")));
  EXPECT_EQ(at0119.result, ExchangeResult::Ok);
  EXPECT_EQ(at0119.value, c.value0119);
}

INSTANTIATE_TEST_SUITE_P(
    Models, SimIdentityTest,
    ::testing::Values(IdentityCase{"Klv40", ModelKind::Klv40, 0, ExchangeResult::Ok, 0x0028, 0},
                      IdentityCase{"Klv40AnalogOutput", ModelKind::Klv40, 8, ExchangeResult::Ok, 0x0028, 6},
                      IdentityCase{"Klv30", ModelKind::Klv30, 0, ExchangeResult::Error, 0, 0x3330},
                      IdentityCase{"Klv30E", ModelKind::Klv30E, 0, ExchangeResult::Error, 0, 0x3045}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimRegulatorTest, Klv40OptionRegistersFollowTheOptionBits) {
  for (uint16_t options : {0, 1, 2, 4, 8, 5, 15}) {
    SimulatedRegulator device(Config(ModelKind::Klv40, options), clock_);
    SCOPED_TRACE(options);
    EXPECT_EQ(device.ReadRegister(Register{0x0116}).value != 0, (options & 1) != 0);
    EXPECT_EQ(device.ReadRegister(Register{0x0117}).value != 0, (options & 2) != 0);
    EXPECT_EQ(device.ReadRegister(Register{0x0118}).value != 0, (options & 4) != 0);
    EXPECT_EQ(device.ReadRegister(Register{0x0119}).value == 6, (options & 8) != 0);
  }
}

TEST_F(SimRegulatorTest, Klv40DeviceRegistersComeFromTheConfiguration) {
  SimConfig config = Config(ModelKind::Klv40);
  config.controlMode = 1;
  config.controlInputType = 0;
  config.register0114 = 91;
  config.ratedCurrent = 30;
  config.ratedVoltage = 200;
  SimulatedRegulator device(config, clock_);
  EXPECT_EQ(device.ReadRegister(Register{0x0112}).value, 1);
  EXPECT_EQ(device.ReadRegister(Register{0x0113}).value, 0);
  EXPECT_EQ(device.ReadRegister(Register{0x0114}).value, 91);
  EXPECT_EQ(device.ReadRegister(Register{0x0115}).value, 30);
  EXPECT_EQ(device.ReadRegister(Register{0x013C}).value, 200);
  EXPECT_EQ(device.ReadRegister(Register{0x013D}).value, 0);  // the catalogue's default range
}

TEST_F(SimRegulatorTest, OneSeriesDeviceRefusesTheKlv40OnlyRegisters) {
  SimulatedRegulator klv30(Config(ModelKind::Klv30), clock_);
  for (uint16_t reg : {0x0110, 0x0112, 0x0113, 0x0116, 0x0117, 0x0118, 0x013C}) {
    EXPECT_EQ(klv30.ReadRegister(Register{reg}).refusal, Refusal::NoSuchRegister) << std::hex << reg;
  }
}

// --- Setup registers -------------------------------------------------------------

class SimCatalogueTest : public ::testing::TestWithParam<ModelKind> {};

TEST_P(SimCatalogueTest, EveryRowStartsAtItsDefaultAndKeepsWhatIsWritten) {
  FakeClock clock;
  SimulatedRegulator device(Config(GetParam(), 15, true), clock);
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(GetParam()))) {
    SCOPED_TRACE(row.address.Text());
    const Seen initial = AsProgramSees(device.Handle(ReadRequest(1, row.address.Text())));
    EXPECT_EQ(initial.result, ExchangeResult::Ok);
    EXPECT_EQ(initial.value, row.defaultValue);
    for (const int16_t value : {row.minimum, row.maximum}) {
      EXPECT_EQ(AsProgramSees(device.Handle(WriteRequest(1, row.address.Text(), value))).result, ExchangeResult::Ok);
      const Seen read = AsProgramSees(device.Handle(ReadRequest(1, row.address.Text())));
      EXPECT_EQ(read.result, ExchangeResult::Ok);
      EXPECT_EQ(read.value, value);
    }
  }
}

TEST_P(SimCatalogueTest, WritesOutsideTheLimitsAreRefusedAndChangeNothing) {
  FakeClock clock;
  SimulatedRegulator device(Config(GetParam(), 15, true), clock);
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(GetParam()))) {
    SCOPED_TRACE(row.address.Text());
    for (const int value : {row.minimum - 1, row.maximum + 1}) {
      const std::vector<uint8_t> reply = device.Handle(WriteRequest(1, row.address.Text(), static_cast<int16_t>(value)));
      EXPECT_EQ(AsProgramSees(reply).result, ExchangeResult::Error);
      ASSERT_GE(reply.size(), 7u);
      EXPECT_EQ(reply[4], 'W');
    }
    EXPECT_EQ(AsProgramSees(device.Handle(ReadRequest(1, row.address.Text()))).value, row.defaultValue);
  }
}

INSTANTIATE_TEST_SUITE_P(Models, SimCatalogueTest,
                         ::testing::Values(ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E),
                         [](const auto& info) { return std::string(ModelName(info.param)); });

TEST_F(SimRegulatorTest, AWriteResponseCarriesTheCodeOnly) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  // The worked write of 0064 to 012C.
  const std::vector<uint8_t> request = WriteRequest(1, "012C", 0x64);
  ASSERT_EQ(Text(request), TorvalekFrame("011W012C0,0064"));
  EXPECT_EQ(Text(device.Handle(request)), TorvalekFrame("011W00"));
  // The worked normal response carrying 0064.
  EXPECT_EQ(Text(device.Handle(ReadRequest(1, "012C"))), TorvalekFrame("011R00,0064"));
}

TEST_F(SimRegulatorTest, RowsTheOptionsLeaveOutAnswerWithAnError) {
  SimulatedRegulator plain(Config(ModelKind::Klv40, 0), clock_);
  EXPECT_EQ(plain.ReadRegister(Register{0x0128}).refusal, Refusal::NoSuchRegister);
  EXPECT_EQ(plain.WriteRegister(Register{0x0136}, 1), Refusal::NoSuchRegister);
  EXPECT_EQ(AsProgramSees(plain.Handle(ReadRequest(1, "0135"))).result, ExchangeResult::Error);

  SimulatedRegulator digital(Config(ModelKind::Klv40, kOptionDigitalOutput), clock_);
  EXPECT_EQ(digital.WriteRegister(Register{0x0128}, 3), Refusal::None);
  EXPECT_EQ(digital.ReadRegister(Register{0x0128}).value, 3);
}

TEST_F(SimRegulatorTest, OneSeriesWithoutDetectionRefusesCurrentRowsButTakesTheLimiterPreWrite) {
  for (ModelKind model : {ModelKind::Klv30, ModelKind::Klv30E}) {
    SimulatedRegulator device(Config(model, 0, false), clock_);
    SCOPED_TRACE(std::string(ModelName(model)));
    for (const char* reg : {"0102", "0123", "0124", "0125", "0127", "012F"}) {
      EXPECT_EQ(AsProgramSees(device.Handle(ReadRequest(1, reg))).result, ExchangeResult::Error) << reg;
    }
    // The write transfer's three pre-writes.
    EXPECT_EQ(AsProgramSees(device.Handle(WriteRequest(1, "012B", 0))).result, ExchangeResult::Ok);
    EXPECT_EQ(AsProgramSees(device.Handle(WriteRequest(1, "012A", 0))).result, ExchangeResult::Ok);
    EXPECT_EQ(AsProgramSees(device.Handle(WriteRequest(1, "012E", 100))).result, ExchangeResult::Ok);
  }
  SimulatedRegulator detecting(Config(ModelKind::Klv30, 0, true), clock_);
  EXPECT_EQ(AsProgramSees(detecting.Handle(ReadRequest(1, "0102"))).result, ExchangeResult::Ok);
}

TEST_F(SimRegulatorTest, ReportedRegistersAreReadOnlyAndUnknownOnesAbsent) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  EXPECT_EQ(device.WriteRegister(Register{0x0110}, 40), Refusal::ReadOnly);
  EXPECT_EQ(device.WriteRegister(Register{0x0100}, 5), Refusal::ReadOnly);
  EXPECT_EQ(device.WriteRegister(Register{0x0200}, 5), Refusal::NoSuchRegister);
  EXPECT_EQ(AsProgramSees(device.Handle(ReadRequest(1, "0F00"))).result, ExchangeResult::Error);
}

TEST_F(SimRegulatorTest, PresetsCheckSetupLimitsAndSetDeviceRegisters) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  EXPECT_EQ(device.Preset(Register{0x013D}, 5), Refusal::None);
  EXPECT_EQ(device.ReadRegister(Register{0x013D}).value, 5);
  EXPECT_EQ(device.Preset(Register{0x013D}, 8), Refusal::OutOfRange);
  EXPECT_EQ(device.Preset(Register{0x0112}, 9), Refusal::None);  // an unknown control mode
  EXPECT_EQ(device.ReadRegister(Register{0x0112}).value, 9);
  EXPECT_EQ(device.Preset(Register{0x0104}, 1200), Refusal::None);
  EXPECT_EQ(device.ReadRegister(Register{0x0104}).value, 1200);
  EXPECT_EQ(device.Preset(Register{0x0200}, 1), Refusal::NoSuchRegister);
}

// --- TORVALEK frame checks ----------------------------------------------------------

TEST_F(SimRegulatorTest, ABadBccOrAnotherAddressGetsSilenceAndIsNotAnExchange) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  std::vector<uint8_t> badBcc = ReadRequest(1, "0110");
  badBcc[12] = badBcc[12] == 'A' ? 'B' : 'A';
  EXPECT_TRUE(device.Handle(badBcc).empty());
  std::vector<uint8_t> lowerCaseBcc = ReadRequest(1, "0100");  // BCC "DA"
  lowerCaseBcc[11] = 'd';
  lowerCaseBcc[12] = 'a';
  EXPECT_TRUE(device.Handle(lowerCaseBcc).empty());
  EXPECT_TRUE(device.Handle(ReadRequest(2, "0110")).empty());
  EXPECT_TRUE(device.Handle(WriteRequest(2, "012C", 5)).empty());
  EXPECT_EQ(device.ExchangeCount(), 0u);
  EXPECT_EQ(device.ReadRegister(Register{0x012C}).value, 10);
  EXPECT_FALSE(device.Handle(ReadRequest(1, "0110")).empty());
  EXPECT_EQ(device.ExchangeCount(), 1u);
}

TEST_F(SimRegulatorTest, AnswersAtItsOwnAddressWithTheAddressEchoed) {
  SimConfig config = Config(ModelKind::Klv40);
  config.deviceAddress = 99;
  SimulatedRegulator device(config, clock_);
  EXPECT_EQ(Text(device.Handle(ReadRequest(99, "0110"))), TorvalekFrame("631R00,0028"));
  EXPECT_TRUE(device.Handle(ReadRequest(1, "0110")).empty());
}

TEST_F(SimRegulatorTest, ABroadcastWriteIsCarriedOutWithoutAReply) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  const std::vector<uint8_t> broadcast = WriteRequest(0, "012C", 55);
  ASSERT_EQ(broadcast[4], 'B');
  EXPECT_TRUE(device.Handle(broadcast).empty());
  EXPECT_EQ(device.ReadRegister(Register{0x012C}).value, 55);
}

TEST_F(SimRegulatorTest, MalformedRequestsGetCode01) {
  SimulatedRegulator device(Config(ModelKind::Klv40), clock_);
  for (const char* body : {"011X01000", "011R0100", "011R01G00", "011W012C1,0064", "011W012C0;0064"}) {
    SCOPED_TRACE(body);
    const std::string reply = Text(device.Handle(Bytes(TorvalekFrame(body))));
    ASSERT_GE(reply.size(), 7u);
    EXPECT_EQ(reply.substr(5, 2), "01");
  }
}

TEST_F(SimRegulatorTest, ReadsSeveralRegistersInOneRequest) {
  SimulatedRegulator device(Config(ModelKind::Klv40, 15), clock_);
  // 0116..0119: the four option registers.
  EXPECT_EQ(Text(device.Handle(Bytes(TorvalekFrame("011R01163")))),
            TorvalekFrame("011R00,0001,0001,0001,0006"));
}

// --- Modbus ---------------------------------------------------------------------------

TEST_F(SimRegulatorTest, ModbusRtuAnswersTheWorkedRead) {
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = Protocol::ModbusRtu;
  config.controlInput = 100;  // mode 4: the output follows in 0.1 %
  SimulatedRegulator device(config, clock_);
  const std::vector<uint8_t> request = {0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6};
  EXPECT_EQ(device.Handle(request), (std::vector<uint8_t>{0x01, 0x03, 0x02, 0x00, 0x64, 0xB9, 0xAF}));
}

TEST_F(SimRegulatorTest, ModbusAsciiAnswersTheWorkedRead) {
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = Protocol::ModbusAscii;
  config.controlInput = 100;
  SimulatedRegulator device(config, clock_);
  // LRC of 01 03 02 00 64 is 100 - 6A = 96.
  EXPECT_EQ(Text(device.Handle(Bytes(":010301000001FA\r\n"))), ":010302006496\r\n");
  EXPECT_TRUE(device.Handle(Bytes(":010301000001FB\r\n")).empty());  // bad LRC
  EXPECT_TRUE(device.Handle(Bytes(":020301000001F9\r\n")).empty());  // another address
  EXPECT_EQ(device.ExchangeCount(), 1u);
}

TEST_F(SimRegulatorTest, ModbusRtuChecksCrcAndAddress) {
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = Protocol::ModbusRtu;
  SimulatedRegulator device(config, clock_);
  EXPECT_TRUE(device.Handle(std::vector<uint8_t>{0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF7}).empty());
  std::vector<uint8_t> other = {0x02, 0x03, 0x01, 0x10, 0x00, 0x01};
  const std::array<uint8_t, 2> crc = ModbusCrcBytes(other);
  other.insert(other.end(), crc.begin(), crc.end());
  EXPECT_TRUE(device.Handle(other).empty());
  EXPECT_EQ(device.ExchangeCount(), 0u);
}

// An RTU request with its CRC, sent first byte first.
std::vector<uint8_t> Rtu(std::vector<uint8_t> pdu) {
  const std::array<uint8_t, 2> crc = ModbusCrcBytes(pdu);
  pdu.insert(pdu.end(), crc.begin(), crc.end());
  return pdu;
}

TEST_F(SimRegulatorTest, ModbusExceptionsNameTheReason) {
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = Protocol::ModbusRtu;
  SimulatedRegulator device(config, clock_);
  struct Case {
    std::vector<uint8_t> pdu;
    uint8_t function;
    uint8_t exception;
  } cases[] = {
      {{0x01, 0x03, 0x01, 0x28, 0x00, 0x01}, 0x83, 0x02},  // 0128 absent without option 4
      {{0x01, 0x06, 0x01, 0x2C, 0x03, 0xE8}, 0x86, 0x03},  // 1000 above 012C's limit
      {{0x01, 0x06, 0x01, 0x10, 0x00, 0x28}, 0x86, 0x02},  // 0110 is read-only
      {{0x01, 0x04, 0x01, 0x00, 0x00, 0x01}, 0x84, 0x01},  // input registers: not served
      {{0x01, 0x03, 0x01, 0x00, 0x00, 0x00}, 0x83, 0x03},  // a count of 0
  };
  for (const Case& c : cases) {
    const std::vector<uint8_t> reply = device.Handle(Rtu(c.pdu));
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[0], 0x01);
    EXPECT_EQ(reply[1], c.function);
    EXPECT_EQ(reply[2], c.exception);
    EXPECT_EQ(Rtu({reply[0], reply[1], reply[2]}), reply);
  }
}

// A reply with the last byte of its CRC inverted.
std::vector<uint8_t> WithBadCrc(std::vector<uint8_t> frame) {
  frame.back() = static_cast<uint8_t>(~frame.back());
  return frame;
}

struct ModbusDamageCase {
  const char* name;
  FaultKind kind;
  std::vector<uint8_t> rtu;  // the reply to a read of 012C (value 000A)
  std::string ascii;
};
void PrintTo(const ModbusDamageCase& c, std::ostream* os) { *os << c.name; }

class SimModbusDamageTest : public ::testing::TestWithParam<ModbusDamageCase> {
 protected:
  std::vector<uint8_t> Reply(Protocol protocol, std::vector<uint8_t> request) {
    SimConfig config = Config(ModelKind::Klv40);
    config.protocol = protocol;
    SimulatedRegulator device(config, clock_);
    FaultPlan plan;
    plan.AddRegisterFault(Register{0x012C}, {GetParam().kind, {}});
    device.SetFaultPlan(plan);
    return device.Handle(request);
  }
  FakeClock clock_;
};

TEST_P(SimModbusDamageTest, ReadReplyBytes) {
  EXPECT_EQ(Reply(Protocol::ModbusRtu, Rtu({0x01, 0x03, 0x01, 0x2C, 0x00, 0x01})), GetParam().rtu);
  EXPECT_EQ(Text(Reply(Protocol::ModbusAscii, Bytes(":0103012C0001CE\r\n"))), GetParam().ascii);
}

// Normal: 01 03 02 00 0A with its CRC, ":010302000AF0".
INSTANTIATE_TEST_SUITE_P(
    Kinds, SimModbusDamageTest,
    ::testing::Values(
        ModbusDamageCase{"BadCheck", FaultKind::BadCheck, WithBadCrc(Rtu({0x01, 0x03, 0x02, 0x00, 0x0A})),
                         ":010302000A0F\r\n"},
        ModbusDamageCase{"OtherAddress", FaultKind::OtherAddress, Rtu({0x02, 0x03, 0x02, 0x00, 0x0A}),
                         ":020302000AEF\r\n"},
        ModbusDamageCase{"Junk", FaultKind::Junk, Rtu({0x01, 0x03, 0x02, 0x00, 0x0A}), ":01030200GAF0\r\n"},
        ModbusDamageCase{"Short", FaultKind::Short, Rtu({0x01, 0x03, 0x02, 0x00}), ":01030200FA\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimRegulatorTest, ModbusWriteEchoCarriesTheDamageButTheWriteIsDone) {
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = Protocol::ModbusRtu;
  SimulatedRegulator device(config, clock_);
  FaultPlan plan;
  plan.AddRegisterFault(Register{0x012C}, {FaultKind::OtherAddress, {}});
  plan.AddRegisterFault(Register{0x012D}, {FaultKind::BadCheck, {}});
  plan.AddRegisterFault(Register{0x012E}, {FaultKind::Short, {}});
  device.SetFaultPlan(plan);
  EXPECT_EQ(device.Handle(Rtu({0x01, 0x06, 0x01, 0x2C, 0x00, 0x05})), Rtu({0x02, 0x06, 0x01, 0x2C, 0x00, 0x05}));
  EXPECT_EQ(device.Handle(Rtu({0x01, 0x06, 0x01, 0x2D, 0x00, 0x06})),
            WithBadCrc(Rtu({0x01, 0x06, 0x01, 0x2D, 0x00, 0x06})));
  EXPECT_EQ(device.Handle(Rtu({0x01, 0x06, 0x01, 0x2E, 0x00, 0x07})), Rtu({0x01, 0x06, 0x01, 0x2E, 0x00, 0x07}));
  EXPECT_EQ(device.ReadRegister(Register{0x012C}).value, 5);
  EXPECT_EQ(device.ReadRegister(Register{0x012D}).value, 6);
  EXPECT_EQ(device.ReadRegister(Register{0x012E}).value, 7);
}

// The program's whole path: TORVALEK request, conversion out, the device,
// conversion back, classification.
class SimProgramCodecTest : public ::testing::TestWithParam<Protocol> {};

TEST_P(SimProgramCodecTest, ReadsAndWritesThroughTheProgramsConversion) {
  FakeClock clock;
  SimConfig config = Config(ModelKind::Klv40);
  config.protocol = GetParam();
  SimulatedRegulator device(config, clock);
  RtuRequestCopy last{};

  const auto exchange = [&](FrameBuffer buffer) {
    std::size_t length = FrameLength(buffer);
    ToModbusRequest(buffer, length, FrameDirection::Request, GetParam(), last);
    const std::vector<uint8_t> reply =
        device.Handle(std::vector<uint8_t>(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length)));
    FrameBuffer received{};
    std::size_t count = std::min(reply.size(), received.size());
    std::copy_n(reply.begin(), count, received.begin());
    FromModbusResponse(received, count, GetParam());
    if (count == 0) return Seen{ExchangeResult::NoResponse, 0};
    return Seen{count > 6 && received[6] == '0' ? ExchangeResult::Ok : ExchangeResult::Error,
                ResponseValue(received, count)};
  };

  FrameBuffer request{};
  ASSERT_EQ(BuildStandardRead(request, 1, Register{0x0110}), FrameError::None);
  const Seen model = exchange(request);
  EXPECT_EQ(model.result, ExchangeResult::Ok);
  EXPECT_EQ(model.value, 0x0028);

  ASSERT_EQ(BuildStandardWrite(request, 1, Register{0x012A}, -2), FrameError::None);
  EXPECT_EQ(exchange(request).result, ExchangeResult::Ok);
  EXPECT_EQ(device.ReadRegister(Register{0x012A}).value, -2);

  ASSERT_EQ(BuildStandardWrite(request, 1, Register{0x012A}, -3), FrameError::None);
  EXPECT_EQ(exchange(request).result, ExchangeResult::Error);

  ASSERT_EQ(BuildStandardRead(request, 1, Register{0x0128}), FrameError::None);
  EXPECT_EQ(exchange(request).result, ExchangeResult::Error);
}

INSTANTIATE_TEST_SUITE_P(Protocols, SimProgramCodecTest,
                         ::testing::Values(Protocol::Torvalek, Protocol::ModbusRtu, Protocol::ModbusAscii),
                         [](const auto& info) {
                           switch (info.param) {
                             case Protocol::ModbusRtu:
                               return std::string("Rtu");
                             case Protocol::ModbusAscii:
                               return std::string("Ascii");
                             default:
                               return std::string("Torvalek");
                           }
                         });

}  // namespace
}  // namespace klv::sim
