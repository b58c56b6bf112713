#pragma once
// The messages of a transfer that did not get every register through, and
// of a write refused because values lie outside their limits, in English and
// Japanese. A transfer that went through whole keeps its usual message.
#include <span>
#include <string>

#include "text/language.h"
#include "transfer/transfer_result.h"
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

// A transfer the operator stopped: "Cancelled: 22 of 30 registers written;
// the regulator may hold a mix of old and new values." and "Cancelled: 5 of
// 26 registers read; nothing was saved."
std::string CancelledWriteMessage(const TransferTally& tally, Language language);
std::string CancelledReadMessage(const TransferTally& tally, Language language);
// After a complete read, one line per value received outside its register's
// limits: "0133 = 32767 (0..9999): check the regulator". Empty when none.
std::string OutOfLimitsReadLines(std::span<const RangeViolation> values, Language language);

// One line per register a write left out on purpose:
// "012E not written: not used in control mode ZC". Empty when none.
std::string NotSentLines(std::span<const TransferTally::NotSent> registers, Language language);
// "Output current detection: not fitted (0102 did not answer)": the line a
// read's report ends with when a one-series device's 0102 never answered.
std::string DetectionUnansweredLine(Language language);

// What to say after a failure that got no reply at all; the window names
// Find device, the command-line tool its scan command.
struct NoReplyAdvice {
  std::string whatNext;        // "Check the cable and the address, or use ..."
  bool modelExpected = false;  // the model came with a file: "expected", not "selected"
  std::string logName;         // where the exchange was written; empty when it was not
};

// The lines that follow the failure's first line when nothing answered:
// "\nNo reply from address 5 on COM5 (...).", "\nKLV40 is the model
// selected, not one detected.", "\n<whatNext>; the exchange is in
// comlog.txt." Empty when something answered, or the transfer did not fail.
std::string NoReplyLines(const TransferResult& result, Language language, const NoReplyAdvice& advice);

// Each value outside its register's limits with the limits; nothing was written.
std::string RangeViolationMessage(std::span<const RangeViolation> violations, Language language);

}  // namespace klv
