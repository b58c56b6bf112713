#include "editor/screen_mapping.h"

#include <gtest/gtest.h>

#include <string>

namespace klv {
namespace {

TEST(ReadEditNumber, ReadsLikeTheScreen) {
  const struct {
    std::string text;
    int16_t value;
  } cases[] = {
      {"12", 12},
      {"012", 12},
      {"+12", 12},
      {"-12", -12},
      {"   12", 12},
      {"\t 12", 12},
      {"7x", 7},
      {"12 34", 12},
      {"abc", 0},
      {"off", 0},
      {"", 0},
      {"-", 0},
      {"+-3", 0},
      {" - 3", 0},
      {"1000", 1000},
      {"32767", 32767},
      {"32768", -32768},
      {"40000", -25536},
      {"70000", 4464},
      {"65536", 0},
      {"-70000", -4464},
      // Far beyond any integer type: still exactly the low 16 bits.
      {"123456789012345678901234567890", 0x0AD2},
      {"\xef\xbc\x91", 0},  // a full-width digit is not a digit here
  };
  for (const auto& c : cases) EXPECT_EQ(ReadEditNumber(c.text), c.value) << '"' << c.text << '"';
}

TEST(EditText, SignedDecimalWithoutLeadingZeros) {
  EXPECT_EQ(EditText(0), "0");
  EXPECT_EQ(EditText(1000), "1000");
  EXPECT_EQ(EditText(-2), "-2");
  EXPECT_EQ(EditText(-32768), "-32768");
}

struct MappingCase {
  RadioGroup group;
  ModelKind model;
  int16_t value;
  int shown;     // the button ShowParameters checks
  int16_t read;  // what ReadScreen gives back with that button
};

// Every group with its choices and the values outside them.
const MappingCase kMappingCases[] = {
    {RadioGroup::KeyLock, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::KeyLock, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::KeyLock, ModelKind::Klv40, 2, 0, 0},
    {RadioGroup::KeyLock, ModelKind::Klv40, -1, 0, 0},
    {RadioGroup::FuseMelted, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::FuseMelted, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::FuseMelted, ModelKind::Klv40, 2, 2, 2},
    {RadioGroup::FuseMelted, ModelKind::Klv40, 7, 2, 2},
    {RadioGroup::FuseMelted, ModelKind::Klv30, 1, 1, 1},  // not one of the one-series alarms
    {RadioGroup::TemperatureError, ModelKind::Klv30E, -1, 2, 2},
    {RadioGroup::PowerSupplyError, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::PowerSupplyError, ModelKind::Klv40, 2, 2, 2},
    {RadioGroup::PowerSupplyError, ModelKind::Klv30, 0, 0, 0},
    {RadioGroup::PowerSupplyError, ModelKind::Klv30, 1, 2, 1},
    {RadioGroup::CurrentError, ModelKind::Klv30, 2, 2, 1},  // a KLV40 "non" in a KLV30 file
    {RadioGroup::HardwareError, ModelKind::Klv30E, 1, 2, 1},
    {RadioGroup::HeaterBreak, ModelKind::Klv30E, -5, 2, 1},
    {RadioGroup::HeaterBreak, ModelKind::Klv40, -5, 2, 2},
    {RadioGroup::RampLowerLimit, ModelKind::Klv40, -2, 2, -2},
    {RadioGroup::RampLowerLimit, ModelKind::Klv40, -1, 1, -1},
    {RadioGroup::RampLowerLimit, ModelKind::Klv40, -3, kNumberButton, -3},  // the edit holds -3
    {RadioGroup::RampUpperSelection, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::RampUpperSelection, ModelKind::Klv40, -1, 1, -1},
    {RadioGroup::RampUpperSelection, ModelKind::Klv40, -2, 2, -2},
    {RadioGroup::RampUpperSelection, ModelKind::Klv40, 5, 0, 0},
    {RadioGroup::RampUpperSelection, ModelKind::Klv40, -9, 0, 0},
    {RadioGroup::CurrentLimiter, ModelKind::Klv40, -4, kNoButton, -4},
    {RadioGroup::CurrentLimiter, ModelKind::Klv40, -3, 3, -3},
    {RadioGroup::CurrentLimiter, ModelKind::Klv30, -2, 2, -2},
    {RadioGroup::CurrentLimiter, ModelKind::Klv30E, -1, 1, -1},
    {RadioGroup::CurrentLimiter, ModelKind::Klv40, 0, kNumberButton, 0},
    {RadioGroup::CurrentLimiter, ModelKind::Klv40, -5, kNumberButton, -5},
    {RadioGroup::Do1, ModelKind::Klv40, 2, 2, 2},
    {RadioGroup::Do2, ModelKind::Klv40, 3, 3, 3},
    {RadioGroup::Do2, ModelKind::Klv40, 9, 3, 3},
    {RadioGroup::Di1, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::Di2, ModelKind::Klv40, 2, 2, 2},
    {RadioGroup::Di2, ModelKind::Klv40, -1, 2, 2},
    {RadioGroup::Di3, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::Di3, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::Di3, ModelKind::Klv40, 5, kNoButton, 1},
    {RadioGroup::AnalogInput, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::AnalogInput, ModelKind::Klv40, 3, 1, 1},
    {RadioGroup::AnalogOutput, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::AnalogOutput, ModelKind::Klv40, -1, 1, 1},
    {RadioGroup::ControlInput, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::ControlInput, ModelKind::Klv40, 7, 7, 7},
    {RadioGroup::ControlInput, ModelKind::Klv30E, 3, 3, 3},
    {RadioGroup::PowerDip, ModelKind::Klv40, 0, 0, 0},
    {RadioGroup::PowerDip, ModelKind::Klv40, 1, 1, 1},
    {RadioGroup::PowerDip, ModelKind::Klv40, 2, kNoButton, 1},
    {RadioGroup::PowerDip, ModelKind::Klv40, -1, kNoButton, 1},
};

TEST(RadioMapping, ShowsAndReadsEveryGroup) {
  for (const MappingCase& c : kMappingCases) {
    SCOPED_TRACE(testing::Message() << "group " << static_cast<int>(c.group) << " model "
                                    << static_cast<int>(c.model) << " value " << c.value);
    const int shown = ShownButton(c.group, c.value, c.model);
    EXPECT_EQ(shown, c.shown);
    // The two "Number" groups read their edit, which shows the value.
    const auto read = ReadButton(c.group, shown, c.model, c.value);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, c.read);
  }
}

TEST(RadioMapping, ControlInputOutsideItsChoicesChecksNothingAndStaysAsItWas) {
  for (const int16_t value : {int16_t{8}, int16_t{-1}, int16_t{100}, int16_t{-32768}}) {
    EXPECT_EQ(ShownButton(RadioGroup::ControlInput, value, ModelKind::Klv40), kNoButton) << value;
  }
  EXPECT_FALSE(ReadButton(RadioGroup::ControlInput, kNoButton, ModelKind::Klv40).has_value());
}

TEST(RadioMapping, ShownButtonsStayInsideTheirGroup) {
  const int16_t probes[] = {-32768, -5, -4, -3, -2, -1, 0, 1, 2, 3, 4, 7, 8, 9, 32767};
  for (const RadioGroup group : AllRadioGroups()) {
    for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
      for (const int16_t value : probes) {
        const int shown = ShownButton(group, value, model);
        EXPECT_TRUE(shown == kNoButton || (shown >= 0 && shown < ButtonCount(group)))
            << static_cast<int>(group) << " " << value;
      }
    }
  }
}

