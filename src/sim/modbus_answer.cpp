// The Modbus answerer of the simulated regulator (RTU and ASCII): unwraps
// a request frame, carries out function 03 or 06 and builds the reply the
// device would send.
#include <array>
#include <vector>

#include "sim/answer_encoding.h"
#include "sim/request_framer.h"
#include "sim/simulated_regulator.h"
#include "serial/checksums.h"
#include "serial/hex_text.h"
#include "serial/torvalek_frame.h"

namespace klv::sim {

using namespace answer;

namespace {

constexpr int kMaxReadCount = 10;

uint8_t ModbusException(Refusal refusal) {
  switch (refusal) {
    case Refusal::BadRequest:
      return 0x01;
    case Refusal::NoSuchRegister:
    case Refusal::ReadOnly:
      return 0x02;
    case Refusal::OutOfRange:
      return 0x03;
    case Refusal::DeviceFault:
    case Refusal::None:
      return 0x04;
  }
  return 0x04;
}

}  // namespace

ReplyPlan SimulatedRegulator::AnswerModbusRtu(std::span<const uint8_t> request) {
  if (request.size() < 4 || !HasGoodCrc(request)) return {};
  return AnswerModbus(request.first(request.size() - 2), false);
}

ReplyPlan SimulatedRegulator::AnswerModbusAscii(std::span<const uint8_t> request) {
  // ":", pairs of upper-case hex digits (address, function, data, LRC), CR LF.
  const std::size_t n = request.size();
  if (n < 9 || request[0] != ':' || request[n - 2] != kCr || request[n - 1] != kLf) return {};
  const std::size_t digits = n - 3;
  if (digits % 2 != 0) return {};
  for (std::size_t i = 1; i <= digits; ++i) {
    if (HexDigit(request[i]) < 0) return {};
  }
  const std::size_t pairs = digits / 2;
  const std::span<const uint8_t> pduText = request.subspan(1, 2 * (pairs - 1));
  if (ByteFromHexPair(request.subspan(1 + 2 * (pairs - 1)).first<2>()) != ModbusLrcOfHexPairs(pduText)) return {};
  std::vector<uint8_t> pdu;
  for (std::size_t i = 0; i < pduText.size(); i += 2) pdu.push_back(ByteFromHexPair(pduText.subspan(i).first<2>()));
  return AnswerModbus(pdu, true);
}

ReplyPlan SimulatedRegulator::AnswerModbus(std::span<const uint8_t> pdu, bool ascii) {
  // Address, function, data (CRC or LRC already checked and removed).
  if (pdu.size() < 2) return {};
  const uint8_t address = pdu[0];
  const uint8_t function = pdu[1];
  Request request;
  request.broadcast = address == 0 && function == 0x06;
  if (address != config_.deviceAddress && !request.broadcast) return {};
  ++exchanges_;

  const auto word = [&](std::size_t at) { return static_cast<uint16_t>((pdu[at] << 8) | pdu[at + 1]); };
  if (function == 0x03 || function == 0x06) {
    request.badReason = Refusal::OutOfRange;  // wrong length or count: illegal data value
    if (pdu.size() == 6) {
      request.reg = word(2);
      if (function == 0x06) {
        request.op = Request::Op::Write;
        request.value = static_cast<int16_t>(word(4));
      } else if (word(4) >= 1 && word(4) <= kMaxReadCount) {
        request.op = Request::Op::Read;
        request.count = word(4);
      }
    }
  }

  const FaultSet faults = FaultsFor(request);
  if (faults.hangUpInstead) return HangUpNow();
  if (faults.silent) return Finish({}, faults);
  std::vector<int16_t> values;
  const Refusal refusal = Execute(request, faults, values);
  if (request.broadcast) return Finish({}, faults);

  std::vector<uint8_t> answer;
  answer.push_back(faults.otherAddress ? OtherAddress(config_.deviceAddress) : address);
  if (refusal != Refusal::None) {
    answer.push_back(static_cast<uint8_t>(function | 0x80));
    answer.push_back(ModbusException(refusal));
  } else if (request.op == Request::Op::Read) {
    answer.push_back(function);
    answer.push_back(static_cast<uint8_t>(2 * values.size()));
    for (const int16_t value : values) {
      answer.push_back(static_cast<uint8_t>(static_cast<uint16_t>(value) >> 8));
      answer.push_back(static_cast<uint8_t>(value & 0xFF));
    }
    // The byte count still promises every value.
    if (faults.shortValue) answer.pop_back();
  } else {
    answer.assign(pdu.begin(), pdu.end());  // a write answers with its request
    if (faults.otherAddress) answer[0] = OtherAddress(config_.deviceAddress);
  }
  const bool readValues = refusal == Refusal::None && request.op == Request::Op::Read;

  std::vector<uint8_t> reply;
  if (ascii) {
    reply.push_back(':');
    for (const uint8_t byte : answer) PutHexByte(reply, byte);
    const uint8_t lrc = ModbusLrcOfHexPairs(std::span<const uint8_t>(reply).subspan(1));
    // The LRC is that of the true digits: only the junk digit is wrong.
    constexpr std::size_t kFirstValue = 7;  // after ":", address, function and byte count
    if (faults.junk && readValues && reply.size() > kFirstValue + 2) reply[kFirstValue + 2] = kJunkDigit;
    PutHexByte(reply, faults.badCheck ? static_cast<uint8_t>(~lrc) : lrc);
    reply.push_back(kCr);
    reply.push_back(kLf);
  } else {
    // Binary values cannot hold a non-hex digit: junk leaves an RTU reply as it is.
    const std::array<uint8_t, 2> crc = ModbusCrcBytes(answer);
    reply = answer;
    reply.push_back(crc[0]);
    reply.push_back(static_cast<uint8_t>(faults.badCheck ? ~crc[1] : crc[1]));
  }
  return Finish(std::move(reply), faults);
}

}  // namespace klv::sim
