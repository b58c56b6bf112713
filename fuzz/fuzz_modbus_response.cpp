// Conversion of received Modbus bytes into the TORVALEK response form, and
// the log's rebuild of the Modbus response from that form. The first input
// byte picks RTU (even) or ASCII (odd); the rest, up to 100 bytes, is what
// the port received.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "serial/modbus_codec.h"
#include "serial/response.h"
#include "serial/torvalek_frame.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const klv::Protocol protocol = (data[0] & 1) == 0 ? klv::Protocol::ModbusRtu : klv::Protocol::ModbusAscii;
  const std::size_t received = std::min(size - 1, klv::kFrameBufferSize);

  // On the heap, so that the address sanitizer sees any step outside it.
  auto buffer = std::make_unique<klv::FrameBuffer>();
  buffer->fill(0xA5);
  std::copy_n(data + 1, received, buffer->begin());

  std::size_t count = received;
  klv::FromModbusResponse(*buffer, count, protocol);
  if (received == 0) {
    Check(count == 0);
    return 0;
  }
  // STX ... ETX, BCC, CR, then a NUL, all inside the buffer.
  Check(count >= 11 && count < klv::kFrameBufferSize);
  Check((*buffer)[0] == klv::kStx);
  Check((*buffer)[count - 4] == klv::kEtx && (*buffer)[count - 1] == klv::kCr);
  Check((*buffer)[count] == 0);
  // Bytes past the converted text that were not received stay as they were.
  for (std::size_t i = std::max(count + 1, received); i < klv::kFrameBufferSize; ++i) {
    Check((*buffer)[i] == 0xA5);
  }
  static_cast<void>(klv::ResponseValue(*buffer, count));

  // The log's copy of the converted response, rendered back to Modbus.
  klv::RtuRequestCopy last{};
  std::size_t length = count;
  klv::ToModbusRequest(*buffer, length, klv::FrameDirection::Response, protocol, last);
  Check(length > 0 && length <= 17);
  return 0;
}
