#pragma once
// The program's serial port: open it from the communication settings, send a
// request frame, receive a response frame, close it. The single place where a
// frame crosses the wire; with a Modbus protocol the frames are converted here,
// so everything above sees TORVALEK frames only. No message boxes: failures
// come back as the text the window (or the command-line tool) shows.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "text/language.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/serial_port.h"

namespace klv {

// The open port, or none while the port is closed.
using PortHandle = std::unique_ptr<SerialPort>;

// Makes an unopened port; tests pass one that makes scripted ports.
using SerialPortFactory = std::function<PortHandle()>;

struct OpenPortResult {
  bool ok = false;
  PortStatus status = PortStatus::Ok;
  // "Port cannot be used" (with the cause on a second line when known),
  // "SYS ERR: The port is not a serial line (its settings cannot be read)", "SYS ERR: Port setup failed" or
  // "SYS ERR: Timeout setup failed"; empty when ok.
  std::string message;
};

// Owns the program's one PortHandle. Not thread-safe: one activity at a time
// (a transfer worker or the monitor), as serial/serial_port.h describes.
class SerialLine {
 public:
  // Ports of the platform the program is built for.
  SerialLine();
  explicit SerialLine(SerialPortFactory factory);
  SerialLine(const SerialLine&) = delete;
  SerialLine& operator=(const SerialLine&) = delete;
  ~SerialLine();

  // Opens COM<n> of the settings, as resolved in dataFolder's port links,
  // with the settings' line settings and time-outs. A stored port number
  // above 12 is replaced by 1 in the settings first. A port that is still
  // open is closed first, so a new open never leaves the old device locked.
  // On failure the port is closed.
  OpenPortResult OpenPort(CommSettings& settings, const std::filesystem::path& dataFolder);
  void ClosePort();
  bool IsOpen() const { return handle_ != nullptr; }

  // The language of OpenPort's cause line (English until set).
  void SetLanguage(Language language) { language_ = language; }

  // Converts frame[0..length) in place to the protocol (recording an RTU
  // request in lastRtuRequest), then writes it. Afterwards the buffer holds
  // the bytes that went on the wire. Not ok when the port is closed or the
  // write failed or timed out.
  WriteOutcome SendFrame(FrameBuffer& frame, std::size_t length, Protocol protocol,
                         RtuRequestCopy& lastRtuRequest);

  // Reads up to wanted bytes (at most the buffer's 100) within the read
  // time-out, ending as soon as a whole frame of the protocol is in; bytes
  // beyond what was read stay queued for the next receive. The bytes are
  // left as they came off the wire. 0 when nothing arrived or the port is
  // closed.
  std::size_t ReceiveWireFrame(FrameBuffer& buffer, std::size_t wanted, Protocol protocol);

  // Reads exactly buffer.size() bytes within the read time-out (fewer when
  // the time-out ends first): the echo of a request, which comes as fast as
  // the line carries it. 0 when nothing arrived or the port is closed.
  std::size_t ReceiveExactly(std::span<uint8_t> buffer);

  // Drops whatever has arrived and not been received; harmless when closed.
  void DiscardInput();
  // Reads what has arrived and not been received, without waiting for more;
  // 0 when nothing has or the port is closed.
  std::size_t ReadWaiting(std::span<uint8_t> buffer);
  // Reads bytes as they arrive until a whole read time-out passes without
  // one (or the buffer is full): the first read waits the whole time-out
  // when nothing comes.
  std::size_t ReadUntilQuiet(std::span<uint8_t> buffer);

 private:
  SerialPortFactory factory_;
  PortHandle handle_;
  Language language_ = Language::English;
};

}  // namespace klv
