#pragma once
// The REG=VALUE values of set and write --set, checked all together against
// one parameter file before anything is changed or sent.
#include <string>
#include <vector>

#include "editor/parameter_assignment.h"
#include "text/texts.h"

namespace klv::cli {

struct AssignmentCheck {
  std::vector<ParameterAssignment> accepted;  // every one, in the order given, when error is empty
  std::string error;                          // the message of the first refused one
};

AssignmentCheck CheckAssignments(const std::vector<std::string>& texts, ModelKind model, const ParameterSet& set,
                                 Language language);

// set with every accepted value in its slot.
ParameterSet WithAssignments(ParameterSet set, const std::vector<ParameterAssignment>& accepted);

}  // namespace klv::cli
