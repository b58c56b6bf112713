#include <gtest/gtest.h>

#include <algorithm>

#include <optional>
#include <string>

#include "editor/field_rules.h"

namespace klv {
namespace {

using Text = std::optional<std::string>;

TEST(SimpleRange, TypingKeepsTheFieldWithinItsBounds) {
  const struct {
    EditField field;
    int n;
    Text text;
  } cases[] = {
      {EditField::HeaterBreakCurrent, 150, "100"},
      {EditField::HeaterBreakCurrent, 100, std::nullopt},
      {EditField::HeaterBreakCurrent, 0, std::nullopt},
      {EditField::HeaterBreakCurrent, -1, "0"},
      {EditField::SlowUp, -25536, "0"},  // 40000 typed
      {EditField::SlowUp, 1000, "999"},
      {EditField::SlowDown, 999, std::nullopt},
      {EditField::BootLimiter, 1000, std::nullopt},
      {EditField::BootLimiter, 1001, "1000"},
      {EditField::BootLimiterTime, 4464, "999"},  // 70000 typed
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SimpleRangeOnChange(c.field, c.n), c.text) << static_cast<int>(c.field) << " " << c.n;
  }
}

TEST(FieldChecks, OnlyTheSimpleRangesAndTheLimiterAreCheckedWhileTyping) {
  const struct {
    EditField field;
    bool whileTyping;
  } cases[] = {
      {EditField::HeaterBreakCurrent, true}, {EditField::SlowUp, true},           {EditField::SlowDown, true},
      {EditField::BootLimiter, true},        {EditField::BootLimiterTime, true},  {EditField::CurrentLimiter, true},
      {EditField::RampLowerLimit, false},    {EditField::RampUpperSetting, false}, {EditField::ScaleLow, false},
      {EditField::ScaleHigh, false},
  };
  for (const auto& c : cases) EXPECT_EQ(CheckedWhileTyping(c.field), c.whileTyping) << static_cast<int>(c.field);
}

TEST(SimpleRange, LeavingTheField) {
  // The heater break current only refills an empty field, ready or not.
  EXPECT_EQ(SimpleRangeOnLeave(EditField::HeaterBreakCurrent, "", 0, false), Text("0"));
  EXPECT_EQ(SimpleRangeOnLeave(EditField::HeaterBreakCurrent, "", 0, true), Text("0"));
  EXPECT_EQ(SimpleRangeOnLeave(EditField::HeaterBreakCurrent, "0", 0, true), std::nullopt);
  EXPECT_EQ(SimpleRangeOnLeave(EditField::HeaterBreakCurrent, "-3", -3, true), std::nullopt);
  // The others turn 0 or less into "0" (an empty field too), only when ready.
  EXPECT_EQ(SimpleRangeOnLeave(EditField::SlowUp, "", 0, true), Text("0"));
  EXPECT_EQ(SimpleRangeOnLeave(EditField::SlowDown, "-4", -4, true), Text("0"));
  EXPECT_EQ(SimpleRangeOnLeave(EditField::BootLimiter, "", 0, false), std::nullopt);
  EXPECT_EQ(SimpleRangeOnLeave(EditField::BootLimiterTime, "5", 5, true), std::nullopt);
}

TEST(Scaling, LeavingKeepsEachModelsLimits) {
  const struct {
    EditField field;
    ModelKind model;
    int n;
    Text text;
  } cases[] = {
      {EditField::ScaleLow, ModelKind::Klv30E, -5, "0"},
      {EditField::ScaleLow, ModelKind::Klv30E, 200, std::nullopt},
      {EditField::ScaleLow, ModelKind::Klv30E, 201, "200"},
      {EditField::ScaleHigh, ModelKind::Klv30E, 799, "800"},
      {EditField::ScaleHigh, ModelKind::Klv30E, 800, std::nullopt},
      {EditField::ScaleHigh, ModelKind::Klv30E, 1000, std::nullopt},
      {EditField::ScaleHigh, ModelKind::Klv30E, 1001, "1000"},
      {EditField::ScaleLow, ModelKind::Klv40, 201, std::nullopt},
      {EditField::ScaleLow, ModelKind::Klv40, 1001, "1000"},
      {EditField::ScaleLow, ModelKind::Klv40, -1, "0"},
      {EditField::ScaleHigh, ModelKind::Klv40, 500, std::nullopt},
      {EditField::ScaleHigh, ModelKind::Klv40, -1, "0"},
      {EditField::ScaleHigh, ModelKind::Klv30, 4464, "1000"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScalingOnLeave(c.field, c.n, c.model), c.text)
        << static_cast<int>(c.field) << " model " << static_cast<int>(c.model) << " n " << c.n;
  }
}

TEST(RampLimits, LeavingTheHigherLimitMovesTheLowerOneBelowIt) {
  // Higher 300, lower 500: the lower becomes 299, its spin stops at 299.
  const RampAdjustment below = RampOnHigherLeave(500, 300);
  EXPECT_EQ(below.higherText, std::nullopt);
  EXPECT_EQ(below.lowerText, Text("299"));
  EXPECT_EQ(below.lowerSpinUpper, 299);
  // Higher 0 becomes 1, and the lower limit 0.
  const RampAdjustment zero = RampOnHigherLeave(500, 0);
  EXPECT_EQ(zero.higherText, Text("1"));
  EXPECT_EQ(zero.lowerText, Text("0"));
  EXPECT_EQ(zero.lowerSpinUpper, 0);
  const RampAdjustment above = RampOnHigherLeave(100, 4464);
  EXPECT_EQ(above.higherText, Text("1000"));
  EXPECT_EQ(above.lowerText, std::nullopt);
  EXPECT_EQ(above.lowerSpinUpper, 999);
}

TEST(RampLimits, ChoosingNumberAndLeavingTheLowerLimit) {
  const RampAdjustment equal = RampOnNumberClick(400, 400);
  EXPECT_EQ(equal.lowerText, Text("399"));
  EXPECT_EQ(equal.lowerSpinUpper, 399);
  const RampAdjustment fine = RampOnNumberClick(0, 1000);
  EXPECT_EQ(fine.lowerText, std::nullopt);
  EXPECT_EQ(fine.lowerSpinUpper, 999);

  EXPECT_EQ(RampOnLowerLeave(-7, 1000), Text("0"));
  EXPECT_EQ(RampOnLowerLeave(0, 1000), Text("0"));
  EXPECT_EQ(RampOnLowerLeave(1, 1000), std::nullopt);
  EXPECT_EQ(RampOnLowerLeave(999, 1000), std::nullopt);
  EXPECT_EQ(RampOnLowerLeave(1000, 1000), Text("999"));
  EXPECT_EQ(RampOnLowerLeave(600, 300), Text("299"));
}

TEST(CurrentLimiter, LeavingBelowTheMinimum) {
  const struct {
    ModelKind model;
    int n;
    Text text;
    int value;
  } cases[] = {
      {ModelKind::Klv40, 5, "off", 0},
      {ModelKind::Klv40, 0, "off", 0},
      {ModelKind::Klv40, 10, std::nullopt, 10},
      {ModelKind::Klv40, 150, "120", 150},  // compared as read
      {ModelKind::Klv30E, 5, "10", 10},
      {ModelKind::Klv30E, 0, "10", 10},
      {ModelKind::Klv30, 5, std::nullopt, 5},
      {ModelKind::Klv30, 0, std::nullopt, 0},
      {ModelKind::Klv30, -3, "off", 0},
      {ModelKind::Klv30, 121, "120", 121},
  };
  for (const auto& c : cases) {
    const LimiterCorrection result = CurrentLimiterOnLeave(c.n, c.model);
    EXPECT_EQ(result.text, c.text) << static_cast<int>(c.model) << " " << c.n;
    EXPECT_EQ(result.value, c.value) << static_cast<int>(c.model) << " " << c.n;
  }
  EXPECT_EQ(CurrentLimiterMinimum(ModelKind::Klv40), 10);
  EXPECT_EQ(CurrentLimiterMinimum(ModelKind::Klv30E), 10);
  EXPECT_EQ(CurrentLimiterMinimum(ModelKind::Klv30), 0);
}

TEST(CurrentLimiter, ChangesBelowTheMinimum) {
  // Written by the program: below the minimum becomes "0".
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv40, false).text, Text("0"));
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv40, false).value, 0);
  EXPECT_EQ(CurrentLimiterOnChange(9, ModelKind::Klv30E, false).text, Text("0"));
  EXPECT_EQ(CurrentLimiterOnChange(0, ModelKind::Klv40, false).text, std::nullopt);
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv30, false).text, std::nullopt);
  EXPECT_EQ(CurrentLimiterOnChange(-5, ModelKind::Klv30, false).text, Text("0"));
  EXPECT_EQ(CurrentLimiterOnChange(55, ModelKind::Klv40, false).text, std::nullopt);
  // Typed: the first digit of "50" stays until the field is left.
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv40, true).text, std::nullopt);
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv40, true).value, 5);
  EXPECT_EQ(CurrentLimiterOnChange(5, ModelKind::Klv30E, true).text, std::nullopt);
  // Above 120 is cut either way, compared as read.
  for (const bool typed : {false, true}) {
    EXPECT_EQ(CurrentLimiterOnChange(121, ModelKind::Klv40, typed).text, Text("120"));
    EXPECT_EQ(CurrentLimiterOnChange(121, ModelKind::Klv40, typed).value, 121);
  }
}

