#include "transfer/device_reading.h"

namespace klv {

TransferSession DeviceReadingSession(const TransferSession& program, DeviceReading& reading) {
  return TransferSession{program.connection, reading.parameters, reading.model,      reading.state,
                         program.clock,      program.commLogPath, program.portStaysOpen};
}

TransferCommandOutcome RunDeviceReading(const TransferSession& program, ModelKind screenModel, DeviceReading& reading,
                                        Language language, ProgressSink& progress, MessageSink& messages) {
  reading.model = screenModel;
  TransferSession session = DeviceReadingSession(program, reading);
  return RunReadCommand(session, language, progress, messages);
}

}  // namespace klv
