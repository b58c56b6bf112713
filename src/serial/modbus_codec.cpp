#include "serial/modbus_codec.h"

#include <algorithm>

#include "serial/torvalek_frame.h"

namespace klv {

namespace {

// Offsets of the TORVALEK request and response forms.
constexpr std::size_t kAddressAt = 1;   // two hex digits
constexpr std::size_t kCommandAt = 4;   // "R" or "W" ("B")
constexpr std::size_t kRegisterAt = 5;  // four hex digits (request)
constexpr std::size_t kCountAt = 9;     // registers minus one (read request)
constexpr std::size_t kValueAt = 11;    // four hex digits (write request)
constexpr std::size_t kCodeAt = 6;      // second response code character
constexpr std::size_t kDataAt = 8;      // first data field (response)

// Bound of a converted response. Its framing takes 12 characters: STX,
// address (2), "1", command letter, "00,", ETX, BCC (2), CR. At most 86 data
// hex digits (43 data bytes) follow, so the text is at most 98 characters and
// its NUL still fits the 100-byte buffer. Only data bytes that were actually
// received are converted, whatever byte count the reply claims.
constexpr std::size_t kResponseFraming = 12;
constexpr std::size_t kMaxDataHexDigits = 86;
static_assert(kResponseFraming + kMaxDataHexDigits + 1 <= kFrameBufferSize);

bool IsModbus(Protocol protocol) {
  return protocol == Protocol::ModbusRtu || protocol == Protocol::ModbusAscii;
}

// Collects a converted frame; the caller's buffer is both input and output,
// so the result is built apart and copied over at the end.
class Builder {
 public:
  void Put(uint8_t c) {
    if (length_ < bytes_.size()) bytes_[length_++] = c;
  }
  void PutHex(uint8_t value) {
    uint8_t digits[2];
    comm().ByteToHex(value, digits);
    Put(digits[0]);
    Put(digits[1]);
  }
  void PutCopy(const uint8_t* from, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) Put(from[i]);
  }
  // LRC of the hex pairs from character 1 on, then CR LF: the Modbus ASCII tail.
  void FinishAscii() {
    const std::size_t pairs = length_ > 2 ? (length_ - 1) / 2 : 1;
    PutHex(comm().ModbusLrc(&bytes_[1], &bytes_[1 + 2 * (pairs - 1)]));
    Put(kCr);
    Put(kLf);
  }
  // CRC of everything so far, the byte sent first first: the Modbus RTU tail.
  void FinishRtu() {
    const uint16_t crc = comm().ModbusCrc16(&bytes_[0], &bytes_[length_ - 1]);
    Put(static_cast<uint8_t>(crc >> 8));
    Put(static_cast<uint8_t>(crc & 0xFF));
  }
  void FinishTorvalek() {
    Put(kEtx);
    length_ = AppendBcc(bytes_, length_, BccKind::Sum);
    Put(kCr);
  }
  void CopyTo(FrameBuffer& buffer, std::size_t& length, bool terminate) const {
    std::copy_n(bytes_.begin(), length_, buffer.begin());
    if (terminate && length_ < buffer.size()) buffer[length_] = 0;
    length = length_;
  }

