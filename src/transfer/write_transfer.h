#pragma once
// Writing the parameter set to the connected regulator, after checking that
// the device is the current model with the options of the parameter set and,
// for a KLV40, a control input that fits the chosen range. A refused write
// sends nothing but reads; the write does not read the registers back.
#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string_view>

#include "model/model_kind.h"
#include "model/register.h"
#include "model/register_catalogue.h"
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

// How a write goes on once the device has passed its checks.
struct WriteGoAhead {
  int16_t controlMode = 0;           // a KLV40's 0112; 0 for the other models
  bool keepsCurrentLimiter = false;  // row 012E is not sent (high control modes)
};

// The checks every write makes on the device of the current model before
// anything is written: its option word equals the set's; a KLV40's control
// mode and control input are read (with the stray-frame checks) and the input
// must fit controlInputRange; no value the write would send lies outside its
// limits (named in tally.outOfRange). Nothing when the write must not go on;
// a refusal, if any, is put in result.
std::optional<WriteGoAhead> CheckDeviceBeforeWrite(const TransferContext& context, ModelKind model,
                                                   uint16_t deviceOptions, TransferResult& result);

// Whether a write sends the row to a device with these options.
bool WriteSendsRow(const CatalogueEntry& row, uint16_t deviceOptions, const WriteGoAhead& goAhead);

}  // namespace klv
