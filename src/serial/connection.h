#pragma once
// The program's connection to a regulator: the serial line, the settings it
// is opened and addressed with, the log of a transfer's frames and the
// protocol state that lives between a request and its reply (the last RTU
// request, which checks an RTU reply and renders an RTU write's echo in the
// log). Transfers, the procedures that identify or probe a regulator, the
// monitor and the command-line tool all work on one Connection, handed down
// by reference; its owner (the program state, a tool, a test) keeps it.
//
// Not thread-safe: one activity at a time uses it (a transfer worker, the
// monitor's thread or a scan), and the window thread touches it only while
// none of them runs.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "serial/comm_log.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/port.h"
#include "serial/response.h"

namespace klv {

// One request's checked reply (see Connection::Exchange).
struct CheckedReply {
  ExchangeResult result = ExchangeResult::NoResponse;
  std::size_t received = 0;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;
  // Bytes found on the line before the request went out: a frame nobody
  // asked for, which makes the reply taken before this one doubtful.
  std::vector<uint8_t> strayBefore;
  // More than one frame came in the receive: at least one was not asked for.
  bool strayWithin = false;
  // A Modbus reply that failed its check, as it came off the wire (the
  // buffer then holds a made-up TORVALEK rendering of it).
  std::vector<uint8_t> rejectedWire;
};

class Connection {
 public:
  // Ports of the platform the program is built for.
  Connection();
  // Ports made by factory (a simulator's for a demonstration or a test, one
  // device path for the command-line tool).
  explicit Connection(SerialPortFactory ports);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  SerialLine line;
  // The port, line and time-outs used at the next opening; the protocol and
  // device address are read at each exchange.
  CommSettings settings;
  // A transfer's frames, written to comlog.txt when it ends.
  CommLog log;
  // Where ports/COM<n> links are looked up; empty: the system's own names.
  std::filesystem::path dataFolder;
  // The port as the log's header names it: empty for " COM<n>" from the
  // settings, else this text (a device path the command-line tool was given).
  std::string portLabel;

  // Opens COM<n> of the settings as resolved in dataFolder (a stored port
  // number above 12 is corrected to 1 in the settings). On failure the port
  // is closed and the result carries the message to show.
  OpenPortResult Open();
  void Close();
  bool IsOpen() const { return line.IsOpen(); }

  // One request and its checked reply, not logged. Whatever waits in the
  // input (a late or doubled reply to an earlier request, noise) is taken
  // first, into strayBefore; then the TORVALEK request in frame[0..requestLength) is sent in the
  // settings' protocol and up to `wanted` bytes are received, the receive
  // ending as soon as a whole frame of the protocol is in. The reply counts
  // only when it is a good frame for this request (serial/reply_check.h):
  // anything else is NoResponse. Afterwards the buffer holds what arrived, in
  // TORVALEK form, followed by a NUL, and `received` its length (what the
  // log shows, good or not).
  CheckedReply Exchange(FrameBuffer& frame, std::size_t requestLength, std::size_t wanted);

  // Appends frame[0..length) (its TORVALEK form) to the log as entry
  // `sequence`, shown as it goes on the wire in the settings' protocol.
  void LogFrame(const uint8_t* frame, std::size_t length, int sequence, FrameDirection direction);
  // Appends bytes as they came off the wire, unconverted, as entry `sequence`.
  void LogWireFrame(std::span<const uint8_t> wire, int sequence, FrameDirection direction);

  // Bytes on the line where no reply is due. Take reads what is waiting
  // without waiting when nothing is; once something is there (a frame may
  // still be arriving) it reads on until the line has been quiet for a read
  // time-out. Await first waits up to a read time-out for a byte: the check
  // after the last reply of a run. Empty when the line was quiet.
  std::vector<uint8_t> TakeStrayInput();
  std::vector<uint8_t> AwaitStrayInput();
  // Appends stray bytes to the log as a line of their own with the note.
  void LogStray(std::span<const uint8_t> bytes, std::string_view note);

 private:
  RtuRequestCopy lastRtuRequest_{};
};

}  // namespace klv
