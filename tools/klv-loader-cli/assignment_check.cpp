#include "assignment_check.h"

#include "cli_texts.h"

namespace klv::cli {
namespace {

std::string Refusal(const ParameterAssignment& a, ModelKind model, Language language) {
  const std::string address = a.address.Text();
  const std::string minimum = std::to_string(a.minimum);
  const std::string maximum = std::to_string(a.maximum);
  switch (a.problem) {
    case AssignmentProblem::NotAnAssignment: return CliText(CliTextId::SetNotAnAssignment, language, {a.name});
    case AssignmentProblem::UnknownRegister:
      return CliText(CliTextId::SetUnknownRegister, language, {a.name, ModelName(model)});
    case AssignmentProblem::NotPresent:
      return CliText(CliTextId::SetNotPresent, language, {address, a.key, ModelName(model)});
    case AssignmentProblem::NotANumber:
      return CliText(CliTextId::SetNotANumber, language, {address, a.key, a.value, minimum, maximum});
    case AssignmentProblem::OutOfRange:
      return CliText(CliTextId::SetOutOfRange, language, {address, a.key, a.value, minimum, maximum});
    case AssignmentProblem::None: break;
  }
  return {};
}

}  // namespace

AssignmentCheck CheckAssignments(const std::vector<std::string>& texts, ModelKind model, const ParameterSet& set,
                                 Language language) {
  AssignmentCheck check;
  for (const std::string& text : texts) {
    ParameterAssignment assignment = CheckAssignment(text, model, set);
    if (!assignment.Ok()) {
      check.accepted.clear();
      check.error = Refusal(assignment, model, language);
      return check;
    }
    check.accepted.push_back(std::move(assignment));
  }
  return check;
}

ParameterSet WithAssignments(ParameterSet set, const std::vector<ParameterAssignment>& accepted) {
  for (const ParameterAssignment& a : accepted) set.Slot(static_cast<std::size_t>(a.slot)) = a.number;
  return set;
}

}  // namespace klv::cli
