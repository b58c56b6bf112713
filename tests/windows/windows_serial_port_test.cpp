// The Windows port's settings, time-outs and names, checked against the
// values the regulators' line needs; the port itself is exercised end to end
// under Wine against the simulated regulator (e2e.sh).
#include "serial/windows_serial_port.h"

#include <gtest/gtest.h>

#include <string>

#include "serial/line_settings.h"
#include "serial/port_device.h"

namespace klv {
namespace {

using namespace std::chrono_literals;

// A control block as a driver might report it: everything that the port
// must change set the other way, and values it must keep recognisable.
DCB ReportedDcb() {
  DCB dcb{};
  dcb.DCBlength = sizeof(DCB);
  dcb.BaudRate = 115200;
  dcb.ByteSize = 5;
  dcb.Parity = MARKPARITY;
  dcb.StopBits = ONE5STOPBITS;
  dcb.fBinary = 0;
  dcb.fParity = 0;
  dcb.fOutxCtsFlow = 1;
  dcb.fOutxDsrFlow = 1;
  dcb.fDsrSensitivity = 1;
  dcb.fTXContinueOnXoff = 1;
  dcb.fOutX = 1;
  dcb.fInX = 1;
  dcb.fErrorChar = 1;
  dcb.fNull = 1;
  dcb.fAbortOnError = 1;
  dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
  dcb.fRtsControl = RTS_CONTROL_TOGGLE;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = '?';
  dcb.EofChar = 0x1A;
  dcb.EvtChar = '\n';
  return dcb;
}

TEST(WindowsLineSettings, TheStoredValuesBecomeTheControlBlock) {
  struct Case {
    int32_t speed;
    Protocol protocol;
    int32_t parity;
    int32_t stopBits;
    DWORD baud;
    BYTE byteSize;
    BYTE dcbParity;
    BYTE dcbStopBits;
  };
  const Case cases[] = {
      {9600, Protocol::Torvalek, 1, 1, 9600, 7, EVENPARITY, ONESTOPBIT},
      {19200, Protocol::ModbusRtu, 2, 2, 19200, 8, NOPARITY, TWOSTOPBITS},
      {9600, Protocol::ModbusAscii, 3, 1, 9600, 7, ODDPARITY, ONESTOPBIT},
      // Values only a damaged settings file holds: odd parity, two stop bits.
      {9600, Protocol::Torvalek, 0, 0, 9600, 7, ODDPARITY, TWOSTOPBITS},
      {19200, Protocol::Torvalek, 4, 3, 19200, 7, ODDPARITY, TWOSTOPBITS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("speed " + std::to_string(c.speed) + " parity " + std::to_string(c.parity) + " stop " +
                 std::to_string(c.stopBits));
    CommSettings stored;
    stored.speed = c.speed;
    stored.protocol = c.protocol;
    stored.parity = c.parity;
    stored.stopBits = c.stopBits;
    DCB dcb = ReportedDcb();
    ApplyLineSettings(dcb, BuildLineSettings(stored));
    EXPECT_EQ(dcb.BaudRate, c.baud);
    EXPECT_EQ(dcb.ByteSize, c.byteSize);
    EXPECT_EQ(dcb.Parity, c.dcbParity);
    EXPECT_EQ(dcb.StopBits, c.dcbStopBits);
  }
}

TEST(WindowsLineSettings, NoFlowControlModemLinesOffAndTheRestAsReported) {
  DCB dcb = ReportedDcb();
  ApplyLineSettings(dcb, LineSettings{});
  EXPECT_EQ(dcb.fBinary, 1u);
  EXPECT_EQ(dcb.fParity, 1u);  // checking on, also without parity
  using Flag = std::pair<const char*, DWORD>;
  for (const auto& [name, bit] : {Flag{"fOutxCtsFlow", DWORD{dcb.fOutxCtsFlow}}, Flag{"fOutxDsrFlow", DWORD{dcb.fOutxDsrFlow}},
                                  Flag{"fDsrSensitivity", DWORD{dcb.fDsrSensitivity}},
                                  Flag{"fTXContinueOnXoff", DWORD{dcb.fTXContinueOnXoff}}, Flag{"fOutX", DWORD{dcb.fOutX}},
                                  Flag{"fInX", DWORD{dcb.fInX}}, Flag{"fErrorChar", DWORD{dcb.fErrorChar}},
                                  Flag{"fNull", DWORD{dcb.fNull}}, Flag{"fAbortOnError", DWORD{dcb.fAbortOnError}}}) {
    EXPECT_EQ(bit, 0u) << name;
  }
  EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_DISABLE));
  EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
  const DCB reported = ReportedDcb();
  EXPECT_EQ(dcb.XonLim, reported.XonLim);
  EXPECT_EQ(dcb.XoffLim, reported.XoffLim);
  EXPECT_EQ(dcb.XonChar, reported.XonChar);
  EXPECT_EQ(dcb.XoffChar, reported.XoffChar);
  EXPECT_EQ(dcb.ErrorChar, reported.ErrorChar);
  EXPECT_EQ(dcb.EofChar, reported.EofChar);
  EXPECT_EQ(dcb.EvtChar, reported.EvtChar);
}

TEST(WindowsTimeouts, OpenSetsATotalReadTimeoutAndTheWriteBound) {
  for (const int32_t stored : {50, 100, 150, 200}) {
    CommSettings settings;
    settings.readTimeout = stored;
    const COMMTIMEOUTS t = OpenTimeouts(BuildLineSettings(settings));
    EXPECT_EQ(t.ReadIntervalTimeout, 0u) << stored;
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u) << stored;
    EXPECT_EQ(t.ReadTotalTimeoutConstant, stored == 150 ? 200u : static_cast<DWORD>(stored));
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u) << stored;
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u) << stored;
  }
}

