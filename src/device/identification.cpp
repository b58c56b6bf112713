#include "device/identification.h"

#include "serial/checked_sequence.h"

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
    {
      // A one-series device without the function does not answer 0102 at
      // all, so silence here is an answer.
      const ProbeResult probe = ProbeDevice(connection);
      OptionReading reading;
      reading.word = probe.answered ? kOptionCurrentDetection : uint16_t{0};
      reading.probeSilent = probe.silent;
      return reading;
    }
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

ProbeResult ProbeDevice(Connection& connection) {
  CheckedSequence probe(connection, true, 1);
  const auto read = [&connection](int sequence) { return ReadRegister(connection, kProbeRegister, true, sequence); };
  ExchangeResult last = ExchangeResult::NoResponse;
  for (int attempt = 0; attempt < kProbeAttempts && last == ExchangeResult::NoResponse; ++attempt) {
    probe.Run(read, read, [&last](const TransactOutcome& outcome) { last = outcome.result; });
    probe.Finish();
  }
  return {last == ExchangeResult::Ok, last == ExchangeResult::NoResponse};
}

}  // namespace klv
