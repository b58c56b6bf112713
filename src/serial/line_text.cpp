#include "serial/line_text.h"

#include <optional>
#include <string>
#include <system_error>

#include "serial/network_address.h"

namespace klv {
namespace {

char ParityLetter(Parity parity) {
  switch (parity) {
    case Parity::None: return 'N';
    case Parity::Even: return 'E';
    case Parity::Odd: return 'O';
  }
  return '?';
}

}  // namespace

std::string_view ProtocolName(Protocol protocol) {
  switch (protocol) {
    case Protocol::Torvalek: return "TORVALEK";
    case Protocol::ModbusRtu: return "Modbus RTU";
    case Protocol::ModbusAscii: return "Modbus ASCII";
  }
  return "?";
}

std::string LineFrameText(const LineSettings& line) {
  return std::to_string(line.speed) + ' ' + ParityLetter(line.parity) + ' ' + std::to_string(line.dataBits) + ' ' +
         std::to_string(line.stopBits);
}

std::filesystem::path LinkTarget(const std::filesystem::path& path) {
  std::error_code error;
  // A ports/ entry holding a network address is named by that address.
  if (std::optional<std::string> address = NetworkAddressInFile(path)) return *address;
  if (!std::filesystem::is_symlink(path, error)) return path;
  const std::filesystem::path target = std::filesystem::read_symlink(path, error);
  if (error) return path;
  return target.is_absolute() ? target : (path.parent_path() / target).lexically_normal();
}

}  // namespace klv
