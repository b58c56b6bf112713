#pragma once
// The line as messages and reports name it to an operator: the protocol's
// name, "9600 E 7 1" for speed, parity, data and stop bits, and the device a
// port link leads to.
#include <filesystem>
#include <string>
#include <string_view>

#include "serial/comm_settings.h"
#include "serial/line_settings.h"

namespace klv {

// "TORVALEK", "Modbus RTU" or "Modbus ASCII".
std::string_view ProtocolName(Protocol protocol);

// "9600 E 7 1": speed, parity, data bits and stop bits as a terminal program
// names them.
std::string LineFrameText(const LineSettings& line);

// What a link leads to ("/dev/ttyUSB0" for ports/COM5), or the network
// address a ports/ entry file holds ("tcp://10.0.0.5:4001"), which is what the
// operator recognises; the path itself when it is no link or cannot be read.
std::filesystem::path LinkTarget(const std::filesystem::path& path);

}  // namespace klv
