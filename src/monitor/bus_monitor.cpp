#include "monitor/bus_monitor.h"

#include <algorithm>
#include <utility>

#include "monitor/dated_log_name.h"
#include "platform/failure_text.h"
#include "text/texts.h"

namespace klv {

BusMonitor::BusMonitor(Connection& connection, Clock& clock, Language language, std::vector<int32_t> addresses)
    : connection_(connection),
      clock_(clock),
      language_(language),
      addresses_(std::move(addresses)),
      recorder_(clock, language),
      unitChanges_(addresses_.size(), 0) {
  for (std::size_t i = 0; i < addresses_.size(); ++i) {
    units_.push_back(std::make_unique<MonitorSession>(connection_, clock_, language));
    units_.back()->ShareLine();
  }
  recorder_.SetUnitAddresses(addresses_);
}

MonitorSession& BusMonitor::Select(std::size_t unit) {
  connection_.settings.deviceAddress = addresses_[unit];
  return *units_[unit];
}

MonitorSession::StartOutcome BusMonitor::Start(bool recordArmed, const std::filesystem::path& dataLogPath,
                                               const MonitorMessage& showMessage) {
  if (running_ || units_.empty()) return {running_, {}};
  const OpenPortResult open = connection_.Open();
  if (!open.ok) return {false, open.message};
  // As for one unit: the polls stay out of the comm log.
  connection_.StopLog();
  running_ = true;

  dataLogPath_ = dataLogPath;
  recordPath_ = dataLogPath;
  const DataRecorder::PrepareOutcome prepared = recorder_.Prepare(recordArmed, connection_.settings, dataLogPath);
  if (prepared.fileFailed && showMessage) {
    showMessage(WithSystemReason(Text(TextId::LogFileCannotBeCreated, language_), recorder_.SaveError()));
  }
  samplingPeriod_ = std::chrono::seconds(PlanRecording(connection_.settings.samplingInterval,
                                                       connection_.settings.recordDuration)
                                             .samplingPeriod);
  for (std::size_t unit = 0; unit < units_.size(); ++unit) Select(unit).Start(false, {}, {});
  std::fill(unitChanges_.begin(), unitChanges_.end(), 0);

  current_ = 0;
  polledLast_.reset();
  rounds_ = 0;
  lastRoundTime_ = {};
  roundsTooSlow_ = false;
  schedule_.Start(clock_.Now());
  roundStart_ = clock_.Now();
  return {true, {}};
}

std::optional<BusTick> BusMonitor::Tick() {
  const Clock::TimePoint start = clock_.Now();
  if (!running_ || !schedule_.Due(start)) return std::nullopt;
  // A frame that came after the last poll belongs to the unit polled last.
  if (polledLast_) Select(*polledLast_).VoidIfStray();

  std::vector<DataRecorder::UnitReading> readings;
  readings.reserve(units_.size());
  for (const auto& unit : units_) readings.push_back({unit->LastInputText(), unit->LastOutputText()});
  recorder_.Tick(readings);

  std::optional<BusTick> tick;
  // A unit lost and not due for its next attempt costs the tick nothing.
  for (std::size_t tries = 0; tries < units_.size() && !tick; ++tries) {
    MonitorSession& unit = Select(current_);
    if (unit.Waiting()) {
      NextUnit(start);
      continue;
    }
    const bool wasLost = unit.Display().lineLost;
    tick = BusTick{current_, unit.Step()};
    polledLast_ = current_;
    // The unit's turn ends with its cycle, or with an attempt to reach it
    // that found nothing; an identification in place of a poll keeps it.
    const bool cycleDone = tick->poll ? tick->poll->cycleEnd : wasLost;
    if (cycleDone) NextUnit(clock_.Now());
  }

  const bool allLost = std::all_of(units_.begin(), units_.end(),
                                   [](const auto& unit) { return unit->Display().lineLost; });
  // Nothing answers at all: the adapter may have been pulled, and only a new
  // opening finds it again, as for one unit.
  if (allLost && connection_.IsOpen()) connection_.Close();
  FollowUnitChanges();
  schedule_.Advance(clock_.Now());
  return tick;
}

void BusMonitor::NextUnit(Clock::TimePoint now) {
  if (++current_ < units_.size()) return;
  current_ = 0;
  ++rounds_;
  lastRoundTime_ = now - roundStart_;
  roundStart_ = now;
  recorder_.RoundComplete();
  if (recorder_.Recording() && lastRoundTime_ > samplingPeriod_) roundsTooSlow_ = true;
}

void BusMonitor::FollowUnitChanges() {
  for (std::size_t unit = 0; unit < units_.size(); ++unit) {
    if (units_[unit]->UnitChanges() == unitChanges_[unit]) continue;
    unitChanges_[unit] = units_[unit]->UnitChanges();
    // Another regulator answers at this address: the file so far holds the
    // previous one's values in its columns, the new one gets a file of its own.
    if (recorder_.Recording()) {
      recordPath_ = DatedLogPath(dataLogPath_, clock_.LocalNow());
      recorder_.ContinueInNewFile(recordPath_);
    }
  }
}

void BusMonitor::Stop() {
  if (!running_) return;
  for (const auto& unit : units_) unit->Stop();
  connection_.Close();
  running_ = false;
  clock_.SleepFor(kMonitorStopPause);
  recorder_.Stop();
  if (!addresses_.empty()) connection_.settings.deviceAddress = addresses_.front();
}

}  // namespace klv
