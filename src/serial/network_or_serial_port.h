#pragma once
// The port the program opens for a device path: a network port when the path
// is a network address ("tcp://...", "rfc2217://...") or a file holding one
// (a ports/COM<n> entry written by hand), a serial port otherwise. The choice
// is made at each Open, so the same object serves either.
#include <functional>
#include <memory>

#include "serial/serial_port.h"

namespace klv {

using SerialPortMaker = std::function<std::unique_ptr<SerialPort>()>;

// Whether opening the path reaches the network.
bool OpensNetworkPort(const std::filesystem::path& device);

// A port that opens through `serial` or `network` as the device asks.
std::unique_ptr<SerialPort> MakeNetworkOrSerialPort(SerialPortMaker serial, SerialPortMaker network);

}  // namespace klv
