#pragma once
// Cuts the byte stream of a serial line into request frames. Bytes arrive in
// pieces of any size; the framer keeps what it has seen of the current frame
// and hands over each frame once it is complete. Garbage between frames is
// dropped, and the held bytes never exceed kMaxPending whatever arrives.
// Frames are only cut here; checks (BCC, CRC, LRC, address) are the
// regulator's.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "serial/comm_settings.h"

namespace klv::sim {

using Frame = std::vector<uint8_t>;

class RequestFramer {
 public:
  // Longest frame held: far above every request the program sends (19
  // characters), and the Modbus RTU limit of one frame.
  static constexpr std::size_t kMaxPending = 256;

  explicit RequestFramer(Protocol protocol) : protocol_(protocol) {}

  // TORVALEK: from STX to the CR after ETX and the two BCC characters (a new
  // STX starts over; anything else where the CR belongs drops the frame).
  // Modbus ASCII: from ":" to CR LF (a new ":" starts over).
  // Modbus RTU: the first 8 bytes, at any position, whose CRC is good (both
  // requests the program sends are 8 bytes); bytes before them are dropped.
  std::vector<Frame> Feed(std::span<const uint8_t> bytes);

  // The line has been quiet for a frame gap. RTU hands over what it holds as
  // one frame when that ends in a good CRC (a request of another length);
  // every protocol then forgets the partial frame.
  std::vector<Frame> Idle();

  // Bytes held of an unfinished frame.
  std::size_t Pending() const { return pending_.size(); }

 private:
  void FeedText(uint8_t byte, std::vector<Frame>& frames);
  void FeedRtu(uint8_t byte, std::vector<Frame>& frames);

  Protocol protocol_;
  std::vector<uint8_t> pending_;
};

// Whether the last two bytes of bytes are the Modbus CRC of the others.
bool HasGoodCrc(std::span<const uint8_t> bytes);

}  // namespace klv::sim
