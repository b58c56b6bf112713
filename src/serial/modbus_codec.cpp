#include "serial/modbus_codec.h"

#include <algorithm>
#include <array>
#include <span>

#include "serial/checksums.h"
#include "serial/hex_text.h"
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

// The two hex digits at a fixed offset of the buffer; the offset is checked
// against the buffer's size when the program is built.
template <std::size_t At>
uint8_t ByteAt(const FrameBuffer& buffer) {
  return ByteFromHexPair(std::span<const uint8_t, kFrameBufferSize>(buffer).subspan<At, 2>());
}

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
    for (const uint8_t digit : HexPairOf(value)) Put(digit);
  }
  void PutCopy(const uint8_t* from, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) Put(from[i]);
  }
  // LRC of the hex pairs from character 1 on, then CR LF: the Modbus ASCII tail.
  void FinishAscii() {
    const std::size_t pairs = length_ > 2 ? (length_ - 1) / 2 : 1;
    PutHex(ModbusLrcOfHexPairs(std::span<const uint8_t>(bytes_).subspan(1, 2 * pairs)));
    Put(kCr);
    Put(kLf);
  }
  // CRC of everything so far, the byte sent first first: the Modbus RTU tail.
  void FinishRtu() {
    for (const uint8_t byte : ModbusCrcBytes(std::span<const uint8_t>(bytes_).first(length_))) Put(byte);
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
  const bool read = frame[kCommandAt] == 'R';
  RtuRequestCopy rtu{};
  rtu[0] = ByteAt<kAddressAt>(frame);
  rtu[1] = read ? 0x03 : 0x06;
  rtu[2] = ByteAt<kRegisterAt>(frame);
  rtu[3] = ByteAt<kRegisterAt + 2>(frame);
  if (read) {
    // Read Holding Registers takes a register count; the frame has count - 1.
    rtu[4] = 0;
    rtu[5] = static_cast<uint8_t>(frame[kCountAt] - '0' + 1);
  } else {
    rtu[4] = ByteAt<kValueAt>(frame);
    rtu[5] = ByteAt<kValueAt + 2>(frame);
  }
  const std::array<uint8_t, 2> crc = ModbusCrcBytes(std::span<const uint8_t>(rtu).first(6));
  rtu[6] = crc[0];
  rtu[7] = crc[1];
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
  const bool read = buffer[kCommandAt] == 'R';
  const uint8_t function = read ? 0x03 : 0x06;
  const bool exception = buffer[kCodeAt] != '0';
  Builder out;
  if (protocol == Protocol::ModbusRtu) {
    if (exception) {
      // The device's own exception code did not survive the conversion.
      out.Put(ByteAt<kAddressAt>(buffer));
      out.Put(function | 0x80);
      out.Put(0x01);
      out.FinishRtu();
    } else if (read) {
      out.Put(ByteAt<kAddressAt>(buffer));
      out.Put(function);
      out.Put(0x02);
      out.Put(ByteAt<kDataAt>(buffer));
      out.Put(ByteAt<kDataAt + 2>(buffer));
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
  const std::size_t claimedDigits = 2 * static_cast<std::size_t>(ByteAt<5>(buffer));
  const std::size_t digits = std::min({claimedDigits, received - 7, kMaxDataHexDigits});
  out.PutCopy(&buffer[7], digits);
}

}  // namespace

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
