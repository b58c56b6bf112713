#include "editor/parameter_assignment.h"

#include <charconv>

#include "editor/parameter_description.h"
#include "model/register_catalogue.h"

namespace klv {
namespace {

// The model's row for a register or a key; nothing when the catalogue has none.
const CatalogueEntry* RowNamed(std::string_view name, ModelKind model) {
  const std::optional<Register> address = Register::FromText(name);
  const int slot = address ? -1 : SlotNamed(name);
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.value.IsScratch()) continue;
    if (address ? row.address == *address
                : slot >= 0 && row.value.Member() == ParameterSet::kSlots[static_cast<std::size_t>(slot)]) {
      return &row;
    }
  }
  return nullptr;
}

int SlotOf(const CatalogueEntry& row) {
  for (std::size_t i = 0; i < kParameterSlotCount; ++i) {
    if (ParameterSet::kSlots[i] == row.value.Member()) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace

ParameterAssignment CheckAssignment(std::string_view text, ModelKind model, const ParameterSet& set) {
  ParameterAssignment assignment;
  const std::size_t equals = text.find('=');
  assignment.name = std::string(text.substr(0, equals));
  if (equals == std::string_view::npos || equals == 0) {
    assignment.problem = AssignmentProblem::NotAnAssignment;
    return assignment;
  }
  const std::string_view value = text.substr(equals + 1);
  assignment.value = std::string(value);
  const CatalogueEntry* row = RowNamed(assignment.name, model);
  if (row == nullptr) {
    assignment.problem = AssignmentProblem::UnknownRegister;
    return assignment;
  }
  assignment.address = row->address;
  assignment.slot = SlotOf(*row);
  assignment.key = SlotName(assignment.slot);
  assignment.minimum = row->minimum;
  assignment.maximum = row->maximum;
  // A leading "+" is taken as a script may write it; anything else but
  // digits after an optional sign is no number.
  const std::string_view digits = value.starts_with('+') ? value.substr(1) : value;
  long long number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || end != digits.data() + digits.size() ||
      (error != std::errc{} && error != std::errc::result_out_of_range) ||
      (value.starts_with('+') && digits.starts_with('-'))) {
    assignment.problem = AssignmentProblem::NotANumber;
    return assignment;
  }
  const bool overflow = error == std::errc::result_out_of_range;
  // The value the file already holds changes nothing: taken as it is, so
  // that every line of show --json can be fed back, rows the options leave
  // out and values a file brought from elsewhere included.
  if (!overflow && number == set.Slot(static_cast<std::size_t>(assignment.slot))) {
    assignment.number = static_cast<int16_t>(number);
    return assignment;
  }
  // The same word that decides what a transfer sends for this model.
  const uint16_t optionWord = model == ModelKind::Klv40 ? set.optionFlags : set.optionDetect;
  if (!IsEntryPresent(*row, optionWord)) {
    assignment.problem = AssignmentProblem::NotPresent;
    return assignment;
  }
  if (overflow || number < row->minimum || number > row->maximum) {
    assignment.problem = AssignmentProblem::OutOfRange;
    return assignment;
  }
  assignment.number = static_cast<int16_t>(number);
  return assignment;
}

}  // namespace klv
