#include "device/identification.h"

namespace klv {

DeviceIdentification IdentifyDevice(Connection& connection, bool log, int firstSequence) {
  DeviceIdentification identification;

  const TransactOutcome first = ReadRegister(connection, kModelCodeRegister, log, firstSequence);
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

  const TransactOutcome second = ReadRegister(connection, kSeriesOneCodeRegister, log, firstSequence + 2);
  identification.nextSequence = firstSequence + 4;
  if (!second.Ok()) return identification;
  identification.answered = true;
  identification.code = second.value;
  if (const std::optional<ModelKind> model = ModelForCode(kSeriesOneCodeRegister, second.value)) {
    identification.result = ResultFor(*model);
  }
  return identification;
}

OptionReading DeviceOptionWord(Connection& connection, ModelKind model) {
  switch (model) {
    case ModelKind::Klv40: return ReadOptionInfo(connection);
    case ModelKind::Klv30:
    case ModelKind::Klv30E:
      // A one-series device without the function does not answer 0102 at
      // all, so silence here is an answer.
      return OptionReading{ProbeDevice(connection) ? kOptionCurrentDetection : uint16_t{0}, {}};
  }
  return {};
}

OptionReading ReadOptionInfo(Connection& connection) {
  OptionReading reading;
  int sequence = 1;
  for (const OptionRegister& row : kOptionRegisters) {
    const TransactOutcome outcome = ReadRegister(connection, row.address, true, sequence);
    sequence += 2;
    if (!outcome.Ok()) return OptionReading{0, row.address};
    if (OptionBitSet(row.rule, outcome.value)) reading.word = static_cast<uint16_t>(reading.word | row.bit);
  }
  return reading;
}

bool ProbeDevice(Connection& connection) {
  return ReadRegister(connection, kProbeRegister, true, 1).Ok();
}

}  // namespace klv
