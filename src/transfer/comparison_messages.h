#pragma once
// The messages that stop a write because the connected device is not what
// the screen is set up for. Each describes the device, not the screen, and
// ends by asking the operator to check the screen.
#include <cstdint>
#include <string>

#include "editor/texts.h"

namespace klv {

// Numbered texts of the messages.
inline constexpr int kTextOptionsDiffer = 205;
inline constexpr int kTextOptionsOfDevice = 206;
inline constexpr int kTextDigitalControlOutput = 207;
inline constexpr int kTextConfirmScreenSetting = 208;
inline constexpr int kTextControlInputDiffers = 209;
inline constexpr int kTextControlInputOfDevice = 210;
inline constexpr int kTextOutputCurrentDetection = 213;
inline constexpr int kTextAnalogInput = 214;
inline constexpr int kTextAnalogOutput = 215;
inline constexpr int kTextAlarmOutput2 = 216;

// The option bits of a KLV40 (OptionFlags) as the device has them, one line
// per option: "Analog input", "Alarm output 2", "Digital control output",
// "Analog output", each ON or OFF.
std::string Klv40OptionsMessage(uint16_t deviceOptions, Language language);

// The option of a KLV30 or KLV30E (OptionDetect bit 1) as the device has it.
std::string SeriesOneOptionsMessage(uint16_t deviceOptions, Language language);

// The control input type (register 0113) of a KLV40: a current input with the
// ranges it serves, or a voltage input with its ranges.
std::string ControlInputMessage(int16_t controlInputType, Language language);

}  // namespace klv
