#include "model/device_identity.h"

#include "model/parameter_set.h"

namespace klv {

std::optional<ModelKind> ModelForCode(Register address, int16_t value) {
  const auto code = static_cast<uint16_t>(value);
  for (const IdentificationCode& row : kIdentificationCodes) {
    if (row.address == address && row.code == code) return row.model;
  }
  return std::nullopt;
}

IdentificationResult ResultFor(ModelKind model) {
  switch (model) {
    case ModelKind::Klv40: return IdentificationResult::Klv40;
    case ModelKind::Klv30: return IdentificationResult::Klv30;
    case ModelKind::Klv30E: return IdentificationResult::Klv30E;
  }
  return IdentificationResult::NotIdentified;
}

std::optional<ModelKind> DeviceIdentification::Model() const {
  switch (result) {
    case IdentificationResult::Klv40: return ModelKind::Klv40;
    case IdentificationResult::Klv30: return ModelKind::Klv30;
    case IdentificationResult::Klv30E: return ModelKind::Klv30E;
    case IdentificationResult::OtherCodeIn0110:
    case IdentificationResult::NotIdentified: break;
  }
  return std::nullopt;
}

bool OptionBitSet(OptionRule rule, int16_t value) {
  switch (rule) {
    case OptionRule::NonZero: return value != 0;
    case OptionRule::EqualsSix: return value == 6;
  }
  return false;
}


const ControlInputDescription& DescribeControlInput(int16_t controlInputType) {
  const ControlInputKind kind = ControlInputKindOf(controlInputType);
  for (const ControlInputDescription& row : kControlInputs) {
    if (row.kind == kind) return row;
  }
  return kControlInputs.back();
}

bool ControlInputMatches(int16_t controlInputType, int16_t controlInputRange) {
  const ControlInputDescription& input = DescribeControlInput(controlInputType);
  return controlInputRange >= input.firstRange && controlInputRange <= input.lastRange;
}

std::string ControlModeName(int16_t controlModeValue) {
  const auto digit = static_cast<std::size_t>(static_cast<uint16_t>(controlModeValue) & 0xF);
  if (digit >= kControlModeNames.size()) return std::to_string(controlModeValue);
  std::string_view name = kControlModeNames[digit];
  while (!name.empty() && name.back() == ' ') name.remove_suffix(1);
  return std::string(name);
}

}  // namespace klv
