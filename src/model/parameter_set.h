#pragma once
// The one set of setup values that the editing screen shows, the parameter
// file stores and the transfers read and write.
#include <array>
#include <cstddef>
#include <cstdint>

namespace klv {

// Option bits of a KLV40 (optionFlags).
inline constexpr uint16_t kOptionAnalogInput = 1;
inline constexpr uint16_t kOptionAlarmOutput2 = 2;
inline constexpr uint16_t kOptionDigitalOutput = 4;
inline constexpr uint16_t kOptionAnalogOutput = 8;
// Option bit of a KLV30 or KLV30E (optionDetect).
inline constexpr uint16_t kOptionCurrentDetection = 1;

inline constexpr std::size_t kParameterSlotCount = 27;

struct ParameterSet {
  // The 27 slots, in the order of the KLV40 catalogue (and of the file).
  int16_t keyLock = 0;                // 0120
  int16_t fuseMeltedAlarm = 0;        // 0122 (KLV40 only)
  int16_t powerSupplyErrorAlarm = 0;  // 0123
  int16_t currentErrorAlarm = 0;      // 0124
  int16_t hardwareErrorAlarm = 0;     // 0125
  int16_t temperatureErrorAlarm = 0;  // 0126 (KLV40 only)
  int16_t heaterBreakAlarm = 0;       // 0127
  int16_t do1Setting = 0;             // 0128 (KLV40 only)
  int16_t do2Setting = 0;             // 0129 (KLV40 only)
  int16_t rampLowerLimit = 0;         // 012A
  int16_t rampUpperSelection = 0;     // 012B
  int16_t rampUpperSetting = 0;       // 011F
  int16_t slowUpTime = 0;             // 012C
  int16_t slowDownTime = 0;           // 012D
  int16_t currentLimiter = 0;         // 012E
  int16_t heaterBreakCurrent = 0;     // 012F
  int16_t di1Setting = 0;             // 0130
  int16_t di2Setting = 0;             // 0131
  int16_t di3Setting = 0;             // 0132
  int16_t bootLimiter = 0;            // 0133
  int16_t bootLimiterTime = 0;        // 0134
  int16_t analogInputSetting = 0;     // 0135
  int16_t analogOutputSetting = 0;    // 0136
  int16_t scaleLow = 0;               // 0137 (KLV30E: 0128)
  int16_t scaleHigh = 0;              // 0138 (KLV30E: 0129)
  int16_t controlInputRange = 0;      // 013D
  int16_t powerDipHandling = 0;       // 013F

  uint16_t optionFlags = 0;   // options of a KLV40 (kOption* bits)
  uint16_t optionDetect = 0;  // options of a KLV30/KLV30E (kOptionCurrentDetection)

  // Slot i (0..26) in catalogue order.
  int16_t& Slot(std::size_t index) { return this->*kSlots[index]; }
  int16_t Slot(std::size_t index) const { return this->*kSlots[index]; }

  friend bool operator==(const ParameterSet&, const ParameterSet&) = default;

  using SlotMember = int16_t ParameterSet::*;
  static constexpr std::array<SlotMember, kParameterSlotCount> kSlots = {
      &ParameterSet::keyLock,           &ParameterSet::fuseMeltedAlarm,
      &ParameterSet::powerSupplyErrorAlarm, &ParameterSet::currentErrorAlarm,
      &ParameterSet::hardwareErrorAlarm, &ParameterSet::temperatureErrorAlarm,
      &ParameterSet::heaterBreakAlarm,  &ParameterSet::do1Setting,
      &ParameterSet::do2Setting,        &ParameterSet::rampLowerLimit,
      &ParameterSet::rampUpperSelection, &ParameterSet::rampUpperSetting,
      &ParameterSet::slowUpTime,        &ParameterSet::slowDownTime,
      &ParameterSet::currentLimiter,    &ParameterSet::heaterBreakCurrent,
      &ParameterSet::di1Setting,        &ParameterSet::di2Setting,
      &ParameterSet::di3Setting,        &ParameterSet::bootLimiter,
      &ParameterSet::bootLimiterTime,   &ParameterSet::analogInputSetting,
      &ParameterSet::analogOutputSetting, &ParameterSet::scaleLow,
      &ParameterSet::scaleHigh,         &ParameterSet::controlInputRange,
      &ParameterSet::powerDipHandling,
  };
};

}  // namespace klv
