#pragma once
// The operator's line about a port that could not be opened, in English or
// Japanese: the device and what stopped it, with the fix for a refused
// permission.
#include <string>

#include "text/language.h"
#include "serial/serial_port.h"

namespace klv {

// "/dev/ttyUSB0: no such device", "COM3: no such port", ...; empty for a
// failure of kind None. A failure of kind Other without a device is the
// system's words alone.
std::string PortFailureText(const PortFailure& failure, Language language);

}  // namespace klv
