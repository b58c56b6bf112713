#include "serial/telnet_decoder.h"

namespace klv {

using namespace telnet;

void TelnetDecoder::Reset() {
  state_ = State::Data;
  sub_ = {};
}

void TelnetDecoder::Feed(std::span<const uint8_t> bytes, TelnetOutput& output) {
  for (const uint8_t byte : bytes) {
    switch (state_) {
      case State::Data:
        if (byte == kIac) {
          state_ = State::Iac;
        } else {
          output.data.push_back(byte);
        }
        break;
      case State::Iac:
        if (byte == kIac) {
          output.data.push_back(kIac);
          state_ = State::Data;
        } else if (byte == kWill || byte == kWont || byte == kDo || byte == kDont) {
          verb_ = byte;
          state_ = State::Option;
        } else if (byte == kSb) {
          state_ = State::SubOption;
        } else {
          state_ = State::Data;  // NOP, GA, a stray SE and the like carry nothing for the line
        }
        break;
      case State::Option:
        output.negotiations.push_back({verb_, byte});
        state_ = State::Data;
        break;
      case State::SubOption:
        sub_ = {};
        sub_.option = byte;
        state_ = State::Sub;
        break;
      case State::Sub:
        if (byte == kIac) {
          state_ = State::SubIac;
        } else if (sub_.payload.size() < kLongestSubnegotiation) {
          sub_.payload.push_back(byte);
        }
        break;
      case State::SubIac:
        if (byte == kIac) {
          if (sub_.payload.size() < kLongestSubnegotiation) sub_.payload.push_back(kIac);
          state_ = State::Sub;
        } else {
          // IAC SE ends it; any other command after IAC ends it as well, so
          // a server that forgets the SE does not swallow the line's data.
          output.subnegotiations.push_back(std::move(sub_));
          sub_ = {};
          state_ = State::Data;
          if (byte != kSe) {
            state_ = State::Iac;
            const uint8_t again[] = {byte};
            Feed(again, output);
          }
        }
        break;
    }
  }
}

}  // namespace klv