TEST(RadioMapping, NoButtonReadsAsTheLastChoice) {
  EXPECT_EQ(ReadButton(RadioGroup::KeyLock, kNoButton, ModelKind::Klv40), 1);
  EXPECT_EQ(ReadButton(RadioGroup::FuseMelted, kNoButton, ModelKind::Klv30), 2);
  EXPECT_EQ(ReadButton(RadioGroup::CurrentError, kNoButton, ModelKind::Klv30), 1);
  EXPECT_EQ(ReadButton(RadioGroup::CurrentError, kNoButton, ModelKind::Klv40), 2);
  EXPECT_EQ(ReadButton(RadioGroup::RampLowerLimit, kNoButton, ModelKind::Klv40), -2);
  EXPECT_EQ(ReadButton(RadioGroup::RampUpperSelection, kNoButton, ModelKind::Klv40), -2);
  EXPECT_EQ(ReadButton(RadioGroup::CurrentLimiter, kNoButton, ModelKind::Klv40), -4);
  EXPECT_EQ(ReadButton(RadioGroup::Do1, kNoButton, ModelKind::Klv40), 3);
  EXPECT_EQ(ReadButton(RadioGroup::Di1, kNoButton, ModelKind::Klv40), 2);
  EXPECT_EQ(ReadButton(RadioGroup::Di3, kNoButton, ModelKind::Klv40), 1);
  EXPECT_EQ(ReadButton(RadioGroup::AnalogOutput, kNoButton, ModelKind::Klv40), 1);
  EXPECT_EQ(ReadButton(RadioGroup::PowerDip, kNoButton, ModelKind::Klv40), 1);
}

