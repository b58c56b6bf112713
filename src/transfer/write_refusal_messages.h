#pragma once
// The messages that stop a write because the connected device is not what
// the screen is set up for. Each describes the device, not the screen, and
// ends by asking the operator to check the screen.
#include <cstdint>
#include <string>

#include "text/texts.h"
#include "transfer/transfer_result.h"

namespace klv {

// The option bits of a KLV40 (optionFlags) as the device has them, one line
// per option: "Analog input", "Alarm output 2", "Digital control output",
// "Analog output", each ON or OFF.
std::string Klv40OptionsMessage(uint16_t deviceOptions, Language language);

// The option of a KLV30 or KLV30E (optionDetect bit 1) as the device has it.
std::string SeriesOneOptionsMessage(uint16_t deviceOptions, Language language);

// The control input type (register 0113) of a KLV40: a current input with the
// ranges it serves, or a voltage input with its ranges.
std::string ControlInputMessage(int16_t controlInputType, Language language);

// The message of a refused transfer: "Port yet to open", "Model differs",
// one of the three above, or the values outside their limits (from tally).
std::string RefusalMessage(const TransferRefusal& refusal, const TransferTally& tally, Language language);

}  // namespace klv
