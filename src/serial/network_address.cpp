#include "serial/network_address.h"

#include <fstream>
#include <system_error>

#include "text/ascii_case.h"

namespace klv {
namespace {

constexpr std::string_view kRawPrefix = "tcp://";
constexpr std::string_view kRfc2217Prefix = "rfc2217://";
// A hand-written entry is one short line; anything longer is no address.
constexpr std::uintmax_t kLongestEntryFile = 512;

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

std::string_view Trimmed(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<uint16_t> PortNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 5) return std::nullopt;
  uint32_t value = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  if (value < 1 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool HostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
         c == '_' || c == ':' || c == '%';
}

}  // namespace

std::string NetworkAddress::HostAndPort() const {
  const bool ipv6 = host.find(':') != std::string::npos;
  return (ipv6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

std::string NetworkAddress::Text() const {
  return std::string(scheme == NetworkScheme::Rfc2217 ? kRfc2217Prefix : kRawPrefix) + HostAndPort();
}

bool HasNetworkScheme(std::string_view text) {
  return StartsWith(text, kRawPrefix) || StartsWith(text, kRfc2217Prefix);
}

std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text) {
  NetworkAddress address;
  if (StartsWith(text, kRawPrefix)) {
    text.remove_prefix(kRawPrefix.size());
  } else if (StartsWith(text, kRfc2217Prefix)) {
    address.scheme = NetworkScheme::Rfc2217;
    text.remove_prefix(kRfc2217Prefix.size());
  } else {
    return std::nullopt;
  }
  // One trailing slash is allowed ("tcp://host:4001/"), as URLs are often written.
  if (!text.empty() && text.back() == '/') text.remove_suffix(1);
  std::string_view host;
  std::string_view port;
  if (!text.empty() && text.front() == '[') {
    const std::size_t close = text.find(']');
    if (close == std::string_view::npos || close + 1 >= text.size() || text[close + 1] != ':') return std::nullopt;
    host = text.substr(1, close - 1);
    port = text.substr(close + 2);
  } else {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos) return std::nullopt;
    host = text.substr(0, colon);
    port = text.substr(colon + 1);
    if (host.find(':') != std::string_view::npos) return std::nullopt;  // IPv6 needs brackets
  }
  if (host.empty() || host.size() > 253) return std::nullopt;
  for (const char c : host) {
    if (!HostCharacter(c)) return std::nullopt;
  }
  const std::optional<uint16_t> number = PortNumber(port);
  if (!number) return std::nullopt;
  address.host = std::string(host);
  address.port = *number;
  return address;
}

std::optional<std::string> NetworkAddressInFile(const std::filesystem::path& path) {
  std::error_code error;
  // status() follows links: a link to /dev/ttyUSB0 is a device, never read.
  if (!std::filesystem::is_regular_file(std::filesystem::status(path, error))) return std::nullopt;
  const std::uintmax_t size = std::filesystem::file_size(path, error);
  if (error || size > kLongestEntryFile) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  std::string line;
  if (!in || !std::getline(in, line)) return std::nullopt;
  const std::string_view text = Trimmed(line);
  if (!HasNetworkScheme(text)) return std::nullopt;
  return std::string(text);
}

}  // namespace klv
