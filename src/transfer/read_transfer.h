#pragma once
// Reading every setup register of the connected regulator into the
// parameter set: identify the model, read its options, then walk its
// catalogue one register per exchange.
#include <chrono>
#include <cstdint>

#include "transfer/transfer_context.h"
#include "transfer/transfer_result.h"

namespace klv {

// The pause before each catalogue row of a read, the skipped rows and the
// blank row that ends the walk included.
inline constexpr std::chrono::milliseconds kReadRowPause{100};

// Runs on the worker and shows no message. The result's count is the number
// of registers read with a good reply, 0 when the device was not identified
// or nothing was read, -1 with a PortNotOpen refusal when the port is not
// open; deviceAnswered says whether the identification got any reply. The
// status and tally are the worker's to fill in.
//
// On identification the current model becomes the device's, and the option
// word of its family (optionFlags of a KLV40, optionDetect of a one-series
// model) the device's; the other word is left as it is (the command has
// loaded the defaults, which clear it). Every good reply of a present row is
// stored into its slot as received; other slots keep their values. Log
// entries: 0110 (and 0119) as 1, 2 (3, 4); the option exchanges with their
// own numbers from 1; the rows from 3 (or 5) on.
TransferResult RunReadTransfer(const TransferContext& context);

}  // namespace klv
