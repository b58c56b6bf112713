#include "platform/append_file.h"

#include <algorithm>
#include <array>

namespace klv {

int64_t WholeLinesLength(uint64_t length, const ReadAt& readAt) {
  // Rows are a few dozen bytes: the first piece read almost always holds the
  // last line end.
  std::array<char, 4096> piece{};
  uint64_t end = length;
  while (end > 0) {
    const uint64_t start = end - std::min<uint64_t>(end, piece.size());
    const std::size_t count = static_cast<std::size_t>(end - start);
    if (readAt(start, piece.data(), count) != static_cast<int64_t>(count)) return -1;
    for (std::size_t i = count; i > 0; --i) {
      if (piece[i - 1] == '\n') return static_cast<int64_t>(start + i);
    }
    end = start;
  }
  return 0;
}

}  // namespace klv
