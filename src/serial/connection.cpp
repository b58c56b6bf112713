#include "serial/connection.h"

#include <algorithm>
#include <array>
#include <span>
#include <utility>
#include <vector>

#include "serial/modbus_codec.h"
#include "serial/reply_check.h"
#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// Room for stray bytes: more than any frame; the rest is dropped.
constexpr std::size_t kStrayRoom = 256;

}  // namespace

Connection::Connection() : line() {}

Connection::Connection(SerialPortFactory ports) : line(std::move(ports)) {}

OpenPortResult Connection::Open() {
  echoFinding = EchoFinding::None;
  return line.OpenPort(settings, dataFolder);
}

void Connection::Close() { line.ClosePort(); }

Reply Connection::Read(Register reg, std::size_t wanted) {
  FrameBuffer request{};
  if (BuildStandardRead(request, settings.deviceAddress, reg) != FrameError::None) {
    nextEntry_ += 2;
    return {};
  }
  // The built length: kReadRequestLength for every register of the catalogues.
  return Exchange(request, FrameLength(request), wanted);
}

Reply Connection::Write(Register reg, int16_t value) {
  FrameBuffer request{};
  if (BuildStandardWrite(request, settings.deviceAddress, reg, value) != FrameError::None) {
    nextEntry_ += 2;
    return {};
  }
  return Exchange(request, FrameLength(request), kExchangeReceiveLength);
}

void Connection::StartLog(int firstEntry) {
  logging_ = true;
  nextEntry_ = firstEntry;
}

Connection::FixedLogGroup::FixedLogGroup(Connection& connection)
    : connection_(connection), logging_(connection.logging_), nextEntry_(connection.nextEntry_) {
  connection_.StartLog(1);
}

Connection::FixedLogGroup::~FixedLogGroup() {
  connection_.logging_ = logging_;
  connection_.nextEntry_ = nextEntry_;
}

