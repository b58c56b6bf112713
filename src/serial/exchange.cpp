#include "serial/exchange.h"

#include <algorithm>
#include <vector>

#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// A read's value ends at offset 11; the text is cut right after it.
constexpr std::size_t kValueCut = 12;

}  // namespace

TransactOutcome Transact(Connection& connection, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence) {
  requestLength = std::min(requestLength, frame.size());
  // Taken here, before the request is logged, so the log keeps the order of
  // the line.
  const std::vector<uint8_t> stray = connection.TakeStrayInput();
  if (log && !stray.empty()) connection.LogStray(stray, kStrayNote);
  if (log) connection.LogFrame(frame.data(), requestLength, sequence, FrameDirection::Request);
  const CheckedReply reply = connection.Exchange(frame, requestLength, kExchangeReceiveLength);
  if (log) {
    if (!reply.rejectedWire.empty()) {
      connection.LogWireFrame(reply.rejectedWire, sequence + 1, FrameDirection::Response);
    } else {
      connection.LogFrame(frame.data(), reply.received, sequence + 1, FrameDirection::Response);
    }
  }
  TransactOutcome outcome;
  outcome.result = reply.result;
  outcome.value = reply.value;
  outcome.strayBefore = !stray.empty() || !reply.strayBefore.empty();
  outcome.strayWithin = reply.strayWithin;
  if (outcome.Ok() && reply.received > kValueCut) frame[kValueCut] = 0;
  return outcome;
}

TransactOutcome ReadRegister(Connection& connection, Register registerAddress, bool log,
                             int sequence) {
  FrameBuffer frame{};
  if (BuildStandardRead(frame, connection.settings.deviceAddress, registerAddress) != FrameError::None) return {};
  // The built length: kReadRequestLength for every catalogue address.
  return Transact(connection, frame, FrameLength(frame), log, sequence);
}

TransactOutcome WriteRegister(Connection& connection, Register registerAddress, int16_t value,
                              bool log, int sequence) {
  FrameBuffer frame{};
  if (BuildStandardWrite(frame, connection.settings.deviceAddress, registerAddress, value) != FrameError::None) {
    return {};
  }
  return Transact(connection, frame, FrameLength(frame), log, sequence);
}

}  // namespace klv
