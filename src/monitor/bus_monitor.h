#pragma once
// The monitor over several units on one RS-485 bus, for the command-line
// tool: one port opened once, one MonitorSession per address, polled in
// turn. Each tick of the 200 ms schedule goes to one unit: it reads one
// register of that unit (or identifies it, or tries to reach it again), and
// when the unit's polling cycle is complete the next unit follows; a round
// is one cycle of every unit, in the order of the addresses.
//
// A unit that stops answering is lost on its own, as a lone unit's line is
// (three whole cycles without a good reply), shows no reading in its
// columns and is asked again every 2 s, while the others are polled as
// before; it costs the others no ticks meanwhile. Only when every unit is
// lost is the port closed, and then opened again every 2 s, as a pulled
// adapter is for one unit.
//
// The data record holds a pair of columns per unit (DataLogHeader). A row
// is written at the end of each sampling period once a new round has ended,
// so when the units cannot all be polled within the sampling period the rows
// come at the pace of the rounds, and RoundsTooSlow() says so from the
// first such round on.
//
// Everything runs on one thread, as MonitorSession does.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "monitor/data_recorder.h"
#include "monitor/monitor_session.h"
#include "monitor/poll_schedule.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "text/language.h"

namespace klv {

// What one tick of the bus did: the unit it went to, and that unit's poll
// (none when the tick identified the unit or tried to reach it again).
struct BusTick {
  std::size_t unit = 0;
  std::optional<MonitorPoll> poll;
};

class BusMonitor {
 public:
  // addresses: the units in the order they are polled (1..99 each).
  BusMonitor(Connection& connection, Clock& clock, Language language, std::vector<int32_t> addresses);
  BusMonitor(const BusMonitor&) = delete;
  BusMonitor& operator=(const BusMonitor&) = delete;

  // Opens the port (on failure nothing else happens), prepares the record
  // when armed (a file that cannot be created is reported through
  // showMessage, as the single monitor does), identifies every unit in turn
  // and schedules the first tick one period later.
  MonitorSession::StartOutcome Start(bool recordArmed, const std::filesystem::path& dataLogPath,
                                     const MonitorMessage& showMessage);
  // When a tick is due: the stray check for the unit polled last, the
  // record's step, and one step of the unit whose turn it is; nothing
  // otherwise.
  std::optional<BusTick> Tick();
  Clock::Duration UntilNextTick() const { return schedule_.UntilNext(clock_.Now()); }
  // Closes the port, pauses 200 ms, ends the record.
  void Stop();

  bool Running() const { return running_; }
  std::size_t UnitCount() const { return units_.size(); }
  int32_t Address(std::size_t unit) const { return addresses_[unit]; }
  const MonitorSession& Unit(std::size_t unit) const { return *units_[unit]; }
  const DataRecorder& Recorder() const { return recorder_; }
  // The file the record goes to now: after another unit answered at one of
  // the addresses, a new file named with the time (DatedLogPath).
  const std::filesystem::path& RecordPath() const { return recordPath_; }
  // Whole rounds since the start, and the time the last one took.
  int Rounds() const { return rounds_; }
  Clock::Duration LastRoundTime() const { return lastRoundTime_; }
  // The record's sampling period (PlanRecording), and whether a round took
  // longer than it while recording.
  Clock::Duration SamplingPeriod() const { return samplingPeriod_; }
  bool RoundsTooSlow() const { return roundsTooSlow_; }

 private:
  // The connection's address is the unit's for its exchanges.
  MonitorSession& Select(std::size_t unit);
  void NextUnit(Clock::TimePoint now);
  void FollowUnitChanges();

  Connection& connection_;
  Clock& clock_;
  Language language_;
  std::vector<int32_t> addresses_;
  std::vector<std::unique_ptr<MonitorSession>> units_;
  DataRecorder recorder_;
  PollSchedule schedule_{kMonitorPollPeriod};
  bool running_ = false;
  std::size_t current_ = 0;
  std::optional<std::size_t> polledLast_;
  std::filesystem::path dataLogPath_;
  std::filesystem::path recordPath_;
  std::vector<int> unitChanges_;
  Clock::Duration samplingPeriod_{};
  Clock::TimePoint roundStart_{};
  Clock::Duration lastRoundTime_{};
  int rounds_ = 0;
  bool roundsTooSlow_ = false;
};

}  // namespace klv
