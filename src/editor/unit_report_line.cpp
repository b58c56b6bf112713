#include "editor/unit_report_line.h"

#include <filesystem>
#include <system_error>

#include "serial/line_settings.h"
#include "serial/port_device.h"

namespace klv {
namespace {

std::string_view ProtocolName(Protocol protocol) {
  switch (protocol) {
    case Protocol::Torvalek: return "TORVALEK";
    case Protocol::ModbusRtu: return "Modbus RTU";
    case Protocol::ModbusAscii: return "Modbus ASCII";
  }
  return "?";
}

char ParityLetter(Parity parity) {
  switch (parity) {
    case Parity::None: return 'N';
    case Parity::Even: return 'E';
    case Parity::Odd: return 'O';
  }
  return '?';
}

// The device a port link leads to ("/dev/ttyUSB0" for ports/COM5), which is
// what the operator recognises; the path itself when it is no link.
std::filesystem::path LinkTarget(const std::filesystem::path& path) {
  std::error_code error;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const std::filesystem::path target = std::filesystem::read_symlink(path, error);
  if (error) return path;
  return target.is_absolute() ? target : (path.parent_path() / target).lexically_normal();
}

}  // namespace

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
  report.settings = std::to_string(line.speed) + ' ' + ParityLetter(line.parity) + ' ' +
                    std::to_string(line.dataBits) + ' ' + std::to_string(line.stopBits) + ", " +
                    std::string(ProtocolName(settings.protocol)) + ", " +
                    std::to_string(line.readTimeout.count()) + " ms";
  return report;
}

}  // namespace klv
