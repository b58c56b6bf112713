#pragma once
// The serial port on Linux and other POSIX systems, through termios.
#include <termios.h>

#include <filesystem>
#include <optional>
#include <string>

#include "serial/serial_port.h"

namespace klv {

class PosixSerialPort final : public SerialPort {
 public:
  PosixSerialPort() = default;
  PosixSerialPort(const PosixSerialPort&) = delete;
  PosixSerialPort& operator=(const PosixSerialPort&) = delete;
  ~PosixSerialPort() override;

  // Exclusive use: flock (which also holds against root and against a second
  // open in this process) plus TIOCEXCL (which also holds against programs
  // that do not flock). Then raw mode with the line settings, DTR and RTS off.
  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override;
  bool IsOpen() const override { return fd_ >= 0; }
  // Non-blocking writes paced by poll, then a wait until the driver's queue
  // has gone out on the line, all within the write time-out.
  WriteOutcome Write(std::span<const uint8_t> bytes) override;
  // poll against a deadline on the monotonic clock; a hang-up ends the read
  // at once with what had arrived.
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override;
  // tcflush of the input queue.
  void DiscardInput() override;
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override;
  void Close() override;

 private:
  bool WaitUntilSent(std::chrono::steady_clock::time_point deadline);

  int fd_ = -1;
  LineSettings settings_;
};

// The termios speed code for a speed in bits per second; false for a speed
// the system has no code for.
bool SpeedCode(int32_t speed, speed_t& code);

// Turns the settings the device reported into raw mode with the line
// settings: the speed, 7 or 8 data bits, parity with input parity checking
// (also for no parity), 1 or 2 stop bits, receiver on, modem status ignored,
// no hang-up on close, no RTS/CTS and no XON/XOFF. Everything else, the
// control characters included, stays as reported. False, with the settings
// unchanged, when the speed has no code.
bool ApplyLineSettings(termios& tio, const LineSettings& settings);

// Whether the settings read back from the device hold what was asked for:
// the speed, raw mode, no flow control, receiver on, modem status ignored.
// The character format (data bits, parity, stop bits) is not compared: a
// pseudo-terminal has none and reads back 8 bits without parity whatever it
// was given, and a real driver either takes it or refuses the whole request.
bool LineSettingsTookEffect(const termios& wanted, const termios& applied);

// Who owns a device file and how it may be used.
struct DeviceOwner {
  std::string user;   // the user's name, or the uid in digits without one
  std::string group;  // the group's name, or the gid in digits without one
  unsigned gid = 0;
  unsigned mode = 0;  // permission bits, e.g. 0660
};
// The same as parts, for the line in the operator's language.
PortFailure ClassifyOpenFailure(const std::string& device, int error, const std::optional<DeviceOwner>& owner);

// The operator's line about a failed open: the device and what stopped it.
// For a refused permission: the fix (joining the owner group) when that group
// may read and write the device and is not root, otherwise who owns it and
// its mode, so the operator can see what to change.
std::string DescribeOpenFailure(const std::string& device, int error, const std::optional<DeviceOwner>& owner);

// The owner, group and mode of the file (following links); none when it
// cannot be found.
std::optional<DeviceOwner> OwnerOf(const std::filesystem::path& path);

}  // namespace klv
