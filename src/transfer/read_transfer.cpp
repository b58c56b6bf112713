#include "transfer/read_transfer.h"

#include <optional>

#include "model/device_identity.h"
#include "model/register_catalogue.h"

namespace klv {

int16_t RunReadTransfer(const TransferContext& context) {
  if (!context.exchange.line.IsOpen()) {
    context.messages.ShowMessage(kPortYetToOpen);
    return -1;
  }
  const std::string_view reading = Text(kTextReadingParameter, context.language);
  context.progress.SetStatusText(reading);

  const DeviceIdentification identification = IdentifyDevice(context.exchange, true, 1);
  const std::optional<ModelKind> identified = identification.Model();
  // Another code in 0110 and no answer at all end the read alike, without a
  // message of its own: the command reports the failure.
  if (!identified) return 0;
  const ModelKind model = *identified;
  context.currentModel = model;
  context.progress.SetStatusText(ModelStatusText(model, reading));

  const uint16_t options = DeviceOptionWord(context.exchange, model);
  if (model == ModelKind::Klv40) {
    context.parameters.OptionFlags = options;
  } else {
    context.parameters.OptionDetect = options;
  }

  ProgressPosition bar(context.progress, ProgressStep(model));
  int sequence = identification.nextSequence;
  int16_t count = 0;
  // The whole table, so the blank row that ends the walk also gets its pause.
  for (const CatalogueEntry& row : CatalogueFor(model)) {
    context.clock.SleepFor(kReadRowPause);
    if (!IsEntryPresent(row, options)) {
      bar.Advance();
      continue;
    }
    if (row.address == kEndAddress) break;
    const TransactOutcome outcome = ReadRegister(context.exchange, row.address, true, sequence);
    sequence += 2;
    if (outcome.Ok()) {
      ++count;
      // As received: the limits are the screen's business, not the read's.
      row.value.In(context.parameters) = outcome.value;
    }
    bar.Advance();
  }
  bar.Reset();
  return count;
}

}  // namespace klv
