#pragma once
// The narrow interface to one serial device. The program's port operations
// (serial/port.h) work through it; posix_serial_port.cpp is the real one, and
// tests use a scripted one.
//
// Thread-safety: an object is used by one thread at a time and never
// concurrently. It may pass from one thread to another (a transfer worker,
// then the window thread) when the hand-over orders the two, as the worker's
// release/acquire done flag does. Closing it from one thread while another
// reads is not supported.
//
// Errors: Open reports what went wrong as a status plus, where the system
// told why, a one-line cause for the operator. Write and Read never fail
// loudly: they report what they moved. A device that goes away while open
// (adapter pulled, far end of a pseudo-terminal closed) makes every later
// Read return 0 bytes and every Write fail, each within its time-out and
// without spinning; the port stays open until Close.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <utility>

#include "serial/line_settings.h"

namespace klv {

enum class PortStatus {
  Ok,
  CannotOpen,          // absent, in use, no access: the device was not opened
  NotASerialLine,      // not a serial line: its settings cannot be read
  SetupFailed,         // the line settings (or the speed) were refused
  TimeoutSetupFailed,  // the time-outs could not be applied
};

// Why a device could not be opened, as parts that the operator's line is
// made of in either language (serial/port_failure_text.h).
// OwnTerminal: the device is the terminal the program itself runs in.
// The network kinds are for a line reached over the network (device is then
// HOST:PORT, or the address as written for BadNetworkAddress).
enum class PortFailureKind {
  None, NoSuchPort, NoSuchDevice, PermissionDenied, Busy, OwnTerminal, Other,
  ConnectTimeout,      // no connection within connectSeconds
  ConnectionRefused,   // nothing listens there
  UnknownHost,         // the host name cannot be resolved
  ClosedByServer,      // the server closed the connection while it was being set up
  ComPortRefused,      // an RFC 2217 server that does not take COM-PORT-OPTION
  BadNetworkAddress,   // "tcp://..." or "rfc2217://..." without a host and port
};

struct PortFailure {
  PortFailure() = default;
  PortFailure(PortFailureKind kindOf, std::string deviceOf, std::string ownerGroupOf = {}, std::string systemTextOf = {})
      : kind(kindOf),
        device(std::move(deviceOf)),
        ownerGroup(std::move(ownerGroupOf)),
        systemText(std::move(systemTextOf)) {}

  PortFailureKind kind = PortFailureKind::None;
  std::string device;      // the device as shown (or the COM name for NoSuchPort)
  std::string ownerGroup;  // PermissionDenied: the group to join (it may read and write the device)
  std::string systemText;  // Other: the system's own words
  // PermissionDenied with no group to join: who owns the device ("root:root")
  // and its permission bits, so the operator sees what to change.
  std::string owner;
  unsigned mode = 0;
  // ConnectTimeout: the connect time-out in whole seconds.
  int connectSeconds = 0;
};

struct PortOpenStatus {
  PortOpenStatus() = default;
  PortOpenStatus(PortStatus statusOf, std::string causeOf = {}, PortFailure failureOf = {})
      : status(statusOf), cause(std::move(causeOf)), failure(std::move(failureOf)) {}

  PortStatus status = PortStatus::Ok;
  std::string cause;  // e.g. "/dev/ttyUSB0: no such device"; may be empty
  PortFailure failure;  // the same cause in parts; kind None when there is none
};

struct WriteOutcome {
  bool ok = false;          // every byte went out within the write time-out
  std::size_t written = 0;  // bytes handed to the device
};

// Tells whether the bytes received so far hold one whole frame of the
// protocol in use, so that a read ends as soon as its reply is in instead of
// waiting out its time-out.
using FrameEndTest = std::function<bool(std::span<const uint8_t> received)>;

class SerialPort {
 public:
  virtual ~SerialPort() = default;

  // Opens the device for this object's exclusive use and applies the line
  // settings and time-outs. On any failure the device is left closed.
  virtual PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) = 0;
  virtual bool IsOpen() const = 0;
  // Writes the bytes; returns within the write time-out of the settings.
  virtual WriteOutcome Write(std::span<const uint8_t> bytes) = 0;
  // Reads up to buffer.size() bytes. Returns as soon as that many are in, or
  // frameEnd (when set) finds a whole frame in what has arrived, or when the
  // read time-out has passed since the call began, with whatever has arrived
  // (0 when nothing did). Bytes beyond what was returned stay queued for the
  // next read.
  virtual std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) = 0;
  // Drops every byte that has arrived and not been read, so that the next
  // read sees only what arrives after this call: a late reply to an earlier
  // request can never pass for the reply to the next one.
  virtual void DiscardInput() = 0;
  // Reads what has arrived and not been read, up to buffer.size() bytes,
  // without waiting for more; what does not fit is dropped. Returns how many
  // bytes were read. A port that cannot hand the bytes over drops them all
  // and reports none, as DiscardInput does.
  virtual std::size_t ReadWaiting(std::span<uint8_t> buffer) {
    (void)buffer;
    DiscardInput();
    return 0;
  }
  // Releases the device; harmless when not open.
  virtual void Close() = 0;
};

// The real port of the platform the program is built for.
std::unique_ptr<SerialPort> MakeSystemSerialPort();

}  // namespace klv