TEST(RadioMapping, GroupsHoldTheirSlots) {
  EXPECT_EQ(GroupSlot(RadioGroup::KeyLock), 0u);
  EXPECT_EQ(GroupSlot(RadioGroup::Do1), 7u);
  EXPECT_EQ(GroupSlot(RadioGroup::RampUpperSelection), 10u);
  EXPECT_EQ(GroupSlot(RadioGroup::CurrentLimiter), 14u);
  EXPECT_EQ(GroupSlot(RadioGroup::Di3), 18u);
  EXPECT_EQ(GroupSlot(RadioGroup::ControlInput), 25u);
  EXPECT_EQ(GroupSlot(RadioGroup::PowerDip), 26u);
  EXPECT_EQ(AllRadioGroups().size(), kRadioGroupCount);
}

TEST(ButtonStandsFor, DecidesWhetherAClickChangesTheValue) {
  // "ON" stands for any value but 0; "Number" for any value of 0 or more.
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::KeyLock, 1, 5, ModelKind::Klv40));
  EXPECT_FALSE(ButtonStandsFor(RadioGroup::KeyLock, 1, 0, ModelKind::Klv40));
  EXPECT_FALSE(ButtonStandsFor(RadioGroup::KeyLock, 0, 5, ModelKind::Klv40));
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::RampLowerLimit, kNumberButton, 0, ModelKind::Klv40));
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::CurrentLimiter, kNumberButton, 120, ModelKind::Klv40));
  EXPECT_FALSE(ButtonStandsFor(RadioGroup::CurrentLimiter, kNumberButton, -4, ModelKind::Klv40));
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::CurrentLimiter, 3, -3, ModelKind::Klv40));
  // "non" is 1 on the one-series models and 2 on a KLV40.
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::HeaterBreak, 2, 1, ModelKind::Klv30));
  EXPECT_FALSE(ButtonStandsFor(RadioGroup::HeaterBreak, 2, 1, ModelKind::Klv40));
  EXPECT_TRUE(ButtonStandsFor(RadioGroup::ControlInput, 6, 6, ModelKind::Klv30));
  EXPECT_FALSE(ButtonStandsFor(RadioGroup::ControlInput, 6, 5, ModelKind::Klv30));
}

// ---- Shared volumes ------------------------------------------------------------

using B = VolumeButton;

VolumeChecks Checks(std::initializer_list<B> checked) {
  VolumeChecks result{};
  for (const B b : checked) result[static_cast<std::size_t>(b)] = true;
  return result;
}

std::optional<bool> At(const VolumeEnables& enables, B b) { return enables[static_cast<std::size_t>(b)]; }

TEST(LockSharedVolumes, FreeVolumesAreEnabledEverywhere) {
  const VolumeEnables on40 = LockSharedVolumes(Checks({}), ModelKind::Klv40, false);
  for (const B b : {B::A1, B::A2, B::B1, B::B2, B::C1, B::C2, B::C3, B::Pos, B::Inv}) {
    EXPECT_EQ(At(on40, b), std::optional<bool>(true)) << static_cast<int>(b);
  }
  // A one-series model enables the limiter's volumes only with current
  // detection, and never touches VR3 or DI-1.
  const VolumeEnables on30 = LockSharedVolumes(Checks({}), ModelKind::Klv30, false);
  EXPECT_EQ(At(on30, B::A1), std::optional<bool>(true));
  EXPECT_EQ(At(on30, B::B2), std::optional<bool>(true));
  EXPECT_FALSE(At(on30, B::C1).has_value());
  EXPECT_FALSE(At(on30, B::C2).has_value());
  EXPECT_FALSE(At(on30, B::C3).has_value());
  EXPECT_FALSE(At(on30, B::Pos).has_value());
  const VolumeEnables detect = LockSharedVolumes(Checks({}), ModelKind::Klv30E, true);
  EXPECT_EQ(At(detect, B::C1), std::optional<bool>(true));
  EXPECT_EQ(At(detect, B::C2), std::optional<bool>(true));
}