Reply Connection::Exchange(const FrameBuffer& request, std::size_t requestLength, std::size_t wanted) {
  const Protocol protocol = settings.protocol;
  const bool modbus = protocol == Protocol::ModbusRtu || protocol == Protocol::ModbusAscii;
  const int entry = nextEntry_;
  nextEntry_ += 2;
  requestLength = std::min(requestLength, request.size());
  Reply reply;

  // Taken before the request is logged, so the log keeps the order of the line.
  const std::vector<uint8_t> stray = TakeStrayInput();
  reply.strayBefore = !stray.empty();
  if (!stray.empty()) LogStray(stray, kStrayNote);
  if (logging_) LogFrame(request.data(), requestLength, entry, FrameDirection::Request);

  // Sending converts its own copy for Modbus; a failed write is not looked
  // at: the receive then finds nothing and the exchange ends NoResponse after
  // the time-out, as any silent one does.
  FrameBuffer wire = request;
  const WriteOutcome sent = line.SendFrame(wire, requestLength, protocol, lastRtuRequest_);
  const std::span<const uint8_t> wireRequest(wire.data(), std::min(sent.written, wire.size()));
  EchoFinding echo = EchoFinding::None;
  bool echoSilent = false;
  const bool replyCopiesRequest = modbus && requestLength != kReadRequestLength;
  if (localEcho && !wireRequest.empty()) {
    FrameBuffer echoed{};
    const std::size_t echoCount = line.ReceiveExactly(std::span<uint8_t>(echoed.data(), wireRequest.size()));
    const std::span<const uint8_t> echoBytes(echoed.data(), echoCount);
    // Nothing at all within a time-out: the line is silent, a reply will not come either.
    echoSilent = echoCount == 0;
    if (!echoSilent && !std::ranges::equal(echoBytes, wireRequest)) {
      echo = EchoFinding::Differs;
      LogStray(echoBytes, kEchoDiffersNote);
    }
  }
  FrameBuffer received{};
  std::size_t count = echoSilent ? 0 : line.ReceiveWireFrame(received, wanted, protocol);
  // An echoed RTU read request passes for a shorter reply by its third byte:
  // what came so far being the start of the request, the rest of it is read
  // to tell.
  if (!localEcho && protocol == Protocol::ModbusRtu && !replyCopiesRequest && count > 0 &&
      count < wireRequest.size() && std::ranges::equal(std::span(received.data(), count), wireRequest.first(count))) {
    count += line.ReceiveExactly(std::span<uint8_t>(received.data() + count, wireRequest.size() - count));
  }
  const std::span<const uint8_t> bytes(received.data(), count);
  // With local echo off, the request coming back where the reply was due is
  // the adapter's echo, not an answer. Not for a Modbus write, whose reply is
  // a copy of its request; a Modbus read's reply never is.
  if (!localEcho && !replyCopiesRequest && !wireRequest.empty() && count >= wireRequest.size() &&
      std::ranges::equal(bytes.first(wireRequest.size()), wireRequest)) {
    echo = EchoFinding::Unexpected;
  }
  // The reply follows such an echo; taken now, it cannot be paired with the
  // next request.
  std::vector<uint8_t> replyAfterEcho;
  if (echo == EchoFinding::Unexpected && count == wireRequest.size()) replyAfterEcho = AwaitStrayInput();
  // Frames that came back to back are read together; a whole frame that
  // ends before the bytes do means two answers to one request.
  const FrameEndTest frameEnd = FrameEndFor(protocol);
  for (std::size_t length = 1; length < count; ++length) {
    if (frameEnd(bytes.first(length))) {
      reply.strayWithin = true;
      break;
    }
  }

  // The reply in TORVALEK form, as the log shows it and the check reads it.
  FrameBuffer answer = received;
  std::size_t answerLength = count;
  ReplyFault wireFault = count == 0 ? ReplyFault::Silence : ReplyFault::None;
  if (count > 0 && modbus) {
    wireFault = CheckModbusReply(lastRtuRequest_, bytes, protocol);
    FromModbusResponse(answer, answerLength, protocol);
    answerLength = std::min(answerLength, answer.size());
  }
  if (logging_) {
    // A Modbus reply that failed its check is shown as it came: converting
    // it would make up a frame.
    if (modbus && wireFault != ReplyFault::None && count > 0) {
      AppendWireLogEntry(log, bytes, entry + 1, FrameDirection::Response, protocol);
    } else {
      LogFrame(answer.data(), answerLength, entry + 1, FrameDirection::Response);
    }
  }

  const bool strayBefore = reply.strayBefore;
  const bool strayWithin = reply.strayWithin;
  if (wireFault != ReplyFault::None) {
    reply.fault = wireFault;
  } else {
    reply = CheckTorvalekReply(std::span<const uint8_t>(request.data(), requestLength),
                               std::span<const uint8_t>(answer.data(), answerLength));
  }
  reply.strayBefore = strayBefore;
  reply.strayWithin = strayWithin;
  if (strayWithin && reply.result == ExchangeResult::NoResponse) reply.fault = ReplyFault::Stray;
  if (echo != EchoFinding::None) {
    // A line that garbles the echo garbles replies as well: the reply is not trusted.
    reply = Reply{};
    reply.fault = ReplyFault::Echo;
    reply.strayBefore = strayBefore;
    if (echo == EchoFinding::Unexpected) LogStray({}, kEchoUnexpectedNote);
    if (!replyAfterEcho.empty()) LogStray(replyAfterEcho, kStrayNote);
    if (echoFinding == EchoFinding::None) echoFinding = echo;
  }
  return reply;
}

void Connection::LogFrame(const uint8_t* frame, std::size_t length, int entry, FrameDirection direction) {
  AppendLogEntry(log, frame, length, entry, direction, settings.protocol, lastRtuRequest_);
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
  if (!logging_) return;
  AppendStrayEntry(log, bytes, settings.protocol, note);
}

}  // namespace klv
