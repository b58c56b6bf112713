// The telnet layer of an RFC 2217 connection: 0xFF doubled and undoubled,
// negotiations and subnegotiations taken apart however the stream is cut,
// and the line settings as the server receives them.
#include "serial/rfc2217_codec.h"

#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "serial/telnet_decoder.h"

namespace klv {
namespace {

using namespace telnet;
using Bytes = std::vector<uint8_t>;

// Feeds the bytes in pieces of `piece` bytes.
TelnetOutput Decode(const Bytes& bytes, std::size_t piece) {
  TelnetDecoder decoder;
  TelnetOutput output;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    decoder.Feed(std::span(bytes).subspan(at, std::min(piece, bytes.size() - at)), output);
  }
  return output;
}

TEST(Rfc2217Codec, EveryByteValueSurvivesEscapingAndDecodingHoweverTheStreamIsCut) {
  Bytes all(256);
  std::iota(all.begin(), all.end(), 0);
  all.push_back(kIac);
  all.push_back(kIac);
  const Bytes escaped = EscapeIac(all);
  EXPECT_EQ(escaped.size(), all.size() + 3);  // three 0xFF, each doubled
  EXPECT_EQ(EscapeIac(Bytes{0x01, kIac, 0x02}), (Bytes{0x01, kIac, kIac, 0x02}));
  for (const std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{7}, escaped.size()}) {
    const TelnetOutput output = Decode(escaped, piece);
    EXPECT_EQ(output.data, all) << "pieces of " << piece;
    EXPECT_TRUE(output.negotiations.empty());
  }
}

TEST(Rfc2217Codec, CommandsAmongTheDataAreTakenOutAndReported) {
  const Bytes stream = {'A', kIac, kDo, kComPortOption, 'B', kIac, 241 /* NOP */, kIac, kSb, kComPortOption,
                        101, 0x00, 0x00, 0x4B, 0x00, kIac, kSe, kIac, kIac, 'C', kIac, kWill, kBinary,
                        kIac, kSb, kComPortOption, 103, kIac, kIac, kIac, kSe, 'D'};
  for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, stream.size()}) {
    const TelnetOutput output = Decode(stream, piece);
    EXPECT_EQ(output.data, (Bytes{'A', 'B', kIac, 'C', 'D'}));
    EXPECT_EQ(output.negotiations, (std::vector<TelnetNegotiation>{{kDo, kComPortOption}, {kWill, kBinary}}));
    ASSERT_EQ(output.subnegotiations.size(), 2u);
    EXPECT_EQ(output.subnegotiations[0], (TelnetSubnegotiation{kComPortOption, {101, 0x00, 0x00, 0x4B, 0x00}}));
    EXPECT_EQ(output.subnegotiations[1], (TelnetSubnegotiation{kComPortOption, {103, kIac}}));
  }
}

TEST(Rfc2217Codec, AnUnendedOrOverlongSubnegotiationDoesNotSwallowTheLine) {
  Bytes stream = {kIac, kSb, kComPortOption};
  stream.insert(stream.end(), 1000, 0x41);
  stream.insert(stream.end(), {kIac, kSe, 'x', kIac, kSb, kComPortOption, 1, kIac, kWill, kBinary, 'y'});
  const TelnetOutput output = Decode(stream, 5);
  EXPECT_EQ(output.data, (Bytes{'x', 'y'}));
  ASSERT_EQ(output.subnegotiations.size(), 2u);
  EXPECT_EQ(output.subnegotiations[0].payload.size(), TelnetDecoder::kLongestSubnegotiation);
  EXPECT_EQ(output.subnegotiations[1].payload, Bytes{1});
  EXPECT_EQ(output.negotiations, (std::vector<TelnetNegotiation>{{kWill, kBinary}}));
}

TEST(Rfc2217Codec, LineSettingsGoOutAsTheFiveComPortCommands) {
  LineSettings line;
  line.speed = 19200;
  line.dataBits = 8;
  line.parity = Parity::Odd;
  line.stopBits = 2;
  const Bytes expected = {kIac, kSb, kComPortOption, 1, 0x00, 0x00, 0x4B, 0x00, kIac, kSe,  // 19200
                          kIac, kSb, kComPortOption, 2, 8, kIac, kSe,
                          kIac, kSb, kComPortOption, 3, 2, kIac, kSe,  // odd
                          kIac, kSb, kComPortOption, 4, 2, kIac, kSe,
                          kIac, kSb, kComPortOption, 5, 1, kIac, kSe};  // no flow control
  EXPECT_EQ(LineSettingsRequests(line), expected);

  // As a server reads them, for each speed, parity and stop bits.
  for (const auto& [speed, parity, stop, code] :
       {std::tuple{9600, Parity::Even, 1, rfc2217::kParityEven}, std::tuple{19200, Parity::None, 2, rfc2217::kParityNone}}) {
    line.speed = speed;
    line.dataBits = 7;
    line.parity = parity;
    line.stopBits = stop;
    RequestedLineSettings received;
    const TelnetOutput output = Decode(LineSettingsRequests(line), 4);
    ASSERT_EQ(output.subnegotiations.size(), 5u);
    for (const TelnetSubnegotiation& sub : output.subnegotiations) EXPECT_TRUE(TakeLineSettingRequest(sub, received));
    EXPECT_EQ(received.speed, static_cast<uint32_t>(speed));
    EXPECT_EQ(received.dataSize, 7);
    EXPECT_EQ(received.parity, code);
    EXPECT_EQ(received.stopSize, stop);
    EXPECT_EQ(received.control, rfc2217::kControlNone);
  }
}

TEST(Rfc2217Codec, TheServersOffersAreAnsweredAndComPortAgreementFollowed) {
  EXPECT_EQ(OpeningOffers(), (Bytes{kIac, kWill, kComPortOption, kIac, kWill, kBinary, kIac, kDo, kBinary, kIac,
                                    kWill, kSuppressGoAhead, kIac, kDo, kSuppressGoAhead}));
  EXPECT_EQ(AnswerTo({kDo, 24 /* terminal type */}), (Bytes{kIac, kWont, 24}));
  EXPECT_EQ(AnswerTo({kWill, 1 /* echo */}), (Bytes{kIac, kDont, 1}));
  EXPECT_TRUE(AnswerTo({kWont, 1}).empty());
  EXPECT_TRUE(AnswerTo({kDo, kBinary}).empty());  // an answer to an offer is not answered again
  EXPECT_TRUE(AnswerTo({kWill, kSuppressGoAhead}).empty());

  EXPECT_EQ(UpdateComPortAgreement(ComPortAgreement::Pending, {kDo, kBinary}), ComPortAgreement::Pending);
  EXPECT_EQ(UpdateComPortAgreement(ComPortAgreement::Pending, {kDo, kComPortOption}), ComPortAgreement::Agreed);
  EXPECT_EQ(UpdateComPortAgreement(ComPortAgreement::Pending, {kDont, kComPortOption}), ComPortAgreement::Refused);
}

}  // namespace
}  // namespace klv
