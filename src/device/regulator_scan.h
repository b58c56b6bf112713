#pragma once
// Finding a regulator whose port, line settings or address nobody remembers:
// for each port, each line setting the program can use and each address
// 1..99, the identification registers are asked with a short time-out and
// every regulator that answers is listed. The settings already chosen come
// first (their address first of all), then the other line settings, the
// most likely first. Every reply goes through the checked exchange, so a
// stray byte or a frame garbled by a wrong speed never counts as a find.
//
// Only the protocols the caller names are tried; the windows connect in
// TORVALEK only, so that is the default.
//
// Every port is its own line, so the ports are scanned side by side: one
// thread each, with its own connection. N silent ports take about the time
// of one. The results are listed in the order the ports were given.
#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/model_kind.h"
#include "model/register.h"
#include "platform/clock.h"
#include "serial/comm_settings.h"
#include "serial/port.h"
#include "text/language.h"

namespace klv {

// The parts of the communication settings a scan varies besides the address.
struct ScanLine {
  int32_t speed = 9600;
  int32_t parity = 1;    // 1 even, 2 none, 3 odd, as the settings hold it
  int32_t stopBits = 1;  // 1 or 2
  Protocol protocol = Protocol::Torvalek;

  friend bool operator==(const ScanLine&, const ScanLine&) = default;
};

// The line settings of current, normalised as the settings screen shows them
// (a stored 4800 is tried as 9600, a parity of 0 as odd, ...).
ScanLine ScanLineOf(const CommSettings& current);

// Every combination of speed (9600, 19200), parity (even, none, odd) and
// stop bits (1, 2) for each protocol, in the order tried: the current line
// first, then the new-settings default (9600, even, 1), then the others by
// how little they differ from the current line. A different stop-bit count
// is tried last, since most receivers take a frame with either; protocols
// other than the first come after all lines of the first.
std::vector<ScanLine> ScanLineOrder(const CommSettings& current, std::span<const Protocol> protocols);

// "9600 EVEN 1 TORVALEK": the line as the settings screen names its parts.
std::string ScanLineText(const ScanLine& line);

struct ScanPort {
  std::filesystem::path device;  // what is opened
  std::string name;              // what the operator is shown ("COM3 (/dev/ttyUSB0)")
};

struct ScanPlan {
  std::vector<ScanPort> ports;  // in the order tried
  // Tried first: its line settings, and its address before the others.
  CommSettings current;
  std::vector<Protocol> protocols = {Protocol::Torvalek};
  // The read time-out of each request: 50, 100 or 200 ms.
  std::chrono::milliseconds replyTimeout{50};
  // A one-series regulator need not answer 0110 at all, so an address that
  // stays silent there is asked 0119 as well. Off: one request per silent
  // address, which finds a KLV40 and any regulator that refuses 0110 in half
  // the time.
  bool askSeriesOneCodeWhenSilent = true;
  // End at the first regulator found.
  bool stopAtFirst = false;
};

struct FoundRegulator {
  ScanPort port;
  ScanLine line;
  int32_t address = 0;
  // The identified model; none when the regulator answered but gave no code
  // the program knows (codeRegister and code say what it gave, when anything).
  std::optional<ModelKind> model;
  std::optional<Register> codeRegister;  // 0110 or 0119; none when only refusals came back
  int16_t code = 0;
  // The option word of the model family (optionFlags bits for a KLV40,
  // optionDetect for a one-series model); incomplete when a KLV40's option
  // registers did not all answer.
  uint16_t options = 0;
  bool optionsComplete = true;
  // It answered only with local echo on: the port's adapter echoes every
  // byte sent, and the connection must read that echo back first.
  bool localEcho = false;

  // base with this regulator's port-independent settings: speed, parity,
  // stop bits, address and protocol.
  CommSettings ApplyTo(CommSettings base) const;
};

// One option of a found regulator: a key that stays the same in every
// language and version ("analogInput", "alarmOutput2", "digitalOutput",
// "analogOutput", "currentDetection"), and the caption of its option box.
struct FoundOption {
  std::string_view key;
  std::string name;
};

// The options the found regulator's option word checks, in the main window's
// order, named in the language.
std::vector<FoundOption> FoundOptions(const FoundRegulator& found, Language language);

// Their captions only.
std::vector<std::string> FoundOptionNames(const FoundRegulator& found, Language language);

struct ScanProgress {
  double fraction = 0;      // 0..1 of the whole scan
  std::size_t portIndex = 0;  // in the plan's ports
  double portFraction = 0;  // 0..1 of this port's scan
  ScanPort port;  // a copy: a progress report may outlive the scan
  ScanLine line;
  int32_t address = 0;
  Clock::Duration elapsed{};
};

// A port that could not be used, or a line setting it refused.
struct ScanTrouble {
  ScanPort port;
  std::optional<ScanLine> line;  // none: the port could not be opened at all
  std::string message;           // the port's own failure text
};

struct ScanReport {
  std::vector<FoundRegulator> found;
  std::vector<ScanTrouble> troubles;
  bool cancelled = false;
  int requests = 0;
  Clock::Duration elapsed{};
};

// Called on the ports' scanning threads, one call at a time (the scan holds a
// lock around each). cancelRequested and stop are looked at before every
// request; progress comes before every address.
struct ScanCallbacks {
  std::function<bool()> cancelRequested;
  // Set from anywhere (another thread, a signal handler) to end the scan of
  // every port before its next request, as a cancel does.
  const std::atomic<bool>* stop = nullptr;
  std::function<void(const ScanProgress&)> progress;
  std::function<void(const FoundRegulator&)> found;
  std::function<void(const ScanTrouble&)> trouble;
};

// Runs the plan, every port on a thread of its own, and returns when all have
// ended. ports makes the unopened ports (each is pointed at the plan's
// device) and is called from those threads; the clock measures the time
// taken. Found regulators and troubles are listed port by port in the plan's
// order. With stopAtFirst the first find ends every port's scan and is the
// only one listed. Failure texts in language.
ScanReport ScanForRegulators(const ScanPlan& plan, const SerialPortFactory& ports, Clock& clock, Language language,
                             const ScanCallbacks& callbacks = {});

}  // namespace klv
