#include "serial/exchange.h"

#include <algorithm>
#include <span>
#include <vector>

#include "serial/modbus_codec.h"
#include "serial/reply_check.h"

#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// Offset of the command letter of a request ("R" for a read).
constexpr std::size_t kCommandOffset = 4;
// A read's value ends at offset 11; the text is cut right after it.
constexpr std::size_t kValueCut = 12;

}  // namespace

CheckedReply ExchangeChecked(SerialLine& line, Protocol protocol, RtuRequestCopy& lastRtuRequest,
                             FrameBuffer& frame, std::size_t requestLength, std::size_t wanted) {
  requestLength = std::min(requestLength, frame.size());
  // The request as built, to check the reply against: sending converts the
  // buffer in place for Modbus, and the reply overwrites it.
  const std::vector<uint8_t> request(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(requestLength));

  line.DiscardInput();
  // A failed write is not looked at: the receive then finds nothing and the
  // exchange ends NoResponse after the time-out, as any silent one does.
  line.SendFrame(frame, requestLength, protocol, lastRtuRequest);
  CheckedReply reply;
  reply.received = line.ReceiveWireFrame(frame, wanted, protocol);

  bool wireGood = true;
  if (reply.received > 0 && (protocol == Protocol::ModbusRtu || protocol == Protocol::ModbusAscii)) {
    wireGood = IsGoodModbusReply(lastRtuRequest, std::span<const uint8_t>(frame.data(), reply.received), protocol);
    FromModbusResponse(frame, reply.received, protocol);
    reply.received = std::min(reply.received, frame.size());
  }
  // The reply becomes NUL-terminated text.
  if (reply.received < frame.size()) frame[reply.received] = 0;
  if (reply.received == 0 || !wireGood) return reply;

  switch (CheckTorvalekReply(request, std::span<const uint8_t>(frame.data(), reply.received))) {
    case ReplyVerdict::Normal:
      reply.result = ExchangeResult::Ok;
      if (request.size() > kCommandOffset && request[kCommandOffset] == 'R') {
        reply.value = ResponseValue(frame, reply.received);
      }
      break;
    case ReplyVerdict::Refused: reply.result = ExchangeResult::Error; break;
    case ReplyVerdict::Invalid: break;
  }
  return reply;
}

TransactOutcome Transact(const ExchangeContext& context, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence) {
  const Protocol protocol = context.settings.protocol;
  requestLength = std::min(requestLength, frame.size());
  if (log) {
    AppendLogEntry(context.log, frame.data(), requestLength, sequence, FrameDirection::Request, protocol,
                   context.lastRtuRequest);
  }
  const CheckedReply reply = ExchangeChecked(context.line, protocol, context.lastRtuRequest, frame, requestLength,
                                             kExchangeReceiveLength);
  if (log) {
    AppendLogEntry(context.log, frame.data(), reply.received, sequence + 1, FrameDirection::Response, protocol,
                   context.lastRtuRequest);
  }
  TransactOutcome outcome;
  outcome.result = reply.result;
  outcome.value = reply.value;
  if (outcome.Ok() && reply.received > kValueCut) frame[kValueCut] = 0;
  return outcome;
}

TransactOutcome ReadRegister(const ExchangeContext& context, std::string_view registerAddress, bool log,
                             int sequence) {
  FrameBuffer frame{};
  if (BuildStandardRead(frame, context.settings.deviceAddress, registerAddress) != 0) return {};
  // The built length: kReadRequestLength for every catalogue address.
  return Transact(context, frame, FrameLength(frame), log, sequence);
}

TransactOutcome WriteRegister(const ExchangeContext& context, std::string_view registerAddress, int16_t value,
                              bool log, int sequence) {
  FrameBuffer frame{};
  if (BuildStandardWrite(frame, context.settings.deviceAddress, registerAddress, value) != 0) return {};
  return Transact(context, frame, FrameLength(frame), log, sequence);
}

}  // namespace klv
