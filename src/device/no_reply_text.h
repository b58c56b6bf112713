#pragma once
// The line a request went out on, told to an operator whose regulator did
// not answer at all: "No reply from address 5 on COM5 (/dev/ttyUSB0, 9600 E
// 7 1, TORVALEK, 100 ms)." Shared by the transfers and the monitor.
#include <string>
#include <string_view>

#include "serial/comm_settings.h"
#include "serial/connection.h"
#include "text/texts.h"

namespace klv {

// The device COM<n> of the connection reaches, as the operator knows it: a
// ports/ link's target, or the system's device. Empty when the connection
// was given a device path of its own (its portLabel) or reaches none.
std::string ShownDevice(const Connection& connection);

// "No reply from address 5 on COM5 (/dev/ttyUSB0, 9600 E 7 1, TORVALEK,
// 100 ms)." With a portLabel the port is named by it and no device follows.
std::string NoReplyFromText(const CommSettings& settings, std::string_view portLabel, std::string_view device,
                            Language language);

}  // namespace klv
