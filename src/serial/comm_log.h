#pragma once
// The communication log: one readable line per frame of a parameter transfer,
// kept in memory while the transfer runs and written to comlog.txt when it
// has ended. Only the last transfer is kept in the file.
//
// Not locked: during a transfer only the worker appends; the user-interface
// thread saves after the worker has finished, and appends (option reads of
// the monitor) only while no transfer runs.
#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"

namespace klv {

// The log's fixed room: 8191 characters of text and the terminating NUL.
inline constexpr std::size_t kCommLogSize = 8192;
// The longest line, its CR LF included. Longer renderings are cut.
inline constexpr std::size_t kLogLineLimit = 255;
// Ends a line that was cut to kLogLineLimit; made like the other marks.
inline constexpr std::string_view kLogCutMark = "(...)";

inline constexpr std::string_view kParameterReadTitle = " < Parameter Read >";
inline constexpr std::string_view kParameterWriteTitle = " < Parameter Write >";

class CommLog {
 public:
  bool Empty() const { return length_ == 0; }
  // Empties the log at the start of a transfer, dropped lines included.
  void Clear();
  // The text so far; Text().data() is NUL-terminated.
  std::string_view Text() const { return {buffer_.data(), length_}; }
  // Log entries refused since the last Clear because the log was full.
  std::size_t DroppedLines() const { return dropped_; }

 private:
  friend void AppendLogLine(CommLog&, std::string_view);
  // Appends the entry whole, or drops it (and every later one) when it does
  // not fit: the log stays an unbroken record of the transfer's beginning.
  void AppendEntry(std::string_view entry);

  std::array<char, kCommLogSize> buffer_{};
  std::size_t length_ = 0;
  std::size_t dropped_ = 0;
};

// Renders one frame (its TORVALEK form: a request as built, a response as
// received and converted) as a log line and appends it. The line shows the
// frame as it went on the wire for the protocol: a copy is converted with
// ToModbusRequest, which for an RTU request also updates lastRtuRequest,
// just as sending it does. A response line is followed by an empty line.
// Returns the log's new length.
std::size_t AppendLogEntry(CommLog& log, const uint8_t* frame, std::size_t length, int sequence,
                           FrameDirection direction, Protocol protocol, RtuRequestCopy& lastRtuRequest);

// Appends bytes exactly as they came off the wire (a reply that failed its
// check), as entry `sequence`: no conversion, so nothing is made up.
std::size_t AppendWireLogEntry(CommLog& log, std::span<const uint8_t> wire, int sequence, FrameDirection direction,
                               Protocol protocol);

// Appends bytes that arrived when no reply was due, as they came off the
// wire, on a line of their own: "---. KLV->PC: <bytes>  (<note>)". Such a
// line appears only when it happened, so the log of a clean transfer keeps
// its layout.
std::size_t AppendStrayEntry(CommLog& log, std::span<const uint8_t> wire, Protocol protocol, std::string_view note);

struct CommLogSave {
  enum class Status {
    NothingToSave,  // the log is empty; any old file is left as it is
    Saved,
    Failed,  // the old file is left as it was; the caller shows text 175
  };
  Status status = Status::NothingToSave;
  std::string error;  // the system's reason when Failed
};

// Replaces the file at path with a header line ("MM/DD/YY HH:MM:SS", the
// title, " COM<n> <speed>bps"), an empty line and the log text, as a whole.
// When entries were dropped for want of room, a last line says how many.
// A non-empty portLabel (a device path given instead of a COM number) stands
// where the header names "COM<n>"; such a header is not cut to 99
// characters, so the speed after a long path stays readable.
// The header line of the file, its CR LF and the empty line after it.
std::string CommLogHeader(std::string_view title, const CommSettings& settings, const Clock& clock,
                          std::string_view portLabel = {});
// The line that says how many entries a full log dropped; empty when none were.
std::string DroppedLinesNote(const CommLog& log);

CommLogSave SaveCommLog(const CommLog& log, const std::filesystem::path& path, std::string_view title,
                        const CommSettings& settings, const Clock& clock, std::string_view portLabel = {});

}  // namespace klv
