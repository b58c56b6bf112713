#include "transfer/read_transfer.h"

#include <optional>
#include <string>

#include "device/identification.h"
#include "model/device_identity.h"
#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"

namespace klv {

TransferResult RunReadTransfer(const TransferContext& context) {
  TransferResult result;
  result.mode = TransferMode::Read;
  result.model = context.currentModel;
  if (!context.connection.IsOpen()) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::PortNotOpen);
    result.count = -1;
    return result;
  }
  const std::string_view reading = Text(TextId::ReadingParameter, context.language);
  context.progress.SetStatusText(reading);

  context.connection.StartLog();
  const DeviceIdentification identification = IdentifyDevice(context.connection);
  result.identificationAsked = true;
  const std::optional<ModelKind> identified = identification.Model();
  result.deviceAnswered = identification.answered;
  // Another code in 0110 and no answer at all end the read alike, without a
  // refusal of its own: the caller reports the failure.
  if (!identified) return result;
  const ModelKind model = *identified;
  context.currentModel = model;
  result.model = model;
  context.progress.SetStatusText(ModelStatusText(model, reading));

  const OptionReading options = DeviceOptionWord(context.connection, model);
  if (!options.Complete()) {
    // Without its options the device's catalogue is not known; reading on
    // as a device without them would pass defaults off as its values.
    context.tally.optionsUnanswered = options.unanswered;
    return result;
  }
  context.tally.detectionUnanswered = options.probeSilent;
  if (model == ModelKind::Klv40) {
    context.parameters.optionFlags = options.word;
  } else {
    context.parameters.optionDetect = options.word;
  }

  ProgressPosition bar(context.progress, ProgressStep(model));
  CheckedSequence reads(context.connection);
  int16_t& count = result.count;
  context.tally.walked = true;
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (IsEntryPresent(row, options.word) && row.address != kEndAddress) ++context.tally.planned;
  }
  // The whole table, so the blank row that ends the walk also gets its pause.
  for (const CatalogueEntry& row : CatalogueFor(model)) {
    if (context.StopRequested()) break;
    context.clock.SleepFor(kReadRowPause);
    if (!IsEntryPresent(row, options.word)) {
      bar.Advance();
      continue;
    }
    if (row.address == kEndAddress) break;
    const auto read = [&connection = context.connection, address = row.address] { return connection.Read(address); };
    // Taken once the line has shown the reply was this register's own.
    reads.Run(read, read, [&context, &count, &row](const Reply& outcome) {
      context.tally.Note(row.address, outcome.result, true);
      if (outcome.Ok()) {
        ++count;
        // As received, so the file shows what the device holds; a value
        // outside the limits is named in the report instead.
        row.value.In(context.parameters) = outcome.value;
        if (outcome.value < row.minimum || outcome.value > row.maximum) {
          context.tally.receivedOutOfLimits.push_back(
              {row.address, outcome.value, row.minimum, row.maximum});
        }
      }
    });
    bar.Advance();
  }
  reads.Finish();
  bar.Reset();
  return result;
}

}  // namespace klv
