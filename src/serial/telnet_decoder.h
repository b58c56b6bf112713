#pragma once
// Takes apart the byte stream of a telnet connection (what an RFC 2217
// server sends): the line's data bytes with a doubled 0xFF (IAC IAC) taken
// as one 0xFF, option negotiations (WILL/WONT/DO/DONT and an option), and
// subnegotiations (IAC SB option ... IAC SE). The stream may be cut anywhere:
// a command split over two receives is completed by the next Feed.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace klv {

namespace telnet {
inline constexpr uint8_t kIac = 255;
inline constexpr uint8_t kDont = 254;
inline constexpr uint8_t kDo = 253;
inline constexpr uint8_t kWont = 252;
inline constexpr uint8_t kWill = 251;
inline constexpr uint8_t kSb = 250;
inline constexpr uint8_t kSe = 240;
inline constexpr uint8_t kBinary = 0;
inline constexpr uint8_t kSuppressGoAhead = 3;
inline constexpr uint8_t kComPortOption = 44;
}  // namespace telnet

struct TelnetNegotiation {
  uint8_t verb = 0;  // telnet::kWill, kWont, kDo or kDont
  uint8_t option = 0;
  friend bool operator==(const TelnetNegotiation&, const TelnetNegotiation&) = default;
};

struct TelnetSubnegotiation {
  uint8_t option = 0;
  std::vector<uint8_t> payload;  // undoubled; at most kLongestSubnegotiation bytes kept
  friend bool operator==(const TelnetSubnegotiation&, const TelnetSubnegotiation&) = default;
};

// What one Feed found, in addition to what was already there.
struct TelnetOutput {
  std::vector<uint8_t> data;
  std::vector<TelnetNegotiation> negotiations;
  std::vector<TelnetSubnegotiation> subnegotiations;
};

class TelnetDecoder {
 public:
  // A subnegotiation of RFC 2217 holds at most a few bytes; a longer one is
  // cut to this length (the rest is dropped, the stream stays in step).
  static constexpr std::size_t kLongestSubnegotiation = 64;

  void Feed(std::span<const uint8_t> bytes, TelnetOutput& output);
  // Forgets a command cut short: the next byte is taken as the start of data.
  void Reset();

 private:
  enum class State { Data, Iac, Option, SubOption, Sub, SubIac };
  State state_ = State::Data;
  uint8_t verb_ = 0;
  TelnetSubnegotiation sub_;
};

}  // namespace klv
