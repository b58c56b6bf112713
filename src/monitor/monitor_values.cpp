#include "monitor/monitor_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>

#include "model/device_identity.h"
#include "model/register_catalogue.h"

namespace klv {
namespace {

// The output row's caption for the digits 0-6 of register 0112 (their names
// are kControlModeNames).
constexpr std::array<std::string_view, 7> kModeOutputCaptions = {
    "output ( V )",      "output ( A )",      "output ( kVA )",    "output ( x 0.1% )",
    "output ( x 0.1% )", "output ( x 0.1% )", "output ( x 0.1% )",
};

constexpr std::string_view kUnknownModeText = "UNKNOWN";

bool IsKnownMode(int16_t mode) { return mode >= 0 && mode < static_cast<int16_t>(kControlModeNames.size()); }

// In V-FB, C-FB and W-FB the output is a voltage, a current or a power, so
// the output row blanks as the load voltage, current or power row does.
Register RuleRegister(Register address, int16_t controlMode) {
  if (address != kOutputRegister) return address;
  switch (controlMode) {
    case kModeVoltageFeedback: return kLoadVoltageRegister;
    case kModeCurrentFeedback: return kLoadCurrentRegister;
    case kModePowerFeedback: return kLoadPowerRegister;
    default: return address;
  }
}

}  // namespace

std::string_view ControlModeText(int16_t mode) {
  return IsKnownMode(mode) ? kControlModeNames[static_cast<std::size_t>(mode)] : kUnknownModeText;
}

std::string_view OutputCaptionKey(int16_t mode) {
  return IsKnownMode(mode) ? kModeOutputCaptions[static_cast<std::size_t>(mode)] : std::string_view{};
}

int16_t ControlModeFromValue(uint16_t value) {
  const auto digit = static_cast<int16_t>(value & 0xF);
  return IsKnownMode(digit) ? digit : kUnknownControlMode;
}

std::string BitString(uint16_t value, int bits) {
  std::string text;
  for (int bit = bits - 1; bit >= 0; --bit) {
    if (!text.empty()) text += ' ';
    text += ((value >> bit) & 1U) != 0 ? 'O' : '_';
  }
  return text;
}

MonitorReading FormatReading(Register address, ExchangeResult result, uint16_t raw, const MonitorScale& scale,
                             std::string_view loadCurrentText) {
  MonitorReading reading;
  if (result == ExchangeResult::NoResponse) {
    reading.text = kNoReadingText;
    reading.value = kNoReplyValue;
    return reading;
  }
  if (result == ExchangeResult::Error) {
    reading.text = kNoReadingText;
    reading.value = 0;
    return reading;
  }
  int32_t v = static_cast<int16_t>(raw);
  reading.value = v;
  if (address == kAlarmOutputRegister) {
    reading.text = BitString(raw, 4);
    reading.lampBits = raw;
    return reading;
  }
  if (address == kDigitalInputRegister) {
    reading.text = BitString(raw, 3);
    reading.lampBits = raw;
    return reading;
  }
  if (raw == kUnderRangeMark) {
    reading.text = address == kLoadCurrentRegister ? kBlankText : kUnderRangeText;
    return reading;
  }
  if (raw == kOverRangeMark) {
    reading.text = kOverRangeText;
    return reading;
  }

  const Register rule = RuleRegister(address, scale.controlMode);
  bool blank = false;
  if (rule == kLoadVoltageRegister) {
    blank = 2 * v < scale.ratedCurrent;  // v < 0.5 x rated current, without rounding
  } else if (rule == kLoadCurrentRegister) {
    blank = v < (scale.ratingCode == 91 ? 20 : 10);
  } else if (rule == kLoadPowerRegister) {
    blank = loadCurrentText == kBlankText;
  } else if (rule == kControlInputRegister && scale.inputClamp) {
    v = std::clamp(v, 0, 1000);
    reading.value = v;
  }
  reading.text = blank ? std::string(kBlankText) : std::to_string(v);
  return reading;
}

int32_t TextToValue(std::string_view text) {
  std::size_t start = 0;
  while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
  const char* first = text.data() + start;
  const char* last = text.data() + text.size();
  if (first != last && *first == '+') ++first;
  int32_t value = 0;
  const auto [end, error] = std::from_chars(first, last, value);
  if (error == std::errc::result_out_of_range) return (first != last && *first == '-') ? std::numeric_limits<int32_t>::min() : std::numeric_limits<int32_t>::max();
  return error == std::errc{} ? value : 0;
}

}  // namespace klv
