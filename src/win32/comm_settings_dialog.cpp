#include "win32/comm_settings_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "serial/port_device.h"
#include "text/texts.h"
#include "win32/find_device_window.h"
#include "win32/dialog_template_writer.h"
#include "win32/screen_face.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

enum class Kind { Box, Radio, Check, Label, Edit, Spin, Button, DefaultButton, DropDown };

struct Control {
  int id;
  Kind kind;
  std::string caption;  // already in the window's language
  short x, y, width, height;
  bool startsGroup = false;
  bool hidden = false;
};

uint32_t StyleOf(const Control& c) {
  const uint32_t common = WS_CHILD | (c.hidden ? 0u : WS_VISIBLE);
  switch (c.kind) {
    case Kind::Box: return common | BS_GROUPBOX | WS_GROUP;
    case Kind::Radio: return common | BS_AUTORADIOBUTTON | (c.startsGroup ? WS_GROUP | WS_TABSTOP : 0u);
    case Kind::Check: return common | BS_AUTOCHECKBOX | WS_GROUP | WS_TABSTOP;
    case Kind::Label: return common | SS_LEFT | SS_NOPREFIX | WS_GROUP;
    case Kind::Edit: return common | WS_BORDER | ES_CENTER | ES_AUTOHSCROLL | WS_GROUP | WS_TABSTOP;
    case Kind::Spin: return common | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_NOTHOUSANDS | UDS_ARROWKEYS | UDS_AUTOBUDDY;
    case Kind::Button: return common | BS_PUSHBUTTON | WS_GROUP | WS_TABSTOP;
    case Kind::DefaultButton: return common | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP;
    case Kind::DropDown: return common | CBS_DROPDOWNLIST | WS_VSCROLL | WS_GROUP | WS_TABSTOP;
  }
  return common;
}

// The window's controls in tab order: each group box before its buttons.
std::vector<Control> Controls(Language language) {
  const auto caption = [language](std::string_view key) {
    return std::string(Caption(Screen::CommunicationSettings, key, language));
  };
  std::vector<Control> c;
  const auto box = [&](std::string_view key, short x, short y, short w, short h) {
    c.push_back({0, Kind::Box, key.empty() ? std::string() : caption(key), x, y, w, h});
  };
  // Buttons of one choice, one under the other.
  const auto radios = [&](int (*id)(int), std::initializer_list<std::string_view> keys, short x, short y, short w,
                          bool hidden = false) {
    int i = 0;
    for (const std::string_view key : keys) {
      c.push_back({id(i), Kind::Radio, caption(key), x, static_cast<short>(y + 12 * i), w, 10, i == 0, hidden});
      ++i;
    }
  };
  box("Port", 7, 7, 120, 150);
  for (int i = 0; i < kPortButtonCount; ++i) {
    c.push_back({comm_id::Port(i), Kind::Radio, PortButtonCaption(i, false), static_cast<short>(14 + 54 * (i / 6)),
                 static_cast<short>(22 + 12 * (i % 6)), 50, 10, i == 0});
  }
  c.push_back({comm_id::kPlus12, Kind::Check, caption("+ 12"), 84, 6, 38, 10});
  c.push_back({comm_id::kDevice, Kind::Label, "", 13, 96, 110, 26});
  c.push_back({comm_id::kPortList, Kind::DropDown, "", 13, 124, 110, 100});
  box("Parity", 132, 7, 75, 56);
  radios(comm_id::Parity, {"EVEN", "NON", "ODD"}, 139, 20, 62);
  box("Speed", 132, 68, 75, 44);
  radios(comm_id::Speed, {"19200", "9600"}, 139, 81, 62);
  box("Time out", 212, 7, 75, 56);
  radios(comm_id::Timeout, {"50 ms", "100 ms", "200 ms"}, 219, 20, 62);
  box("Stop bit", 212, 68, 75, 44);
  radios(comm_id::StopBits, {"1", "2"}, 219, 81, 62);
  box("Data record sampling", 292, 7, 105, 56);
  radios(comm_id::Sampling, {"10 sec", "1 min.", "5 min."}, 299, 20, 92);
  box("Data record time", 292, 68, 105, 44);
  radios(comm_id::Duration, {"10 min.", "1 hour", "24 hour"}, 299, 81, 92);
  // The connections always run in TORVALEK: the protocol buttons are there, never shown.
  radios(comm_id::Protocol, {"TORVALEK", "Modbus RTU", "Modbus ASCII"}, 299, 118, 92, true);
  box("Machine address", 132, 117, 75, 40);
  c.push_back({comm_id::kAddress, Kind::Edit, "", 139, 134, 40, 12});
  c.push_back({comm_id::kAddressSpin, Kind::Spin, "", 179, 134, 10, 12});
  c.push_back({comm_id::kVerifyAfterWrite, Kind::Check, std::string(Text(TextId::VerifyAfterWriting, language)), 7,
               164, 190, 10});
  c.push_back({comm_id::kLocalEcho, Kind::Check, std::string(Text(TextId::LocalEcho, language)), 7, 176, 190, 10});
  c.push_back({comm_id::kWriteChangedOnly, Kind::Check, std::string(Text(TextId::WriteChangedOnly, language)), 7, 188,
               190, 10});
  c.push_back({comm_id::kFindDevice, Kind::Button, std::string(Text(TextId::FindDeviceButton, language)), 212, 184, 66,
               14});
  c.push_back({IDOK, Kind::DefaultButton, caption("OK"), 283, 184, 55, 14});
  c.push_back({IDCANCEL, Kind::Button, caption("Cancel"), 342, 184, 55, 14});
  return c;
}

