#pragma once
// Writing only what differs: the regulator is read first (as for a
// comparison), the set is held against what it holds, and only the
// registers that differ are written, with the pre-writes and the rows a
// pre-write moves that the full write would send before them, each row
// after the pause the full write makes before it. One log: the read's
// entries, then the writes numbered on.
#include "transfer/transfer_context.h"
#include "transfer/transfer_result.h"

namespace klv {

// Runs on the worker and shows no message, as RunWriteTransfer does, with
// the same refusals (model, options, KLV40 control input, values outside
// their limits) taken from the read. The result's changedOnly says what
// happened: a read that did not get every register writes nothing
// (readFailed, and the tally is the read's); a regulator that already holds
// every value writes nothing (nothingToWrite). Otherwise the count is the
// number of catalogue rows written with a good reply, the tally's through
// the rows a verification reads back.
TransferResult RunChangedOnlyWriteTransfer(const TransferContext& context);

}  // namespace klv
