#include "serial/torvalek_frame.h"

#include <algorithm>
#include <string>

namespace klv {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

// Builds a frame in a scratch buffer and hands it over in one copy, so that a
// caller's buffer only ever sees a finished frame.
class FrameWriter {
 public:
  void Put(uint8_t c) {
    if (length_ < frame_.size()) frame_[length_++] = c;
  }
  void Put(std::string_view text) {
    for (char c : text) Put(static_cast<uint8_t>(c));
  }
  void PutHexByte(unsigned value) {
    Put(static_cast<uint8_t>(kHexDigits[(value >> 4) & 0x0F]));
    Put(static_cast<uint8_t>(kHexDigits[value & 0x0F]));
  }
  void PutDigit(int value) { Put(static_cast<uint8_t>('0' + value)); }
  void PutBcc(BccKind kind) { length_ = AppendBcc(frame_, length_, kind); }

  // Copies the text and its NUL; the rest of `out` stays as it was.
  void CopyTo(FrameBuffer& out) const {
    std::copy_n(frame_.begin(), length_, out.begin());
    if (length_ < out.size()) out[length_] = 0;
  }

 private:
  FrameBuffer frame_{};
  std::size_t length_ = 0;
};

}  // namespace

std::size_t AppendBcc(FrameBuffer& frame, std::size_t length, BccKind kind) {
  if (length == 0 || length + 2 > frame.size()) return length;
  unsigned bcc = 0;
  switch (kind) {
    case BccKind::Sum:
    case BccKind::TwosComplement:
      for (std::size_t i = 0; i < length; ++i) bcc += frame[i];
      bcc &= 0xFF;
      if (kind == BccKind::TwosComplement) bcc = (256 - bcc) & 0xFF;
      break;
    case BccKind::Xor:
      // The start character stays out of the exclusive-or.
      for (std::size_t i = 1; i < length; ++i) bcc ^= frame[i];
      break;
    default:
      return length;
  }
  frame[length] = static_cast<uint8_t>(kHexDigits[(bcc >> 4) & 0x0F]);
  frame[length + 1] = static_cast<uint8_t>(kHexDigits[bcc & 0x0F]);
  return length + 2;
}

FrameError BuildReadRequest(FrameBuffer& out, int deviceAddress, int subAddress,
                            std::string_view registerTail, int registerCount, int style, int bccKind) {
  if (deviceAddress < 1 || deviceAddress > 99) return FrameError::BadAddress;
  if (subAddress < 1 || subAddress > 9) return FrameError::BadSubAddress;
  if (registerCount < 1 || registerCount > 10) return FrameError::BadCount;
  if (registerTail.size() > 3) return FrameError::BadTail;

  const bool stx = style == static_cast<int>(FrameStyle::StxEtxCr) ||
                   style == static_cast<int>(FrameStyle::StxEtxCrLf);
  FrameWriter frame;
  frame.Put(stx ? kStx : static_cast<uint8_t>('@'));
  frame.PutHexByte(static_cast<unsigned>(deviceAddress));
  frame.PutDigit(subAddress);
  frame.Put("R0");
  frame.Put(registerTail);
  frame.PutDigit(registerCount - 1);
  frame.Put(stx ? kEtx : static_cast<uint8_t>(':'));
  frame.PutBcc(static_cast<BccKind>(bccKind));
  frame.Put(kCr);
  if (style == static_cast<int>(FrameStyle::StxEtxCrLf)) frame.Put(kLf);
  frame.CopyTo(out);
  return FrameError::None;
}

FrameError BuildWriteRequest(FrameBuffer& out, int deviceAddress, int subAddress,
                             std::string_view registerAddress, std::string_view value) {
  // Negative numbers are refused as well: they have no two-digit form.
  if (deviceAddress < 0 || deviceAddress > 99) return FrameError::BadAddress;
  if (subAddress < 0 || subAddress > 9) return FrameError::BadSubAddress;
  if (registerAddress.size() > 4) return FrameError::BadRegister;
  if (value.size() > 4) return FrameError::BadValue;

  FrameWriter frame;
  frame.Put(kStx);
  frame.PutHexByte(static_cast<unsigned>(deviceAddress));
  frame.PutDigit(subAddress);
  // Address 0 reaches every device on the line: the broadcast write "B".
  frame.Put(static_cast<uint8_t>(deviceAddress == 0 ? 'B' : 'W'));
  frame.Put(registerAddress);
  frame.Put("0,");
  frame.Put(value);
  frame.Put(kEtx);
  frame.PutBcc(BccKind::Sum);
  frame.Put(kCr);
  frame.CopyTo(out);
  return FrameError::None;
}

FrameError BuildStandardRead(FrameBuffer& out, int deviceAddress, Register reg) {
  // The frame carries the leading "0" itself; the tail is the other three digits.
  const std::string text = reg.Text();
  if (text[0] != '0') return FrameError::BadTail;
  return BuildReadRequest(out, deviceAddress, 1, std::string_view(text).substr(1), 1, FrameStyle::StxEtxCr,
                          BccKind::Sum);
}

FrameError BuildStandardWrite(FrameBuffer& out, int deviceAddress, Register reg, int16_t value) {
  const auto pattern = static_cast<uint16_t>(value);
  const char digits[4] = {kHexDigits[(pattern >> 12) & 0x0F], kHexDigits[(pattern >> 8) & 0x0F],
                          kHexDigits[(pattern >> 4) & 0x0F], kHexDigits[pattern & 0x0F]};
  return BuildWriteRequest(out, deviceAddress, 1, reg.Text(), std::string_view(digits, 4));
}

std::size_t FrameLength(const FrameBuffer& frame) {
  return static_cast<std::size_t>(std::find(frame.begin(), frame.end(), 0) - frame.begin());
}

}  // namespace klv