TEST(LockSharedVolumes, OneGroupOnAVolumeLocksTheOthers) {
  const VolumeEnables rampOnVr1 = LockSharedVolumes(Checks({B::A1}), ModelKind::Klv40, false);
  EXPECT_EQ(At(rampOnVr1, B::B1), std::optional<bool>(false));
  EXPECT_EQ(At(rampOnVr1, B::C1), std::optional<bool>(false));
  EXPECT_FALSE(At(rampOnVr1, B::A1).has_value());
  // VR2 stays free.
  EXPECT_EQ(At(rampOnVr1, B::A2), std::optional<bool>(true));
  EXPECT_EQ(At(rampOnVr1, B::C2), std::optional<bool>(true));

  const VolumeEnables selectionOnVr2 = LockSharedVolumes(Checks({B::B2}), ModelKind::Klv40, false);
  EXPECT_EQ(At(selectionOnVr2, B::A2), std::optional<bool>(false));
  EXPECT_EQ(At(selectionOnVr2, B::C2), std::optional<bool>(false));

  const VolumeEnables limiterOnVr1 = LockSharedVolumes(Checks({B::C1}), ModelKind::Klv30, true);
  EXPECT_EQ(At(limiterOnVr1, B::A1), std::optional<bool>(false));
  EXPECT_EQ(At(limiterOnVr1, B::B1), std::optional<bool>(false));
}

TEST(LockSharedVolumes, TwoGroupsOnOneVolumeDisableAllThree) {
  for (const auto& pair : {Checks({B::A1, B::C1}), Checks({B::A1, B::B1}), Checks({B::B1, B::C1})}) {
    const VolumeEnables enables = LockSharedVolumes(pair, ModelKind::Klv40, false);
    for (const B b : {B::A1, B::B1, B::C1}) EXPECT_EQ(At(enables, b), std::optional<bool>(false));
  }
}

TEST(LockSharedVolumes, Vr3AndManualOperationExcludeEachOtherOnAKlv40) {
  const VolumeEnables pos = LockSharedVolumes(Checks({B::Pos}), ModelKind::Klv40, false);
  EXPECT_EQ(At(pos, B::C3), std::optional<bool>(false));
  EXPECT_FALSE(At(pos, B::Pos).has_value());
  const VolumeEnables inv = LockSharedVolumes(Checks({B::Inv}), ModelKind::Klv40, false);
  EXPECT_EQ(At(inv, B::C3), std::optional<bool>(false));
  const VolumeEnables vr3 = LockSharedVolumes(Checks({B::C3}), ModelKind::Klv40, false);
  EXPECT_EQ(At(vr3, B::Pos), std::optional<bool>(false));
  EXPECT_EQ(At(vr3, B::Inv), std::optional<bool>(false));
  const VolumeEnables both = LockSharedVolumes(Checks({B::C3, B::Pos}), ModelKind::Klv40, false);
  EXPECT_EQ(At(both, B::C3), std::optional<bool>(false));
  EXPECT_EQ(At(both, B::Pos), std::optional<bool>(false));
  EXPECT_EQ(At(both, B::Inv), std::optional<bool>(false));
  // The same checks on a KLV30 leave VR3 and DI-1 alone.
  const VolumeEnables on30 = LockSharedVolumes(Checks({B::C3, B::Pos}), ModelKind::Klv30, true);
  EXPECT_FALSE(At(on30, B::C3).has_value());
  EXPECT_FALSE(At(on30, B::Pos).has_value());
}

}  // namespace
}  // namespace klv
