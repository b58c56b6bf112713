#include "serial/windows_serial_port.h"

#include <algorithm>
#include <cwctype>

#include "platform/windows_error.h"
#include "serial/line_settings.h"
#include "serial/network_or_serial_port.h"
#include "serial/tcp_serial_port.h"

namespace klv {
namespace {

using SteadyClock = std::chrono::steady_clock;

// The longest single read round. A round is cut short by the first byte, so
// this only bounds how long one call to the driver may wait.
constexpr DWORD kLongestRound = 60'000;

// Milliseconds left until the deadline, rounded up: rounding down would end
// the last round just before the deadline and start one more of 0 ms.
DWORD RemainingMilliseconds(SteadyClock::time_point deadline) {
  const auto ms = std::chrono::ceil<std::chrono::milliseconds>(deadline - SteadyClock::now()).count();
  return static_cast<DWORD>(std::clamp<decltype(ms)>(ms, 0, kLongestRound));
}

PortOpenStatus Failed(PortStatus status, std::string cause = {}) {
  return PortOpenStatus{status, std::move(cause)};
}

}  // namespace

std::optional<int> ComPortNumber(const std::filesystem::path& device) {
  std::wstring name = device.wstring();
  if (name.rfind(L"\\\\.\\", 0) == 0) name.erase(0, 4);
  if (name.size() < 4 || name.size() > 6) return std::nullopt;
  for (std::size_t i = 0; i < 3; ++i) name[i] = static_cast<wchar_t>(std::towupper(name[i]));
  if (name.compare(0, 3, L"COM") != 0 || name[3] == L'0') return std::nullopt;
  int number = 0;
  for (std::size_t i = 3; i < name.size(); ++i) {
    if (name[i] < L'0' || name[i] > L'9') return std::nullopt;
    number = number * 10 + (name[i] - L'0');
  }
  return number;
}

std::wstring DeviceNamespaceName(int number) { return L"\\\\.\\COM" + std::to_wstring(number); }

std::wstring PortClaimName(int number) { return L"Local\\KLV Loader COM" + std::to_wstring(number); }

void ApplyLineSettings(DCB& dcb, const LineSettings& settings) {
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = static_cast<DWORD>(settings.speed);
  dcb.ByteSize = static_cast<BYTE>(settings.dataBits == 8 ? 8 : 7);
  switch (settings.parity) {
    case Parity::Even: dcb.Parity = EVENPARITY; break;
    case Parity::None: dcb.Parity = NOPARITY; break;
    case Parity::Odd: dcb.Parity = ODDPARITY; break;
  }
  dcb.StopBits = settings.stopBits == 1 ? ONESTOPBIT : TWOSTOPBITS;
  dcb.fBinary = 1;
  // Parity checking on even without parity, as the regulators' own tool
  // has it; a byte with a parity error then fails the frame's check code.
  dcb.fParity = 1;
  dcb.fOutxCtsFlow = 0;
  dcb.fOutxDsrFlow = 0;
  dcb.fDsrSensitivity = 0;
  dcb.fTXContinueOnXoff = 0;
  dcb.fOutX = 0;
  dcb.fInX = 0;
  dcb.fErrorChar = 0;
  dcb.fNull = 0;
  // No abort on error: a line error must not fail every later read and
  // write until someone calls ClearCommError.
  dcb.fAbortOnError = 0;
  // The regulator drives no modem lines and needs none driven.
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
}

COMMTIMEOUTS OpenTimeouts(const LineSettings& settings) {
  COMMTIMEOUTS timeouts{};
  timeouts.ReadIntervalTimeout = 0;
  timeouts.ReadTotalTimeoutMultiplier = 0;
  timeouts.ReadTotalTimeoutConstant = static_cast<DWORD>(settings.readTimeout.count());
  timeouts.WriteTotalTimeoutMultiplier = 0;
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(settings.writeTimeout.count());
  return timeouts;
}

COMMTIMEOUTS ReadRoundTimeouts(DWORD milliseconds) {
  COMMTIMEOUTS timeouts{};
  // MAXDWORD as interval with both totals 0: ReadFile returns at once with
  // what is queued. MAXDWORD as interval and multiplier with a constant
  // between 0 and MAXDWORD: it returns as soon as any byte is queued, or
  // empty after the constant.
  timeouts.ReadIntervalTimeout = MAXDWORD;
  milliseconds = std::min(milliseconds, kLongestRound);
  timeouts.ReadTotalTimeoutMultiplier = milliseconds == 0 ? 0 : MAXDWORD;
  timeouts.ReadTotalTimeoutConstant = milliseconds;
  return timeouts;
}

std::string DescribeOpenFailure(const std::string& device, DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_UNIT:
    case ERROR_DEV_NOT_EXIST: return device + ": no such device";
    // Windows answers "access denied" for a COM port that another handle
    // holds; a port has no other access control worth naming.
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_BUSY: return device + ": busy, in use by another program";
    default: return device + ": " + WindowsErrorText(error);
  }
}

WindowsSerialPort::~WindowsSerialPort() { Close(); }