std::vector<uint32_t> DialogTemplate(Language language) {
  const std::vector<Control> controls = Controls(language);
  DialogTemplateWriter t;
  t.Head(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER, controls.size(), 404, 205,
         Caption(Screen::CommunicationSettings, "Communication settings", language), language);
  for (const Control& control : controls) {
    t.ItemStart(StyleOf(control), control.x, control.y, control.width, control.height,
                static_cast<uint32_t>(control.id == 0 ? 0xFFFF : control.id));
    switch (control.kind) {
      case Kind::Edit: t.ClassAtom(0x0081); break;
      case Kind::Label: t.ClassAtom(0x0082); break;
      case Kind::DropDown: t.ClassAtom(0x0085); break;
      case Kind::Spin: t.WideString("msctls_updown32"); break;
      default: t.ClassAtom(0x0080); break;
    }
    t.ItemEnd(control.caption);
  }
  return t.Finish();
}

// The index of the marked button of count, -1 for none.
int Marked(HWND window, int (*id)(int), int count) {
  for (int i = 0; i < count; ++i) {
    if (IsDlgButtonChecked(window, id(i)) == BST_CHECKED) return i;
  }
  return -1;
}

void Mark(HWND window, int (*id)(int), int count, int index) {
  if (index >= 0 && index < count) CheckRadioButton(window, id(0), id(count - 1), id(index));
}

std::string WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

}  // namespace

CommSettingsDialog::CommSettingsDialog(ProgramState& state, WindowOperator& messages, std::vector<SystemPort> ports)
    : state_(state), messages_(messages), ports_(std::move(ports)), template_(DialogTemplate(state.language)) {}

CommSettingsDialog::~CommSettingsDialog() {
  if (window_ != nullptr && !modal_) DestroyWindow(window_);
}

bool CommSettingsDialog::Run(HWND owner) {
  modal_ = true;
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()), owner,
                          DialogProc, reinterpret_cast<LPARAM>(this));
  window_ = nullptr;
  return result_.value_or(false);
}

