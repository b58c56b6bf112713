#pragma once
// One "REG=VALUE" from a script: a parameter named by its register ("012C",
// four hex digits, any case) or by the key that show --json prints for it
// ("slowUpTime"), and a new value, checked as a write checks it: the
// register must be in the file's model's catalogue and present with the
// file's options, the value within the row's limits. A value equal to the
// one the file holds changes nothing and is always taken.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register.h"

namespace klv {

enum class AssignmentProblem {
  None,
  NotAnAssignment,  // no "=", or nothing before it
  UnknownRegister,  // neither a register nor a key of the model's catalogue
  NotPresent,       // the file's options leave the register out
  NotANumber,       // the value is no decimal whole number
  OutOfRange,       // the value lies outside the row's limits
};

struct ParameterAssignment {
  AssignmentProblem problem = AssignmentProblem::None;
  std::string name;   // what stood before "="
  std::string value;  // what stood after "=", as given
  // Known once the register is found (every problem from NotPresent on).
  Register address;
  int slot = -1;
  std::string_view key;
  int16_t minimum = 0;
  int16_t maximum = 0;
  int16_t number = 0;  // the new value, when problem is None

  bool Ok() const { return problem == AssignmentProblem::None; }
};

// Checks text against a file of model holding set (whose option words decide
// which registers are present).
ParameterAssignment CheckAssignment(std::string_view text, ModelKind model, const ParameterSet& set);

}  // namespace klv
