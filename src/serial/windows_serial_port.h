#pragma once
// The serial port on Windows: a COM port opened through the Win32 file API,
// configured with a device control block and read with comm time-outs that
// give the same total read time-out as the POSIX port.
#include <windows.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>

#include "serial/serial_port.h"

namespace klv {

class WindowsSerialPort final : public SerialPort {
 public:
  WindowsSerialPort() = default;
  WindowsSerialPort(const WindowsSerialPort&) = delete;
  WindowsSerialPort& operator=(const WindowsSerialPort&) = delete;
  ~WindowsSerialPort() override;

  // Opens "COMn" or "\\.\COMn" without sharing, so a second user (another
  // program, or this one) is refused; a named object per port refuses a
  // second user of this program also where the driver lets two handles in
  // (Wine's ports, some virtual COM drivers). Any other name is refused: on
  // Windows a port is only reached by its COM name.
  PortOpenStatus Open(const std::filesystem::path& device, const LineSettings& settings) override;
  bool IsOpen() const override { return handle_ != INVALID_HANDLE_VALUE; }
  // One synchronous WriteFile bounded by the write total time-out.
  WriteOutcome Write(std::span<const uint8_t> bytes) override;
  // ReadFile in rounds that each return as soon as any byte is in, until
  // the buffer is full, frameEnd finds a frame, or the total time is up.
  std::size_t Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) override;
  // PurgeComm of the receive queue.
  void DiscardInput() override;
  std::size_t ReadWaiting(std::span<uint8_t> buffer) override;
  void Close() override;

 private:
  bool SetReadRound(DWORD milliseconds);

  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HANDLE claim_ = nullptr;  // the named object that says the port is ours
  LineSettings settings_;
  std::optional<DWORD> roundInForce_;  // the read round's constant set last
};

// The COM number of "COM7", "com7" or "\\.\COM7"; nothing for any other
// name (a device path, a file, "COM0").
std::optional<int> ComPortNumber(const std::filesystem::path& device);

// "\\.\COM7": the name that opens COM7 whatever its number.
std::wstring DeviceNamespaceName(int number);

// "Local\KLV Loader COM7": the name of the object that claims COM7 for
// one user of this program in the session.
std::wstring PortClaimName(int number);

// Sets the line settings into the control block the driver reported: speed,
// 7 or 8 data bits, parity with parity checking on (also for no parity), 1
// or 2 stop bits, binary mode, no flow control of any kind, no error
// character, no NUL stripping, no abort on error, DTR and RTS held off. The
// XON/XOFF limits and characters and every field not named stay as reported.
void ApplyLineSettings(DCB& dcb, const LineSettings& settings);

// The time-outs set at open: a total read time-out with no interval
// time-out, and the total write time-out.
COMMTIMEOUTS OpenTimeouts(const LineSettings& settings);

// The time-outs of one read round: return at once with what is queued, or
// with the first bytes to arrive, or empty after `milliseconds`. With 0 the
// round only collects what is queued.
COMMTIMEOUTS ReadRoundTimeouts(DWORD milliseconds);

// The operator's line about a failed open: the device and what stopped it.
std::string DescribeOpenFailure(const std::string& device, DWORD error);

}  // namespace klv
