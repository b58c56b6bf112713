#include "sim/request_framer.h"

#include "serial/modbus_codec.h"
#include "serial/torvalek_frame.h"

namespace klv::sim {

namespace {

constexpr std::size_t kRtuRequestLength = 8;

}  // namespace

bool HasGoodCrc(std::span<const uint8_t> bytes) {
  if (bytes.size() < 3) return false;
  const std::size_t body = bytes.size() - 2;
  const uint16_t crc = comm().ModbusCrc16(&bytes[0], &bytes[body - 1]);
  return bytes[body] == static_cast<uint8_t>(crc >> 8) &&
         bytes[body + 1] == static_cast<uint8_t>(crc & 0xFF);
}

std::vector<Frame> RequestFramer::Feed(std::span<const uint8_t> bytes) {
  std::vector<Frame> frames;
  for (const uint8_t byte : bytes) {
    if (protocol_ == Protocol::ModbusRtu) {
      FeedRtu(byte, frames);
    } else {
      FeedText(byte, frames);
    }
  }
  return frames;
}

void RequestFramer::FeedText(uint8_t byte, std::vector<Frame>& frames) {
  const bool ascii = protocol_ == Protocol::ModbusAscii;
  const uint8_t start = ascii ? static_cast<uint8_t>(':') : kStx;

  // A start character always begins a new frame: a sender that gave up on a
  // frame half-way starts its next one cleanly.
  if (byte == start) {
    pending_.assign(1, byte);
    return;
  }
  if (pending_.empty()) return;  // garbage between frames

  if (ascii) {
    pending_.push_back(byte);
    const std::size_t n = pending_.size();
    if (byte == kLf) {
      if (n >= 2 && pending_[n - 2] == kCr) frames.push_back(std::move(pending_));
      pending_.clear();
      return;
    }
  } else {
    // Where the ETX is decides where the frame ends: ETX, two BCC
    // characters, then CR.
    const std::size_t n = pending_.size();
    if (n >= 3 && pending_[n - 3] == kEtx) {
      if (byte == kCr) {
        pending_.push_back(byte);
        frames.push_back(std::move(pending_));
      }
      pending_.clear();
      return;
    }
    pending_.push_back(byte);
  }
  if (pending_.size() >= kMaxPending) pending_.clear();
}

void RequestFramer::FeedRtu(uint8_t byte, std::vector<Frame>& frames) {
  pending_.push_back(byte);
  if (pending_.size() >= kRtuRequestLength) {
    const std::span<const uint8_t> last8(pending_.data() + pending_.size() - kRtuRequestLength,
                                         kRtuRequestLength);
    if (HasGoodCrc(last8)) {
      frames.emplace_back(last8.begin(), last8.end());
      pending_.clear();
      return;
    }
  }
  // Keep only the tail that can still end a frame of the longest length.
  if (pending_.size() >= kMaxPending) {
    pending_.erase(pending_.begin(), pending_.end() - (kRtuRequestLength - 1));
  }
}

std::vector<Frame> RequestFramer::Idle() {
  std::vector<Frame> frames;
  if (protocol_ == Protocol::ModbusRtu && pending_.size() >= 4 && HasGoodCrc(pending_)) {
    frames.push_back(std::move(pending_));
  }
  pending_.clear();
  return frames;
}

}  // namespace klv::sim
