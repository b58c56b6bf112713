#include "editor/option_box_rules.h"

namespace klv {

OptionBoxEffect EffectOfOptionBox(int index) {
  constexpr int kAl1 = 0;
  constexpr int kNon = 2;
  OptionBoxEffect effect;
  switch (index) {
    case 0:  // output current detection
      for (const RadioGroup group : {RadioGroup::PowerSupplyError, RadioGroup::CurrentError,
                                     RadioGroup::HardwareError, RadioGroup::HeaterBreak}) {
        effect.groups.push_back({group, {kAl1, kNon}});
      }
      effect.groups.push_back({RadioGroup::CurrentLimiter, {0, 1, 2}});
      effect.fields = {EditField::HeaterBreakCurrent, EditField::CurrentLimiter};
      effect.limiterToNumberWhenCleared = true;
      effect.locksVolumes = true;
      break;
    case 1:  // analog auxiliary input
      effect.groups.push_back({RadioGroup::AnalogInput, {0, 1}});
      break;
    case 2:  // alarm output 2
      effect.alarmOutput2 = true;
      break;
    case 3:  // digital control output
      effect.groups.push_back({RadioGroup::Do1, {0, 1, 2, 3}});
      effect.groups.push_back({RadioGroup::Do2, {0, 1, 2, 3}});
      break;
    case 4:  // analog output
      effect.groups.push_back({RadioGroup::AnalogOutput, {0, 1}});
      effect.fields = {EditField::ScaleLow, EditField::ScaleHigh};
      effect.colons = {EditField::ScaleLow, EditField::ScaleHigh};
      effect.scalingBox = true;
      break;
    default: break;
  }
  return effect;
}

}  // namespace klv
