#include "transfer/bus_run.h"

#include <algorithm>

#include "platform/file_store.h"

namespace klv {

bool BusRunResult::AllSucceeded() const {
  return std::all_of(units.begin(), units.end(),
                     [](const BusUnitResult& unit) { return unit.status == BusUnitStatus::Succeeded; });
}

std::vector<int32_t> BusRunResult::Unsuccessful() const {
  std::vector<int32_t> addresses;
  for (const BusUnitResult& unit : units) {
    if (unit.status != BusUnitStatus::Succeeded) addresses.push_back(unit.address);
  }
  return addresses;
}

std::vector<int32_t> BusRunResult::NotTried() const {
  std::vector<int32_t> addresses;
  for (const BusUnitResult& unit : units) {
    if (unit.status == BusUnitStatus::NotTried) addresses.push_back(unit.address);
  }
  return addresses;
}

std::string BusLogHeading(int32_t address) {
  return "=== Unit at address " + std::to_string(address) + " ===\r\n";
}

BusRunResult RunOnBus(Connection& connection, std::span<const int32_t> addresses, bool stopOnFailure,
                      const std::function<BusUnitResult(int32_t address)>& runUnit) {
  BusRunResult run;
  const int32_t addressBefore = connection.settings.deviceAddress;
  bool stopped = false;
  for (const int32_t address : addresses) {
    if (stopped) {
      BusUnitResult notTried;
      notTried.address = address;
      run.units.push_back(notTried);
      continue;
    }
    connection.settings.deviceAddress = address;
    // A unit that fails before it reaches the line leaves no frames of another unit behind.
    connection.log.Clear();
    BusUnitResult unit = runUnit(address);
    unit.address = address;
    run.logged = run.logged || !connection.log.Empty();
    run.log += BusLogHeading(address);
    run.log.append(connection.log.Text());
    run.log += DroppedLinesNote(connection.log);
    stopped = unit.stopsBus || (stopOnFailure && unit.status != BusUnitStatus::Succeeded);
    run.units.push_back(std::move(unit));
  }
  connection.Close();
  connection.settings.deviceAddress = addressBefore;
  return run;
}

CommLogSave SaveBusCommLog(const BusRunResult& run, const std::filesystem::path& path, std::string_view title,
                           const Connection& connection, const Clock& clock) {
  CommLogSave result;
  if (!run.logged) return result;  // no unit reached the line; any old file stays
  result.status = CommLogSave::Status::Failed;
  if (path.empty()) {
    result.error = "no log path";
    return result;
  }
  const SaveOutcome saved =
      SaveFileAtomically(path, CommLogHeader(title, connection.settings, clock, connection.portLabel) + run.log);
  if (!saved.ok) {
    result.error = saved.error;
    return result;
  }
  result.status = CommLogSave::Status::Saved;
  return result;
}

}  // namespace klv
