#include "editor/option_box_rules.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <tuple>

#include "editor/screen_layout.h"

namespace klv {
namespace {

// The controls an option box governs, as (kind, first number, second number).
using Controls = std::set<std::tuple<char, int, int>>;

// What differs between the layout with the option off and with it on: the
// box must govern exactly those controls.
Controls Differences(const ScreenLayout& off, const ScreenLayout& on) {
  Controls changed;
  for (const RadioGroup group : AllRadioGroups()) {
    const int g = static_cast<int>(group);
    if (off.groups[static_cast<std::size_t>(g)] != on.groups[static_cast<std::size_t>(g)]) changed.insert({'g', g, 0});
    for (int button = 0; button < ButtonCount(group); ++button) {
      if (off.ButtonEnabled(group, button) != on.ButtonEnabled(group, button)) changed.insert({'b', g, button});
    }
  }
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    if (off.fields[i] != on.fields[i]) changed.insert({'f', static_cast<int>(i), 0});
    if (off.colons[i] != on.colons[i]) changed.insert({'c', static_cast<int>(i), 0});
  }
  if (off.scalingBox != on.scalingBox) changed.insert({'s', 0, 0});
  return changed;
}

Controls Governed(const OptionBoxEffect& effect) {
  Controls governed;
  for (const OptionGroupButtons& entry : effect.groups) {
    governed.insert({'g', static_cast<int>(entry.group), 0});
    for (const int button : entry.buttons) governed.insert({'b', static_cast<int>(entry.group), button});
  }
  if (effect.alarmOutput2) {
    for (const RadioGroup group : {RadioGroup::FuseMelted, RadioGroup::PowerSupplyError, RadioGroup::CurrentError,
                                   RadioGroup::HardwareError, RadioGroup::TemperatureError, RadioGroup::HeaterBreak}) {
      governed.insert({'b', static_cast<int>(group), 1});
    }
  }
  for (const EditField field : effect.fields) governed.insert({'f', static_cast<int>(field), 0});
  for (const EditField field : effect.colons) governed.insert({'c', static_cast<int>(field), 0});
  if (effect.scalingBox) governed.insert({'s', 0, 0});
  return governed;
}

TEST(OptionBoxRules, EachBoxGovernsWhatTheLayoutsTieToItsOption) {
  const struct {
    int box;
    ModelKind model;
    uint16_t flagsOn;
    uint16_t detectOn;
  } cases[] = {
      {0, ModelKind::Klv30, 0, 1}, {0, ModelKind::Klv30E, 0, 1}, {1, ModelKind::Klv40, 0x1, 0},
      {2, ModelKind::Klv40, 0x2, 0}, {3, ModelKind::Klv40, 0x4, 0}, {4, ModelKind::Klv40, 0x8, 0},
  };
  for (const auto& c : cases) {
    const ScreenLayout off = LayoutFor(c.model, 0, 0, 0);
    const ScreenLayout on = LayoutFor(c.model, c.flagsOn, c.detectOn, 0);
    const Controls expected = Differences(off, on);
    ASSERT_FALSE(expected.empty()) << "box " << c.box;
    EXPECT_EQ(Governed(EffectOfOptionBox(c.box)), expected) << "box " << c.box;
  }
}

TEST(OptionBoxRules, OnlyTheDetectionBoxResetsTheLimiterAndLocksTheVolumes) {
  for (int box = 0; box < kOptionBoxCount; ++box) {
    const OptionBoxEffect effect = EffectOfOptionBox(box);
    EXPECT_EQ(effect.limiterToNumberWhenCleared, box == 0) << box;
    EXPECT_EQ(effect.locksVolumes, box == 0) << box;
  }
  const OptionBoxEffect none = EffectOfOptionBox(kOptionBoxCount);
  EXPECT_TRUE(none.groups.empty() && none.fields.empty() && !none.scalingBox && !none.alarmOutput2);
}

}  // namespace
}  // namespace klv
