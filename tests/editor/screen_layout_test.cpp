#include "editor/screen_layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace klv {
namespace {

constexpr ModelKind kUnknownModel = static_cast<ModelKind>(7);

using States = std::vector<std::optional<bool>>;

// One word for each part of the screen that a layout can enable, in screen
// order; a part whose controls disagree shows as "word?".
std::string EnabledParts(const ScreenLayout& layout) {
  std::string words;
  const auto part = [&words](const char* word, const States& states) {
    int on = 0;
    for (const std::optional<bool>& state : states) on += state.value_or(false) ? 1 : 0;
    if (on == 0) return;
    if (!words.empty()) words += ' ';
    words += word;
    if (on != static_cast<int>(states.size())) words += '?';
  };
  const auto group = [&layout](RadioGroup which) { return layout.groups[static_cast<std::size_t>(which)]; };
  const auto field = [&layout](EditField which) { return layout.fields[static_cast<std::size_t>(which)]; };
  const auto colon = [&layout](EditField which) { return layout.colons[static_cast<std::size_t>(which)]; };
  // An alarm group with its "AL1" and "non".
  const auto alarm = [&](RadioGroup which) {
    return States{group(which), layout.ButtonEnabled(which, 0), layout.ButtonEnabled(which, 2)};
  };
  const auto both = [](States a, const States& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
  };
  part("fuse", alarm(RadioGroup::FuseMelted));
  part("alarms", both(both(alarm(RadioGroup::PowerSupplyError), alarm(RadioGroup::CurrentError)),
                      both(alarm(RadioGroup::HardwareError), alarm(RadioGroup::HeaterBreak))));
  part("temperature", alarm(RadioGroup::TemperatureError));
  States alarmOutput2;
  for (const RadioGroup which : {RadioGroup::FuseMelted, RadioGroup::PowerSupplyError, RadioGroup::CurrentError,
                                 RadioGroup::HardwareError, RadioGroup::TemperatureError, RadioGroup::HeaterBreak}) {
    alarmOutput2.push_back(layout.ButtonEnabled(which, 1));
  }
  part("al2", alarmOutput2);
  part("breakCurrent", {field(EditField::HeaterBreakCurrent)});
  part("limiter", {group(RadioGroup::CurrentLimiter), layout.ButtonEnabled(RadioGroup::CurrentLimiter, 0),
                   layout.ButtonEnabled(RadioGroup::CurrentLimiter, 2), field(EditField::CurrentLimiter)});
  part("vr3", {layout.ButtonEnabled(RadioGroup::CurrentLimiter, 3)});
  part("do", {group(RadioGroup::Do1), group(RadioGroup::Do2), layout.ButtonEnabled(RadioGroup::Do2, 3)});
  part("di", {group(RadioGroup::Di1), group(RadioGroup::Di2), group(RadioGroup::Di3),
              layout.ButtonEnabled(RadioGroup::Di1, 2)});
  part("boot", {layout.bootLimiterBox, field(EditField::BootLimiter), field(EditField::BootLimiterTime),
                colon(EditField::BootLimiter), colon(EditField::BootLimiterTime)});
  part("analogIn", {group(RadioGroup::AnalogInput)});
  part("analogOut", {group(RadioGroup::AnalogOutput)});
  part("scaling", {layout.scalingBox, field(EditField::ScaleLow), field(EditField::ScaleHigh)});
  part("colons", {colon(EditField::ScaleLow), colon(EditField::ScaleHigh)});
  part("input", {group(RadioGroup::ControlInput)});
  part("powerDip", {group(RadioGroup::PowerDip), layout.ButtonEnabled(RadioGroup::PowerDip, 1)});
  part("oneSeries", {layout.oneSeriesOptions});
  part("klv40", {layout.klv40Options});
  return words;
}

TEST(ScreenLayout, ModelAndOptionsEnableTheirParts) {
  const struct {
    ModelKind model;
    uint16_t flags;
    uint16_t detect;
    std::string parts;
  } cases[] = {
      {ModelKind::Klv40, 0x0, 0,
       "fuse alarms temperature breakCurrent limiter vr3 di boot input powerDip klv40"},
      {ModelKind::Klv40, 0x1, 0,
       "fuse alarms temperature breakCurrent limiter vr3 di boot analogIn input powerDip klv40"},
      {ModelKind::Klv40, 0x2, 0,
       "fuse alarms temperature al2 breakCurrent limiter vr3 di boot input powerDip klv40"},
      {ModelKind::Klv40, 0x4, 0,
       "fuse alarms temperature breakCurrent limiter vr3 do di boot input powerDip klv40"},
      {ModelKind::Klv40, 0x8, 0,
       "fuse alarms temperature breakCurrent limiter vr3 di boot analogOut scaling colons input powerDip klv40"},
      {ModelKind::Klv40, 0xF, 0,
       "fuse alarms temperature al2 breakCurrent limiter vr3 do di boot analogIn analogOut scaling colons input "
       "powerDip klv40"},
      // Bits beyond the four options and the one-series detection change nothing.
      {ModelKind::Klv40, 0xFFF0, 1,
       "fuse alarms temperature breakCurrent limiter vr3 di boot input powerDip klv40"},
      {ModelKind::Klv30, 0x0, 0, "input powerDip oneSeries"},
      {ModelKind::Klv30, 0xF, 0, "input powerDip oneSeries"},
      {ModelKind::Klv30, 0x0, 1, "alarms breakCurrent limiter input powerDip oneSeries"},
      {ModelKind::Klv30E, 0x0, 0, "scaling powerDip oneSeries"},
      {ModelKind::Klv30E, 0xF, 1, "alarms breakCurrent limiter scaling powerDip oneSeries"},
      {kUnknownModel, 0x0, 0, "scaling powerDip oneSeries"},
      {kUnknownModel, 0xF, 1, "alarms breakCurrent limiter scaling powerDip oneSeries"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EnabledParts(LayoutFor(c.model, c.flags, c.detect, 0)), c.parts)
        << ModelName(c.model) << " flags " << c.flags << " detect " << c.detect;
  }
}

TEST(ScreenLayout, ModelDecidesCaptionsAndShownRows) {
  const struct {
    ModelKind model;
    ModelKind arranged;
    TextId slowCaption;
    TextId slowUpLabel;
    bool slowDownShown;
    TextId scalingCaption;
    bool linearInput;
    bool inputKindShown;
    std::string_view oneSeriesCaption;
  } cases[] = {
      {ModelKind::Klv40, ModelKind::Klv40, TextId::SlowUpSlowDown, TextId::SlowUp, true, TextId::AnalogOutputScaling,
       false, true, "KLV30"},
      {ModelKind::Klv30, ModelKind::Klv30, TextId::VariationLimit, TextId::VariationLimit, false,
       TextId::AnalogOutputScaling, true, false, "KLV30"},
      {ModelKind::Klv30E, ModelKind::Klv30E, TextId::SlowUpSlowDown, TextId::SlowUp, true,
       TextId::ControlInputScaling, true, false, "KLV30E"},
      {kUnknownModel, ModelKind::Klv30E, TextId::SlowUpSlowDown, TextId::SlowUp, true, TextId::ControlInputScaling,
       true, false, "KLV30E"},
  };
  for (const auto& c : cases) {
    const ScreenLayout layout = LayoutFor(c.model, 0xF, 1, 0);
    const std::string model(ModelName(c.model));
    EXPECT_EQ(layout.model, c.arranged) << model;
    EXPECT_EQ(layout.slowCaption, c.slowCaption) << model;
    EXPECT_EQ(layout.slowUpLabel, c.slowUpLabel) << model;
    EXPECT_EQ(layout.slowDownShown, c.slowDownShown) << model;
    EXPECT_EQ(layout.scalingCaption, c.scalingCaption) << model;
    EXPECT_EQ(layout.linearInput, c.linearInput) << model;
    EXPECT_EQ(layout.inputKindShown, c.inputKindShown) << model;
    EXPECT_EQ(layout.oneSeriesCaption, c.oneSeriesCaption) << model;
  }
}

TEST(ScreenLayout, ControlInputButtonsFollowModelAndRange) {
  // Bit i: button i (4-20mA, 0-20mA, 0-1V, 1-5V, 0-10V, Potential, Contact, Voltage pulse) is enabled.
  const struct {
    ModelKind model;
    int16_t range;
    unsigned enabled;
  } cases[] = {
      {ModelKind::Klv40, 0, 0b00000011},  {ModelKind::Klv40, 1, 0b00000011}, {ModelKind::Klv40, -1, 0b00000011},
      {ModelKind::Klv40, 2, 0b11111100},  {ModelKind::Klv40, 7, 0b11111100}, {ModelKind::Klv40, 300, 0b11111100},
      {ModelKind::Klv30, 0, 0b01000001},  {ModelKind::Klv30, 6, 0b01000001}, {ModelKind::Klv30E, 0, 0},
      {ModelKind::Klv30E, 6, 0},          {kUnknownModel, 3, 0},
  };
  for (const auto& c : cases) {
    const ScreenLayout layout = LayoutFor(c.model, 0, 0, c.range);
    unsigned enabled = 0;
    for (int i = 0; i < static_cast<int>(kControlInputCount); ++i) {
      enabled |= layout.ButtonEnabled(RadioGroup::ControlInput, i).value_or(false) ? 1u << i : 0u;
    }
    EXPECT_EQ(enabled, c.enabled) << ModelName(c.model) << " range " << c.range;
  }
}

TEST(ScreenLayout, SpinRangesAndTheControlsNoLayoutTouches) {
  const struct {
    ModelKind model;
    SpinRange limiter;
    SpinRange scaleLow;
    SpinRange scaleHigh;
  } cases[] = {
      {ModelKind::Klv40, {0, 120}, {0, 1000}, {0, 1000}},
      {ModelKind::Klv30, {0, 120}, {0, 1000}, {0, 1000}},
      {ModelKind::Klv30E, {10, 120}, {0, 200}, {800, 1000}},
      {kUnknownModel, {10, 120}, {0, 200}, {800, 1000}},
  };
  for (const auto& c : cases) {
    const ScreenLayout layout = LayoutFor(c.model, 0xF, 1, 0);
    const auto range = [&layout](EditField field) { return layout.spinRanges[static_cast<std::size_t>(field)]; };
    const std::string model(ModelName(c.model));
    EXPECT_EQ(range(EditField::CurrentLimiter), c.limiter) << model;
    EXPECT_EQ(range(EditField::ScaleLow), c.scaleLow) << model;
    EXPECT_EQ(range(EditField::ScaleHigh), c.scaleHigh) << model;
    // The key lock, the ramps and the slow-up/slow-down fields keep their
    // states and ranges on every model.
    for (const RadioGroup group : {RadioGroup::KeyLock, RadioGroup::RampLowerLimit, RadioGroup::RampUpperSelection}) {
      EXPECT_EQ(layout.groups[static_cast<std::size_t>(group)], std::nullopt) << model;
    }
    for (const EditField field : {EditField::RampLowerLimit, EditField::RampUpperSetting, EditField::SlowUp,
                                  EditField::SlowDown}) {
      EXPECT_EQ(layout.fields[static_cast<std::size_t>(field)], std::nullopt) << model;
      EXPECT_EQ(range(field), std::nullopt) << model;
    }
    for (const EditField field : {EditField::HeaterBreakCurrent, EditField::BootLimiter, EditField::BootLimiterTime}) {
      EXPECT_EQ(range(field), std::nullopt) << model;
    }
  }
}

}  // namespace
}  // namespace klv
