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

#include "model/parameter_set.h"
#include "serial/comm_log.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/port.h"
#include "serial/response.h"

namespace klv {

// What one connection exchanges through, all owned by the caller. A worker
// and the monitor each build one over the program's single line, settings and
// log; only one of them uses it at a time (see serial/comm_log.h).
struct ExchangeContext {
  SerialLine& line;
  const CommSettings& settings;  // deviceAddress and protocol are read at each exchange
  CommLog& log;
  RtuRequestCopy& lastRtuRequest;  // LastRtuRequest: the log rebuilds RTU write echoes from it
};

// Bytes asked for by every receive of an exchange.
inline constexpr std::size_t kExchangeReceiveLength = 90;

struct TransactOutcome {
  ExchangeResult result = ExchangeResult::NoResponse;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;

  bool Ok() const { return result == ExchangeResult::Ok; }
};

// One request and its checked reply, not logged. Whatever waits in the input
// (a late reply to an earlier request, noise) is discarded first; then the
// TORVALEK request in frame[0..requestLength) is sent and up to `wanted`
// bytes are received, the receive ending as soon as a whole frame of the
// protocol is in. The reply counts only when it is a good frame for this
// request (serial/reply_check.h): anything else is NoResponse. Afterwards
// the buffer holds what arrived, in TORVALEK form, followed by a NUL, and
// `received` its length (what the log shows, good or not).
struct CheckedReply {
  ExchangeResult result = ExchangeResult::NoResponse;
  std::size_t received = 0;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;
};
CheckedReply ExchangeChecked(SerialLine& line, Protocol protocol, RtuRequestCopy& lastRtuRequest,
                             FrameBuffer& frame, std::size_t requestLength, std::size_t wanted);

// ExchangeChecked with the exchange's 90-byte receive. With log on, the
// request is logged as entry `sequence` before it is sent and the reply as
// entry sequence + 1. A read that ended Ok is cut after its first data
// field. A closed port gives NoResponse at once.
TransactOutcome Transact(const ExchangeContext& context, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence);

// The standard one-register read ("0110") and write ("012C", value sent as
// the four hex digits of its 16-bit pattern) to the settings' device address.
// A request that cannot be built (a device address outside the frame's range,
// a malformed register address) is not sent and not logged: NoResponse.
TransactOutcome ReadRegister(const ExchangeContext& context, std::string_view registerAddress, bool log,
                             int sequence);
TransactOutcome WriteRegister(const ExchangeContext& context, std::string_view registerAddress, int16_t value,
                              bool log, int sequence);

}  // namespace klv
