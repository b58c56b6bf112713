#pragma once
// The corrections the editing screen applies while the operator types into
// its edit fields, leaves them or moves their spin buttons. Each rule takes
// the numbers as the fields read them (ReadEditNumber) and says which text to
// write back, if any; the screen writes it and compares with the
// ParameterSet. No Qt here.
#include <cstddef>
#include <optional>
#include <string>

#include "model/model_kind.h"

namespace klv {

// The edit fields of the screen.
enum class EditField {
  HeaterBreakCurrent,  // 012F
  RampLowerLimit,      // 012A, the "Number" of its group
  RampUpperSetting,    // 011F
  SlowUp,              // 012C ("Variation limit" on a KLV30)
  SlowDown,            // 012D
  CurrentLimiter,      // 012E, the "Number" of its group
  BootLimiter,         // 0133 "Output limiter"
  BootLimiterTime,     // 0134 "Limiter time"
  ScaleLow,            // 0137 (0128 of a KLV30E)
  ScaleHigh,           // 0138 (0129 of a KLV30E)
};

inline constexpr std::size_t kEditFieldCount = 10;

// A text to write into the field, or nothing to leave it as it is.
using FieldCorrection = std::optional<std::string>;

// Whether the field is checked while the operator types: the simple-range
// fields and the current limiter. The ramp limits and the scaling fields are
// checked only when they are left, so that typing a number digit by digit
// never passes through a correction.
bool CheckedWhileTyping(EditField field);

// ---- Fields with a simple range ---------------------------------------------
// "Heater break alarm current" 0..100, "Slow-up", "Slow-down" and "Limiter
// time" 0..999, "Output limiter" 0..1000.

// The upper bound of a simple-range field; 0 for the other fields.
int SimpleRangeUpper(EditField field);

// While typing: a negative number becomes "0", one above the bound the bound.
FieldCorrection SimpleRangeOnChange(EditField field, int n);

// Leaving the field. The heater break current turns an empty text into "0"
// (also while the screen is not ready); the others turn 0 or less into "0",
// only while the screen is ready.
FieldCorrection SimpleRangeOnLeave(EditField field, const std::string& text, int n, bool screenReady);

// ---- Scaling fields -----------------------------------------------------------

// Leaving "Lower limit value" or "Higher limit value": a KLV30E keeps its
// control input scaling within 0..200 and 800..1000, the others their
// analog output scaling within 0..1000.
FieldCorrection ScalingOnLeave(EditField field, int n, ModelKind model);

// ---- Ramp limits ----------------------------------------------------------------
// The lower limit stays below the higher limit setting, and the lower
// field's spin button never goes above higher - 1.

struct RampAdjustment {
  FieldCorrection higherText;  // the higher field, when corrected
  FieldCorrection lowerText;   // the lower field, when it had to move down
  int lowerSpinUpper = 0;      // the new upper end of the lower spin range
};

// Clicking "Number" of "Ramp lower limit".
RampAdjustment RampOnNumberClick(int lower, int higher);

// Leaving "Ramp higher limit setting": it is kept within 1..1000 first.
RampAdjustment RampOnHigherLeave(int lower, int higher);

// Leaving the lower field while "Number" is marked: below 1 becomes "0",
// otherwise at or above the higher limit becomes higher - 1.
FieldCorrection RampOnLowerLeave(int lower, int higher);

// ---- Current limiter ------------------------------------------------------------
// 0 ("off") or 10..120 on a KLV40, 10..120 on a KLV30E, 0..120 on a KLV30.

// The text that stands for 0 when the limiter is left below its minimum.
inline constexpr const char* kLimiterOffText = "off";

// The smallest number the field keeps: 10 on a KLV40 and a KLV30E, 0 on a KLV30.
int CurrentLimiterMinimum(ModelKind model);

struct LimiterCorrection {
  FieldCorrection text;  // what to write, if anything
  int value = 0;         // the number to compare with the register
};

// Leaving the field while "Number" is marked.
LimiterCorrection CurrentLimiterOnLeave(int n, ModelKind model);

// A change of the text while "Number" is marked. A number that is not 0 and
// below the minimum becomes "0" when the program wrote it (a file, the
// device, the spin button): "0" never raises a value, and leaving the field
// then shows it as the model allows ("off" on a KLV40, "10" on a KLV30E).
// The operator's own keystrokes are left alone there: every value from 10
// to 99 starts with a digit below 10, so replacing it at once would make
// typing "50" give "0" (or "100" with "10"). The leave rule corrects what
// is still below the minimum. Above 120 becomes "120" in both cases.
LimiterCorrection CurrentLimiterOnChange(int n, ModelKind model, bool typed);

// The spin button of the limiter on a KLV40 or KLV30E skips 1..9: up from 0
// reaches 10, down from 10 reaches 0. position and step are what the spin
// button is about to do; the result is what it should do. A KLV30 moves
// normally.
struct SpinMove {
  int position = 0;
  int step = 0;
};
SpinMove CurrentLimiterSpin(int n, SpinMove move, ModelKind model);

}  // namespace klv
