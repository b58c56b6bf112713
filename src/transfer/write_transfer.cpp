#include "transfer/write_transfer.h"

#include <optional>

#include "model/device_identity.h"
#include "model/register_catalogue.h"
#include "transfer/comparison_messages.h"

namespace klv {
namespace {

// The register written last with the current limiter; skipped in the high
// control modes of a KLV40.
constexpr std::string_view kCurrentLimiterAddress = "012E";

// The model to write to, or nothing when the identification refuses the
// write (after showing "Model differs" where the device answered).
std::optional<ModelKind> CheckModel(const TransferContext& context, const DeviceIdentification& identification) {
  const std::optional<ModelKind> model = identification.Model();
  if (model && *model == context.currentModel) return model;
  // A device that answered neither 0110 nor 0119 is simply not there.
  if (model || identification.answered) {
    context.messages.ShowMessage(Text(kTextModelDiffers, context.language));
  }
  return std::nullopt;
}

}  // namespace

int16_t RunWriteTransfer(const TransferContext& context) {
  if (!context.exchange.line.IsOpen()) {
    context.messages.ShowMessage(kPortYetToOpen);
    return -1;
  }
  const std::string_view writing = Text(kTextWritingParameter, context.language);
  context.progress.SetStatusText(writing);

  const DeviceIdentification identification = IdentifyDevice(context.exchange, true, 1);
  const std::optional<ModelKind> checked = CheckModel(context, identification);
  if (!checked) return 0;
  const ModelKind model = *checked;
  const bool klv40 = model == ModelKind::Klv40;
  context.progress.SetStatusText(ModelStatusText(model, writing));

  const uint16_t deviceOptions = DeviceOptionWord(context.exchange, model);
  const ParameterSet& parameters = context.parameters;
  if (deviceOptions != (klv40 ? parameters.OptionFlags : parameters.OptionDetect)) {
    context.messages.ShowMessage(klv40 ? Klv40OptionsMessage(deviceOptions, context.language)
                                       : SeriesOneOptionsMessage(deviceOptions, context.language));
    return 0;
  }

  int sequence = identification.nextSequence;
  int16_t controlMode = 0;
  if (klv40) {
    const TransactOutcome mode = ReadRegister(context.exchange, kControlModeRegister, true, sequence);
    sequence += 2;
    if (!mode.Ok()) return 0;
    controlMode = mode.value;
    const TransactOutcome inputType = ReadRegister(context.exchange, kControlInputTypeRegister, true, sequence);
    sequence += 2;
    if (!inputType.Ok()) return 0;
    if (!ControlInputMatches(inputType.value, parameters.controlInputRange)) {
      context.messages.ShowMessage(ControlInputMessage(inputType.value, context.language));
      return 0;
    }
  }

  for (const PreWrite& preWrite : kPreWrites) {
    WriteRegister(context.exchange, preWrite.address, preWrite.value, true, sequence);
    sequence += 2;
  }

  const auto pause = WriteRowPause(model);
  const bool keepsCurrentLimiter = klv40 && SkipsCurrentLimiterWrite(controlMode);
  ProgressPosition bar(context.progress, ProgressStep(model));
  int16_t count = 0;
  // The whole table, so the blank row that ends the walk also gets its pause.
  for (const CatalogueEntry& row : CatalogueFor(model)) {
    context.clock.SleepFor(pause);
    if (!IsEntryPresent(row, deviceOptions)) {
      bar.Advance();
      continue;
    }
    if (row.address == kEndAddress) break;
    if (keepsCurrentLimiter && row.address == kCurrentLimiterAddress) {
      bar.Advance();
      continue;
    }
    const TransactOutcome outcome =
        WriteRegister(context.exchange, row.address, row.value.In(parameters), true, sequence);
    sequence += 2;
    if (outcome.Ok()) ++count;
    bar.Advance();
  }
  bar.Reset();
  return count;
}

}  // namespace klv
