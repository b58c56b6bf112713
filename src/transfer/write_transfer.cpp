#include "transfer/write_transfer.h"

#include <optional>
#include <string>

#include "device/identification.h"
#include "model/device_identity.h"
#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"
#include "transfer/comparison_messages.h"
#include "transfer/transfer_result_messages.h"

namespace klv {
namespace {

// The register written last with the current limiter; skipped in the high
// control modes of a KLV40.
constexpr Register kCurrentLimiterAddress{0x012E};

// The model to write to, or nothing when the identification refuses the
// write (after showing "Model differs" where the device answered).
std::optional<ModelKind> CheckModel(const TransferContext& context, const DeviceIdentification& identification) {
  const std::optional<ModelKind> model = identification.Model();
  if (model && *model == context.currentModel) return model;
  // A device that answered neither 0110 nor 0119 is simply not there.
  if (model || identification.answered) {
    context.messages.ShowMessage(Text(TextId::ModelDiffers, context.language));
  }
  return std::nullopt;
}

}  // namespace

int16_t RunWriteTransfer(const TransferContext& context) {
  if (!context.connection.IsOpen()) {
    context.messages.ShowMessage(kPortYetToOpen);
    return -1;
  }
  const std::string_view writing = Text(TextId::WritingParameter, context.language);
  context.progress.SetStatusText(writing);

  context.connection.StartLog();
  const DeviceIdentification identification = IdentifyDevice(context.connection);
  const std::optional<ModelKind> checked = CheckModel(context, identification);
  if (!checked) return 0;
  const ModelKind model = *checked;
  const bool klv40 = model == ModelKind::Klv40;
  context.progress.SetStatusText(ModelStatusText(model, writing));

  const OptionReading optionReading = DeviceOptionWord(context.connection, model);
  // A device whose options did not all answer is not compared as one
  // without options: nothing is written.
  if (!optionReading.Complete()) return 0;
  const uint16_t deviceOptions = optionReading.word;
  const ParameterSet& parameters = context.parameters;
  if (deviceOptions != (klv40 ? parameters.optionFlags : parameters.optionDetect)) {
    context.messages.ShowMessage(klv40 ? Klv40OptionsMessage(deviceOptions, context.language)
                                       : SeriesOneOptionsMessage(deviceOptions, context.language));
    return 0;
  }

  int16_t controlMode = 0;
  if (klv40) {
    // They decide whether anything is written: never taken from another register's reply.
    const Reply mode = SettledRead(context.connection, kControlModeRegister);
    if (!mode.Ok()) return 0;
    controlMode = mode.value;
    const Reply inputType = SettledRead(context.connection, kControlInputTypeRegister);
    if (!inputType.Ok()) return 0;
    if (!ControlInputMatches(inputType.value, parameters.controlInputRange)) {
      context.messages.ShowMessage(ControlInputMessage(inputType.value, context.language));
      return 0;
    }
  }

  const bool keepsCurrentLimiter = klv40 && SkipsCurrentLimiterWrite(controlMode);
  const auto sends = [&](const CatalogueEntry& row) {
    return IsEntryPresent(row, deviceOptions) && row.address != kEndAddress &&
           !(keepsCurrentLimiter && row.address == kCurrentLimiterAddress);
  };
  // Before the first write request: a value the device would refuse (or,
  // worse, take) is never sent, and nothing else is either.
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (!sends(row)) continue;
    const int16_t value = row.value.In(parameters);
    if (value < row.minimum || value > row.maximum) {
      context.tally.outOfRange.push_back({row.address.Text(), value, row.minimum, row.maximum});
    }
  }
  if (!context.tally.outOfRange.empty()) {
    context.messages.ShowMessage(RangeViolationMessage(context.tally.outOfRange, context.language));
    return 0;
  }

  context.tally.walked = true;
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (sends(row)) ++context.tally.planned;
  }
  for (const PreWrite& preWrite : kPreWrites) {
    if (context.StopRequested()) return 0;
    const Reply outcome = context.connection.Write(preWrite.address, preWrite.value);
    // Not counted, but a pre-write the device did not take is named.
    context.tally.Note(preWrite.address, outcome.result, false);
  }

  const auto pause = WriteRowPause(model);
  ProgressPosition bar(context.progress, ProgressStep(model));
  CheckedSequence writes(context.connection);
  int16_t count = 0;
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
      context.tally.notSent.push_back({row.address.Text(), ControlModeName(controlMode)});
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
  return count;
}

}  // namespace klv