 private:
  FrameBuffer bytes_{};
  std::size_t length_ = 0;
};

// The Modbus request a TORVALEK request stands for, as RTU bytes with CRC.
RtuRequestCopy RtuRequestOf(const FrameBuffer& frame) {
  const comm codec;
  const bool read = frame[kCommandAt] == 'R';
  RtuRequestCopy rtu{};
  rtu[0] = codec.HexPairToByte(&frame[kAddressAt]);
  rtu[1] = read ? 0x03 : 0x06;
  rtu[2] = codec.HexPairToByte(&frame[kRegisterAt]);
  rtu[3] = codec.HexPairToByte(&frame[kRegisterAt + 2]);
  if (read) {
    // Read Holding Registers takes a register count; the frame has count - 1.
    rtu[4] = 0;
    rtu[5] = static_cast<uint8_t>(frame[kCountAt] - '0' + 1);
  } else {
    rtu[4] = codec.HexPairToByte(&frame[kValueAt]);
    rtu[5] = codec.HexPairToByte(&frame[kValueAt + 2]);
  }
  const uint16_t crc = codec.ModbusCrc16(&rtu[0], &rtu[5]);
  rtu[6] = static_cast<uint8_t>(crc >> 8);
  rtu[7] = static_cast<uint8_t>(crc & 0xFF);
  return rtu;
}

void RequestToModbus(FrameBuffer& buffer, std::size_t& length, Protocol protocol,
                     RtuRequestCopy& lastRtuRequest) {
  const RtuRequestCopy rtu = RtuRequestOf(buffer);
  // Kept for the log: a write response echoes its request.
  lastRtuRequest = rtu;
  Builder out;
  if (protocol == Protocol::ModbusRtu) {
    out.PutCopy(rtu.data(), rtu.size());
  } else {
    const bool read = buffer[kCommandAt] == 'R';
    out.Put(':');
    out.PutCopy(&buffer[kAddressAt], 2);
    out.PutHex(rtu[1]);
    out.PutCopy(&buffer[kRegisterAt], 4);
    if (read) {
      out.PutHex(rtu[4]);
      out.PutHex(rtu[5]);
    } else {
      out.PutCopy(&buffer[kValueAt], 4);
    }
    out.FinishAscii();
  }
  out.CopyTo(buffer, length, protocol == Protocol::ModbusAscii);
}

// Rebuilds, for the log, the Modbus response that a converted TORVALEK
// response stands for.
void ResponseToModbus(FrameBuffer& buffer, std::size_t& length, Protocol protocol,
                      const RtuRequestCopy& lastRtuRequest) {
  const comm codec;
  const bool read = buffer[kCommandAt] == 'R';
  const uint8_t function = read ? 0x03 : 0x06;
  const bool exception = buffer[kCodeAt] != '0';
  Builder out;
  if (protocol == Protocol::ModbusRtu) {
    if (exception) {
      // The device's own exception code did not survive the conversion.
      out.Put(codec.HexPairToByte(&buffer[kAddressAt]));
      out.Put(function | 0x80);
      out.Put(0x01);
      out.FinishRtu();
    } else if (read) {
      out.Put(codec.HexPairToByte(&buffer[kAddressAt]));
      out.Put(function);
      out.Put(0x02);
      out.Put(codec.HexPairToByte(&buffer[kDataAt]));
      out.Put(codec.HexPairToByte(&buffer[kDataAt + 2]));
      out.FinishRtu();
    } else {
      out.PutCopy(lastRtuRequest.data(), lastRtuRequest.size());
    }
  } else {
    out.Put(':');
    if (exception) {
      out.PutCopy(&buffer[kAddressAt], 2);
      out.PutHex(function | 0x80);
      out.PutHex(0x01);
    } else if (read) {
      out.PutCopy(&buffer[kAddressAt], 2);
      out.PutHex(function);
      out.PutHex(0x02);
      out.PutCopy(&buffer[kDataAt], 4);
    } else {
      // As in RTU, the write response is the echo of the request.
      for (std::size_t i = 0; i < 6; ++i) out.PutHex(lastRtuRequest[i]);
    }
    out.FinishAscii();
  }
  out.CopyTo(buffer, length, protocol == Protocol::ModbusAscii);
}

// A Modbus RTU response: address, function code, then for a normal response
// a byte count and the data bytes, then the CRC (not checked).
void RtuResponseToTorvalek(const FrameBuffer& buffer, std::size_t received, Builder& out) {
  const uint8_t function = received > 1 ? buffer[1] : 0;
  out.PutHex(buffer[0]);
  out.Put('1');
  out.Put((function & 0x0F) == 0x03 ? 'R' : 'W');
  // A reply cut before its byte count cannot be a normal response.
  if ((function & 0x80) != 0 || received < 3) {
    out.Put('0');
    out.Put('9');
    return;
  }
  out.Put('0');
  out.Put('0');
  out.Put(',');
  const std::size_t dataBytes =
      std::min({static_cast<std::size_t>(buffer[2]), received - 3, kMaxDataHexDigits / 2});
  for (std::size_t i = 0; i < dataBytes; ++i) out.PutHex(buffer[3 + i]);
}

// A Modbus ASCII response: ":", address (2), function code (2), then for a
// normal response a byte count (2) and the data digits, then LRC (not
// checked), CR, LF.
void AsciiResponseToTorvalek(const FrameBuffer& buffer, std::size_t received, Builder& out) {
  const comm codec;
  auto at = [&](std::size_t i) -> uint8_t { return i < received ? buffer[i] : '0'; };
  out.Put(at(1));
  out.Put(at(2));
  out.Put('1');
  out.Put(received > 4 && buffer[4] == '3' ? 'R' : 'W');
  // A reply cut before its byte count cannot be a normal response.
  if ((received > 3 && buffer[3] == '8') || received < 7) {
    out.Put('0');
    out.Put('9');
    return;
  }
  out.Put('0');
  out.Put('0');
  out.Put(',');
  const std::size_t claimedDigits = 2 * static_cast<std::size_t>(codec.HexPairToByte(&buffer[5]));
  const std::size_t digits = std::min({claimedDigits, received - 7, kMaxDataHexDigits});
  out.PutCopy(&buffer[7], digits);
}

}  // namespace

