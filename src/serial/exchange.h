#pragma once
// One request and its response over the open port, checked and classified.
// Each request is sent exactly once
// (no retries); a receive ends when a whole frame is in or at the read
// time-out, so a silent device costs the whole time-out and an answering one
// only the time its reply takes.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/register.h"
#include "serial/connection.h"
#include "serial/frame_buffer.h"
#include "serial/response.h"

namespace klv {

// Bytes asked for by every receive of an exchange.
inline constexpr std::size_t kExchangeReceiveLength = 90;

struct TransactOutcome {
  ExchangeResult result = ExchangeResult::NoResponse;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;
  // Bytes nobody asked for were on the line before the request went out:
  // the reply taken before this exchange may have been one of them.
  bool strayBefore = false;
  // The reply held more than one frame: it counts as no reply, and one of
  // them was not asked for.
  bool strayWithin = false;

  bool Ok() const { return result == ExchangeResult::Ok; }
};

// The log's note on bytes found on the line before a request went out.
inline constexpr std::string_view kStrayNote = "stray frame: no request was waiting for it";

// Connection::Exchange with the exchange's 90-byte receive. Bytes waiting on
// the line are taken first (strayBefore) and, with log on, logged as a stray
// line. With log on, the request is logged as entry `sequence` before it is
// sent and the reply as entry sequence + 1 (a Modbus reply that failed its
// check as the bytes that came). A read that ended Ok is cut after its first data
// field. A closed port gives NoResponse at once.
TransactOutcome Transact(Connection& connection, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence);

// The standard one-register read ("0110") and write ("012C", value sent as
// the four hex digits of its 16-bit pattern) to the settings' device address.
// A request that cannot be built (a device address outside the frame's range,
// a malformed register address) is not sent and not logged: NoResponse.
TransactOutcome ReadRegister(Connection& connection, Register registerAddress, bool log,
                             int sequence);
TransactOutcome WriteRegister(Connection& connection, Register registerAddress, int16_t value,
                              bool log, int sequence);

}  // namespace klv
