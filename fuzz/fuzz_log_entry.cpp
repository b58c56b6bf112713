// Any frame, any protocol, direction and sequence number, appended again and
// again to one log: the text never grows past the log's room, stays
// NUL-terminated, and holds no NUL of its own.
//
// The first byte's upper bits choose how full the log is before the frame
// goes in (0 to 32 lines of a long filler, 255 characters each), so the
// frame meets every stage up to a full log in a few appends instead of
// hundreds. The filled logs are built (and checked) once and copied for each
// input; that keeps each input cheap enough for millions of runs.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "serial/comm_log.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

// Appends one entry and checks what it did to the log. Only the new part is
// searched for a NUL, so the checks stay linear in the log's length.
void AppendChecked(klv::CommLog& log, const uint8_t* frame, size_t length, int sequence,
                   klv::FrameDirection direction, klv::Protocol protocol, klv::RtuRequestCopy& lastRtu) {
  const size_t before = log.Text().size();
  const size_t dropped = log.DroppedLines();
  const size_t after = klv::AppendLogEntry(log, frame, length, sequence, direction, protocol, lastRtu);
  const std::string_view text = log.Text();
  Check(after == text.size() && text.size() <= klv::kCommLogSize - 1);
  Check(text.data()[text.size()] == '\0');
  Check(after >= before && std::memchr(text.data() + before, '\0', after - before) == nullptr);
  // Each entry adds a whole line or nothing, and nothing only when counted as dropped.
  if (after != before) Check(after >= before + 2 && text.substr(after - 2) == "\r\n");
  if (after == before) Check(log.DroppedLines() == dropped + 1);
}

// 32 filler lines leave 31 characters of room: less than two short lines.
constexpr int kMaxFillerLines = 32;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const auto protocol = static_cast<klv::Protocol>(data[0] % 4);  // 3: a value from a damaged file
  const int fillerLines = (data[0] >> 2) % (kMaxFillerLines + 1);
  const auto direction = (data[1] & 1) != 0 ? klv::FrameDirection::Response : klv::FrameDirection::Request;
  int sequence = static_cast<int8_t>(data[2]) * 100;
  const uint8_t* frame = data + 3;
  const size_t length = size - 3 > klv::kFrameBufferSize ? klv::kFrameBufferSize : size - 3;

  static const std::vector<klv::CommLog> filled = [] {
    // Control characters render as marks, so each filler line is cut at the line limit.
    const uint8_t filler[klv::kFrameBufferSize] = {};
    std::vector<klv::CommLog> logs(kMaxFillerLines + 1);
    klv::RtuRequestCopy unused{};
    for (int lines = 1; lines <= kMaxFillerLines; ++lines) {
      logs[lines] = logs[lines - 1];
      AppendChecked(logs[lines], filler, sizeof filler, lines, klv::FrameDirection::Request, klv::Protocol::Torvalek,
                    unused);
    }
    return logs;
  }();
  klv::CommLog log = filled[fillerLines];
  klv::RtuRequestCopy lastRtu{};
  // Enough rounds to carry any frame from the fullest filler past the room.
  for (int round = 0; round < 8; ++round) {
    AppendChecked(log, frame, length, sequence++, direction, protocol, lastRtu);
  }
  // The whole text once: no NUL anywhere before its end.
  Check(std::strlen(log.Text().data()) == log.Text().size());
  return 0;
}
