#pragma once
// What this program sends to an RFC 2217 server: the line's data with every
// 0xFF doubled, the opening offers (COM-PORT-OPTION, BINARY both ways,
// SUPPRESS-GO-AHEAD both ways), the line settings as COM-PORT-OPTION
// subnegotiations, and the answers to the server's own negotiations.
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "serial/line_settings.h"
#include "serial/telnet_decoder.h"

namespace klv {

namespace rfc2217 {
// Client-to-server commands of COM-PORT-OPTION; the server answers each
// with the same command plus kServerOffset.
inline constexpr uint8_t kSetBaudRate = 1;
inline constexpr uint8_t kSetDataSize = 2;
inline constexpr uint8_t kSetParity = 3;
inline constexpr uint8_t kSetStopSize = 4;
inline constexpr uint8_t kSetControl = 5;
inline constexpr uint8_t kServerOffset = 100;
inline constexpr uint8_t kParityNone = 1;
inline constexpr uint8_t kParityOdd = 2;
inline constexpr uint8_t kParityEven = 3;
inline constexpr uint8_t kControlNone = 1;  // no flow control
}  // namespace rfc2217

// The data with each 0xFF sent as IAC IAC.
std::vector<uint8_t> EscapeIac(std::span<const uint8_t> data);

// IAC WILL COM-PORT-OPTION, IAC WILL BINARY, IAC DO BINARY, IAC WILL
// SUPPRESS-GO-AHEAD, IAC DO SUPPRESS-GO-AHEAD.
std::vector<uint8_t> OpeningOffers();

// SET-BAUDRATE (4 bytes, most significant first), SET-DATASIZE,
// SET-PARITY, SET-STOPSIZE and SET-CONTROL (no flow control), each as
// IAC SB COM-PORT-OPTION command value IAC SE with 0xFF values doubled.
std::vector<uint8_t> LineSettingsRequests(const LineSettings& settings);

// The reply owed to a negotiation from the server: none for an answer to
// one of the offers above (their options are agreed either way), a refusal
// (DONT/WONT) for any option this program does not offer.
std::vector<uint8_t> AnswerTo(const TelnetNegotiation& negotiation);

// Whether the server has taken up COM-PORT-OPTION (DO), turned it down
// (DONT), or not said yet, from the negotiations seen so far.
enum class ComPortAgreement { Pending, Agreed, Refused };
ComPortAgreement UpdateComPortAgreement(ComPortAgreement now, const TelnetNegotiation& negotiation);

// The line settings an RFC 2217 server was asked for, read back from the
// subnegotiations of a client (for a server, such as the tests' own).
struct RequestedLineSettings {
  std::optional<uint32_t> speed;
  std::optional<uint8_t> dataSize;
  std::optional<uint8_t> parity;  // rfc2217::kParity*
  std::optional<uint8_t> stopSize;
  std::optional<uint8_t> control;
};
// Applies one client subnegotiation; false when it is not a COM-PORT-OPTION
// setting of those five or its value is cut short.
bool TakeLineSettingRequest(const TelnetSubnegotiation& sub, RequestedLineSettings& settings);

}  // namespace klv
