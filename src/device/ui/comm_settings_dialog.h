#pragma once
// The communication settings screen: port, speed, parity, stop bits, read
// time-out, device address and the data-record sampling, shown from the
// Tools menu and before every connection. Opening it corrects the stored
// values it cannot show; OK takes the screen into the settings (and closes
// an open port, so the next open uses them); Cancel changes nothing more.
// Beside the port buttons it shows the device the marked COM number reaches
// and lets the operator point that number at a serial device of the machine.
#include <QDialog>
#include <array>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

#include "text/texts.h"
#include "model/model_kind.h"
#include "serial/comm_settings.h"
#include "serial/connection.h"
#include "serial/port.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

namespace klv {

struct FoundRegulator;
struct ScanPort;
class ScreenEdit;
class ScreenSpinButton;

class CommSettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // The screen edits the connection's settings (the port is closed on OK,
  // so that the next transfer opens it with them) and the port links of its
  // data folder (empty: no links, no assignment); the connection must outlive
  // the screen. devices: the serial devices to offer; by default those found
  // on the machine.
  CommSettingsDialog(Connection& connection, Language language, QWidget* parent = nullptr,
                     std::optional<std::vector<std::filesystem::path>> devices = std::nullopt);
  ~CommSettingsDialog() override;

  // OK: the screen into the settings, in the order of the rules.
  void accept() override;

  // The controls, for the tests and pictures.
  QRadioButton* PortButton(int index) const { return ports_[static_cast<std::size_t>(index)]; }  // 0..11
  QCheckBox* Plus12Box() const { return plus12_; }
  QRadioButton* ParityButton(int index) const { return parity_[static_cast<std::size_t>(index)]; }  // EVEN NON ODD
  QRadioButton* TimeoutButton(int index) const { return timeout_[static_cast<std::size_t>(index)]; }  // 50 100 200
  QRadioButton* SamplingButton(int index) const { return sampling_[static_cast<std::size_t>(index)]; }
  QRadioButton* DurationButton(int index) const { return duration_[static_cast<std::size_t>(index)]; }
  QRadioButton* SpeedButton(int index) const { return speed_[static_cast<std::size_t>(index)]; }  // 19200 9600
  QRadioButton* StopBitButton(int index) const { return stopBits_[static_cast<std::size_t>(index)]; }  // 1 2
  QRadioButton* ProtocolButton(int index) const { return protocol_[static_cast<std::size_t>(index)]; }
  QGroupBox* ProtocolGroup() const { return protocolGroup_; }
  ScreenEdit* AddressField() const { return address_; }
  ScreenSpinButton* AddressSpin() const { return addressSpin_; }
  QLabel* DeviceLabel() const { return deviceLabel_; }
  QComboBox* DeviceChoice() const { return deviceChoice_; }
  QCheckBox* VerifyAfterWriteBox() const { return verifyAfterWrite_; }
  QCheckBox* LocalEchoBox() const { return localEcho_; }
  QCheckBox* WriteChangedOnlyBox() const { return writeChangedOnly_; }
  QPushButton* OkButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }

  // The settings as the screen shows them now (what OK would store).
  CommSettings ScreenSettings() const;

  // "Find device": the ports the scan tries, each named by its COM number and
  // the device it reaches ("COM3 (/dev/ttyUSB0)"): the marked COM number
  // first, then every other number with a link or a present device, then the
  // devices offered that no number reaches, by their path. In the demo, with
  // the simulated port marked, that port alone. And the ports it opens them with.
  std::vector<ScanPort> ScanPorts() const;
  void SetScanPortFactory(SerialPortFactory ports) { scanPorts_ = std::move(ports); }
  QPushButton* FindDeviceButton() const { return findDevice_; }
  // A found regulator's settings onto the screen: speed, parity, stop bits,
  // address, protocol, and the COM number that reaches its port (the marked
  // number is pointed at the port when none does).
  void TakeFound(const FoundRegulator& found);

  // The COM number the marked button and "+ 12" stand for.
  int32_t MarkedPortNumber() const;

  // Shows the "Verify after writing" box ticked as verify is; OK stores the
  // box into it. Without this call the box is not shown.
  void BindVerifyAfterWrite(bool& verify);
  // Shows the "Local echo" box ticked as echo is; OK stores the box into it
  // (a regulator found only with echo on ticks it). Without this call the box
  // is not shown.
  void BindLocalEcho(bool& echo);
  // Shows the "Write changed values only" box ticked as changedOnly is; OK
  // stores the box into it. Without this call the box is not shown.
  void BindWriteChangedOnly(bool& changedOnly);

  // In the demo mode: the port number that reaches the simulated regulator
  // of model, shown as such instead of its device, and the ports that reach
  // it, for Find device.
  void ShowSimulatedPort(int32_t number, ModelKind model, SerialPortFactory ports);

 private:
  void Build();
  QGroupBox* RadioButtonGroup(const char* title, std::initializer_list<const char*> keys, QRadioButton** out);
  QGroupBox* PortGroup();
  QGroupBox* AddressGroup();
  void BuildButtons();
  void Open();
  void RelabelPorts();
  void ShowDevice();
  void OnDeviceChosen(int index);
  void FindDevice();
  std::optional<std::filesystem::path> DeviceOf(int32_t number) const;
  QString CaptionText(const char* key) const;

  Connection& connection_;
  CommSettings& settings_;  // the connection's
  std::optional<std::pair<int32_t, ModelKind>> simulated_;
  Language language_;
  std::vector<std::filesystem::path> devices_;
  // COM number -> device chosen on this showing (nothing: back to ttyS).
  std::map<int32_t, std::optional<std::filesystem::path>> assignments_;
  bool showingDevice_ = false;

  std::array<QRadioButton*, 12> ports_{};
  QCheckBox* plus12_ = nullptr;
  std::array<QRadioButton*, 3> parity_{};
  std::array<QRadioButton*, 3> timeout_{};
  std::array<QRadioButton*, 3> sampling_{};
  std::array<QRadioButton*, 3> duration_{};
  std::array<QRadioButton*, 2> speed_{};
  std::array<QRadioButton*, 2> stopBits_{};
  std::array<QRadioButton*, 3> protocol_{};
  QGroupBox* protocolGroup_ = nullptr;
  ScreenEdit* address_ = nullptr;
  ScreenSpinButton* addressSpin_ = nullptr;
  QLabel* deviceLabel_ = nullptr;
  QComboBox* deviceChoice_ = nullptr;
  QPushButton* findDevice_ = nullptr;
  SerialPortFactory scanPorts_ = MakeSystemSerialPort;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QCheckBox* verifyAfterWrite_ = nullptr;
  bool* verifyTarget_ = nullptr;
  QCheckBox* localEcho_ = nullptr;
  bool* echoTarget_ = nullptr;
  QCheckBox* writeChangedOnly_ = nullptr;
  bool* changedOnlyTarget_ = nullptr;
};

// The device-assignment texts of the screen (the settings screen's own
// captions come from the caption table).
QString DeviceCaption(Language language);
QString NoLinkCaption(Language language);
QString VerifyAfterWriteCaption(Language language);
QString LocalEchoCaption(Language language);
QString WriteChangedOnlyCaption(Language language);
// "simulated KLV40": the demo's regulator where a device would be named.
QString SimulatedCaption(ModelKind model, Language language);

}  // namespace klv
