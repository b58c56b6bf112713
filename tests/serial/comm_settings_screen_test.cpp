#include "serial/comm_settings_screen.h"

#include <gtest/gtest.h>

namespace klv {
namespace {

struct OpeningCase {
  const char* name;
  CommSettings stored;
  CommSettingsMarks marks;
  CommSettings corrected;
};

CommSettings Record(int32_t port, int32_t plus12, int32_t speed, int32_t parity, int32_t stopBits, int32_t timeout,
                    int32_t address, Protocol protocol, int32_t sampling, int32_t duration) {
  return {port, plus12, speed, parity, stopBits, timeout, address, protocol, sampling, duration};
}

CommSettingsMarks Marks(int port, bool plus12, int speed, int parity, int stopBits, int timeout, int protocol,
                        int sampling, int duration, int32_t address) {
  return {port, plus12, speed, parity, stopBits, timeout, protocol, sampling, duration, address};
}

class OpeningTest : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(OpeningTest, MarksTheRecordAndCorrectsWhatCannotBeShown) {
  CommSettings settings = GetParam().stored;
  EXPECT_EQ(MarksForOpening(settings), GetParam().marks);
  EXPECT_EQ(settings, GetParam().corrected);
}

INSTANTIATE_TEST_SUITE_P(
    Records, OpeningTest,
    ::testing::Values(
        OpeningCase{"every_second_choice", Record(5, 1, 9600, 2, 2, 100, 42, Protocol::ModbusRtu, 60, 3600),
                    Marks(4, true, 1, 1, 1, 1, 0, 1, 1, 42),
                    Record(5, 1, 9600, 2, 2, 100, 42, Protocol::ModbusRtu, 60, 3600)},
        OpeningCase{"last_choices", Record(12, 0, 19200, 3, 1, 200, 99, Protocol::Torvalek, 300, 86400),
                    Marks(11, false, 0, 2, 0, 2, 0, 2, 2, 99),
                    Record(12, 0, 19200, 3, 1, 200, 99, Protocol::Torvalek, 300, 86400)},
        // A damaged record: every value outside its choices.
        OpeningCase{"damaged", Record(13, 7, 4800, 9, 0, 150, 0, Protocol::ModbusAscii, 11, 0),
                    Marks(0, true, 1, 2, 1, 2, 0, 0, 0, 1),
                    Record(13, 7, 4800, 9, 0, 150, 1, Protocol::ModbusAscii, 10, 600)},
        OpeningCase{"address_too_high", Record(0, 0, 9600, 1, 1, 50, 150, Protocol::Torvalek, 10, 600),
                    Marks(0, false, 1, 0, 0, 0, 0, 0, 0, 99),
                    Record(0, 0, 9600, 1, 1, 50, 99, Protocol::Torvalek, 10, 600)}),
    [](const auto& info) { return std::string(info.param.name); });

struct AcceptCase {
  const char* name;
  CommSettingsMarks marks;
  CommSettings accepted;
};

class AcceptTest : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(AcceptTest, GivesTheRecordOfTheMarks) {
  // What the screen does not show comes from the record shown, which here
  // differs from every result.
  const CommSettings shown = Record(3, 0, 9600, 2, 2, 100, 50, Protocol::ModbusRtu, 60, 3600);
  EXPECT_EQ(SettingsFromMarks(shown, GetParam().marks), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Marks, AcceptTest,
    ::testing::Values(
        AcceptCase{"first_choices", Marks(0, false, 0, 0, 0, 0, 0, 0, 0, 1),
                   Record(1, 0, 19200, 1, 1, 50, 1, Protocol::Torvalek, 10, 600)},
        AcceptCase{"plus12_com05", Marks(4, true, 1, 2, 1, 1, 0, 2, 2, 7),
                   Record(5, 1, 9600, 3, 2, 100, 7, Protocol::Torvalek, 300, 86400)},
        // Nothing marked anywhere: the screen's own fallbacks.
        AcceptCase{"none_marked", Marks(-1, false, -1, -1, -1, -1, -1, -1, -1, 0),
                   Record(1, 0, 19200, 1, 2, 200, 1, Protocol::ModbusAscii, 10, 600)},
        AcceptCase{"modbus_rtu_marked", Marks(11, false, 0, 1, 0, 2, 1, 1, 1, 150),
                   Record(12, 0, 19200, 2, 1, 200, 99, Protocol::ModbusRtu, 60, 3600)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(AddressFromTextTest, ReadsLeadingDigitsAndClamps) {
  const std::pair<const char*, int32_t> cases[] = {
      {"42", 42}, {"150", 99}, {"abc", 1}, {"-3", 1}, {"", 1}, {"7x9", 7}, {"0", 1}, {"99999999999999999999", 99},
  };
  for (const auto& [text, address] : cases) EXPECT_EQ(AddressFromText(text), address) << text;
}

TEST(PortButtonCaptionTest, NumbersFollowPlus12) {
  EXPECT_EQ(PortButtonCaption(0, false), "COM01");
  EXPECT_EQ(PortButtonCaption(11, false), "COM12");
  EXPECT_EQ(PortButtonCaption(0, true), "COM13");
  EXPECT_EQ(PortButtonCaption(11, true), "COM24");
}

}  // namespace
}  // namespace klv
