#include "sim/request_framer.h"

#include <gtest/gtest.h>

#include <random>

#include "serial/modbus_codec.h"
#include "sim/sim_test_util.h"

namespace klv::sim {
namespace {

using testing::Bytes;
using testing::ReadRequest;
using testing::Text;
using testing::WriteRequest;

const std::vector<uint8_t> kRtuRead = {0x01, 0x03, 0x01, 0x00, 0x00, 0x01, 0x85, 0xF6};
const std::vector<uint8_t> kAsciiRead = Bytes(":010301000001FA\r\n");

std::vector<uint8_t> Join(std::initializer_list<std::vector<uint8_t>> parts) {
  std::vector<uint8_t> all;
  for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
  return all;
}

// Feeds the bytes one at a time and collects every frame.
std::vector<Frame> FeedByteByByte(RequestFramer& framer, const std::vector<uint8_t>& bytes) {
  std::vector<Frame> frames;
  for (const uint8_t byte : bytes) {
    for (Frame& frame : framer.Feed(std::span<const uint8_t>(&byte, 1))) frames.push_back(std::move(frame));
  }
  return frames;
}

TEST(SimRequestFramer, TorvalekFrameArrivingByteByByte) {
  RequestFramer framer(Protocol::Torvalek);
  const std::vector<uint8_t> request = ReadRequest(1, "0110");
  const std::vector<Frame> frames = FeedByteByByte(framer, request);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], request);
  EXPECT_EQ(framer.Pending(), 0u);
}

TEST(SimRequestFramer, TorvalekDropsGarbageAndCutsSeveralFramesFromOnePiece) {
  RequestFramer framer(Protocol::Torvalek);
  const std::vector<uint8_t> read = ReadRequest(1, "0110");
  const std::vector<uint8_t> write = WriteRequest(1, "012C", 100);
  // Noise, a frame cut short by a new STX, a frame whose CR is missing, a
  // line feed after a frame (the CR LF style).
  std::vector<uint8_t> cut(read.begin(), read.begin() + 7);
  std::vector<uint8_t> noCr(read.begin(), read.end() - 1);
  noCr.push_back('X');
  const std::vector<uint8_t> stream =
      Join({Bytes("\x7F\xFFnoise\r"), cut, read, Bytes("\n"), noCr, write, Bytes("tail")});
  const std::vector<Frame> frames = framer.Feed(stream);
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(frames[0], read);
  EXPECT_EQ(frames[1], write);
  EXPECT_EQ(framer.Pending(), 0u);  // "tail" has no STX
}

TEST(SimRequestFramer, TorvalekHeldBytesStayBounded) {
  RequestFramer framer(Protocol::Torvalek);
  std::vector<uint8_t> endless = {kStx};
  endless.resize(10'000, 'A');
  framer.Feed(endless);
  EXPECT_LE(framer.Pending(), RequestFramer::kMaxPending);
  const std::vector<uint8_t> read = ReadRequest(1, "0100");
  const std::vector<Frame> frames = framer.Feed(read);
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], read);
}

TEST(SimRequestFramer, AsciiFramesBetweenColonAndCrLf) {
  RequestFramer framer(Protocol::ModbusAscii);
  const std::vector<uint8_t> stream =
      Join({Bytes("junk:0103"), Bytes(":01030100\r0001FA\r\n"), kAsciiRead, Bytes("\r\n")});
  const std::vector<Frame> frames = FeedByteByByte(framer, stream);
  // The frame with a CR in the middle is cut at its CR LF and then refused by
  // the LRC check; the framer hands both over.
  ASSERT_EQ(frames.size(), 2u);
  EXPECT_EQ(Text(frames[0]), ":01030100\r0001FA\r\n");
  EXPECT_EQ(frames[1], kAsciiRead);
  EXPECT_EQ(framer.Pending(), 0u);
}

TEST(SimRequestFramer, AsciiLineFeedWithoutCarriageReturnDropsTheFrame) {
  RequestFramer framer(Protocol::ModbusAscii);
  EXPECT_TRUE(framer.Feed(Bytes(":010301000001FA\n")).empty());
  EXPECT_EQ(framer.Pending(), 0u);
  EXPECT_EQ(framer.Feed(kAsciiRead).size(), 1u);
}

TEST(SimRequestFramer, RtuFindsTheFrameAfterNoiseAndInPieces) {
  RequestFramer framer(Protocol::ModbusRtu);
  EXPECT_TRUE(framer.Feed(std::vector<uint8_t>{0x00, 0x7F, 0x55, 0x01, 0x03}).empty());
  const std::vector<Frame> frames = framer.Feed(std::vector<uint8_t>(kRtuRead.begin() + 2, kRtuRead.end()));
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], kRtuRead);
  EXPECT_EQ(framer.Pending(), 0u);
  EXPECT_EQ(FeedByteByByte(framer, Join({kRtuRead, kRtuRead})).size(), 2u);
}

TEST(SimRequestFramer, RtuIdleTakesAFrameOfAnotherLengthAndDropsGarbage) {
  RequestFramer framer(Protocol::ModbusRtu);
  // A 4-byte request (function 07, Read Exception Status, with its CRC) is
  // only complete at the gap.
  std::vector<uint8_t> shortRequest = {0x01, 0x07};
  const uint16_t crc = comm().ModbusCrc16(&shortRequest[0], &shortRequest[1]);
  shortRequest.push_back(static_cast<uint8_t>(crc >> 8));
  shortRequest.push_back(static_cast<uint8_t>(crc & 0xFF));
  ASSERT_TRUE(HasGoodCrc(shortRequest));
  EXPECT_TRUE(framer.Feed(shortRequest).empty());
  const std::vector<Frame> frames = framer.Idle();
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0], shortRequest);

  framer.Feed(std::vector<uint8_t>{0x01, 0x02, 0x03});
  EXPECT_TRUE(framer.Idle().empty());
  EXPECT_EQ(framer.Pending(), 0u);
}

TEST(SimRequestFramer, RandomBytesNeverGrowTheBufferAndAFrameStillGetsThrough) {
  for (const Protocol protocol : {Protocol::Torvalek, Protocol::ModbusRtu, Protocol::ModbusAscii}) {
    RequestFramer framer(protocol);
    std::mt19937 random(7);
    std::vector<uint8_t> chunk(97);
    for (int round = 0; round < 200; ++round) {
      for (uint8_t& byte : chunk) byte = static_cast<uint8_t>(random());
      framer.Feed(chunk);
      ASSERT_LE(framer.Pending(), RequestFramer::kMaxPending);
    }
    framer.Idle();
    const std::vector<uint8_t> request = protocol == Protocol::Torvalek    ? ReadRequest(1, "0110")
                                         : protocol == Protocol::ModbusRtu ? kRtuRead
                                                                           : kAsciiRead;
    const std::vector<Frame> frames = framer.Feed(request);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0], request);
  }
}

}  // namespace
}  // namespace klv::sim
