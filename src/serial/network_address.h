#pragma once
// A line reached over the network instead of a local device: a serial device
// server's raw TCP port ("tcp://HOST:PORT") or an RFC 2217 server
// ("rfc2217://HOST:PORT", which also takes the line settings). Such an
// address may be given wherever a device is (--port, or a ports/COM<n> entry
// that is a text file holding it instead of a link to a device).
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace klv {

enum class NetworkScheme { RawTcp, Rfc2217 };

struct NetworkAddress {
  NetworkScheme scheme = NetworkScheme::RawTcp;
  std::string host;  // a name, an IPv4 address, or an IPv6 address without brackets
  uint16_t port = 0;

  // "HOST:PORT" ("[::1]:4001" for an IPv6 address), as messages name it.
  std::string HostAndPort() const;
  // The whole address as it is written: "tcp://HOST:PORT".
  std::string Text() const;

  friend bool operator==(const NetworkAddress&, const NetworkAddress&) = default;
};

// Whether the text starts with one of the network schemes (in any case),
// so that it is meant as a network address and never as a device path.
bool HasNetworkScheme(std::string_view text);

// The address the text names; none when it has no network scheme or its
// host or port is missing or malformed (port 1..65535, no path after it).
std::optional<NetworkAddress> ParseNetworkAddress(std::string_view text);

// The network address held by the file at the path (a ports/COM<n> entry
// written by hand): its first line, blanks around it ignored, when the path
// leads to a regular file of at most a few hundred bytes whose text has a
// network scheme. Device nodes and links to them are never read. The text
// itself is returned (it may still be malformed; opening it says so).
std::optional<std::string> NetworkAddressInFile(const std::filesystem::path& path);

}  // namespace klv
