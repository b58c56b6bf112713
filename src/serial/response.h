#pragma once
// The one outcome of an exchange with a regulator: whether it answered
// normally, refused, or gave no reply the program can use, why not, and the
// register value of a normal read. Every caller (transfers, identification,
// the monitor, a scan) gets this same result from Connection::Read/Write.
#include <cstddef>
#include <cstdint>

#include "serial/frame_buffer.h"

namespace klv {

enum class ExchangeResult {
  Ok,          // a good reply whose response code ends in "0"
  NoResponse,  // no reply, or nothing that is a good reply to this request
  Error,       // a good reply with another response code (the device refused)
};

// Why an exchange has no good reply, so that a log or a report can tell
// noise from silence.
enum class ReplyFault {
  None,       // a good reply (Ok or Error)
  Silence,    // nothing arrived within the read time-out (or nothing was sent)
  CheckCode,  // a frame whose BCC, CRC or LRC is wrong: damaged on the line
  Address,    // a frame from another device address, or for another request
  Length,     // not the length or form of a reply to this request: cut short, too long, or noise
  Stray,      // more than one frame in the receive, or a frame after the reply: one was not asked for
  Echo,       // the line sent the request back: it differed (local echo on), or came where a reply was due (off)
};

// What the line's echo of requests showed since the port was opened.
enum class EchoFinding {
  None,        // nothing amiss
  Differs,     // local echo on, and an echo differed from its request: a line fault
  Unexpected,  // local echo off, and the request came back instead of a reply: the adapter echoes
};

struct Reply {
  ExchangeResult result = ExchangeResult::NoResponse;
  ReplyFault fault = ReplyFault::Silence;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;
  // Bytes nobody asked for were on the line before the request went out:
  // the reply taken before this exchange may have been one of them.
  bool strayBefore = false;
  // The receive held more than one frame: one of them was not asked for.
  bool strayWithin = false;

  bool Ok() const { return result == ExchangeResult::Ok; }
};

// The register value of a normal read response in TORVALEK form: the
// characters at offsets 8 to 11 read as hex, stopping at the first character
// that is not a hex digit or that was not received, as a 16-bit pattern
// ("FFFE" is -2). 0 when no digit is there.
int16_t ResponseValue(const FrameBuffer& buffer, std::size_t count);

}  // namespace klv
