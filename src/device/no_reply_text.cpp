#include "device/no_reply_text.h"

#include <system_error>
#include <vector>

#include "serial/line_settings.h"
#include "serial/line_text.h"
#include "serial/port_device.h"

namespace klv {

std::string ShownDevice(const Connection& connection) {
  if (!connection.portLabel.empty()) return {};
  // A ports/ link is named by what it leads to: that is the adapter the operator plugged in.
  return LinkTarget(ResolvePortDevice(connection.settings.PortInUse(), connection.dataFolder)).string();
}

std::string NoReplyFromText(const CommSettings& settings, std::string_view portLabel, std::string_view device,
                            Language language) {
  const LineSettings line = BuildLineSettings(settings);
  const std::string_view separator = Text(TextId::ListSeparator, language);
  const std::string port = portLabel.empty() ? PortName(settings.PortInUse()) : std::string(portLabel);
  std::vector<std::string> parts;
  if (portLabel.empty() && !device.empty() && device != port) parts.emplace_back(device);
  parts.push_back(LineFrameText(line));
  parts.emplace_back(ProtocolName(settings.protocol));
  parts.push_back(std::to_string(line.readTimeout.count()) + " ms");
  std::string details;
  for (const std::string& part : parts) {
    if (!details.empty()) details += separator;
    details += part;
  }
  return Text(TextId::NoReplyFrom, language, {std::to_string(settings.deviceAddress), port, details});
}

}  // namespace klv