HWND CommSettingsDialog::Create(HWND owner) {
  modal_ = false;
  return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<LPCDLGTEMPLATEW>(template_.data()),
                                    owner, DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CommSettingsDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<CommSettingsDialog*>(lParam);
    self->window_ = window;
    self->Open();
    return TRUE;
  }
  auto* self = reinterpret_cast<CommSettingsDialog*>(GetWindowLongPtrW(window, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

INT_PTR CommSettingsDialog::Handle(UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_DESTROY) {
    window_ = nullptr;
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  const int code = HIWORD(wParam);
  if (id == IDOK) {
    Accept();
    Close(true);
  } else if (id == IDCANCEL) {
    Close(false);
  } else if (id == comm_id::kPlus12 && code == BN_CLICKED) {
    RelabelPorts();
    ShowDevice();
  } else if (id >= comm_id::Port(0) && id < comm_id::Port(kPortButtonCount) && code == BN_CLICKED) {
    ShowDevice();
  } else if (id == comm_id::kPortList && code == CBN_SELCHANGE) {
    ChoosePortFromList();
  } else if (id == comm_id::kFindDevice && code == BN_CLICKED) {
    FindDevice();
  } else {
    return FALSE;
  }
  return TRUE;
}

void CommSettingsDialog::Open() {
  // The corrections of the opening are stored back, also when it is cancelled.
  const CommSettingsMarks marks = MarksForOpening(state_.connection.settings);
  Mark(window_, comm_id::Port, kPortButtonCount, marks.port);
  CheckDlgButton(window_, comm_id::kPlus12, marks.plus12 ? BST_CHECKED : BST_UNCHECKED);
  RelabelPorts();
  Mark(window_, comm_id::Speed, 2, marks.speed);
  Mark(window_, comm_id::Parity, 3, marks.parity);
  Mark(window_, comm_id::StopBits, 2, marks.stopBits);
  Mark(window_, comm_id::Timeout, 3, marks.timeout);
  Mark(window_, comm_id::Protocol, 3, marks.protocol);
  Mark(window_, comm_id::Sampling, 3, marks.sampling);
  Mark(window_, comm_id::Duration, 3, marks.duration);
  SendDlgItemMessageW(window_, comm_id::kAddressSpin, UDM_SETRANGE32, kLowestDeviceAddress, kHighestDeviceAddress);
  SetDlgItemTextW(window_, comm_id::kAddress, Widen(std::to_string(marks.address)).c_str());
  SendDlgItemMessageW(window_, comm_id::kAddress, EM_LIMITTEXT, 8, 0);
  const ProgramOptions& options = state_.options;
  CheckDlgButton(window_, comm_id::kVerifyAfterWrite, options.verifyAfterWrite ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, comm_id::kLocalEcho, options.localEcho ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(window_, comm_id::kWriteChangedOnly, options.writeChangedOnly ? BST_CHECKED : BST_UNCHECKED);
  for (const SystemPort& port : ports_) {
    const std::string item = PortName(port.number) + "  " + port.name;
    SendDlgItemMessageW(window_, comm_id::kPortList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  ShowDevice();
}

void CommSettingsDialog::RelabelPorts() {
  const bool plus12 = IsDlgButtonChecked(window_, comm_id::kPlus12) == BST_CHECKED;
  for (int i = 0; i < kPortButtonCount; ++i) {
    SetDlgItemTextW(window_, comm_id::Port(i), Widen(PortButtonCaption(i, plus12)).c_str());
  }
}

int CommSettingsDialog::MarkedPortNumber() const {
  const int marked = Marked(window_, comm_id::Port, kPortButtonCount);
  const bool plus12 = IsDlgButtonChecked(window_, comm_id::kPlus12) == BST_CHECKED;
  return (marked < 0 ? 1 : marked + 1) + (plus12 ? kPortButtonCount : 0);
}

// "Device: COM3 -> USB Serial Port (COM3)": the system's name of the port
// the marked number opens, or the name it is opened by when the system has
// no such port now. The list shows the same port chosen.
void CommSettingsDialog::ShowDevice() {
  const int number = MarkedPortNumber();
  const auto found = std::find_if(ports_.begin(), ports_.end(), [number](const SystemPort& p) { return p.number == number; });
  const std::string device = found != ports_.end() ? found->name : ResolvePortDevice(number, {}).string();
  const std::string text =
      std::string(Text(TextId::PortLinkCaption, state_.language)) + ": " + PortName(number) + " \u2192 " + device;
  SetDlgItemTextW(window_, comm_id::kDevice, Widen(text).c_str());
  const WPARAM index = found != ports_.end() ? static_cast<WPARAM>(found - ports_.begin()) : static_cast<WPARAM>(-1);
  SendDlgItemMessageW(window_, comm_id::kPortList, CB_SETCURSEL, index, 0);
}

void CommSettingsDialog::ChoosePortFromList() {
  const LRESULT index = SendDlgItemMessageW(window_, comm_id::kPortList, CB_GETCURSEL, 0, 0);
  if (index < 0 || static_cast<std::size_t>(index) >= ports_.size()) return;
  const int number = ports_[static_cast<std::size_t>(index)].number;
  CheckDlgButton(window_, comm_id::kPlus12, number > kPortButtonCount ? BST_CHECKED : BST_UNCHECKED);
  Mark(window_, comm_id::Port, kPortButtonCount, (number - 1) % kPortButtonCount);
  RelabelPorts();
  ShowDevice();
}

CommSettingsMarks CommSettingsDialog::ScreenMarks() const {
  CommSettingsMarks marks;
  marks.address = AddressFromText(WindowText(GetDlgItem(window_, comm_id::kAddress)));
  marks.port = Marked(window_, comm_id::Port, kPortButtonCount);
  marks.plus12 = IsDlgButtonChecked(window_, comm_id::kPlus12) == BST_CHECKED;
  marks.speed = Marked(window_, comm_id::Speed, 2);
  marks.parity = Marked(window_, comm_id::Parity, 3);
  marks.stopBits = Marked(window_, comm_id::StopBits, 2);
  marks.timeout = Marked(window_, comm_id::Timeout, 3);
  marks.protocol = Marked(window_, comm_id::Protocol, 3);
  marks.sampling = Marked(window_, comm_id::Sampling, 3);
  marks.duration = Marked(window_, comm_id::Duration, 3);
  return marks;
}

void CommSettingsDialog::Accept() {
  Connection& connection = state_.connection;
  connection.settings = SettingsFromMarks(connection.settings, ScreenMarks());
  // New settings take effect at the next open.
  if (connection.IsOpen()) connection.Close();
  state_.settingsConfirmed = true;

  const ProgramOptions before = state_.options;
  state_.options.verifyAfterWrite = IsDlgButtonChecked(window_, comm_id::kVerifyAfterWrite) == BST_CHECKED;
  state_.options.localEcho = IsDlgButtonChecked(window_, comm_id::kLocalEcho) == BST_CHECKED;
  state_.options.writeChangedOnly = IsDlgButtonChecked(window_, comm_id::kWriteChangedOnly) == BST_CHECKED;
  ApplyConnectionOptions(state_);
  if (state_.options != before) {
    if (const SaveOutcome saved = StoreProgramOptions(state_); !saved.ok) {
      messages_.ShowMessage(window_, OptionsNotSavedText(state_.optionsPath, saved.error, state_.language));
    }
  }
}

void CommSettingsDialog::Close(bool accepted) {
  result_ = accepted;
  if (modal_) {
    EndDialog(window_, accepted ? IDOK : IDCANCEL);
  } else {
    DestroyWindow(window_);
  }
}

std::vector<ScanPort> CommSettingsDialog::ScanPorts() const {
  std::vector<ScanPort> ports;
  const auto add = [&ports](int number) {
    const std::filesystem::path device = ResolvePortDevice(number, {});
    const bool known = std::any_of(ports.begin(), ports.end(), [&](const ScanPort& p) { return p.device == device; });
    if (!known) ports.push_back({device, PortName(number)});
  };
  add(MarkedPortNumber());
  for (const SystemPort& port : ports_) add(port.number);
  return ports;
}

void CommSettingsDialog::FindDevice() {
  ScanPlan plan;
  plan.current = SettingsFromMarks(state_.connection.settings, ScreenMarks());
  plan.protocols = {plan.current.protocol};
  plan.ports = ScanPorts();
  FindDeviceWindow finder(std::move(plan), state_.ports, state_.language, state_.clock);
  if (const std::optional<FoundRegulator> found = finder.Run(window_)) TakeFound(*found);
}

void CommSettingsDialog::TakeFound(const FoundRegulator& found) {
  SetDlgItemTextW(window_, comm_id::kAddress, Widen(std::to_string(found.address)).c_str());
  CheckDlgButton(window_, comm_id::kLocalEcho, found.localEcho ? BST_CHECKED : BST_UNCHECKED);
  Mark(window_, comm_id::Speed, 2, found.line.speed == 19200 ? 0 : 1);
  Mark(window_, comm_id::Parity, 3, std::clamp(found.line.parity, 1, 3) - 1);
  Mark(window_, comm_id::StopBits, 2, found.line.stopBits == 1 ? 0 : 1);
  Mark(window_, comm_id::Protocol, 3, static_cast<int>(found.line.protocol));
  for (int number = 1; number <= 2 * kPortButtonCount; ++number) {
    if (ResolvePortDevice(number, {}) != found.port.device) continue;
    CheckDlgButton(window_, comm_id::kPlus12, number > kPortButtonCount ? BST_CHECKED : BST_UNCHECKED);
    Mark(window_, comm_id::Port, kPortButtonCount, (number - 1) % kPortButtonCount);
    RelabelPorts();
    ShowDevice();
    break;
  }
}

}  // namespace klv
