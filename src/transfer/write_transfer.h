#pragma once
// Writing the parameter set to the connected regulator, after checking that
// the device is the current model with the options of the parameter set and,
// for a KLV40, a control input that fits the chosen range. A refused write
// sends nothing but reads; the write does not read the registers back.
#include <array>
#include <chrono>
#include <cstdint>
#include <string_view>

#include "model/model_kind.h"
#include "model/register.h"
#include "transfer/transfer_context.h"
#include "transfer/transfer_result.h"

namespace klv {

// The pause before each catalogue row of a write, skipped rows and the blank
// row that ends the walk included. The KLV30E needs a second per register.
inline constexpr std::chrono::milliseconds kWriteRowPause{100};
inline constexpr std::chrono::milliseconds kKlv30EWriteRowPause{1000};

constexpr std::chrono::milliseconds WriteRowPause(ModelKind model) {
  return model == ModelKind::Klv30E ? kKlv30EWriteRowPause : kWriteRowPause;
}

struct PreWrite {
  Register address;
  int16_t value;
};

// Sent before the walk, in this order, whatever their outcome: the ramp
// selection and lower limit to 0 and the current limiter to 100 %, so the
// device holds harmless values while the walk is under way.
inline constexpr std::array<PreWrite, 3> kPreWrites = {{
    {Register{0x012B}, 0},
    {Register{0x012A}, 0},
    {Register{0x012E}, 100},
}};

// Runs on the worker and shows no message. The result's count is the number
// of catalogue registers written with a good reply, 0 when a check refused
// the write or nothing was written, -1 (refusal PortNotOpen) when the port is
// not open. The status and tally are the worker's to fill in.
//
// Refusals: a device of another model, or a code that is none of the three:
// ModelDiffers; other options: OptionsDiffer with the device's word; a KLV40
// whose control input does not fit controlInputRange: ControlInputDiffers
// with its 0113; values outside their limits: ValuesOutOfRange (named in
// tally.outOfRange). No refusal when neither 0110 nor 0119, or 0112 or 0113
// of a KLV40, gives a good reply. Nothing is written in any of these cases.
// The pre-writes are not counted. A KLV40 in control mode 5 or above keeps
// the pre-written current limiter: row 012E is passed like an absent row and
// noted in tally.notSent with the mode's name, for the report.
TransferResult RunWriteTransfer(const TransferContext& context);

}  // namespace klv