// Where one step of the spin button lands, within the range the layout gives.
int SpinLandsOn(int n, int direction, ModelKind model, int lower, int upper) {
  const SpinMove move = CurrentLimiterSpin(n, SpinMove{n, direction}, model);
  return std::clamp(move.position + move.step, lower, upper);
}

TEST(CurrentLimiter, SpinSkipsOneToNine) {
  EXPECT_EQ(SpinLandsOn(0, 1, ModelKind::Klv40, 0, 120), 10);
  EXPECT_EQ(SpinLandsOn(10, -1, ModelKind::Klv40, 0, 120), 0);
  EXPECT_EQ(SpinLandsOn(7, 1, ModelKind::Klv40, 0, 120), 10);
  EXPECT_EQ(SpinLandsOn(1, 1, ModelKind::Klv40, 0, 120), 10);
  EXPECT_EQ(SpinLandsOn(10, 1, ModelKind::Klv40, 0, 120), 11);
  EXPECT_EQ(SpinLandsOn(11, -1, ModelKind::Klv40, 0, 120), 10);
  EXPECT_EQ(SpinLandsOn(120, 1, ModelKind::Klv40, 0, 120), 120);
  // A KLV30E's range starts at 10: down from 10 stays there.
  EXPECT_EQ(SpinLandsOn(10, -1, ModelKind::Klv30E, 10, 120), 10);
  EXPECT_EQ(SpinLandsOn(0, 1, ModelKind::Klv30E, 10, 120), 10);
  // A KLV30 moves one at a time.
  EXPECT_EQ(SpinLandsOn(0, 1, ModelKind::Klv30, 0, 120), 1);
  EXPECT_EQ(SpinLandsOn(10, -1, ModelKind::Klv30, 0, 120), 9);
}

}  // namespace
}  // namespace klv