PortOpenStatus WindowsSerialPort::Open(const std::filesystem::path& device, const LineSettings& settings) {
  Close();
  const std::optional<int> number = ComPortNumber(device);
  if (!number) {
    return Failed(PortStatus::CannotOpen,
                  (device.empty() ? std::string("(none)") : device.string()) + ": not a COM port");
  }
  const std::wstring name = DeviceNamespaceName(*number);
  const std::string shown = Utf8FromWide(name);

  // An object's existence is the claim, not its ownership: the port may be
  // closed by another thread than the one that opened it. The system drops
  // the object with the last handle, also when the program dies.
  claim_ = ::CreateMutexW(nullptr, FALSE, PortClaimName(*number).c_str());
  if (claim_ == nullptr || ::GetLastError() == ERROR_ALREADY_EXISTS) {
    Close();
    return Failed(PortStatus::CannotOpen, DescribeOpenFailure(shown, ERROR_ACCESS_DENIED));
  }

  // No sharing: the port is this object's alone. No overlapped I/O: every
  // call waits, bounded by the comm time-outs below.
  const HANDLE handle =
      ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    Close();
    return Failed(PortStatus::CannotOpen, DescribeOpenFailure(shown, error));
  }
  handle_ = handle;
  const auto fail = [this](PortStatus status, DWORD error) {
    Close();
    return Failed(status, WindowsErrorText(error));
  };

  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  if (!::GetCommState(handle_, &dcb)) return fail(PortStatus::NotASerialLine, ::GetLastError());
  ApplyLineSettings(dcb, settings);
  if (!::SetCommState(handle_, &dcb)) return fail(PortStatus::SetupFailed, ::GetLastError());

  if (settings.readTimeout <= std::chrono::milliseconds::zero() ||
      settings.writeTimeout <= std::chrono::milliseconds::zero()) {
    Close();
    return Failed(PortStatus::TimeoutSetupFailed);
  }
  COMMTIMEOUTS timeouts = OpenTimeouts(settings);
  if (!::SetCommTimeouts(handle_, &timeouts)) return fail(PortStatus::TimeoutSetupFailed, ::GetLastError());

  settings_ = settings;
  roundInForce_.reset();
  return {};
}

WriteOutcome WindowsSerialPort::Write(std::span<const uint8_t> bytes) {
  WriteOutcome outcome;
  if (handle_ == INVALID_HANDLE_VALUE) return outcome;
  DWORD written = 0;
  const BOOL done = ::WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  outcome.written = written;
  outcome.ok = done && written == bytes.size();
  return outcome;
}

bool WindowsSerialPort::SetReadRound(DWORD milliseconds) {
  // The same constant as last time needs no call to the driver; the write
  // time-out is kept in every set.
  if (roundInForce_ == milliseconds) return true;
  COMMTIMEOUTS timeouts = ReadRoundTimeouts(milliseconds);
  timeouts.WriteTotalTimeoutConstant = static_cast<DWORD>(settings_.writeTimeout.count());
  if (!::SetCommTimeouts(handle_, &timeouts)) {
    roundInForce_.reset();
    return false;
  }
  roundInForce_ = milliseconds;
  return true;
}

std::size_t WindowsSerialPort::Read(std::span<uint8_t> buffer, const FrameEndTest& frameEnd) {
  if (handle_ == INVALID_HANDLE_VALUE || buffer.empty()) return 0;
  const auto deadline = SteadyClock::now() + settings_.readTimeout;
  std::size_t got = 0;
  for (;;) {
    const DWORD remaining = RemainingMilliseconds(deadline);
    if (!SetReadRound(remaining)) return got;
    DWORD n = 0;
    if (!::ReadFile(handle_, buffer.data() + got, static_cast<DWORD>(buffer.size() - got), &n, nullptr)) {
      return got;  // e.g. the adapter was pulled
    }
    // An empty round means its time ran out (or, with 0, nothing was
    // queued): the call's time is up.
    if (n == 0) return got;
    got += n;
    if (got == buffer.size()) return got;
    if (frameEnd && frameEnd(std::span<const uint8_t>(buffer.data(), got))) return got;
    if (remaining == 0) return got;
  }
}

void WindowsSerialPort::DiscardInput() {
  if (handle_ != INVALID_HANDLE_VALUE) ::PurgeComm(handle_, PURGE_RXCLEAR);
}

std::size_t WindowsSerialPort::ReadWaiting(std::span<uint8_t> buffer) {
  if (handle_ == INVALID_HANDLE_VALUE || buffer.empty()) return 0;
  // A round of 0 ms returns at once with what is queued.
  if (!SetReadRound(0)) return 0;
  DWORD n = 0;
  if (!::ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &n, nullptr)) return 0;
  if (n == buffer.size()) ::PurgeComm(handle_, PURGE_RXCLEAR);
  return n;
}

void WindowsSerialPort::Close() {
  if (handle_ != INVALID_HANDLE_VALUE) ::CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
  if (claim_ != nullptr) ::CloseHandle(claim_);
  claim_ = nullptr;
}

// A network address (or a file holding one) opens a network port.
std::unique_ptr<SerialPort> MakeSystemSerialPort() {
  return MakeNetworkOrSerialPort([] { return std::make_unique<WindowsSerialPort>(); }, MakeTcpSerialPort);
}

}  // namespace klv
