#include "editor/unit_report_line.h"

#include "serial/line_settings.h"
#include "serial/line_text.h"
#include "serial/port_device.h"

namespace klv {

ReportLine DescribeReportLine(const Connection& connection) {
  const CommSettings& settings = connection.settings;
  const LineSettings line = BuildLineSettings(settings);
  ReportLine report;
  if (connection.portLabel.empty()) {
    report.port = PortName(settings.PortInUse());
    report.device = LinkTarget(ResolvePortDevice(settings.PortInUse(), connection.dataFolder)).string();
  } else {
    report.port = connection.portLabel;
  }
  report.address = settings.deviceAddress;
  // "9600 E 7 1": speed, parity, data bits and stop bits as a terminal program names them.
  report.settings = LineFrameText(line) + ", " + std::string(ProtocolName(settings.protocol)) + ", " +
                    std::to_string(line.readTimeout.count()) + " ms";
  return report;
}

}  // namespace klv
