#include "device/identification.h"
#include "model/device_identity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/texts.h"
#include "serial/exchange_rig.h"

namespace klv {
namespace {

using testing::Bytes;
using testing::ReadReply;

class DeviceIdentityTest : public testing::ExchangeRig {};

struct IdentifyCase {
  const char* name;
  std::vector<std::optional<Bytes>> replies;  // 0110, then 0119 when asked
  IdentificationResult result;
  std::optional<ModelKind> model;
  int16_t code;
  bool answered;
  std::vector<std::string> asked;
  int nextSequence;  // numbering started at 1
};

TEST_F(DeviceIdentityTest, IdentifiesByTheCodesOf0110And0119) {
  const std::vector<std::string> only0110 = {"0110"};
  const std::vector<std::string> both = {"0110", "0119"};
  const IdentifyCase cases[] = {
      {"KLV40", {ReadReply("0028")}, IdentificationResult::Klv40, ModelKind::Klv40, 0x28, true, only0110, 3},
      // A device that has 0110 is no one-series model, whatever it reads.
      {"0110 reads 0",
       {ReadReply("0000")},
       IdentificationResult::OtherCodeIn0110,
       std::nullopt,
       0,
       true,
       only0110,
       3},
      {"KLV30 code in 0110",
       {ReadReply("3330")},
       IdentificationResult::OtherCodeIn0110,
       std::nullopt,
       0x3330,
       true,
       only0110,
       3},
      {"0110 code 10 is still a good reply",
       {ReadReply("0028", "10")},
       IdentificationResult::Klv40,
       ModelKind::Klv40,
       0x28,
       true,
       only0110,
       3},
      {"KLV30",
       {std::nullopt, ReadReply("3330")},
       IdentificationResult::Klv30,
       ModelKind::Klv30,
       0x3330,
       true,
       both,
       5},
      {"KLV30E after a refused 0110",
       {ReadReply("0000", "01"), ReadReply("3045")},
       IdentificationResult::Klv30E,
       ModelKind::Klv30E,
       0x3045,
       true,
       both,
       5},
      {"unknown code in 0119",
       {std::nullopt, ReadReply("0006")},
       IdentificationResult::NotIdentified,
       std::nullopt,
       6,
       true,
       both,
       5},
      {"0119 refused",
       {std::nullopt, ReadReply("3330", "09")},
       IdentificationResult::NotIdentified,
       std::nullopt,
       0,
       false,
       both,
       5},
      {"no device",
       {std::nullopt, std::nullopt},
       IdentificationResult::NotIdentified,
       std::nullopt,
       0,
       false,
       both,
       5},
  };
  Open();
  for (const IdentifyCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t before = device_.Writes().size();
    Script(c.replies);
    const DeviceIdentification id = IdentifyDevice(Context(), false, 1);
    EXPECT_EQ(id.result, c.result);
    EXPECT_EQ(id.Model(), c.model);
    EXPECT_EQ(id.code, c.code);
    EXPECT_EQ(id.answered, c.answered);
    EXPECT_EQ(id.nextSequence, c.nextSequence);
    const std::vector<std::string> asked = AskedRegisters();
    EXPECT_EQ(std::vector<std::string>(asked.begin() + static_cast<std::ptrdiff_t>(before), asked.end()),
              c.asked);
  }
  EXPECT_TRUE(log_.Empty());
}

TEST_F(DeviceIdentityTest, LogsFromTheGivenNumberAndNumbersOnAfterIt) {
  Open();
  Script({std::nullopt, std::nullopt});
  const DeviceIdentification id = IdentifyDevice(Context(), true, 1);
  EXPECT_EQ(id.result, IdentificationResult::NotIdentified);
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4}));

  log_.Clear();
  Script({std::nullopt, ReadReply("3330")});
  EXPECT_EQ(IdentifyDevice(Context(), true, 7).nextSequence, 11);
  EXPECT_EQ(LogNumbers(), (std::vector<int>{7, 8, 9, 10}));
}

TEST_F(DeviceIdentityTest, OptionWordComesFromTheModelFamilysSource) {
  Open();
  // A KLV30 whose load current reads 0 still has the detection function.
  Script({ReadReply("0000")});
  EXPECT_EQ(DeviceOptionWord(Context(), ModelKind::Klv30).word, kOptionCurrentDetection);
  Script({std::nullopt});
  EXPECT_EQ(DeviceOptionWord(Context(), ModelKind::Klv30E).word, 0);
  Script({ReadReply("0000"), ReadReply("0001"), ReadReply("0000"), ReadReply("0006")});
  EXPECT_EQ(DeviceOptionWord(Context(), ModelKind::Klv40).word, kOptionAlarmOutput2 | kOptionAnalogOutput);
  EXPECT_EQ(DeviceOptionWord(Context(), static_cast<ModelKind>(7)).word, 0);

  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"0102", "0102", "0116", "0117", "0118", "0119"}));
}

struct ControlInputCase {
  int16_t type;
  int16_t range;
  bool matches;
};

TEST(ControlInputTest, CurrentInputTakesRanges0And1AndVoltageInput2To7) {
  const ControlInputCase cases[] = {
      {4, 0, true},
      {4, 1, true},
      {4, 2, false},
      {4, 7, false},
      {0, 7, true},
      {0, 2, true},
      {0, 1, false},
      {0, 0, false},
      {5, 4, true},
      {-1, 1, false},
      // Ranges no screen choice gives fit neither input.
      {4, -1, false},
      {4, 8, false},
      {0, 8, false},
      {0, -1, false},
      {6, 0x7FFF, false},
  };
  for (const ControlInputCase& c : cases) {
    EXPECT_EQ(ControlInputMatches(c.type, c.range), c.matches) << "type " << c.type << ", range " << c.range;
  }
}

TEST(ControlInputTest, DescribesTheDevicesInput) {
  const ControlInputDescription& current = DescribeControlInput(4);
  EXPECT_EQ(std::string(current.name) + std::string(current.ranges), "Current input ( 4-20mA, 0-20mA )");
  const ControlInputDescription& voltage = DescribeControlInput(0);
  EXPECT_EQ(std::string(voltage.name) + std::string(voltage.ranges),
            "Voltage input ( 0-1V, 1-5V, 0-10V, Pot, Con, Puls )");
  // The numbered texts carry the same names, and the Japanese ones.
  EXPECT_EQ(Text(current.nameText, Language::English), current.name);
  EXPECT_EQ(Text(voltage.nameText, Language::English), voltage.name);
  EXPECT_EQ(Text(current.nameText, Language::Japanese), "電流入力");
  EXPECT_EQ(Text(voltage.nameText, Language::Japanese), "電圧入力");
}

TEST(ControlModeTest, ModesFromFiveOnSkipTheCurrentLimiter) {
  EXPECT_FALSE(SkipsCurrentLimiterWrite(0));
  EXPECT_FALSE(SkipsCurrentLimiterWrite(4));
  EXPECT_TRUE(SkipsCurrentLimiterWrite(5));
  EXPECT_TRUE(SkipsCurrentLimiterWrite(6));
  EXPECT_FALSE(SkipsCurrentLimiterWrite(-1));
}

}  // namespace
}  // namespace klv
