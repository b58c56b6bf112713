#pragma once
// Reading the connected regulator for a comparison: the same walk, checks
// and tally as "Read from KLV", but into a parameter set and model of its
// own, so the screen's set, the current model and the program's transfer
// results stay as they are. The port, settings and log are the program's:
// comlog.txt holds this read afterwards.
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "transfer/transfer_commands.h"
#include "transfer/transfer_worker.h"

namespace klv {

struct DeviceReading {
  ParameterSet parameters;
  // Starts as the screen's model (whose defaults the read begins from) and
  // becomes the identified one.
  ModelKind model = ModelKind::Klv40;
  TransferState state;

  // Every register asked for came in: parameters and model are the device's.
  bool Complete() const { return state.readResult > 0 && state.tally.Complete(); }
};

// A session over the program's connection and paths whose read
// goes into reading. reading must outlive it.
TransferSession DeviceReadingSession(const TransferSession& program, DeviceReading& reading);

// The whole read without windows (begin, worker, end, report): reading.model
// is set to screenModel first. The outcome is that of a read command.
TransferCommandOutcome RunDeviceReading(const TransferSession& program, ModelKind screenModel, DeviceReading& reading,
                                        Language language, ProgressSink& progress, MessageSink& messages);

}  // namespace klv
