#pragma once
// What a transfer asked of the device and what did not go through, so that
// its report says exactly that: a read or write counts as complete only when
// every register it sent got a good reply.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/register.h"
#include "serial/response.h"

namespace klv {

// A value of the set outside its register's limits; it is never sent.
struct RangeViolation {
  Register address;
  int16_t value = 0;
  int16_t minimum = 0;
  int16_t maximum = 0;
};

struct TransferTally {
  // Catalogue registers sent, and those with a good reply.
  int asked = 0;
  int done = 0;
  // Every register sent whose reply was an error reply, or that got no good
  // reply at all (silence, a damaged or foreign frame), in the order sent.
  std::vector<Register> refused;
  std::vector<Register> unanswered;
  // Catalogue registers with a good reply, in the order sent: what a write
  // reads back to verify.
  std::vector<Register> through;
  // The walk over the catalogue began (identification and checks passed).
  bool walked = false;
  // A KLV40 option register without a good reply stopped a read before its walk.
  std::optional<Register> optionsUnanswered;
  // A one-series device's 0102 did not answer the probe: read as without
  // output current detection, and said so in the read's report.
  bool detectionUnanswered = false;
  // Values of a write outside their limits: nothing was sent.
  std::vector<RangeViolation> outOfRange;
  // Catalogue registers the walk meant to send, and whether the operator
  // stopped it before it got through them all.
  int planned = 0;
  bool cancelled = false;
  // Values a read received outside their register's limits (the device's
  // over- and under-range marks 7FFF and 8000 among them): kept as read,
  // and named in the read's report.
  std::vector<RangeViolation> receivedOutOfLimits;
  // Registers of the catalogue a write left out on purpose, with the control
  // mode ("ZC") in which the device does not use them.
  struct NotSent {
    Register address;
    std::string controlMode;
  };
  std::vector<NotSent> notSent;

  // Notes the outcome of a register sent; catalogue rows count towards
  // asked/done, fixed registers (the pre-writes) only when they fail.
  void Note(Register address, ExchangeResult result, bool catalogueRow) {
    if (catalogueRow) ++asked;
    if (result == ExchangeResult::Ok) {
      if (catalogueRow) {
        ++done;
        through.push_back(address);
      }
    } else {
      (result == ExchangeResult::Error ? refused : unanswered).push_back(address);
    }
  }
  bool Failed() const { return !refused.empty() || !unanswered.empty(); }
  // Everything asked for went through.
  bool Complete() const { return walked && !cancelled && !Failed() && !optionsUnanswered; }
};

}  // namespace klv
