#pragma once
// The communication settings window: port, speed, parity, stop bits, read
// time-out, machine address and the data-record sampling, with the program's
// own choices (Verify after writing, Local echo, Write changed values only).
// Opening corrects the stored values it cannot show; OK takes the window
// into the record in memory (closing an open port, so that the next open
// uses them) and stores the three choices in the program's own file;
// Cancel changes nothing more. Beside the port buttons it names the device
// the marked COM number reaches and lists the system's COM ports; Find device
// scans them for a regulator and marks the settings of the one taken.
#include <windows.h>

#include <optional>
#include <vector>

#include "app/program_state.h"
#include "device/regulator_scan.h"
#include "serial/comm_settings_screen.h"
#include "win32/system_ports.h"
#include "win32/window_operator.h"

namespace klv {

// The controls' numbers, for the tests and the pictures.
namespace comm_id {
constexpr int Port(int index) { return 1100 + index; }  // COM01..COM12
constexpr int kPlus12 = 1120;
constexpr int Parity(int index) { return 1130 + index; }    // EVEN NON ODD
constexpr int Timeout(int index) { return 1140 + index; }   // 50 100 200 ms
constexpr int Sampling(int index) { return 1150 + index; }  // 10 s, 1 min, 5 min
constexpr int Duration(int index) { return 1160 + index; }  // 10 min, 1 h, 24 h
constexpr int Speed(int index) { return 1170 + index; }     // 19200 9600
constexpr int StopBits(int index) { return 1180 + index; }  // 1 2
constexpr int Protocol(int index) { return 1190 + index; }  // never shown
constexpr int kAddress = 1200;
constexpr int kAddressSpin = 1201;
constexpr int kVerifyAfterWrite = 1210;
constexpr int kLocalEcho = 1211;
constexpr int kWriteChangedOnly = 1212;
constexpr int kDevice = 1220;    // "Device: COM3 -> ..." of the marked number
constexpr int kPortList = 1221;  // the system's ports; choosing one marks it
constexpr int kFindDevice = 1230;
}  // namespace comm_id

class CommSettingsDialog {
 public:
  // messages: where a failure to store the choices is told.
  CommSettingsDialog(ProgramState& state, WindowOperator& messages, std::vector<SystemPort> ports = SystemComPorts());
  CommSettingsDialog(const CommSettingsDialog&) = delete;
  CommSettingsDialog& operator=(const CommSettingsDialog&) = delete;
  ~CommSettingsDialog();

  // Shows the window modally; true when it was closed with OK.
  bool Run(HWND owner);
  // Makes the window without waiting (a test drives it and reads Result).
  HWND Create(HWND owner);
  HWND Handle() const { return window_; }
  // Set once the window has closed: true for OK.
  std::optional<bool> Result() const { return result_; }

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
  void Open();
  void RelabelPorts();
  void ShowDevice();
  void ChoosePortFromList();
  int MarkedPortNumber() const;
  CommSettingsMarks ScreenMarks() const;
  void Accept();
  void Close(bool accepted);
  // Find device: scans the marked port, then the system's others, and marks
  // the settings of the regulator the operator takes.
  void FindDevice();
  std::vector<ScanPort> ScanPorts() const;
  void TakeFound(const FoundRegulator& found);

  ProgramState& state_;
  WindowOperator& messages_;
  std::vector<SystemPort> ports_;
  std::vector<uint32_t> template_;
  HWND window_ = nullptr;
  bool modal_ = false;
  std::optional<bool> result_;
};

}  // namespace klv
