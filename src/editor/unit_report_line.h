#pragma once
// The line a unit's set went over, as its report names it: the port and the
// device behind it, the regulator's address and the line settings.
#include <cstdint>
#include <optional>
#include <string>

#include "model/model_kind.h"
#include "serial/connection.h"

namespace klv {

struct ReportLine {
  std::string port;    // "COM5", or the device path the command line was given
  std::string device;  // "/dev/ttyUSB0", the device COM5 reaches; empty beside a device path
  std::optional<ModelKind> simulated;  // the demo's simulated regulator behind the port
  int32_t address = 0;
  std::string settings;  // "9600 E 7 1, TORVALEK, 100 ms"
};

// The line of connection as it stands: the settings it is opened and
// addressed with, resolved through its folder of port links.
ReportLine DescribeReportLine(const Connection& connection);

}  // namespace klv
