#include "device/no_reply_text.h"

#include <system_error>
#include <vector>

#include "serial/line_settings.h"

namespace klv {
namespace {

std::string_view ProtocolLabel(Protocol protocol) {
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

}  // namespace

std::string ShownDevice(const Connection& connection) {
  if (!connection.portLabel.empty()) return {};
  const std::filesystem::path device = ResolvePortDevice(connection.settings.PortInUse(), connection.dataFolder);
  std::error_code error;
  // A ports/ link is named by what it leads to: that is the adapter the operator plugged in.
  if (std::filesystem::is_symlink(device, error)) {
    const std::filesystem::path target = std::filesystem::read_symlink(device, error);
    if (!error) return (target.is_absolute() ? target : device.parent_path() / target).lexically_normal().string();
  }
  return device.string();
}

std::string NoReplyFromText(const CommSettings& settings, std::string_view portLabel, std::string_view device,
                            Language language) {
  const LineSettings line = BuildLineSettings(settings);
  const std::string_view separator = language == Language::Japanese ? "、" : ", ";
  const std::string port = portLabel.empty() ? PortName(settings.PortInUse()) : std::string(portLabel);
  std::vector<std::string> parts;
  if (portLabel.empty() && !device.empty() && device != port) parts.emplace_back(device);
  parts.push_back(std::to_string(line.speed) + ' ' + ParityLetter(line.parity) + ' ' + std::to_string(line.dataBits) +
                  ' ' + std::to_string(line.stopBits));
  parts.emplace_back(ProtocolLabel(settings.protocol));
  parts.push_back(std::to_string(line.readTimeout.count()) + " ms");
  std::string details;
  for (const std::string& part : parts) {
    if (!details.empty()) details += separator;
    details += part;
  }
  return FillPlaceholders(Text(TextId::NoReplyFrom, language),
                          {std::to_string(settings.deviceAddress), port, details});
}

std::string FillPlaceholders(std::string_view text, std::initializer_list<std::string_view> values) {
  std::string out;
  for (std::size_t at = 0; at < text.size(); ++at) {
    if (text[at] == '%' && at + 1 < text.size() && text[at + 1] >= '1' && text[at + 1] <= '9') {
      const std::size_t index = static_cast<std::size_t>(text[at + 1] - '1');
      if (index < values.size()) {
        out += *(values.begin() + index);
        ++at;
        continue;
      }
    }
    out += text[at];
  }
  return out;
}

}  // namespace klv
