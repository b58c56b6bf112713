#pragma once
// What the monitor shows for one reading: the row's text (with the device's
// out-of-range marks and the blanking rules that depend on the control mode
// and the ratings), the value that the data record and the graph take, and
// the lamp bits of the output and input registers. Pure functions, so the
// window, the command-line tool and the tests share one set of rules.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/register.h"
#include "serial/response.h"

namespace klv {

// Rows of the monitor, one per entry of the monitor catalogue.
inline constexpr int kMonitorRowCount = 12;
// Rows named by the rules.
inline constexpr int kOutputRow = 0;
inline constexpr int kLoadCurrentRow = 2;
inline constexpr int kControlInputRow = 4;
inline constexpr int kAlarmOutputRow = 8;
inline constexpr int kDigitalInputRow = 9;

// A row, or a last input/output text, before anything has been read.
inline constexpr std::string_view kNoReadingText = "xxxx";
// Shown by a row whose quantity is too small to mean anything (the device's
// under-range mark on the load current, or a blanking rule).
inline constexpr std::string_view kBlankText = "----";
inline constexpr std::string_view kUnderRangeText = "LLLL";
inline constexpr std::string_view kOverRangeText = "HHHH";

// The device's marks in a live register.
inline constexpr uint16_t kUnderRangeMark = 0x8000;
inline constexpr uint16_t kOverRangeMark = 0x7FFF;

// The value recorded and graphed for a register that did not answer.
inline constexpr int32_t kNoReplyValue = -32768;

// ---- Control mode (register 0112 of a KLV40) ---------------------------------

inline constexpr int16_t kModeVoltageFeedback = 0;  // V-FB
inline constexpr int16_t kModeCurrentFeedback = 1;  // C-FB
inline constexpr int16_t kModePowerFeedback = 2;    // W-FB
inline constexpr int16_t kModePhaseZeroCross = 6;   // PA-Z: what the monitor assumes until it knows
// Stored when 0112 gives no normal reply or a digit outside 0-6.
inline constexpr int16_t kUnknownControlMode = -1;

// The text of the mode in the title and on the tool's model line: "V-FB",
// "C-FB", "W-FB", "VVFB", "PA  ", "ZC  ", "PA-Z"; "UNKNOWN" for any other value.
std::string_view ControlModeText(int16_t mode);

// The output row's caption for the mode: the English text of 218 to 221
// ("output ( V )", ... "output ( x 0.1% )"), empty for an unknown mode (the
// caption then stays as it was).
std::string_view OutputCaptionKey(int16_t mode);

// The control mode in a normal 0112 reply: the last of its four hex digits
// when that is 0 to 6, otherwise unknown.
int16_t ControlModeFromValue(uint16_t value);

// The control input range's last hex digit 5 makes the monitor clamp the control input.
constexpr bool ClampsControlInput(uint16_t controlInputRange) { return (controlInputRange & 0xF) == 5; }

// ---- Readings ----------------------------------------------------------------

// The device facts the display rules use, read when monitoring starts.
struct MonitorScale {
  int16_t controlMode = kModePhaseZeroCross;
  int16_t ratingCode = 90;     // 91 raises the load current's floor
  int32_t ratedVoltage = 100;
  int16_t ratedCurrent = 20;
  bool inputClamp = false;
};

struct MonitorReading {
  std::string text;  // what the row shows (rows 8 and 9: their bit string)
  // What the last input and output texts take: the value as a signed 16-bit
  // number whatever the row shows, -32768 without a reply, 0 after an error
  // reply, the clamped value for a clamped control input.
  int32_t value = 0;
  // Registers 0108 and 0109 with a normal reply: the bits the lamps follow.
  std::optional<uint16_t> lampBits;
};

// The reading of register `address` for an exchange that ended `result`
// (Ok with raw value `raw`). loadCurrentText is what the load current row
// shows at the moment (the load power, and the output in W-FB mode, blank
// with it).
MonitorReading FormatReading(Register address, ExchangeResult result, uint16_t raw, const MonitorScale& scale,
                             std::string_view loadCurrentText);

// "O" or "_" for each of the lowest `bits` bits of value, highest first,
// separated by blanks: 0x0005 with 4 bits is "_ O _ O".
std::string BitString(uint16_t value, int bits);

// A last input or output text as the graph takes it: its leading decimal
// number, 0 when it does not start with one ("xxxx").
int32_t TextToValue(std::string_view text);

}  // namespace klv
