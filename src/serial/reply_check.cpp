#include "serial/reply_check.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "serial/checksums.h"
#include "serial/hex_text.h"

namespace klv {
namespace {

// Offsets of the TORVALEK form.
constexpr std::size_t kAddressOffset = 1;
constexpr std::size_t kSubAddressOffset = 3;
constexpr std::size_t kCommandOffset = 4;
constexpr std::size_t kCodeOffset = 5;
constexpr std::size_t kBodyOffset = 7;
// STX, address (2), sub-address, command, code (2), ETX, BCC (2), CR.
constexpr std::size_t kShortestReply = 11;
// "," and the four digits of one register.
constexpr std::size_t kReadBodyLength = 5;

constexpr uint8_t kModbusException = 0x80;
constexpr uint8_t kReadHolding = 0x03;
constexpr uint8_t kWriteSingle = 0x06;
constexpr std::size_t kRtuCrcLength = 2;

bool AllHex(std::span<const uint8_t> text) {
  return std::all_of(text.begin(), text.end(), [](uint8_t c) { return HexDigitValue(c).has_value(); });
}

bool SameHexPair(uint8_t a0, uint8_t a1, uint8_t b0, uint8_t b1) {
  const std::optional<uint8_t> high = HexDigitValue(a0);
  const std::optional<uint8_t> low = HexDigitValue(a1);
  return high && low && high == HexDigitValue(b0) && low == HexDigitValue(b1);
}

// The text between the response code and ETX.
bool BodyFits(std::span<const uint8_t> body, bool normal, bool read) {
  if (normal && read) return body.size() == kReadBodyLength && body[0] == ',' && AllHex(body.subspan(1));
  if (body.empty()) return true;
  if (body[0] != ',') return false;
  if (normal) return AllHex(body.subspan(1));
  return std::all_of(body.begin(), body.end(), [](uint8_t c) { return c >= 0x20 && c < 0x7F; });
}

bool BccMatches(std::span<const uint8_t> reply, std::size_t etx, BccKind kind) {
  if (kind != BccKind::Sum && kind != BccKind::TwosComplement && kind != BccKind::Xor) return true;
  FrameBuffer text{};
  if (etx + 3 > text.size()) return false;
  std::copy_n(reply.begin(), etx + 1, text.begin());
  if (AppendBcc(text, etx + 1, kind) != etx + 3) return false;
  return SameHexPair(reply[etx + 1], reply[etx + 2], text[etx + 1], text[etx + 2]);
}

// The protocol data of a Modbus reply (address through data, without its
// check code) against the request's RTU bytes.
ReplyFault PduFault(const RtuRequestCopy& request, std::span<const uint8_t> pdu) {
  if (pdu.size() < 3) return ReplyFault::Length;
  if (pdu[0] != request[0]) return ReplyFault::Address;
  const uint8_t function = request[1];
  if (pdu[1] == (function | kModbusException)) return pdu.size() == 3 ? ReplyFault::None : ReplyFault::Length;
  if (pdu[1] != function) return ReplyFault::Address;
  if (function == kReadHolding) {
    const std::size_t dataBytes = 2u * request[5];
    return pdu[2] == dataBytes && pdu.size() == 3 + dataBytes ? ReplyFault::None : ReplyFault::Length;
  }
  if (function == kWriteSingle) {
    if (pdu.size() != 6) return ReplyFault::Length;
    // The echo names another register or value: the answer to another request.
    return std::equal(pdu.begin(), pdu.end(), request.begin()) ? ReplyFault::None : ReplyFault::Address;
  }
  return ReplyFault::Length;
}

ReplyFault RtuReplyFault(const RtuRequestCopy& request, std::span<const uint8_t> reply) {
  if (reply.size() < 3 + kRtuCrcLength) return ReplyFault::Length;
  const std::size_t end = reply.size() - kRtuCrcLength;
  // The CRC comes back with the byte sent first as its high byte.
  const std::array<uint8_t, 2> crc = ModbusCrcBytes(reply.first(end));
  if (reply[end] != crc[0] || reply[end + 1] != crc[1]) return ReplyFault::CheckCode;
  return PduFault(request, reply.first(end));
}

ReplyFault AsciiReplyFault(const RtuRequestCopy& request, std::span<const uint8_t> reply) {
  // ":", at least address, function, one more byte and the LRC as hex pairs, CR LF.
  if (reply.size() < 1 + 2 * 4 + 2 || reply[0] != ':') return ReplyFault::Length;
  if (reply[reply.size() - 2] != kCr || reply[reply.size() - 1] != kLf) return ReplyFault::Length;
  const std::span<const uint8_t> hex = reply.subspan(1, reply.size() - 3);
  if (hex.size() % 2 != 0 || !AllHex(hex)) return ReplyFault::Length;
  std::vector<uint8_t> bytes;
  bytes.reserve(hex.size() / 2);
  uint8_t sum = 0;
  for (std::size_t i = 0; i < hex.size(); i += 2) {
    // Every character was checked as a hex digit above.
    const auto byte = static_cast<uint8_t>(*HexDigitValue(hex[i]) * 16 + *HexDigitValue(hex[i + 1]));
    bytes.push_back(byte);
    sum = static_cast<uint8_t>(sum + byte);
  }
  // The LRC is the two's complement of the sum of the other bytes.
  if (sum != 0) return ReplyFault::CheckCode;
  bytes.pop_back();
  return PduFault(request, bytes);
}

}  // namespace

bool IsWholeTorvalekFrame(std::span<const uint8_t> received) {
  return !received.empty() && received.back() == kCr;
}

bool IsWholeAsciiFrame(std::span<const uint8_t> received) {
  return received.size() >= 2 && received[received.size() - 2] == kCr && received.back() == kLf;
}

bool IsWholeRtuFrame(std::span<const uint8_t> received) {
  if (received.size() < 2) return false;
  const uint8_t function = received[1];
  std::size_t length = 0;
  if ((function & kModbusException) != 0) {
    length = 3 + kRtuCrcLength;
  } else if (function == kReadHolding) {
    if (received.size() < 3) return false;
    length = 3 + received[2] + kRtuCrcLength;
  } else if (function == kWriteSingle) {
    length = 6 + kRtuCrcLength;
  } else {
    return false;
  }
  return received.size() >= length;
}

FrameEndTest FrameEndFor(Protocol protocol) {
  switch (protocol) {
    case Protocol::ModbusRtu: return IsWholeRtuFrame;
    case Protocol::ModbusAscii: return IsWholeAsciiFrame;
    default: return IsWholeTorvalekFrame;
  }
}

Reply CheckTorvalekReply(std::span<const uint8_t> request, std::span<const uint8_t> reply, BccKind bcc) {
  Reply verdict;
  if (reply.empty()) return verdict;
  verdict.fault = ReplyFault::Length;
  if (request.size() <= kCommandOffset || reply.size() < kShortestReply) return verdict;
  if (reply[0] != kStx || reply.back() != kCr) return verdict;
  verdict.fault = ReplyFault::Address;
  if (!SameHexPair(reply[kAddressOffset], reply[kAddressOffset + 1], request[kAddressOffset],
                   request[kAddressOffset + 1])) {
    return verdict;
  }
  if (reply[kSubAddressOffset] != request[kSubAddressOffset]) return verdict;
  const uint8_t command = request[kCommandOffset];
  if (reply[kCommandOffset] != command) return verdict;
  verdict.fault = ReplyFault::Length;
  if (!AllHex(reply.subspan(kCodeOffset, 2))) return verdict;

  const std::size_t etx = reply.size() - 4;
  if (reply[etx] != kEtx) return verdict;
  const bool normal = reply[kCodeOffset + 1] == '0';
  const bool read = command == 'R';
  if (!BodyFits(reply.subspan(kBodyOffset, etx - kBodyOffset), normal, read)) return verdict;
  if (!BccMatches(reply, etx, bcc)) {
    verdict.fault = ReplyFault::CheckCode;
    return verdict;
  }
  verdict.fault = ReplyFault::None;
  verdict.result = normal ? ExchangeResult::Ok : ExchangeResult::Error;
  if (normal && read) {
    FrameBuffer text{};
    const std::size_t count = std::min(reply.size(), text.size());
    std::copy_n(reply.begin(), count, text.begin());
    verdict.value = ResponseValue(text, count);
  }
  return verdict;
}

ReplyFault CheckModbusReply(const RtuRequestCopy& request, std::span<const uint8_t> reply, Protocol protocol) {
  if (reply.empty()) return ReplyFault::Silence;
  switch (protocol) {
    case Protocol::ModbusRtu: return RtuReplyFault(request, reply);
    case Protocol::ModbusAscii: return AsciiReplyFault(request, reply);
    default: return ReplyFault::Length;
  }
}

}  // namespace klv
