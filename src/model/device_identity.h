#pragma once
// Which regulator is on the line and what it carries, as data: the
// identification registers and codes, the option registers and how each sets
// its bit, and the two facts a KLV40 write checks (control input type and
// control mode). The procedures that ask a device are in device/; the
// transfers decide what a mismatch means.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"
#include "text/text_id.h"

namespace klv {

// Registers read besides the catalogue.
// The KLV40 code; a one-series device gives no normal reply.
inline constexpr Register kModelCodeRegister{0x0110};
// The one-series code; on a KLV40 the analog output option.
inline constexpr Register kSeriesOneCodeRegister{0x0119};
// ControlMode and ControlInputType of a KLV40, read fresh for each write.
inline constexpr Register kControlModeRegister{0x0112};
inline constexpr Register kControlInputTypeRegister{0x0113};

// A code that names a model when its register answers normally with it.
struct IdentificationCode {
  Register address;
  uint16_t code;
  ModelKind model;
};

inline constexpr std::array<IdentificationCode, 3> kIdentificationCodes = {{
    {kModelCodeRegister, 0x0028, ModelKind::Klv40},       // decimal 40
    {kSeriesOneCodeRegister, 0x3330, ModelKind::Klv30},   // the characters "30"
    {kSeriesOneCodeRegister, 0x3045, ModelKind::Klv30E},  // the characters "0E"
}};

// The model that register `address` names with `value`, if any.
std::optional<ModelKind> ModelForCode(Register address, int16_t value);

enum class IdentificationResult {
  Klv40,
  Klv30,
  Klv30E,
  OtherCodeIn0110,  // 0110 answered normally with a code that is not the KLV40's
  NotIdentified,    // 0110 gave no good reply, and 0119 none or an unknown code
};

// The result that names the model.
IdentificationResult ResultFor(ModelKind model);

struct DeviceIdentification {
  IdentificationResult result = IdentificationResult::NotIdentified;
  // The value of the last register read when it answered normally: the other
  // code of OtherCodeIn0110, the unknown 0119 code of NotIdentified. 0 when
  // the last read got no good reply.
  int16_t code = 0;
  // The last register read answered normally. For NotIdentified this tells an
  // unknown code in 0119 (a write reports "Model differs") from a device that
  // gave no good reply at all (a write ends without that message).
  bool answered = false;

  // The model, for the three identified results.
  std::optional<ModelKind> Model() const;
};

// How an option register of a KLV40 sets its bit.
enum class OptionRule {
  NonZero,    // any value but 0
  EqualsSix,  // exactly 6: on a KLV40, 0119 holds more than this option
};

struct OptionRegister {
  Register address;
  uint16_t bit;
  OptionRule rule;
};

// The KLV40's option registers, in the order they are read.
inline constexpr std::array<OptionRegister, 4> kOptionRegisters = {{
    {Register{0x0116}, kOptionAnalogInput, OptionRule::NonZero},
    {Register{0x0117}, kOptionAlarmOutput2, OptionRule::NonZero},
    {Register{0x0118}, kOptionDigitalOutput, OptionRule::NonZero},
    {Register{0x0119}, kOptionAnalogOutput, OptionRule::EqualsSix},
}};

// True when an option register's value sets its bit.
bool OptionBitSet(OptionRule rule, int16_t value);

// The register whose good reply shows a one-series device's output current
// detection (the load current).
inline constexpr Register kProbeRegister{0x0102};

// ---- Control input type (register 0113 of a KLV40) -------------------------

// The ControlInputType value of a current input; every other value is a
// voltage input.
inline constexpr int16_t kCurrentControlInput = 4;

enum class ControlInputKind { Current, Voltage };

struct ControlInputDescription {
  ControlInputKind kind;
  // The controlInputRange values (screen choices) this input can serve.
  int16_t firstRange;
  int16_t lastRange;
  TextId nameText;          // the name (English and Japanese)
  std::string_view name;    // the English name
  std::string_view ranges;  // shown after the name in either language
};

inline constexpr std::array<ControlInputDescription, 2> kControlInputs = {{
    {ControlInputKind::Current, 0, 1, TextId::CurrentInput, "Current input", " ( 4-20mA, 0-20mA )"},
    {ControlInputKind::Voltage, 2, 7, TextId::VoltageInput, "Voltage input", " ( 0-1V, 1-5V, 0-10V, Pot, Con, Puls )"},
}};

constexpr ControlInputKind ControlInputKindOf(int16_t controlInputType) {
  return controlInputType == kCurrentControlInput ? ControlInputKind::Current : ControlInputKind::Voltage;
}

// The row of kControlInputs for a device's ControlInputType.
const ControlInputDescription& DescribeControlInput(int16_t controlInputType);

// True when the screen's controlInputRange fits the device's input: a current
// input takes 0 and 1, a voltage input 2 to 7. A range outside 0..7 (only a
// damaged parameter file can hold one) fits neither, so the write is refused
// rather than sent with a range the device cannot serve.
bool ControlInputMatches(int16_t controlInputType, int16_t controlInputRange);

// ---- Control mode (register 0112 of a KLV40) -------------------------------

// From this control mode on, the write leaves currentLimiter (012E) at the
// value of its pre-write.
inline constexpr int16_t kFirstModeWithoutCurrentLimiter = 5;

constexpr bool SkipsCurrentLimiterWrite(int16_t controlMode) {
  return controlMode >= kFirstModeWithoutCurrentLimiter;
}

// The names of the control modes 0 to 6, as the regulator's display and the
// monitor's title show them (four characters, blank padded).
inline constexpr std::array<std::string_view, 7> kControlModeNames = {
    "V-FB", "C-FB", "W-FB", "VVFB", "PA  ", "ZC  ", "PA-Z",
};

// The mode's name without its padding ("ZC"), for a 0112 value whose last
// hexadecimal digit is 0 to 6; the value in decimal for any other.
std::string ControlModeName(int16_t controlModeValue);

}  // namespace klv
