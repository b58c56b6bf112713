#pragma once
// How the editing screen's radio groups and edit fields stand for the values
// of the ParameterSet, and which volume buttons may be chosen together. No Qt
// here: the screen asks these functions and only moves the answers into its
// controls.
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "model/model_kind.h"

namespace klv {

// ---- Edit fields -------------------------------------------------------------

// An edit field's number: leading blanks and tabs skipped, one optional sign,
// the digits up to the first other character (none give 0), and of that the
// low 16 bits as a signed value. "012" and "+12" are 12, "7x" is 7, "off" is
// 0, 40000 is -25536 and 70000 is 4464. Any length is safe: the digits are
// summed modulo 2^16, which keeps exactly the low 16 bits.
int16_t ReadEditNumber(std::string_view text);

// What an edit field shows for a value: signed decimal, no leading zeros.
std::string EditText(int16_t value);

// ---- Radio groups ------------------------------------------------------------

// The radio groups of the screen that stand for one register each. "Current"
// and "Voltage" of "Control input" select nothing by themselves and are not
// one of these.
enum class RadioGroup {
  KeyLock,             // 0120: OFF, ON
  FuseMelted,          // 0122: AL1, AL2, non
  PowerSupplyError,    // 0123: AL1, AL2, non
  CurrentError,        // 0124: AL1, AL2, non
  HardwareError,       // 0125: AL1, AL2, non
  TemperatureError,    // 0126: AL1, AL2, non
  HeaterBreak,         // 0127: AL1, AL2, non
  RampLowerLimit,      // 012A: Number, VR1, VR2
  RampUpperSelection,  // 012B: setting only, VR1, VR2
  CurrentLimiter,      // 012E: Number, VR1, VR2, VR3
  Do1,                 // 0128: non, STY, EXE, HB
  Do2,                 // 0129: non, STY, EXE, HB
  Di1,                 // 0130: non, POS, INV
  Di2,                 // 0131: non, POS, INV
  Di3,                 // 0132: non, POS
  AnalogInput,         // 0135: NON, GAIN
  AnalogOutput,        // 0136: OUTP, INPT
  ControlInput,        // 013D: 4-20mA, 0-20mA, 0-1V, 1-5V, 0-10V, Potential, Contact, Voltage pulse
  PowerDip,            // 013F: OFF, ON
};

inline constexpr std::size_t kRadioGroupCount = 19;

// Every group, in the order of the screen mapping.
std::span<const RadioGroup> AllRadioGroups();

// No button of the group is checked.
inline constexpr int kNoButton = -1;

// The position of the "Number" button in the two groups that have one; its
// value is the number in the group's edit field.
inline constexpr int kNumberButton = 0;

// The ParameterSet slot (0..26) that the group holds.
std::size_t GroupSlot(RadioGroup group);

// How many buttons the group has.
int ButtonCount(RadioGroup group);

// The button that shows value, or kNoButton. The alarm groups of 0123,
// 0124, 0125 and 0127 depend on the model; the others do not.
//
// Values outside a group's choices show as the mapping says: mostly the
// group's last choice, or nothing checked ("Current limiter" -4, "DI-3" other
// than 0 and 1). "Control input" outside 0..7 and "Power supply
// instantaneous" outside 0..1 check no button at all, so such a value never
// reaches a button outside its group; reading back then keeps the control
// input as it was and gives 1 for the power dip handling.
int ShownButton(RadioGroup group, int16_t value, ModelKind model);

// The value the group gives with button checked (kNoButton: none).
// numberValue is the number in the group's edit field, used when the
// "Number" button is checked. Nothing means "leave the register as it is",
// which only "Control input" with no button checked gives.
std::optional<int16_t> ReadButton(RadioGroup group, int button, ModelKind model, int16_t numberValue = 0);

// True when clicking button chooses what value already holds, so the click
// does not mark the screen modified. "ON" of "Key lock" stands for any value
// other than 0; the "Number" buttons stand for any value of 0 or more.
bool ButtonStandsFor(RadioGroup group, int button, int16_t value, ModelKind model);

// ---- Shared volumes ----------------------------------------------------------

// The buttons that choose a volume: A = "Ramp lower limit", B = "Ramp higher
// limit selection", C = "Current limiter ( % )", and "POS" and "INV" of
// "DI-1", which use the volume VR3 on a KLV40.
enum class VolumeButton { A1, A2, B1, B2, C1, C2, C3, Pos, Inv };
inline constexpr std::size_t kVolumeButtonCount = 9;

using VolumeChecks = std::array<bool, kVolumeButtonCount>;
// For each button: enable, disable, or leave its state alone (nothing).
using VolumeEnables = std::array<std::optional<bool>, kVolumeButtonCount>;

// Which volume buttons to enable and disable so that each volume is chosen
// by at most one group. detectBoxChecked is the state of the "Output current
// detection function" box, which decides whether VR1 and VR2 of the current
// limiter may be enabled on a KLV30 or KLV30E. When the data already puts two
// groups on one volume, all three buttons of that volume are disabled.
VolumeEnables LockSharedVolumes(const VolumeChecks& checked, ModelKind model, bool detectBoxChecked);

}  // namespace klv
