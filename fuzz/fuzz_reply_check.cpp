// The checks that decide whether received bytes are a good reply to the
// request sent. The first input byte picks the protocol and whether the
// request was a read or a write; the rest, up to 100 bytes, is what arrived.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "serial/modbus_codec.h"
#include "serial/reply_check.h"
#include "serial/response.h"
#include "serial/torvalek_frame.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const uint8_t pick = data[0];
  const klv::Protocol protocol = static_cast<klv::Protocol>(pick % 3);
  const bool read = (pick & 4) == 0;
  // Exactly the bytes that arrived, on the heap, so a step past them shows.
  const std::vector<uint8_t> received(data + 1, data + 1 + std::min(size - 1, klv::kFrameBufferSize));
  const std::span<const uint8_t> reply(received);

  klv::FrameBuffer request{};
  const klv::FrameError built =
      read ? klv::BuildStandardRead(request, 1, klv::Register{0x0100}) : klv::BuildStandardWrite(request, 1, klv::Register{0x012C}, 100);
  Check(built == klv::FrameError::None);
  const std::size_t requestLength = klv::FrameLength(request);
  klv::RtuRequestCopy rtu{};
  {
    klv::FrameBuffer wire = request;
    std::size_t length = requestLength;
    klv::ToModbusRequest(wire, length, klv::FrameDirection::Request, klv::Protocol::ModbusRtu, rtu);
  }

  static_cast<void>(klv::FrameEndFor(protocol)(reply));

  if (protocol == klv::Protocol::Torvalek) {
    const klv::Reply verdict =
        klv::CheckTorvalekReply(std::span<const uint8_t>(request.data(), requestLength), reply);
    // A good read reply is exactly one register's 16 characters, ending in CR.
    if (verdict.Ok() && read) {
      Check(reply.size() == 16 && reply.back() == klv::kCr);
    }
    // Only a good frame has no fault, and only silence is empty.
    Check((verdict.fault == klv::ReplyFault::None) == (verdict.result != klv::ExchangeResult::NoResponse));
    Check((verdict.fault == klv::ReplyFault::Silence) == reply.empty());
    if (verdict.result != klv::ExchangeResult::NoResponse) Check(klv::IsWholeTorvalekFrame(reply));
  } else if (klv::CheckModbusReply(rtu, reply, protocol) == klv::ReplyFault::None) {
    // A good reply is also whole, and converts to a TORVALEK reply that the
    // same checks take.
    Check(klv::FrameEndFor(protocol)(reply));
    klv::FrameBuffer buffer{};
    std::copy(reply.begin(), reply.end(), buffer.begin());
    std::size_t count = reply.size();
    klv::FromModbusResponse(buffer, count, protocol);
    const klv::Reply verdict = klv::CheckTorvalekReply(std::span<const uint8_t>(request.data(), requestLength),
                                                       std::span<const uint8_t>(buffer.data(), count));
    Check(verdict.result != klv::ExchangeResult::NoResponse);
  }
  return 0;
}
