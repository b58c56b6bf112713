#pragma once
// Several regulators on one RS-485 line, one after another over the one open
// port: the connection is addressed to each unit in turn, the unit's own
// transfer runs (the same code as for a lone regulator), and what each came
// to is kept for a summary. A unit that fails does not stop the others unless
// asked to; the units not tried after a stop are listed as such. The comm
// log keeps one section per unit, under a heading naming its address.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "platform/clock.h"
#include "serial/comm_log.h"
#include "serial/connection.h"

namespace klv {

enum class BusUnitStatus { Succeeded, Failed, NotTried };

// What one unit came to.
struct BusUnitResult {
  int32_t address = 0;
  BusUnitStatus status = BusUnitStatus::NotTried;
  // The model the unit answered as (or its file's), when known.
  std::optional<ModelKind> model;
  // A stable English key: "ok", "no-reply", "incomplete", "differs", ... and
  // "not-tried" for a unit after a stop.
  std::string result = "not-tried";
  std::string file;     // the file the unit was read into or written from; may be empty
  std::string message;  // the report of its transfer, or why it failed
  // Nothing more can be done on the line (cancelled, the port could not be
  // opened): the units after it are not tried.
  bool stopsBus = false;
};

struct BusRunResult {
  std::vector<BusUnitResult> units;  // in the order of the addresses
  std::string log;                   // the comm log's sections, one per unit tried
  bool logged = false;               // some unit's frames are in log

  bool AllSucceeded() const;
  // The units that failed or were not tried, in order.
  std::vector<int32_t> Unsuccessful() const;
  std::vector<int32_t> NotTried() const;
};

// The heading line (CR LF included) of a unit's section in the comm log.
std::string BusLogHeading(int32_t address);

// Runs runUnit for each address in turn with the connection's device address
// set to it; the connection's log is emptied before each unit and its frames
// go into the unit's section afterwards. Stops after the first unit that
// fails when stopOnFailure, or after one that stops the bus. Afterwards the
// port is closed and the device address is as it was.
BusRunResult RunOnBus(Connection& connection, std::span<const int32_t> addresses, bool stopOnFailure,
                      const std::function<BusUnitResult(int32_t address)>& runUnit);

// Writes the sections of every unit to path under the log's header line,
// as a whole; nothing is written when no unit logged a frame.
CommLogSave SaveBusCommLog(const BusRunResult& run, const std::filesystem::path& path, std::string_view title,
                           const Connection& connection, const Clock& clock);

}  // namespace klv
