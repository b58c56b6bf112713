#include "serial/connection.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <vector>

#include "serial/modbus_codec.h"
#include "serial/reply_check.h"

namespace klv {
namespace {

// Offset of the command letter of a request ("R" for a read).
constexpr std::size_t kCommandOffset = 4;
// Room for stray bytes: more than any frame; the rest is dropped.
constexpr std::size_t kStrayRoom = 256;

}  // namespace

Connection::Connection() : line() {}

Connection::Connection(SerialPortFactory ports) : line(std::move(ports)) {}

OpenPortResult Connection::Open() { return line.OpenPort(settings, dataFolder); }

void Connection::Close() { line.ClosePort(); }

CheckedReply Connection::Exchange(FrameBuffer& frame, std::size_t requestLength, std::size_t wanted) {
  const Protocol protocol = settings.protocol;
  requestLength = std::min(requestLength, frame.size());
  // The request as built, to check the reply against: sending converts the
  // buffer in place for Modbus, and the reply overwrites it.
  const std::vector<uint8_t> request(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(requestLength));
  CheckedReply reply;

  reply.strayBefore = TakeStrayInput();
  // A failed write is not looked at: the receive then finds nothing and the
  // exchange ends NoResponse after the time-out, as any silent one does.
  line.SendFrame(frame, requestLength, protocol, lastRtuRequest_);
  reply.received = line.ReceiveWireFrame(frame, wanted, protocol);
  // Frames that came back to back are read together; a whole frame that
  // ends before the bytes do means two answers to one request.
  const FrameEndTest frameEnd = FrameEndFor(protocol);
  for (std::size_t length = 1; length < reply.received; ++length) {
    if (frameEnd(std::span<const uint8_t>(frame.data(), length))) {
      reply.strayWithin = true;
      break;
    }
  }

  bool wireGood = true;
  if (reply.received > 0 && (protocol == Protocol::ModbusRtu || protocol == Protocol::ModbusAscii)) {
    wireGood = IsGoodModbusReply(lastRtuRequest_, std::span<const uint8_t>(frame.data(), reply.received), protocol);
    if (!wireGood) reply.rejectedWire.assign(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(reply.received));
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

void Connection::LogFrame(const uint8_t* frame, std::size_t length, int sequence, FrameDirection direction) {
  AppendLogEntry(log, frame, length, sequence, direction, settings.protocol, lastRtuRequest_);
}

void Connection::LogWireFrame(std::span<const uint8_t> wire, int sequence, FrameDirection direction) {
  AppendWireLogEntry(log, wire, sequence, direction, settings.protocol);
}

std::vector<uint8_t> Connection::TakeStrayInput() {
  std::array<uint8_t, kStrayRoom> bytes;
  std::size_t count = line.ReadWaiting(bytes);
  if (count == 0) return {};
  if (count < bytes.size()) count += line.ReadUntilQuiet(std::span<uint8_t>(bytes).subspan(count));
  return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

std::vector<uint8_t> Connection::AwaitStrayInput() {
  std::array<uint8_t, kStrayRoom> bytes;
  const std::size_t count = line.ReadUntilQuiet(bytes);
  return {bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count)};
}

void Connection::LogStray(std::span<const uint8_t> bytes, std::string_view note) {
  AppendStrayEntry(log, bytes, settings.protocol, note);
}

}  // namespace klv
