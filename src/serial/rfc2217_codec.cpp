#include "serial/rfc2217_codec.h"

namespace klv {

using namespace telnet;

namespace {

bool Offered(uint8_t option) { return option == kComPortOption || option == kBinary || option == kSuppressGoAhead; }

// IAC SB COM-PORT-OPTION command value... IAC SE.
void AppendSetting(std::vector<uint8_t>& out, uint8_t command, std::span<const uint8_t> value) {
  out.insert(out.end(), {kIac, kSb, kComPortOption, command});
  const std::vector<uint8_t> escaped = EscapeIac(value);
  out.insert(out.end(), escaped.begin(), escaped.end());
  out.insert(out.end(), {kIac, kSe});
}

}  // namespace

std::vector<uint8_t> EscapeIac(std::span<const uint8_t> data) {
  std::vector<uint8_t> out;
  out.reserve(data.size() + 4);
  for (const uint8_t byte : data) {
    out.push_back(byte);
    if (byte == kIac) out.push_back(kIac);
  }
  return out;
}

std::vector<uint8_t> OpeningOffers() {
  return {kIac, kWill, kComPortOption, kIac, kWill, kBinary,          kIac, kDo, kBinary,
          kIac, kWill, kSuppressGoAhead, kIac, kDo,  kSuppressGoAhead};
}

std::vector<uint8_t> LineSettingsRequests(const LineSettings& settings) {
  std::vector<uint8_t> out;
  const auto speed = static_cast<uint32_t>(settings.speed);
  const uint8_t speedBytes[] = {static_cast<uint8_t>(speed >> 24), static_cast<uint8_t>(speed >> 16),
                                static_cast<uint8_t>(speed >> 8), static_cast<uint8_t>(speed)};
  AppendSetting(out, rfc2217::kSetBaudRate, speedBytes);
  const uint8_t dataSize[] = {static_cast<uint8_t>(settings.dataBits)};
  AppendSetting(out, rfc2217::kSetDataSize, dataSize);
  const uint8_t parity[] = {settings.parity == Parity::Even  ? rfc2217::kParityEven
                            : settings.parity == Parity::Odd ? rfc2217::kParityOdd
                                                             : rfc2217::kParityNone};
  AppendSetting(out, rfc2217::kSetParity, parity);
  const uint8_t stopSize[] = {static_cast<uint8_t>(settings.stopBits == 2 ? 2 : 1)};
  AppendSetting(out, rfc2217::kSetStopSize, stopSize);
  const uint8_t control[] = {rfc2217::kControlNone};
  AppendSetting(out, rfc2217::kSetControl, control);
  return out;
}

std::vector<uint8_t> AnswerTo(const TelnetNegotiation& negotiation) {
  if (Offered(negotiation.option)) return {};
  // Asked to do something not offered: refuse; told the server will do
  // something: ask it not to. WONT and DONT need no answer.
  if (negotiation.verb == kDo) return {kIac, kWont, negotiation.option};
  if (negotiation.verb == kWill) return {kIac, kDont, negotiation.option};
  return {};
}

ComPortAgreement UpdateComPortAgreement(ComPortAgreement now, const TelnetNegotiation& negotiation) {
  if (negotiation.option != kComPortOption) return now;
  if (negotiation.verb == kDo) return ComPortAgreement::Agreed;
  if (negotiation.verb == kDont) return ComPortAgreement::Refused;
  return now;
}

bool TakeLineSettingRequest(const TelnetSubnegotiation& sub, RequestedLineSettings& settings) {
  if (sub.option != kComPortOption || sub.payload.empty()) return false;
  const std::span<const uint8_t> value = std::span(sub.payload).subspan(1);
  switch (sub.payload.front()) {
    case rfc2217::kSetBaudRate:
      if (value.size() != 4) return false;
      settings.speed = (uint32_t{value[0]} << 24) | (uint32_t{value[1]} << 16) | (uint32_t{value[2]} << 8) | value[3];
      return true;
    case rfc2217::kSetDataSize:
      if (value.size() != 1) return false;
      settings.dataSize = value[0];
      return true;
    case rfc2217::kSetParity:
      if (value.size() != 1) return false;
      settings.parity = value[0];
      return true;
    case rfc2217::kSetStopSize:
      if (value.size() != 1) return false;
      settings.stopSize = value[0];
      return true;
    case rfc2217::kSetControl:
      if (value.size() != 1) return false;
      settings.control = value[0];
      return true;
    default: return false;
  }
}

}  // namespace klv
