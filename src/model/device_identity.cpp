#include "model/device_identity.h"

#include "model/parameter_set.h"

namespace klv {
namespace {

// The model that register `address` names with `value`, if any.
std::optional<ModelKind> ModelForCode(std::string_view address, int16_t value) {
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

}  // namespace

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

DeviceIdentification IdentifyDevice(const ExchangeContext& context, bool log, int firstSequence) {
  DeviceIdentification identification;

  const TransactOutcome first = ReadRegister(context, kModelCodeRegister, log, firstSequence);
  identification.nextSequence = firstSequence + 2;
  if (first.Ok()) {
    // Any normal answer settles it: a device that has 0110 is not a
    // one-series model, so 0119 is not asked.
    identification.answered = true;
    identification.code = first.value;
    const std::optional<ModelKind> model = ModelForCode(kModelCodeRegister, first.value);
    identification.result = model ? ResultFor(*model) : IdentificationResult::OtherCodeIn0110;
    return identification;
  }

  const TransactOutcome second = ReadRegister(context, kSeriesOneCodeRegister, log, firstSequence + 2);
  identification.nextSequence = firstSequence + 4;
  if (!second.Ok()) return identification;
  identification.answered = true;
  identification.code = second.value;
  if (const std::optional<ModelKind> model = ModelForCode(kSeriesOneCodeRegister, second.value)) {
    identification.result = ResultFor(*model);
  }
  return identification;
}

OptionReading DeviceOptionWord(const ExchangeContext& context, ModelKind model) {
  switch (model) {
    case ModelKind::Klv40: return ReadOptionInfo(context);
    case ModelKind::Klv30:
    case ModelKind::Klv30E:
      // A one-series device without the function does not answer 0102 at
      // all, so silence here is an answer.
      return OptionReading{ProbeDevice(context) ? kOptionCurrentDetection : uint16_t{0}, {}};
  }
  return {};
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

}  // namespace klv
