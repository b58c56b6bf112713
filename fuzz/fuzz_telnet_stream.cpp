// The telnet stream of an RFC 2217 server as the network port takes it
// apart. The first input byte sets the size of the pieces the stream is fed
// in (a command may be cut anywhere); the rest is what the server sent.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "serial/rfc2217_codec.h"
#include "serial/telnet_decoder.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::size_t piece = static_cast<std::size_t>(data[0] % 16) + 1;
  const std::span<const uint8_t> stream(data + 1, size - 1);

  klv::TelnetDecoder decoder;
  klv::TelnetOutput output;
  for (std::size_t at = 0; at < stream.size(); at += piece) {
    decoder.Feed(stream.subspan(at, std::min(piece, stream.size() - at)), output);
  }
  // Nothing comes out that did not go in.
  Check(output.data.size() <= stream.size());
  for (const klv::TelnetSubnegotiation& sub : output.subnegotiations) {
    Check(sub.payload.size() <= klv::TelnetDecoder::kLongestSubnegotiation);
    klv::RequestedLineSettings settings;
    (void)klv::TakeLineSettingRequest(sub, settings);
  }
  for (const klv::TelnetNegotiation& negotiation : output.negotiations) Check(klv::AnswerTo(negotiation).size() <= 3);

  // The line's data, escaped again and decoded in one piece, comes back whole.
  klv::TelnetDecoder again;
  klv::TelnetOutput round;
  again.Feed(klv::EscapeIac(output.data), round);
  Check(round.data == output.data && round.negotiations.empty() && round.subnegotiations.empty());
  return 0;
}
