#include "transfer/write_transfer.h"

#include <optional>
#include <string>

#include "device/identification.h"
#include "model/device_identity.h"
#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"

namespace klv {
namespace {

// The register written last with the current limiter; skipped in the high
// control modes of a KLV40.
constexpr Register kCurrentLimiterAddress{0x012E};

// The refusal of a write whose identification found no device of the
// current model; nothing when it did. A device that answered neither 0110
// nor 0119 is simply not there: no refusal, the write fails.
std::optional<TransferRefusal> CheckModel(const TransferContext& context, const DeviceIdentification& identification) {
  const std::optional<ModelKind> model = identification.Model();
  if (model && *model == context.currentModel) return std::nullopt;
  if (model || identification.answered) return TransferRefusal::Because(TransferRefusal::Reason::ModelDiffers);
  return std::nullopt;
}

}  // namespace

std::optional<WriteGoAhead> CheckDeviceBeforeWrite(const TransferContext& context, ModelKind model,
                                                   uint16_t deviceOptions, TransferResult& result) {
  const bool klv40 = model == ModelKind::Klv40;
  const ParameterSet& parameters = context.parameters;
  if (deviceOptions != (klv40 ? parameters.optionFlags : parameters.optionDetect)) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::OptionsDiffer);
    result.refusal->deviceModel = model;
    result.refusal->deviceOptions = deviceOptions;
    return std::nullopt;
  }

  WriteGoAhead goAhead;
  if (klv40) {
    // They decide whether anything is written: never taken from another register's reply.
    const Reply mode = SettledRead(context.connection, kControlModeRegister);
    if (!mode.Ok()) return std::nullopt;
    goAhead.controlMode = mode.value;
    const Reply inputType = SettledRead(context.connection, kControlInputTypeRegister);
    if (!inputType.Ok()) return std::nullopt;
    if (!ControlInputMatches(inputType.value, parameters.controlInputRange)) {
      result.refusal = TransferRefusal::Because(TransferRefusal::Reason::ControlInputDiffers);
      result.refusal->controlInputType = inputType.value;
      return std::nullopt;
    }
    goAhead.keepsCurrentLimiter = SkipsCurrentLimiterWrite(goAhead.controlMode);
  }

  // Before the first write request: a value the device would refuse (or,
  // worse, take) is never sent, and nothing else is either.
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (!WriteSendsRow(row, deviceOptions, goAhead)) continue;
    const int16_t value = row.value.In(parameters);
    if (value < row.minimum || value > row.maximum) {
      context.tally.outOfRange.push_back({row.address, value, row.minimum, row.maximum});
    }
  }
  if (!context.tally.outOfRange.empty()) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::ValuesOutOfRange);
    return std::nullopt;
  }
  return goAhead;
}

bool WriteSendsRow(const CatalogueEntry& row, uint16_t deviceOptions, const WriteGoAhead& goAhead) {
  return IsEntryPresent(row, deviceOptions) && row.address != kEndAddress &&
         !(goAhead.keepsCurrentLimiter && row.address == kCurrentLimiterAddress);
}

TransferResult RunWriteTransfer(const TransferContext& context) {
  TransferResult result;
  result.mode = TransferMode::Write;
  result.model = context.currentModel;
  if (!context.connection.IsOpen()) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::PortNotOpen);
    result.count = -1;
    return result;
  }
  const std::string_view writing = Text(TextId::WritingParameter, context.language);
  context.progress.SetStatusText(writing);

  context.connection.StartLog();
  const DeviceIdentification identification = IdentifyDevice(context.connection);
  result.identificationAsked = true;
  result.deviceAnswered = identification.answered;
  result.refusal = CheckModel(context, identification);
  if (result.refusal || identification.Model() != context.currentModel) return result;
  const ModelKind model = context.currentModel;
  context.progress.SetStatusText(ModelStatusText(model, writing));

  const OptionReading optionReading = DeviceOptionWord(context.connection, model);
  // A device whose options did not all answer is not compared as one
  // without options: nothing is written.
  if (!optionReading.Complete()) return result;
  const uint16_t deviceOptions = optionReading.word;
  const ParameterSet& parameters = context.parameters;
  const std::optional<WriteGoAhead> goAhead = CheckDeviceBeforeWrite(context, model, deviceOptions, result);
  if (!goAhead) return result;
  const bool keepsCurrentLimiter = goAhead->keepsCurrentLimiter;
  const int16_t controlMode = goAhead->controlMode;
  const auto sends = [&](const CatalogueEntry& row) { return WriteSendsRow(row, deviceOptions, *goAhead); };

  context.tally.walked = true;
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (sends(row)) ++context.tally.planned;
  }
  for (const PreWrite& preWrite : kPreWrites) {
    if (context.StopRequested()) return result;
    const Reply outcome = context.connection.Write(preWrite.address, preWrite.value);
    // Not counted, but a pre-write the device did not take is named.
    context.tally.Note(preWrite.address, outcome.result, false);
  }

  const auto pause = WriteRowPause(model);
  ProgressPosition bar(context.progress, ProgressStep(model));
  CheckedSequence writes(context.connection);
  int16_t& count = result.count;
  // The whole table, so the blank row that ends the walk also gets its pause.
  for (const CatalogueEntry& row : CatalogueFor(model)) {
    if (context.StopRequested()) break;
    context.clock.SleepFor(pause);
    if (!IsEntryPresent(row, deviceOptions)) {
      bar.Advance();
      continue;
    }
    if (row.address == kEndAddress) break;
    if (keepsCurrentLimiter && row.address == kCurrentLimiterAddress) {
      // Said in the report, so that nobody takes the screen's value for the device's.
      context.tally.notSent.push_back({row.address, ControlModeName(controlMode)});
      bar.Advance();
      continue;
    }
    const int16_t value = row.value.In(parameters);
    Connection& connection = context.connection;
    const Register address = row.address;
    // A reply that may have been a stray frame is checked by reading the
    // register back: it counts as written only when it holds the value.
    writes.Run([&connection, address, value] { return connection.Write(address, value); },
               [&connection, address, value] { return ReadBackCheck(connection, address, value); },
               [&context, &count, address](const Reply& outcome) {
                 context.tally.Note(address, outcome.result, true);
                 if (outcome.Ok()) ++count;
               });
    bar.Advance();
  }
  writes.Finish();
  bar.Reset();
  return result;
}

}  // namespace klv
