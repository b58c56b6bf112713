// Any frame, any protocol, direction and sequence number, appended again and
// again to one log: the text never grows past the log's room, stays
// NUL-terminated, and holds no NUL of its own.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "serial/comm_log.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const auto protocol = static_cast<klv::Protocol>(data[0] % 4);  // 3: a value from a damaged file
  const auto direction = (data[1] & 1) != 0 ? klv::FrameDirection::Response : klv::FrameDirection::Request;
  int sequence = static_cast<int8_t>(data[2]) * 100;
  const uint8_t* frame = data + 3;
  const size_t length = size - 3 > klv::kFrameBufferSize ? klv::kFrameBufferSize : size - 3;

  klv::CommLog log;
  klv::RtuRequestCopy lastRtu{};
  for (int round = 0; round < 200; ++round) {
    const size_t before = log.Text().size();
    const size_t after = klv::AppendLogEntry(log, frame, length, sequence++, direction, protocol, lastRtu);
    const std::string_view text = log.Text();
    if (after != text.size() || text.size() > klv::kCommLogSize - 1) __builtin_trap();
    if (text.data()[text.size()] != '\0' || std::strlen(text.data()) != text.size()) __builtin_trap();
    // Each entry adds a whole line or nothing.
    if (after != before && (after < before + 2 || text.substr(after - 2) != "\r\n")) __builtin_trap();
    if (after == before && log.DroppedLines() == 0) __builtin_trap();
  }
  return 0;
}