uint8_t comm::HexPairToByte(const uint8_t* pair) const {
  // Garbage characters give garbage nibbles; unsigned arithmetic keeps that defined.
  auto nibble = [](uint8_t c) -> unsigned {
    return c <= '9' ? static_cast<unsigned>(c) - '0' : static_cast<unsigned>(c) - 55u;
  };
  return static_cast<uint8_t>(((nibble(pair[0]) << 4) + nibble(pair[1])) & 0xFF);
}

uint16_t comm::HexQuadToWord(const uint8_t* quad) const {
  return static_cast<uint16_t>((HexPairToByte(quad) << 8) | HexPairToByte(quad + 2));
}

void comm::ByteToHex(uint8_t value, uint8_t* out) const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  out[0] = static_cast<uint8_t>(kDigits[value >> 4]);
  out[1] = static_cast<uint8_t>(kDigits[value & 0x0F]);
}

uint8_t comm::ModbusLrc(const uint8_t* first, const uint8_t* last) const {
  if (last < first) return 0;
  unsigned sum = 0;
  const std::size_t pairs = static_cast<std::size_t>(last - first) / 2 + 1;
  for (std::size_t i = 0; i < pairs; ++i) sum += HexPairToByte(first + 2 * i);
  return static_cast<uint8_t>((0x100 - (sum & 0xFF)) & 0xFF);
}

uint16_t comm::ModbusCrc16(const uint8_t* first, const uint8_t* last) const {
  unsigned crc = 0xFFFF;
  if (last >= first) {
    const std::size_t n = static_cast<std::size_t>(last - first) + 1;
    for (std::size_t i = 0; i < n; ++i) {
      crc ^= first[i];
      for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) != 0 ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
  }
  // The CRC goes on the wire low byte first; swapping makes that the high byte.
  return static_cast<uint16_t>(((crc & 0xFF) << 8) | (crc >> 8));
}

void ToModbusRequest(FrameBuffer& buffer, std::size_t& length, FrameDirection direction,
                     Protocol protocol, RtuRequestCopy& lastRtuRequest) {
  if (length == 0 || !IsModbus(protocol)) return;
  if (direction == FrameDirection::Request) {
    RequestToModbus(buffer, length, protocol, lastRtuRequest);
  } else {
    ResponseToModbus(buffer, length, protocol, lastRtuRequest);
  }
}

void FromModbusResponse(FrameBuffer& buffer, std::size_t& count, Protocol protocol) {
  if (count == 0 || !IsModbus(protocol)) return;
  const std::size_t received = std::min(count, buffer.size());
  Builder out;
  out.Put(kStx);
  if (protocol == Protocol::ModbusRtu) {
    RtuResponseToTorvalek(buffer, received, out);
  } else {
    AsciiResponseToTorvalek(buffer, received, out);
  }
  out.FinishTorvalek();
  out.CopyTo(buffer, count, true);
}

}  // namespace klv
