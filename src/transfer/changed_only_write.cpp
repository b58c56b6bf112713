#include "transfer/changed_only_write.h"

#include <algorithm>

#include "device/identification.h"
#include "model/device_identity.h"
#include "model/register_catalogue.h"
#include "serial/checked_sequence.h"
#include "transfer/changed_register_selection.h"
#include "transfer/read_transfer.h"
#include "transfer/write_transfer.h"

namespace klv {
namespace {

// What the regulator holds, read as "Read from KLV" reads it but into a set
// and model of its own; the program's set and model stay as they are.
struct RegulatorReading {
  ParameterSet parameters;
  ModelKind model = ModelKind::Klv40;
  TransferTally tally;
  TransferResult result;

  bool Complete() const { return result.count > 0 && tally.Complete(); }
};

RegulatorReading ReadRegulator(const TransferContext& context) {
  RegulatorReading reading;
  reading.model = context.currentModel;
  LoadDefaults(reading.parameters, reading.model);
  const TransferContext readContext{context.connection, reading.parameters, reading.model,
                                    context.clock,      context.language,   context.progress,
                                    reading.tally,      context.cancel};
  reading.result = RunReadTransfer(readContext);
  return reading;
}

const CatalogueEntry* RowOf(ModelKind model, Register address) {
  for (const CatalogueEntry& row : CatalogueRows(CatalogueFor(model))) {
    if (row.address == address) return &row;
  }
  return nullptr;
}

}  // namespace

TransferResult RunChangedOnlyWriteTransfer(const TransferContext& context) {
  TransferResult result;
  result.mode = TransferMode::Write;
  result.model = context.currentModel;
  result.changedOnly.ran = true;
  if (!context.connection.IsOpen()) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::PortNotOpen);
    result.count = -1;
    return result;
  }

  const RegulatorReading reading = ReadRegulator(context);
  result.identificationAsked = reading.result.identificationAsked;
  result.deviceAnswered = reading.result.deviceAnswered;
  if (!reading.Complete()) {
    // Nothing is written on the strength of a read that missed a register.
    result.model = reading.model;
    result.changedOnly.readFailed = true;
    result.changedOnly.readCount = reading.result.count;
    context.tally = reading.tally;
    return result;
  }

  const ModelKind model = context.currentModel;
  const bool klv40 = model == ModelKind::Klv40;
  if (reading.model != model) {
    result.refusal = TransferRefusal::Because(TransferRefusal::Reason::ModelDiffers);
    return result;
  }
  const std::string_view writing = Text(TextId::WritingParameter, context.language);
  context.progress.SetStatusText(ModelStatusText(model, writing));
  const ParameterSet& parameters = context.parameters;
  const uint16_t deviceOptions = klv40 ? reading.parameters.optionFlags : reading.parameters.optionDetect;
  const std::optional<WriteGoAhead> goAhead = CheckDeviceBeforeWrite(context, model, deviceOptions, result);
  if (!goAhead) return result;
  const bool keepsCurrentLimiter = goAhead->keepsCurrentLimiter;
  const int16_t controlMode = goAhead->controlMode;
  const ChangedRegisterSelection selection =
      SelectChangedRegisters(model, deviceOptions, parameters, reading.parameters, keepsCurrentLimiter);
  if (selection.currentLimiterNotSent) {
    context.tally.notSent.push_back({Register{0x012E}, ControlModeName(controlMode)});
  }
  if (selection.Empty()) {
    result.changedOnly.nothingToWrite = true;
    return result;
  }

  context.tally.walked = true;
  context.tally.planned = static_cast<int>(selection.rows.size());
  for (const PreWrite& preWrite : selection.preWrites) {
    if (context.StopRequested()) return result;
    const Reply outcome = context.connection.Write(preWrite.address, preWrite.value);
    context.tally.Note(preWrite.address, outcome.result, false);
    result.changedOnly.preWritten.push_back(preWrite.address);
  }

  // One bar from empty to full over the rows written.
  const int rows = std::max(1, static_cast<int>(selection.rows.size()));
  ProgressPosition bar(context.progress, (kProgressMaximum + rows - 1) / rows);
  CheckedSequence writes(context.connection);
  int16_t& count = result.count;
  for (const Register address : selection.rows) {
    if (context.StopRequested()) break;
    const CatalogueEntry* row = RowOf(model, address);
    if (row == nullptr) continue;
    // The pause the full write makes before this row.
    context.clock.SleepFor(WriteRowPause(model));
    const int16_t value = row->value.In(parameters);
    Connection& connection = context.connection;
    result.changedOnly.rows.push_back(address);
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
