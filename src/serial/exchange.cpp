#include "serial/exchange.h"

#include <algorithm>

#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// Offset of the command letter of a request ("R" for a read).
constexpr std::size_t kCommandOffset = 4;
// A read's value ends at offset 11; the text is cut right after it.
constexpr std::size_t kValueCut = 12;

bool OptionBitSet(OptionRule rule, int16_t value) {
  switch (rule) {
    case OptionRule::NonZero: return value != 0;
    case OptionRule::EqualsSix: return value == 6;
  }
  return false;
}

}  // namespace

TransactOutcome Transact(const ExchangeContext& context, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence) {
  const Protocol protocol = context.settings.protocol;
  requestLength = std::min(requestLength, frame.size());
  // Taken now: sending converts the buffer in place for Modbus, and the reply
  // overwrites it.
  const bool isRead = requestLength > kCommandOffset && frame[kCommandOffset] == 'R';

  if (log) {
    AppendLogEntry(context.log, frame.data(), requestLength, sequence, FrameDirection::Request, protocol,
                   context.lastRtuRequest);
  }
  // A failed write is not looked at: the receive then finds nothing and the
  // exchange ends NoResponse after the time-out, as any silent one does.
  context.line.SendFrame(frame, requestLength, protocol, context.lastRtuRequest);
  const std::size_t count =
      std::min(context.line.ReceiveFrame(frame, kExchangeReceiveLength, protocol), frame.size());
  // The reply becomes NUL-terminated text.
  if (count < frame.size()) frame[count] = 0;

  if (log) {
    AppendLogEntry(context.log, frame.data(), count, sequence + 1, FrameDirection::Response, protocol,
                   context.lastRtuRequest);
  }

  TransactOutcome outcome;
  outcome.result = ClassifyResponse(frame, count);
  if (outcome.result == ExchangeResult::Ok && isRead) {
    outcome.value = ResponseValue(frame, count);
    if (count > kValueCut) frame[kValueCut] = 0;
  }
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

uint16_t ReadOptionInfo(const ExchangeContext& context) {
  uint16_t options = 0;
  int sequence = 1;
  for (const OptionRegister& row : kOptionRegisters) {
    const TransactOutcome outcome = ReadRegister(context, row.address, true, sequence);
    sequence += 2;
    // Bits already found are dropped: a device that stops answering is taken
    // as one without options.
    if (!outcome.Ok()) return 0;
    if (OptionBitSet(row.rule, outcome.value)) options = static_cast<uint16_t>(options | row.bit);
  }
  return options;
}

bool ProbeDevice(const ExchangeContext& context) {
  return ReadRegister(context, kProbeRegister, true, 1).Ok();
}

}  // namespace klv
