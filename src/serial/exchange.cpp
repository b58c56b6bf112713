#include "serial/exchange.h"

#include <algorithm>

#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// A read's value ends at offset 11; the text is cut right after it.
constexpr std::size_t kValueCut = 12;

}  // namespace

TransactOutcome Transact(Connection& connection, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence) {
  requestLength = std::min(requestLength, frame.size());
  if (log) connection.LogFrame(frame.data(), requestLength, sequence, FrameDirection::Request);
  const CheckedReply reply = connection.Exchange(frame, requestLength, kExchangeReceiveLength);
  if (log) connection.LogFrame(frame.data(), reply.received, sequence + 1, FrameDirection::Response);
  TransactOutcome outcome;
  outcome.result = reply.result;
  outcome.value = reply.value;
  if (outcome.Ok() && reply.received > kValueCut) frame[kValueCut] = 0;
  return outcome;
}

TransactOutcome ReadRegister(Connection& connection, std::string_view registerAddress, bool log,
                             int sequence) {
  FrameBuffer frame{};
  if (BuildStandardRead(frame, connection.settings.deviceAddress, registerAddress) != FrameError::None) return {};
  // The built length: kReadRequestLength for every catalogue address.
  return Transact(connection, frame, FrameLength(frame), log, sequence);
}

TransactOutcome WriteRegister(Connection& connection, std::string_view registerAddress, int16_t value,
                              bool log, int sequence) {
  FrameBuffer frame{};
  if (BuildStandardWrite(frame, connection.settings.deviceAddress, registerAddress, value) != FrameError::None) {
    return {};
  }
  return Transact(connection, frame, FrameLength(frame), log, sequence);
}

}  // namespace klv
