#pragma once
// Conversion of the program's TORVALEK frames to Modbus RTU and Modbus ASCII
// on the way out, and of Modbus responses back to the TORVALEK response form
// on the way in. Plain functions over bytes; no I/O. The hex and check code
// helpers they use are in serial/hex_text.h and serial/checksums.h.
#include <cstddef>
#include <cstdint>

#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"

namespace klv {

// Rewrites the TORVALEK frame in buffer[0..length) as the Modbus frame of the
// protocol, in place, and sets length. Does nothing when length is 0 or the
// protocol is not a Modbus one. The request direction records the request, as
// its 8 RTU bytes, in lastRtuRequest (in ASCII too); the response direction
// (used by the log) rebuilds a normal write response from it, since a Modbus
// write response echoes its request. Exception responses are rebuilt with
// exception code 01. Reads only the fixed offsets of the TORVALEK form, all
// inside the buffer; an ASCII result is followed by a NUL. Never writes past
// the buffer, whatever length says.
void ToModbusRequest(FrameBuffer& buffer, std::size_t& length, FrameDirection direction,
                     Protocol protocol, RtuRequestCopy& lastRtuRequest);

// Rewrites the received Modbus response in buffer[0..count) as the TORVALEK
// response form (STX, address, "1", "R"/"W", code, ETX, Sum BCC, CR, then a
// NUL), in place, and sets count. Does nothing for TORVALEK or a count of 0.
// Code "09" for an exception response and for a reply cut before its byte
// count; otherwise "00," and the data bytes as hex digits, no more than were
// received and at most 43 (the text then stays within 98 characters plus its
// NUL). Never reads past count bytes and never writes past the buffer,
// whatever byte count the reply claims.
void FromModbusResponse(FrameBuffer& buffer, std::size_t& count, Protocol protocol);

}  // namespace klv
