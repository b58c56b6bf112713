#pragma once
// Whether what came back is the whole, correct answer to the request that
// was sent. A reply is used only when it is one frame of the protocol in use
// with the right check code, the request's address, sub-address and command,
// a response code and, for a read, exactly four hex digits. Anything else is
// taken as no reply: a late answer to an earlier request, noise, or a frame
// from another device never becomes a value. Plain functions over bytes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/response.h"
#include "serial/serial_port.h"
#include "serial/torvalek_frame.h"

namespace klv {

// ---- Where a frame ends, so a receive can stop as soon as it is in ----------

// TORVALEK: the reply's CR has arrived.
bool IsWholeTorvalekFrame(std::span<const uint8_t> received);
// Modbus ASCII: CR LF has arrived.
bool IsWholeAsciiFrame(std::span<const uint8_t> received);
// Modbus RTU: as many bytes as the function code (and for a read the byte
// count) say: 5 for an exception, 5 + byte count for function 03, 8 for
// function 06. Another function code has no known length: the receive then
// waits out its time-out.
bool IsWholeRtuFrame(std::span<const uint8_t> received);

FrameEndTest FrameEndFor(Protocol protocol);

// ---- Checks ---------------------------------------------------------------

// A reply in the TORVALEK form (as received, or converted from Modbus) to the
// TORVALEK request. Checked: STX first, then the request's two address
// digits, sub-address digit and command letter, two response code
// characters, then for a normal read exactly "," and four hex digits, for a
// normal write nothing or "," and hex digits, for an error reply nothing or
// "," and printable text; then ETX, the two BCC digits of the kind and CR
// last. A good frame is Ok (response code ending in "0", with the value of a
// read) or Error; anything else is NoResponse with its fault: Silence for no
// bytes, CheckCode for a wrong BCC, Address for another device's or another
// request's frame, Length for any other shape.
Reply CheckTorvalekReply(std::span<const uint8_t> request, std::span<const uint8_t> reply,
                         BccKind bcc = BccKind::Sum);

// A Modbus reply as it came off the wire, against the request's RTU bytes
// (address, function, register, count or value; lastRtuRequest holds them
// for ASCII too). Checked: the CRC (RTU) or the hex text, CR LF and LRC
// (ASCII); the request's slave address; the request's function, or the same
// with bit 7 set and an exception code; for function 03 a byte count of 2 and
// exactly that many data bytes; for function 06 the echo of the request.
// ReplyFault::None for a good reply; otherwise what is wrong with it
// (CheckCode, Address, Length; Silence for no bytes).
ReplyFault CheckModbusReply(const RtuRequestCopy& request, std::span<const uint8_t> reply, Protocol protocol);

}  // namespace klv
