#pragma once
// Builders of the TORVALEK requests and their BCC. Every request the program
// sends starts life here as a TORVALEK frame; the Modbus conversion works on
// the finished frame. Frames are NUL-terminated text in a FrameBuffer.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/register.h"
#include "serial/frame_buffer.h"

namespace klv {

inline constexpr uint8_t kStx = 0x02;
inline constexpr uint8_t kEtx = 0x03;
inline constexpr uint8_t kLf = 0x0A;
inline constexpr uint8_t kCr = 0x0D;

// Start, end and terminator of a read request. The program always uses
// StxEtxCr; any value other than 1 and 2 gives the "@" ... ":" CR form.
enum class FrameStyle : int {
  AtColonCr = 0,   // "@", ":", CR
  StxEtxCr = 1,    // STX, ETX, CR
  StxEtxCrLf = 2,  // STX, ETX, CR LF
};

// How the two BCC digits are computed. Any value other than 1..3 writes no
// BCC. The program always uses Sum.
enum class BccKind : int {
  None = 0,
  Sum = 1,             // start through end character, modulo 256
  TwosComplement = 2,  // (256 - Sum) modulo 256
  Xor = 3,             // character after the start through the end character
};

// Lengths of the requests the program sends (style 1, Sum BCC).
inline constexpr std::size_t kReadRequestLength = 14;
inline constexpr std::size_t kWriteRequestLength = 19;

// What a builder returns: None when the frame was built, otherwise why not
// (the buffer is then left unchanged). A request that could not be built
// must not be sent, so the result cannot be ignored. The read builder checks
// address, sub-address, count, tail in that order; the write builder
// address, sub-address, register, value; the first that fails is returned.
enum class [[nodiscard]] FrameError {
  None,
  BadAddress,     // read: outside 1..99; write: outside 0..99
  BadSubAddress,  // read: outside 1..9; write: outside 0..9
  BadCount,       // read: registers outside 1..10
  BadTail,        // read: register tail longer than 3 characters
  BadRegister,    // write: register address longer than 4 characters
  BadValue,       // write: value text longer than 4 characters
};

// Appends the two BCC digits of `kind` for the frame text in frame[0..length),
// which ends with its end character, and returns the new length. Any other
// kind, an empty text or a text with no room for two digits leaves frame and
// length as they are.
std::size_t AppendBcc(FrameBuffer& frame, std::size_t length, BccKind kind);

// Read request: start, address (2 hex), sub-address (decimal digit), "R0",
// registerTail (the register address after its leading "0"), registerCount - 1
// (decimal digit), end, BCC, CR (and LF for style 2), then a NUL. Bytes after
// the NUL are left as they were. style and bccKind take the values of
// FrameStyle and BccKind; unknown values are handled as those types say.
FrameError BuildReadRequest(FrameBuffer& out, int deviceAddress, int subAddress,
                            std::string_view registerTail, int registerCount, int style, int bccKind);
inline FrameError BuildReadRequest(FrameBuffer& out, int deviceAddress, int subAddress,
                                   std::string_view registerTail, int registerCount, FrameStyle style,
                                   BccKind bccKind) {
  return BuildReadRequest(out, deviceAddress, subAddress, registerTail, registerCount,
                          static_cast<int>(style), static_cast<int>(bccKind));
}

// Write request of one value: STX, address (2 hex), sub-address, "W" ("B" for
// the broadcast address 0), registerAddress, "0,", value, ETX, Sum BCC, CR,
// then a NUL.
FrameError BuildWriteRequest(FrameBuffer& out, int deviceAddress, int subAddress,
                             std::string_view registerAddress, std::string_view value);

// The read every part of the program sends: one register, sub-address 1,
// style 1, Sum BCC; kReadRequestLength characters. Same results as
// BuildReadRequest; a register above 0FFF (the frame carries the leading "0"
// itself) is a BadTail.
FrameError BuildStandardRead(FrameBuffer& out, int deviceAddress, Register reg);

// The write every part of the program sends: value as the four upper-case hex
// digits of its 16-bit pattern (-2 is "FFFE"), sub-address 1;
// kWriteRequestLength characters. Same results as BuildWriteRequest.
FrameError BuildStandardWrite(FrameBuffer& out, int deviceAddress, Register reg, int16_t value);

// Length of the NUL-terminated text in the buffer (the whole buffer when it
// holds no NUL).
std::size_t FrameLength(const FrameBuffer& frame);

}  // namespace klv
