// The monitor's value texts, as a table of the display rules: no reply,
// error replies, the device's range marks, the blanking rules per register
// and control mode, the input clamp and the lamp bit strings.
#include "monitor/monitor_values.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "serial/exchange_rig.h"
#include "serial/torvalek_frame.h"

namespace klv {
namespace {

struct ReadingCase {
  const char* what;
  std::string_view address;
  ExchangeResult kind;
  uint16_t raw;
  MonitorScale scale;
  std::string_view loadCurrentText;
  std::string text;
  int32_t value;
  std::optional<uint16_t> lamps;
};

MonitorScale Mode(int16_t mode) {
  MonitorScale scale;
  scale.controlMode = mode;
  return scale;
}

MonitorScale With0114(int16_t mode, int16_t value0114) {
  MonitorScale scale = Mode(mode);
  scale.ratingCode = value0114;
  return scale;
}

MonitorScale Clamped() {
  MonitorScale scale;
  scale.inputClamp = true;
  return scale;
}

const MonitorScale kDefault{};

class ReadingTable : public ::testing::TestWithParam<ReadingCase> {};

TEST_P(ReadingTable, TextValueAndLamps) {
  const ReadingCase& c = GetParam();
  const MonitorReading reading = FormatReading(*Register::FromText(c.address), c.kind, c.raw, c.scale, c.loadCurrentText);
  EXPECT_EQ(reading.text, c.text) << c.what;
  EXPECT_EQ(reading.value, c.value) << c.what;
  EXPECT_EQ(reading.lampBits, c.lamps) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ReadingTable,
    ::testing::Values(
        // No byte: "xxxx" and the no-reply value; an error reply: "xxxx" and 0.
        ReadingCase{"silent output", "0100", ExchangeResult::NoResponse, 0, kDefault, "12", "xxxx", -32768, std::nullopt},
        ReadingCase{"silent lamps", "0108", ExchangeResult::NoResponse, 0, kDefault, "12", "xxxx", -32768, std::nullopt},
        ReadingCase{"error input", "0104", ExchangeResult::Error, 0, kDefault, "12", "xxxx", 0, std::nullopt},
        // Bit strings, highest bit first; the lamps take the bits.
        ReadingCase{"0108 0005", "0108", ExchangeResult::Ok, 0x0005, kDefault, "12", "_ O _ O", 5, 0x0005},
        ReadingCase{"0108 000A", "0108", ExchangeResult::Ok, 0x000A, kDefault, "12", "O _ O _", 10, 0x000A},
        ReadingCase{"0109 0005", "0109", ExchangeResult::Ok, 0x0005, kDefault, "12", "O _ O", 5, 0x0005},
        ReadingCase{"0109 0000", "0109", ExchangeResult::Ok, 0x0000, kDefault, "12", "_ _ _", 0, 0x0000},
        // Range marks: the value keeps the raw number.
        ReadingCase{"under current", "0102", ExchangeResult::Ok, 0x8000, kDefault, "12", "----", -32768,
                    std::nullopt},
        ReadingCase{"under output", "0100", ExchangeResult::Ok, 0x8000, kDefault, "12", "LLLL", -32768,
                    std::nullopt},
        ReadingCase{"under clamped input", "0104", ExchangeResult::Ok, 0x8000, Clamped(), "12", "LLLL", -32768,
                    std::nullopt},
        ReadingCase{"under output C-FB", "0100", ExchangeResult::Ok, 0x8000, Mode(1), "12", "LLLL", -32768,
                    std::nullopt},
        ReadingCase{"over voltage", "0101", ExchangeResult::Ok, 0x7FFF, kDefault, "12", "HHHH", 32767,
                    std::nullopt},
        ReadingCase{"over current", "0102", ExchangeResult::Ok, 0x7FFF, kDefault, "12", "HHHH", 32767,
                    std::nullopt},
        // Load voltage: blank below half the rated current register 0115 (20).
        ReadingCase{"voltage 9", "0101", ExchangeResult::Ok, 9, kDefault, "12", "----", 9, std::nullopt},
        ReadingCase{"voltage 10", "0101", ExchangeResult::Ok, 10, kDefault, "12", "10", 10, std::nullopt},
        ReadingCase{"voltage -1", "0101", ExchangeResult::Ok, 0xFFFF, kDefault, "12", "----", -1, std::nullopt},
        // Load current: blank below 10, below 20 when 0114 is 91.
        ReadingCase{"current 9", "0102", ExchangeResult::Ok, 9, kDefault, "12", "----", 9, std::nullopt},
        ReadingCase{"current 10", "0102", ExchangeResult::Ok, 10, kDefault, "12", "10", 10, std::nullopt},
        ReadingCase{"current 19 (91)", "0102", ExchangeResult::Ok, 19, With0114(6, 91), "12", "----", 19,
                    std::nullopt},
        ReadingCase{"current 20 (91)", "0102", ExchangeResult::Ok, 20, With0114(6, 91), "12", "20", 20,
                    std::nullopt},
        // Load power: blank exactly when the load current row reads "----".
        ReadingCase{"power, current blank", "0103", ExchangeResult::Ok, 500, kDefault, "----", "----", 500,
                    std::nullopt},
        ReadingCase{"power, current read", "0103", ExchangeResult::Ok, 500, kDefault, "12", "500", 500,
                    std::nullopt},
        ReadingCase{"power, current xxxx", "0103", ExchangeResult::Ok, 500, kDefault, "xxxx", "500", 500,
                    std::nullopt},
        // Control input: limited to 0-1000 only with the clamp.
        ReadingCase{"input 1200 clamped", "0104", ExchangeResult::Ok, 1200, Clamped(), "12", "1000", 1000,
                    std::nullopt},
        ReadingCase{"input -5 clamped", "0104", ExchangeResult::Ok, 0xFFFB, Clamped(), "12", "0", 0, std::nullopt},
        ReadingCase{"input 1200", "0104", ExchangeResult::Ok, 1200, kDefault, "12", "1200", 1200, std::nullopt},
        ReadingCase{"input -5", "0104", ExchangeResult::Ok, 0xFFFB, kDefault, "12", "-5", -5, std::nullopt},
        // The output row takes the rules of 0101, 0102, 0103 in V-FB, C-FB, W-FB.
        ReadingCase{"V-FB 9", "0100", ExchangeResult::Ok, 9, Mode(0), "12", "----", 9, std::nullopt},
        ReadingCase{"V-FB 10", "0100", ExchangeResult::Ok, 10, Mode(0), "12", "10", 10, std::nullopt},
        ReadingCase{"C-FB 9", "0100", ExchangeResult::Ok, 9, Mode(1), "12", "----", 9, std::nullopt},
        ReadingCase{"C-FB 10", "0100", ExchangeResult::Ok, 10, Mode(1), "12", "10", 10, std::nullopt},
        ReadingCase{"C-FB 19 (91)", "0100", ExchangeResult::Ok, 19, With0114(1, 91), "12", "----", 19,
                    std::nullopt},
        ReadingCase{"W-FB current blank", "0100", ExchangeResult::Ok, 250, Mode(2), "----", "----", 250,
                    std::nullopt},
        ReadingCase{"W-FB current read", "0100", ExchangeResult::Ok, 250, Mode(2), "15", "250", 250, std::nullopt},
        ReadingCase{"VVFB 0", "0100", ExchangeResult::Ok, 0, Mode(3), "----", "0", 0, std::nullopt},
        ReadingCase{"PA 5", "0100", ExchangeResult::Ok, 5, Mode(4), "----", "5", 5, std::nullopt},
        ReadingCase{"ZC 5", "0100", ExchangeResult::Ok, 5, Mode(5), "----", "5", 5, std::nullopt},
        ReadingCase{"PA-Z 5", "0100", ExchangeResult::Ok, 5, Mode(6), "----", "5", 5, std::nullopt},
        ReadingCase{"unknown mode 5", "0100", ExchangeResult::Ok, 5, Mode(kUnknownControlMode), "----", "5", 5,
                    std::nullopt},
        // Other rows: signed decimal, unscaled.
        ReadingCase{"VR2 code", "0106", ExchangeResult::Ok, 0xFFFE, kDefault, "12", "-2", -2, std::nullopt},
        ReadingCase{"analog output", "010B", ExchangeResult::Ok, 523, kDefault, "----", "523", 523, std::nullopt}));

TEST(ControlModes, TextsAndOutputCaptions) {
  const std::vector<std::pair<std::string_view, std::string_view>> expected = {
      {"V-FB", "output ( V )"},       {"C-FB", "output ( A )"},       {"W-FB", "output ( kVA )"},
      {"VVFB", "output ( x 0.1% )"}, {"PA  ", "output ( x 0.1% )"}, {"ZC  ", "output ( x 0.1% )"},
      {"PA-Z", "output ( x 0.1% )"}};
  for (int16_t mode = 0; mode < 7; ++mode) {
    EXPECT_EQ(ControlModeText(mode), expected[static_cast<std::size_t>(mode)].first);
    EXPECT_EQ(OutputCaptionKey(mode), expected[static_cast<std::size_t>(mode)].second);
  }
  for (const int16_t other : {int16_t{7}, int16_t{-1}, int16_t{100}}) {
    EXPECT_EQ(ControlModeText(other), "UNKNOWN");
    EXPECT_TRUE(OutputCaptionKey(other).empty());
  }
}

TEST(ControlModes, LastDigitOfRegisters0112And013D) {
  EXPECT_EQ(ControlModeFromValue(0x0000), 0);
  EXPECT_EQ(ControlModeFromValue(0x0006), 6);
  EXPECT_EQ(ControlModeFromValue(0x0014), 4);  // ends in 4
  EXPECT_EQ(ControlModeFromValue(0x0007), kUnknownControlMode);
  EXPECT_EQ(ControlModeFromValue(0x000A), kUnknownControlMode);
  EXPECT_TRUE(ClampsControlInput(0x0005));
  EXPECT_TRUE(ClampsControlInput(0x0015));
  EXPECT_FALSE(ClampsControlInput(0x0050));
  EXPECT_FALSE(ClampsControlInput(0x0004));
}

TEST(MonitorTexts, LastTextsAsNumbers) {
  EXPECT_EQ(TextToValue("523"), 523);
  EXPECT_EQ(TextToValue("-32768"), -32768);
  EXPECT_EQ(TextToValue("xxxx"), 0);
  EXPECT_EQ(TextToValue(""), 0);
  EXPECT_EQ(BitString(0x0008, 4), "O _ _ _");
}

}  // namespace
}  // namespace klv
