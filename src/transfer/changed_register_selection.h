#pragma once
// Which registers a write of the changed values only sends: the present
// rows whose value in the set differs from the regulator's, the pre-writes
// the full write makes before such a row, and the rows a pre-write has moved
// away from the set's value, so the regulator ends up holding the set. Pure:
// the reading and writing are done elsewhere.
#include <cstdint>
#include <vector>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"
#include "transfer/write_transfer.h"

namespace klv {

struct ChangedRegisterSelection {
  // The pre-writes to send first, in the full write's order.
  std::vector<PreWrite> preWrites;
  // The catalogue rows to write, in the catalogue's order: those that differ
  // and those a pre-write has moved away from the set's value.
  std::vector<Register> rows;
  // The rows among them whose value differs on the regulator.
  std::vector<Register> changed;
  // A KLV40 in a control mode that keeps the current limiter at its
  // pre-written value, and the set holds another value there: 012E is not
  // written (as the full write leaves it out).
  bool currentLimiterNotSent = false;

  bool Empty() const { return preWrites.empty() && rows.empty(); }
};

// The registers a pre-write guards: the ramp selection and lower limit are
// pre-written before any of the ramp registers is written, the current
// limiter before itself.
bool PreWriteGuards(Register preWritten, Register row);

// wanted: the set to bring to the regulator; device: what the regulator
// holds. Only rows present for optionWord are held against each other.
// keepsCurrentLimiter: a KLV40 in control mode 5 or above, whose 012E the
// write leaves at the pre-written 100.
ChangedRegisterSelection SelectChangedRegisters(ModelKind model, uint16_t optionWord, const ParameterSet& wanted,
                                                const ParameterSet& device, bool keepsCurrentLimiter);

}  // namespace klv
