// The value of arbitrary received bytes. The bytes land in an
// exchange buffer that still holds the read request they answer, as they do
// on the line; up to 100 of them count as received.
#include <algorithm>
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "serial/response.h"
#include "serial/torvalek_frame.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::size_t count = std::min(size, klv::kFrameBufferSize);
  auto buffer = std::make_unique<klv::FrameBuffer>();
  buffer->fill(0xA5);
  Check(klv::BuildStandardRead(*buffer, 1, klv::Register{0x0100}) == klv::FrameError::None);
  if (count > 0) std::copy_n(data, count, buffer->begin());
  const klv::FrameBuffer before = *buffer;

  // The value is the hex run at offsets 8..11 of what was received.
  const int16_t value = klv::ResponseValue(*buffer, count);
  unsigned expected = 0;
  if (count > 8) {
    const char* first = reinterpret_cast<const char*>(buffer->data() + 8);
    const char* last = reinterpret_cast<const char*>(buffer->data() + std::min<std::size_t>(count, 12));
    // For an unsigned type from_chars takes hex digits only: no sign, no prefix.
    std::from_chars(first, last, expected, 16);
  }
  Check(value == static_cast<int16_t>(static_cast<uint16_t>(expected)));
  Check(*buffer == before);
  return 0;
}
