#include "device/identification.h"

#include "serial/checked_sequence.h"

namespace klv {

TransactOutcome SettledRead(Connection& connection, Register address, bool log, int& sequence,
                            StrayCheck check) {
  if (check == StrayCheck::ByCaller) {
    const TransactOutcome outcome = ReadRegister(connection, address, log, sequence);
    sequence += 2;
    return outcome;
  }
  CheckedSequence reads(connection, log, sequence);
  const auto read = [&connection, address, log](int n) { return ReadRegister(connection, address, log, n); };
  TransactOutcome settled;
  reads.Run(read, read, [&settled](const TransactOutcome& outcome) { settled = outcome; });
  reads.Finish();
  sequence = reads.NextSequence();
  return settled;
}

DeviceIdentification IdentifyDevice(Connection& connection, bool log, int firstSequence, StrayCheck check) {
  DeviceIdentification identification;
  int sequence = firstSequence;

  // The model decides every later step, so its code is never taken from a
  // reply that may have been another request's.
  const TransactOutcome first = SettledRead(connection, kModelCodeRegister, log, sequence, check);
  identification.nextSequence = sequence;
  if (first.Ok()) {
    // Any normal answer settles it: a device that has 0110 is not a
    // one-series model, so 0119 is not asked.
    identification.answered = true;
    identification.code = first.value;
    const std::optional<ModelKind> model = ModelForCode(kModelCodeRegister, first.value);
    identification.result = model ? ResultFor(*model) : IdentificationResult::OtherCodeIn0110;
    return identification;
  }

  const TransactOutcome second = SettledRead(connection, kSeriesOneCodeRegister, log, sequence, check);
  identification.nextSequence = sequence;
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

OptionReading ReadOptionInfo(Connection& connection, StrayCheck check) {
  // Each reply is settled before the next request goes out: these reads
  // follow each other without a pause, so a late or doubled reply would
  // otherwise be taken by the next register and shift every bit after it.
  OptionReading reading;
  int sequence = 1;
  for (const OptionRegister& row : kOptionRegisters) {
    const TransactOutcome outcome = SettledRead(connection, row.address, true, sequence, check);
    if (!outcome.Ok()) return OptionReading{0, row.address, false};
    if (OptionBitSet(row.rule, outcome.value)) reading.word = static_cast<uint16_t>(reading.word | row.bit);
  }
  return reading;
}

ProbeResult ProbeDevice(Connection& connection) {
  int sequence = 1;
  ExchangeResult last = ExchangeResult::NoResponse;
  for (int attempt = 0; attempt < kProbeAttempts && last == ExchangeResult::NoResponse; ++attempt) {
    last = SettledRead(connection, kProbeRegister, true, sequence).result;
  }
  return {last == ExchangeResult::Ok, last == ExchangeResult::NoResponse};
}

}  // namespace klv
