#pragma once
// The local calendar time from the system; one file per platform.
#include "platform/clock.h"

namespace klv {

LocalTime SystemLocalTime();

}  // namespace klv
