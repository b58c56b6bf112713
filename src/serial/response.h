#pragma once
// Reading a TORVALEK response: whether the device answered normally, and the
// register value of a read. Responses from Modbus devices arrive here already
// converted to the TORVALEK form.
#include <cstddef>
#include <cstdint>

#include "serial/frame_buffer.h"

namespace klv {

enum class ExchangeResult {
  Ok,          // answered, and the response code ends in "0"
  NoResponse,  // nothing arrived within the read time-out
  Error,       // something arrived, but not a normal response
};

// Classifies the `count` bytes received into `buffer`, the buffer the request
// was sent from. Only the second character of the response code (offset 6) is
// looked at. A response shorter than 7 bytes leaves the request's own
// character at offset 6 ("1" for every register the program uses), so it
// counts as Error.
ExchangeResult ClassifyResponse(const FrameBuffer& buffer, std::size_t count);

// The register value of a normal read response: the characters at offsets 8
// to 11 read as hex, stopping at the first character that is not a hex digit
// or that was not received, as a 16-bit pattern ("FFFE" is -2). 0 when no
// digit is there.
int16_t ResponseValue(const FrameBuffer& buffer, std::size_t count);

}  // namespace klv
