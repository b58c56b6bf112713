// The TORVALEK answerer of the simulated regulator: cuts a request frame
// into a read or a write and builds the reply the device would send.
#include <algorithm>
#include <string>

#include "sim/answer_encoding.h"
#include "sim/simulated_regulator.h"
#include "serial/checksums.h"
#include "serial/frame_buffer.h"
#include "serial/torvalek_frame.h"

namespace klv::sim {

using namespace answer;

namespace {

const char* TorvalekCode(Refusal refusal) {
  switch (refusal) {
    case Refusal::None:
      return "00";
    case Refusal::BadRequest:
      return "01";
    case Refusal::NoSuchRegister:
      return "02";
    case Refusal::OutOfRange:
      return "03";
    case Refusal::ReadOnly:
      return "04";
    case Refusal::DeviceFault:
      return "08";
  }
  return "01";
}

}  // namespace

ReplyPlan SimulatedRegulator::AnswerTorvalek(std::span<const uint8_t> frame) {
  // STX, address (2), sub-address, command, body, ETX, BCC (2), CR.
  const std::size_t n = frame.size();
  if (n < 11 || n > kFrameBufferSize - 2) return {};
  if (frame[0] != kStx || frame[n - 1] != kCr || frame[n - 4] != kEtx) return {};
  FrameBuffer check{};
  std::copy_n(frame.begin(), n - 3, check.begin());
  if (AppendBcc(check, n - 3, BccKind::Sum) != n - 1) return {};
  if (check[n - 3] != frame[n - 3] || check[n - 2] != frame[n - 2]) return {};

  const std::optional<uint16_t> address = HexField(frame.subspan(1, 2));
  if (!address) return {};
  const uint8_t command = frame[4];
  Request request;
  request.broadcast = *address == 0 && command == 'B';
  if (*address != config_.deviceAddress && !request.broadcast) return {};
  ++exchanges_;

  const std::span<const uint8_t> body = frame.subspan(5, n - 9);
  const bool digitOk = frame[3] >= '0' && frame[3] <= '9';
  if (digitOk && command == 'R' && body.size() == 5) {
    const auto reg = HexField(body.first(4));
    if (reg && body[4] >= '0' && body[4] <= '9') {
      request.op = Request::Op::Read;
      request.reg = *reg;
      request.count = body[4] - '0' + 1;
    }
  } else if (digitOk && (command == 'W' || command == 'B') && body.size() == 10) {
    const auto reg = HexField(body.first(4));
    const auto value = HexField(body.subspan(6, 4));
    if (reg && value && body[4] == '0' && body[5] == ',') {
      request.op = Request::Op::Write;
      request.reg = *reg;
      request.value = static_cast<int16_t>(*value);
    }
  }

  const FaultSet faults = FaultsFor(request);
  if (faults.hangUpInstead) return HangUpNow();
  if (faults.silent) return Finish({}, faults);
  std::vector<int16_t> values;
  const Refusal refusal = Execute(request, faults, values);
  if (request.broadcast) return Finish({}, faults);

  // Address, sub-address, command, response code and values, between STX and ETX.
  std::string text;
  if (faults.otherAddress) {
    PutHexByte(text, OtherAddress(config_.deviceAddress));
  } else {
    text.push_back(static_cast<char>(frame[1]));
    text.push_back(static_cast<char>(frame[2]));
  }
  text.push_back(static_cast<char>(frame[3]));
  text.push_back(static_cast<char>(command));
  text += TorvalekCode(refusal);
  for (const int16_t value : values) {
    text.push_back(',');
    PutHexByte(text, static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
    PutHexByte(text, static_cast<uint8_t>(value & 0xFF));
  }
  if (!values.empty()) {
    constexpr std::size_t kFirstValue = 7;  // after address, sub-address, command, code and ","
    if (faults.junk) text[kFirstValue + 2] = kJunkDigit;
    if (faults.shortValue) text.resize(text.size() - 2);
  }

  FrameBuffer reply{};
  std::size_t length = 0;
  reply[length++] = kStx;
  for (const char c : text) reply[length++] = static_cast<uint8_t>(c);
  reply[length++] = kEtx;
  length = AppendBcc(reply, length, BccKind::Sum);
  if (faults.badCheck) {
    reply[length - 2] = InvertedHexDigit(reply[length - 2]);
    reply[length - 1] = InvertedHexDigit(reply[length - 1]);
  }
  reply[length++] = kCr;
  return Finish(std::vector<uint8_t>(reply.begin(), reply.begin() + static_cast<std::ptrdiff_t>(length)),
                faults);
}

}  // namespace klv::sim
