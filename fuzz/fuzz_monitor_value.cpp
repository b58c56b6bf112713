// The monitor's row text of arbitrary received bytes. The first four input
// bytes choose the row (register), the control mode, register 0114 and the
// input clamp, and whether the load current row reads "----"; the rest lands
// in the exchange buffer over the read request it answers, up to 100 bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "model/register_catalogue.h"
#include "monitor/monitor_values.h"
#include "serial/torvalek_frame.h"

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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const auto rows = klv::MonitorRows(klv::GetMonitorCatalogue());
  const klv::Register address = rows[data[0] % rows.size()].address;
  klv::MonitorScale scale;
  scale.controlMode = static_cast<int16_t>(static_cast<int8_t>(data[1]) % 9);
  scale.ratingCode = (data[2] & 1) != 0 ? 91 : 90;
  scale.ratedCurrent = static_cast<int16_t>(static_cast<int8_t>(data[2]) / 2);
  scale.inputClamp = (data[3] & 1) != 0;
  const std::string_view loadCurrent = (data[3] & 2) != 0 ? "----" : "12";
  data += 4;
  size -= 4;

  const std::size_t count = std::min(size, klv::kFrameBufferSize);
  auto buffer = std::make_unique<klv::FrameBuffer>();
  buffer->fill(0xA5);
  Check(klv::BuildStandardRead(*buffer, 1, address) == klv::FrameError::None);
  if (count > 0) std::copy_n(data, count, buffer->begin());

  const klv::MonitorReading reading = klv::ReadingFromReply(address, *buffer, count, scale, loadCurrent);
  const klv::ReplyKind kind = klv::ClassifyMonitorReply(*buffer, count);
  Check(!reading.text.empty() && reading.text.size() <= 7);
  Check(reading.value >= -32768 && reading.value <= 32767);
  if (kind != klv::ReplyKind::Normal) {
    Check(reading.text == klv::kNoReadingText);
    Check(reading.value == (kind == klv::ReplyKind::None ? -32768 : 0));
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
