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

#include "model/register.h"
#include "serial/comm_log.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/port.h"
#include "serial/response.h"

namespace klv {

// Bytes asked for by every receive of an exchange.
inline constexpr std::size_t kExchangeReceiveLength = 90;

// The log's note on bytes found on the line before a request went out.
inline constexpr std::string_view kStrayNote = "stray frame: no request was waiting for it";
// The log's notes on the echo of a request.
inline constexpr std::string_view kEchoDiffersNote = "echo differs from the request sent: line fault";
inline constexpr std::string_view kEchoUnexpectedNote = "echo of the request: the adapter echoes, turn on Local echo";

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
  // The adapter sends every byte written back into the receive line (many
  // two-wire RS-485 adapters do): each exchange then reads back exactly the
  // request bytes within the read time-out, and only then the reply.
  bool localEcho = false;
  // The worst the echo showed since the port was opened.
  EchoFinding echoFinding = EchoFinding::None;

  // Opens COM<n> of the settings as resolved in dataFolder (a stored port
  // number above 12 is corrected to 1 in the settings). On failure the port
  // is closed and the result carries the message to show.
  OpenPortResult Open();
  void Close();
  bool IsOpen() const { return line.IsOpen(); }

  // One register read or write to the settings' device address, the read
  // asking for up to `wanted` bytes, the write sending the value as the four
  // hex digits of its 16-bit pattern. Whatever waits in the input (a late or
  // doubled reply to an earlier request, noise) is taken first (strayBefore)
  // and logged as a stray line; then the request is sent once in the
  // settings' protocol and the receive ends as soon as a whole frame of the
  // protocol is in. The reply counts only when it is a good frame for this
  // request (serial/reply_check.h); anything else is NoResponse with its
  // fault. While the log is on, the request and the reply become its next
  // two entries (a Modbus reply that failed its check as the bytes that
  // came). A request that cannot be built (a device address outside the
  // frame's range) is not sent and not logged, yet uses its two numbers.
  // A closed port gives NoResponse at once.
  Reply Read(Register reg, std::size_t wanted = kExchangeReceiveLength);
  Reply Write(Register reg, int16_t value);

  // Whether exchanges go into the log, and the number of the next entry.
  // A new connection does not log. StartLog numbers from firstEntry on.
  void StartLog(int firstEntry = 1);
  void StopLog() { logging_ = false; }
  bool Logging() const { return logging_; }
  int NextLogEntry() const { return nextEntry_; }

  // The exchanges made while one lives are logged, numbered from 1; after it,
  // the log is on or off and numbered as before (the option reading and the
  // probe always log their exchanges, as entries 1 onwards).
  class FixedLogGroup {
   public:
    explicit FixedLogGroup(Connection& connection);
    ~FixedLogGroup();
    FixedLogGroup(const FixedLogGroup&) = delete;
    FixedLogGroup& operator=(const FixedLogGroup&) = delete;

   private:
    Connection& connection_;
    bool logging_;
    int nextEntry_;
  };

  // Bytes on the line where no reply is due. Take reads what is waiting
  // without waiting when nothing is; once something is there (a frame may
  // still be arriving) it reads on until the line has been quiet for a read
  // time-out. Await first waits up to a read time-out for a byte: the check
  // after the last reply of a run. Empty when the line was quiet.
  std::vector<uint8_t> TakeStrayInput();
  std::vector<uint8_t> AwaitStrayInput();
  // Appends stray bytes to the log (when it is on) as a line of their own
  // with the note.
  void LogStray(std::span<const uint8_t> bytes, std::string_view note);

 private:
  Reply Exchange(const FrameBuffer& request, std::size_t requestLength, std::size_t wanted);
  // Appends a frame (its TORVALEK form) as entry `entry`, shown as it goes on
  // the wire in the settings' protocol.
  void LogFrame(const uint8_t* frame, std::size_t length, int entry, FrameDirection direction);

  RtuRequestCopy lastRtuRequest_{};
  bool logging_ = false;
  int nextEntry_ = 1;
};

}  // namespace klv
