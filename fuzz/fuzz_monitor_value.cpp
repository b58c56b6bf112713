// The monitor's row text of arbitrary received bytes, through the code the
// monitor runs: Connection::Read (the reply checks of the protocol) and
// FormatReading. The first five input bytes choose the row (register), the
// control mode, the rating code and the input clamp, whether the load current
// row reads "----", and the protocol; the rest is what the line gives back to
// the read request, up to 100 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/register_catalogue.h"
#include "monitor/monitor_values.h"
#include "serial/connection.h"
#include "serial/serial_port.h"

namespace {

void Check(bool condition) {
  if (!condition) std::abort();
}

bool IsDecimal(const std::string& text) {
  if (text.empty()) return false;
  const std::size_t start = text[0] == '-' ? 1 : 0;
  return start < text.size() &&
         std::all_of(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A port whose only reply is the given bytes, handed over once a request has
// been written.
class OneReplyPort : public klv::SerialPort {
 public:
  explicit OneReplyPort(std::vector<uint8_t> reply) : reply_(std::move(reply)) {}
  klv::PortOpenStatus Open(const std::filesystem::path&, const klv::LineSettings&) override {
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  klv::WriteOutcome Write(std::span<const uint8_t> bytes) override {
    written_ = true;
    return {true, bytes.size()};
  }
  std::size_t Read(std::span<uint8_t> buffer, const klv::FrameEndTest& frameEnd) override {
    if (!written_) return 0;
    std::size_t count = 0;
    while (count < buffer.size() && next_ < reply_.size()) {
      buffer[count++] = reply_[next_++];
      if (frameEnd && frameEnd(buffer.first(count))) break;
    }
    return count;
  }
  void DiscardInput() override { next_ = reply_.size(); }
  void Close() override { open_ = false; }

 private:
  std::vector<uint8_t> reply_;
  std::size_t next_ = 0;
  bool open_ = false;
  bool written_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const auto rows = klv::MonitorRows(klv::GetMonitorCatalogue());
  const klv::Register address = rows[data[0] % rows.size()].address;
  klv::MonitorScale scale;
  scale.controlMode = static_cast<int16_t>(static_cast<int8_t>(data[1]) % 9);
  scale.ratingCode = (data[2] & 1) != 0 ? 91 : 90;
  scale.ratedCurrent = static_cast<int16_t>(static_cast<int8_t>(data[2]) / 2);
  scale.inputClamp = (data[3] & 1) != 0;
  const std::string_view loadCurrent = (data[3] & 2) != 0 ? "----" : "12";
  constexpr klv::Protocol kProtocols[] = {klv::Protocol::Torvalek, klv::Protocol::ModbusRtu,
                                          klv::Protocol::ModbusAscii};
  const klv::Protocol protocol = kProtocols[data[4] % 3];
  std::vector<uint8_t> reply(data + 5, data + 5 + std::min<std::size_t>(size - 5, klv::kFrameBufferSize));

  klv::Connection connection([reply] { return std::make_unique<OneReplyPort>(reply); });
  connection.settings.protocol = protocol;
  Check(connection.Open().ok);
  const klv::Reply answer = connection.Read(address);
  Check(connection.log.Empty());
  if (reply.empty()) Check(answer.result == klv::ExchangeResult::NoResponse && answer.fault == klv::ReplyFault::Silence);
  Check((answer.fault == klv::ReplyFault::None) == (answer.result != klv::ExchangeResult::NoResponse));
  if (!answer.Ok()) Check(answer.value == 0);

  const klv::MonitorReading reading =
      klv::FormatReading(address, answer.result, static_cast<uint16_t>(answer.value), scale, loadCurrent);
  Check(!reading.text.empty() && reading.text.size() <= 7);
  Check(reading.value >= -32768 && reading.value <= 32767);
  if (!answer.Ok()) {
    Check(reading.text == klv::kNoReadingText);
    Check(reading.value == (answer.result == klv::ExchangeResult::NoResponse ? -32768 : 0));
    Check(!reading.lampBits);
    return 0;
  }
  const bool lamps = address == klv::kAlarmOutputRegister || address == klv::kDigitalInputRegister;
  Check(reading.lampBits.has_value() == lamps);
  if (lamps) {
    Check(reading.text.size() == (address == klv::kAlarmOutputRegister ? 7u : 5u));
  } else {
    Check(reading.text == "----" || reading.text == "LLLL" || reading.text == "HHHH" || IsDecimal(reading.text));
    if (IsDecimal(reading.text)) Check(std::stoi(reading.text) == reading.value);
    if (address == klv::kControlInputRegister && scale.inputClamp && IsDecimal(reading.text)) {
      Check(reading.value >= 0 && reading.value <= 1000);
    }
  }
  return 0;
}
