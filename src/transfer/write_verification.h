#pragma once
// Reading back what a write has just sent: every catalogue register the
// write got through is read again and its value compared with the one sent,
// so a register that took the write but kept its old value is found.
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "model/register.h"
#include "text/language.h"
#include "transfer/transfer_context.h"

namespace klv {

// The pause before each read-back, as before each row of a read.
inline constexpr std::chrono::milliseconds kReadBackPause{100};

struct ReadBackDifference {
  Register address;
  int16_t written = 0;
  int16_t readBack = 0;
};

struct WriteVerification {
  bool ran = false;
  int checked = 0;  // registers read back, answered or not
  std::vector<ReadBackDifference> differing;
  std::vector<Register> unanswered;  // no good reply to the read-back

  bool AllEqual() const { return ran && differing.empty() && unanswered.empty(); }
};

// Runs on the worker after a complete write of the current model: reads each
// register of tally.through in order, logged on from the write's entries, and
// compares it with the parameter set's value.
WriteVerification VerifyWrittenRegisters(const TransferContext& context);

// "Verified: all 21 registers read back equal", or the registers whose value
// differs (written and read back) and those that did not answer.
std::string VerificationMessage(const WriteVerification& verification, Language language);

}  // namespace klv
