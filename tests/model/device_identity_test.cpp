#include "model/device_identity.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "text/texts.h"

namespace klv {
namespace {

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
