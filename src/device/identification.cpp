#include "device/identification.h"

#include "serial/checked_sequence.h"

namespace klv {

Reply SettledRead(Connection& connection, Register address, StrayCheck check) {
  if (check == StrayCheck::ByCaller) return connection.Read(address);
  CheckedSequence reads(connection);
  const auto read = [&connection, address] { return connection.Read(address); };
  Reply settled;
  reads.Run(read, read, [&settled](const Reply& outcome) { settled = outcome; });
  reads.Finish();
  return settled;
}

IdentificationSteps IdentifyInOrder(const IdentificationRead& read) {
  IdentificationSteps steps;
  DeviceIdentification& identification = steps.identification;

  const std::optional<Reply> first = read(kModelCodeRegister);
  if (!first) {
    steps.stopped = true;
    return steps;
  }
  steps.refused = first->result == ExchangeResult::Error;
  if (first->Ok()) {
    // Any normal answer settles it: a device that has 0110 is not a
    // one-series model, so 0119 is not asked.
    identification.answered = true;
    identification.code = first->value;
    steps.answeredRegister = kModelCodeRegister;
    const std::optional<ModelKind> model = ModelForCode(kModelCodeRegister, first->value);
    identification.result = model ? ResultFor(*model) : IdentificationResult::OtherCodeIn0110;
    return steps;
  }

  const std::optional<Reply> second = read(kSeriesOneCodeRegister);
  if (!second) {
    steps.stopped = true;
    return steps;
  }
  steps.refused = steps.refused || second->result == ExchangeResult::Error;
  if (!second->Ok()) return steps;
  identification.answered = true;
  identification.code = second->value;
  steps.answeredRegister = kSeriesOneCodeRegister;
  if (const std::optional<ModelKind> model = ModelForCode(kSeriesOneCodeRegister, second->value)) {
    identification.result = ResultFor(*model);
  }
  return steps;
}

DeviceIdentification IdentifyDevice(Connection& connection, StrayCheck check) {
  // The model decides every later step, so its code is never taken from a
  // reply that may have been another request's.
  return IdentifyInOrder([&](Register address) -> std::optional<Reply> {
           return SettledRead(connection, address, check);
         }).identification;
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
  const Connection::FixedLogGroup logged(connection);
  for (const OptionRegister& row : kOptionRegisters) {
    const Reply outcome = SettledRead(connection, row.address, check);
    if (!outcome.Ok()) return OptionReading{0, row.address, false};
    if (OptionBitSet(row.rule, outcome.value)) reading.word = static_cast<uint16_t>(reading.word | row.bit);
  }
  return reading;
}

ProbeResult ProbeDevice(Connection& connection) {
  const Connection::FixedLogGroup logged(connection);
  ExchangeResult last = ExchangeResult::NoResponse;
  for (int attempt = 0; attempt < kProbeAttempts && last == ExchangeResult::NoResponse; ++attempt) {
    last = SettledRead(connection, kProbeRegister).result;
  }
  return {last == ExchangeResult::Ok, last == ExchangeResult::NoResponse};
}

}  // namespace klv