TEST(WindowsTimeouts, AReadRoundReturnsWithTheFirstBytesOrAtItsTime) {
  struct Case {
    DWORD asked;
    DWORD interval, multiplier, constant;
  };
  const Case cases[] = {
      {0, MAXDWORD, 0, 0},                  // only what is queued, at once
      {1, MAXDWORD, MAXDWORD, 1},           // first bytes, or empty after 1 ms
      {200, MAXDWORD, MAXDWORD, 200},       //
      {600'000, MAXDWORD, MAXDWORD, 60'000},  // one round never waits longer
  };
  for (const Case& c : cases) {
    const COMMTIMEOUTS t = ReadRoundTimeouts(c.asked);
    EXPECT_EQ(t.ReadIntervalTimeout, c.interval) << c.asked;
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, c.multiplier) << c.asked;
    EXPECT_EQ(t.ReadTotalTimeoutConstant, c.constant) << c.asked;
  }
}

TEST(WindowsPortNames, ComNumbersReachTheSystemsPorts) {
  struct Case {
    int32_t stored;
    int32_t plus12;
    const char* device;
  };
  const Case cases[] = {
      {7, 1, "\\\\.\\COM19"}, {3, 0, "COM3"}, {10, 0, "\\\\.\\COM10"}, {9, 0, "COM9"},
      {13, 0, "COM1"},        {13, 1, "\\\\.\\COM13"},
  };
  for (const Case& c : cases) {
    CommSettings settings;
    settings.portNumber = c.stored;
    settings.plus12 = c.plus12;
    const int32_t number = CorrectPortNumber(settings);
    // The data folder plays no part: a ports/ link there changes nothing.
    EXPECT_EQ(ResolvePortDevice(number, "C:\\Users\\Public\\Documents").string(), c.device) << c.stored;
  }
  EXPECT_TRUE(ResolvePortDevice(0, {}).empty());
}

TEST(WindowsPortNames, OnlyComNamesAreTakenAsPorts) {
  struct Case {
    const char* name;
    int number;  // 0: refused
  };
  const Case cases[] = {
      {"COM1", 1},        {"com7", 7},    {"\\\\.\\COM19", 19}, {"\\\\.\\com24", 24}, {"COM256", 256},
      {"COM0", 0},        {"COM", 0},     {"COM1a", 0},         {"LPT1", 0},          {"/dev/ttyUSB0", 0},
      {"C:\\COM1", 0},    {"COM1234", 0}, {"", 0},
  };
  for (const Case& c : cases) {
    const std::optional<int> number = ComPortNumber(c.name);
    EXPECT_EQ(number.value_or(0), c.number) << c.name;
  }
  EXPECT_EQ(DeviceNamespaceName(3), L"\\\\.\\COM3");
}

TEST(WindowsPort, ADevicePathIsRefusedWithoutOpeningAnything) {
  for (const char* device : {"/dev/ttyUSB0", "C:\\Windows\\win.ini", "NUL"}) {
    WindowsSerialPort port;
    const PortOpenStatus status = port.Open(device, LineSettings{});
    EXPECT_EQ(status.status, PortStatus::CannotOpen) << device;
    EXPECT_EQ(status.cause, std::string(device) + ": not a COM port");
    EXPECT_FALSE(port.IsOpen());
    uint8_t buffer[16];
    EXPECT_EQ(port.Read(buffer, FrameEndTest{}), 0u);
    EXPECT_FALSE(port.Write(buffer).ok);
  }
}

TEST(WindowsPort, APortClaimedByAnotherUserIsBusy) {
  const HANDLE other = ::CreateMutexW(nullptr, FALSE, PortClaimName(9).c_str());
  ASSERT_NE(other, nullptr);
  WindowsSerialPort port;
  const PortOpenStatus busy = port.Open("COM9", LineSettings{});
  EXPECT_EQ(busy.status, PortStatus::CannotOpen);
  EXPECT_EQ(busy.cause, "\\\\.\\COM9: busy, in use by another program");
  EXPECT_FALSE(port.IsOpen());
  ::CloseHandle(other);
  // Once the other user is gone the open goes on to the device (which this
  // machine may not have), and a failed open leaves no claim behind.
  for (int attempt = 0; attempt < 2; ++attempt) {
    const PortOpenStatus status = port.Open("COM9", LineSettings{});
    EXPECT_EQ(status.cause.find("busy"), std::string::npos) << status.cause;
    port.Close();
  }
}

TEST(WindowsPort, OpenFailuresNameTheDeviceAndTheReason) {
  struct Case {
    DWORD error;
    std::string expected;
  };
  const Case cases[] = {
      {ERROR_FILE_NOT_FOUND, "\\\\.\\COM5: no such device"},
      {ERROR_ACCESS_DENIED, "\\\\.\\COM5: busy, in use by another program"},
      {ERROR_SHARING_VIOLATION, "\\\\.\\COM5: busy, in use by another program"},
  };
  for (const Case& c : cases) EXPECT_EQ(DescribeOpenFailure("\\\\.\\COM5", c.error), c.expected);
  // Anything else in the system's own words.
  const std::string other = DescribeOpenFailure("\\\\.\\COM5", ERROR_GEN_FAILURE);
  EXPECT_EQ(other.rfind("\\\\.\\COM5: ", 0), 0u) << other;
  EXPECT_GT(other.size(), std::string("\\\\.\\COM5: ").size() + 5) << other;
  EXPECT_EQ(other.find('\n'), std::string::npos) << other;
}

}  // namespace
}  // namespace klv
