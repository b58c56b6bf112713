#include "serial/comm_log.h"

#include <algorithm>
#include <cstdio>

#include "platform/file_store.h"
#include "serial/modbus_codec.h"
#include "serial/torvalek_frame.h"

namespace klv {
namespace {

// One byte as shown in the log. Writes at most 5 characters to out and
// returns how many.
std::size_t RenderByte(uint8_t byte, bool hex, char* out) {
  if (hex) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out[0] = '(';
    out[1] = kDigits[byte >> 4];
    out[2] = kDigits[byte & 0x0F];
    out[3] = ')';
    return 4;
  }
  std::string_view text;
  switch (byte) {
    case kStx: text = "(STX)"; break;
    case kEtx: text = "(ETX)"; break;
    case kCr: text = "(CR)"; break;
    case kLf: text = "(LF)"; break;
    default:
      if (byte >= 32 && byte <= 122) {
        out[0] = static_cast<char>(byte);
        return 1;
      }
      text = "(?)";
  }
  std::copy(text.begin(), text.end(), out);
  return text.size();
}

// A line of head, the bytes and tail, with its CR LF, at most kLogLineLimit
// characters: one that would be longer keeps as many whole marks as fit with
// kLogCutMark.
std::string RenderLine(std::string_view head, std::span<const uint8_t> bytes, bool hex, std::string_view tail) {
  std::string entry(head);
  entry.reserve(kLogLineLimit + 2);
  const std::size_t room = kLogLineLimit - 2 - tail.size();
  char mark[5];
  std::size_t full = entry.size();
  for (const uint8_t byte : bytes) full += RenderByte(byte, hex, mark);
  if (full <= room) {
    for (const uint8_t byte : bytes) entry.append(mark, RenderByte(byte, hex, mark));
  } else {
    for (const uint8_t byte : bytes) {
      const std::size_t n = RenderByte(byte, hex, mark);
      if (entry.size() + n + kLogCutMark.size() > room) break;
      entry.append(mark, n);
    }
    entry.append(kLogCutMark);
  }
  entry.append(tail);
  entry.append("\r\n");
  return entry;
}

}  // namespace

void AppendLogLine(CommLog& log, std::string_view entry);

void CommLog::Clear() {
  length_ = 0;
  dropped_ = 0;
  buffer_[0] = '\0';
}

void CommLog::AppendEntry(std::string_view entry) {
  if (dropped_ > 0 || entry.size() > buffer_.size() - 1 - length_) {
    ++dropped_;
    return;
  }
  std::copy(entry.begin(), entry.end(), buffer_.begin() + static_cast<std::ptrdiff_t>(length_));
  length_ += entry.size();
  buffer_[length_] = '\0';
}

std::size_t AppendLogEntry(CommLog& log, const uint8_t* frame, std::size_t length, int sequence,
                           FrameDirection direction, Protocol protocol, RtuRequestCopy& lastRtuRequest) {
  // The wire form of the frame, made from a copy so the caller's frame stays.
  FrameBuffer copy{};
  std::size_t count = frame != nullptr ? std::min(length, copy.size()) : 0;
  std::copy_n(frame, count, copy.begin());
  const bool modbus = protocol == Protocol::ModbusRtu || protocol == Protocol::ModbusAscii;
  if (modbus) ToModbusRequest(copy, count, direction, protocol, lastRtuRequest);
  count = std::min(count, copy.size());
  return AppendWireLogEntry(log, std::span<const uint8_t>(copy.data(), count), sequence, direction, protocol);
}

std::size_t AppendWireLogEntry(CommLog& log, std::span<const uint8_t> wire, int sequence, FrameDirection direction,
                               Protocol protocol) {
  char head[32];
  const int headLength = std::snprintf(head, sizeof head,
                                       direction == FrameDirection::Request ? "%03d. PC->KLV: " : "%03d. KLV->PC: ",
                                       sequence);
  std::string entry = RenderLine(std::string_view(head, static_cast<std::size_t>(std::max(headLength, 0))), wire,
                                 protocol == Protocol::ModbusRtu, {});
  if (direction == FrameDirection::Response) entry.append("\r\n");
  AppendLogLine(log, entry);
  return log.Text().size();
}

std::size_t AppendStrayEntry(CommLog& log, std::span<const uint8_t> wire, Protocol protocol, std::string_view note) {
  const std::string tail = "  (" + std::string(note.substr(0, kLogLineLimit / 2)) + ")";
  std::string entry = RenderLine("---. KLV->PC: ", wire, protocol == Protocol::ModbusRtu, tail);
  entry.append("\r\n");
  AppendLogLine(log, entry);
  return log.Text().size();
}

void AppendLogLine(CommLog& log, std::string_view entry) { log.AppendEntry(entry); }

std::string CommLogHeader(std::string_view title, const CommSettings& settings, const Clock& clock,
                          std::string_view portLabel) {
  const LocalTime now = clock.LocalNow();
  char stamp[32];
  // MM/DD/YY in every language, like the rest of the file (which is not
  // translated either): the layout is the same on every system, so that
  // anything reading the program's logs can rely on one header.
  std::snprintf(stamp, sizeof stamp, "%02d/%02d/%02d %02d:%02d:%02d", now.month % 100, now.day % 100,
                ((now.year % 100) + 100) % 100, now.hour % 100, now.minute % 100, now.second % 100);
  std::string text = stamp;
  if (portLabel.empty()) {
    // The header is at most 99 characters; snprintf cuts an overlong title.
    char header[100];
    const int headerLength = std::snprintf(header, sizeof header, "%s%.*s COM%d %dbps", stamp,
                                           static_cast<int>(std::min<std::size_t>(title.size(), sizeof header)),
                                           title.data(), static_cast<int>(settings.PortInUse()),
                                           static_cast<int>(settings.speed));
    text.assign(header, std::min(static_cast<std::size_t>(std::max(headerLength, 0)), sizeof header - 1));
  } else {
    text.append(title);
    text.append(" ");
    text.append(portLabel);
    text.append(" " + std::to_string(settings.speed) + "bps");
  }
  text.append("\r\n\r\n");
  return text;
}

std::string DroppedLinesNote(const CommLog& log) {
  if (log.DroppedLines() == 0) return {};
  return "*** The log was full: " + std::to_string(log.DroppedLines()) + " further lines were not recorded ***\r\n";
}

CommLogSave SaveCommLog(const CommLog& log, const std::filesystem::path& path, std::string_view title,
                        const CommSettings& settings, const Clock& clock, std::string_view portLabel) {
  CommLogSave result;
  if (log.Empty()) return result;
  result.status = CommLogSave::Status::Failed;
  if (path.empty()) {
    result.error = "no log path";
    return result;
  }

  std::string text = CommLogHeader(title, settings, clock, portLabel);
  text.append(log.Text());
  text.append(DroppedLinesNote(log));

  const SaveOutcome saved = SaveFileAtomically(path, text);
  if (!saved.ok) {
    result.error = saved.error;
    return result;
  }
  result.status = CommLogSave::Status::Saved;
  return result;
}

}  // namespace klv
