#pragma once
// The messages of a transfer that did not get every register through, and
// of a write refused because values lie outside their limits, in English and
// Japanese. A transfer that went through whole keeps its usual message.
#include <span>
#include <string>

#include "text/language.h"
#include "transfer/transfer_tally.h"

namespace klv {

// "Parameter reading incomplete: 20 of 27 registers read", then the
// registers that were refused or did not answer, and that nothing was
// applied. For a KLV40 whose option registers did not answer, says so.
std::string IncompleteReadMessage(const TransferTally& tally, Language language);

// "Parameter writing incomplete: 20 of 21 registers written", the registers
// refused or unanswered, and that the device may now hold a mix of old and
// new values.
std::string IncompleteWriteMessage(const TransferTally& tally, Language language);

// "Output current detection: not fitted (0102 did not answer)": the line a
// read's report ends with when a one-series device's 0102 never answered.
std::string DetectionUnansweredLine(Language language);

// Each value outside its register's limits with the limits; nothing was written.
std::string RangeViolationMessage(std::span<const RangeViolation> violations, Language language);

}  // namespace klv
