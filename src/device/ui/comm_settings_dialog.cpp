#include "device/ui/comm_settings_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "device/regulator_scan.h"
#include "device/ui/find_device_dialog.h"
#include "widgets/message_box.h"
#include "widgets/screen_controls.h"
#include "text/texts.h"
#include "serial/comm_settings_screen.h"
#include "serial/line_settings.h"
#include "serial/port_device.h"
#include "serial/ui/port_links.h"

namespace klv {
namespace {

constexpr int kPortButtons = kPortButtonCount;

template <std::size_t N>
int FirstChecked(const std::array<QRadioButton*, N>& buttons) {
  for (std::size_t i = 0; i < N; ++i) {
    if (buttons[i]->isChecked()) return static_cast<int>(i);
  }
  return -1;
}

QString PathText(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

}  // namespace

QString DeviceCaption(Language language) {
  return ToQString(Text(TextId::PortLinkCaption, language));
}

QString NoLinkCaption(Language language) {
  return ToQString(Text(TextId::StandardLinkCaption, language));
}

QString SimulatedCaption(ModelKind model, Language language) {
  return ToQString(Text(TextId::SimulatedPort, language, {ModelName(model)}));
}

QString VerifyAfterWriteCaption(Language language) {
  return ToQString(Text(TextId::VerifyAfterWriting, language));
}

QString LocalEchoCaption(Language language) { return ToQString(Text(TextId::LocalEcho, language)); }

QString WriteChangedOnlyCaption(Language language) {
  return ToQString(Text(TextId::WriteChangedOnly, language));
}

CommSettingsDialog::CommSettingsDialog(Connection& connection, Language language, QWidget* parent,
                                       std::optional<std::vector<std::filesystem::path>> devices)
    : QDialog(parent),
      connection_(connection),
      settings_(connection.settings),
      language_(language),
      devices_(devices ? std::move(*devices) : FindSerialDevices()) {
  Build();
  Open();
}

CommSettingsDialog::~CommSettingsDialog() = default;

QString CommSettingsDialog::CaptionText(const char* key) const {
  return ToQString(Caption(Screen::CommunicationSettings, key, language_));
}

void CommSettingsDialog::Build() {
  setFont(ScreenQFont(language_));
  setWindowTitle(CaptionText("Communication settings"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

  QGroupBox* portBox = PortGroup();
  QGroupBox* parity = RadioButtonGroup("Parity", {"EVEN", "NON", "ODD"}, parity_.data());
  QGroupBox* timeout = RadioButtonGroup("Time out", {"50 ms", "100 ms", "200 ms"}, timeout_.data());
  QGroupBox* sampling = RadioButtonGroup("Data record sampling", {"10 sec", "1 min.", "5 min."}, sampling_.data());
  QGroupBox* duration = RadioButtonGroup("Data record time", {"10 min.", "1 hour", "24 hour"}, duration_.data());
  QGroupBox* speed = RadioButtonGroup("Speed", {"19200", "9600"}, speed_.data());
  QGroupBox* stop = RadioButtonGroup("Stop bit", {"1", "2"}, stopBits_.data());
  protocolGroup_ = RadioButtonGroup("Protocol", {"TORVALEK", "Modbus RTU", "Modbus ASCII"}, protocol_.data());
  protocolGroup_->setTitle(QString());
  protocolGroup_->hide();  // the connections always run in TORVALEK
  QGroupBox* addressBox = AddressGroup();
  BuildButtons();

  auto* grid = new QGridLayout;
  grid->addWidget(portBox, 0, 0, 2, 1);
  grid->addWidget(parity, 0, 1);
  grid->addWidget(speed, 1, 1);
  grid->addWidget(timeout, 0, 2);
  grid->addWidget(stop, 1, 2);
  grid->addWidget(sampling, 0, 3);
  grid->addWidget(duration, 1, 3);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(addressBox);
  auto* choices = new QVBoxLayout;
  choices->addStretch();
  choices->addWidget(verifyAfterWrite_);
  choices->addWidget(localEcho_);
  choices->addWidget(writeChangedOnly_);
  buttons->addLayout(choices);
  buttons->addStretch();
  buttons->addWidget(protocolGroup_);
  buttons->addWidget(findDevice_, 0, Qt::AlignBottom);
  buttons->addWidget(ok_, 0, Qt::AlignBottom);
  buttons->addWidget(cancel_, 0, Qt::AlignBottom);
  auto* outer = new QVBoxLayout(this);
  outer->addLayout(grid);
  outer->addLayout(buttons);
  outer->setSizeConstraint(QLayout::SetFixedSize);
}

// A group of radio buttons in rows, one exclusive set.
QGroupBox* CommSettingsDialog::RadioButtonGroup(const char* title, std::initializer_list<const char*> keys,
                                                QRadioButton** out) {
  auto* box = new QGroupBox(CaptionText(title), this);
  auto* column = new QVBoxLayout(box);
  auto* exclusive = new QButtonGroup(box);
  int i = 0;
  for (const char* key : keys) {
    auto* button = new QRadioButton(CaptionText(key), box);
    button->setObjectName(QString::fromLatin1(title) + QStringLiteral(":") + QString::fromLatin1(key));
    exclusive->addButton(button, i);
    column->addWidget(button);
    out[i++] = button;
  }
  column->addStretch();
  return box;
}

// Port: two columns of six, "+ 12" in the group's top corner, and the
// device the marked number reaches below them.
QGroupBox* CommSettingsDialog::PortGroup() {
  auto* portBox = new QGroupBox(CaptionText("Port"), this);
  auto* portLayout = new QGridLayout(portBox);
  auto* portGroup = new QButtonGroup(portBox);
  for (int i = 0; i < kPortButtons; ++i) {
    auto* button = new QRadioButton(portBox);
    button->setObjectName(QStringLiteral("port%1").arg(i + 1));
    portGroup->addButton(button, i);
    portLayout->addWidget(button, 1 + i % 6, i / 6);
    ports_[static_cast<std::size_t>(i)] = button;
  }
  plus12_ = new QCheckBox(CaptionText("+ 12"), portBox);
  portLayout->addWidget(plus12_, 0, 1, Qt::AlignRight);
  auto* deviceRow = new QHBoxLayout;
  auto* deviceCaption = new QLabel(DeviceCaption(language_) + QStringLiteral(":"), portBox);
  deviceRow->addWidget(deviceCaption);
  deviceLabel_ = new QLabel(portBox);
  deviceLabel_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  deviceRow->addWidget(deviceLabel_, 1);
  portLayout->addLayout(deviceRow, 7, 0, 1, 2);
  deviceChoice_ = new QComboBox(portBox);
  deviceChoice_->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  deviceChoice_->setMinimumContentsLength(24);
  portLayout->addWidget(deviceChoice_, 8, 0, 1, 2);

  connect(plus12_, &QCheckBox::toggled, this, [this] {
    RelabelPorts();
    ShowDevice();
  });
  connect(portGroup, &QButtonGroup::idToggled, this, [this](int, bool checked) {
    if (checked) ShowDevice();
  });
  connect(deviceChoice_, &QComboBox::activated, this, [this](int index) { OnDeviceChosen(index); });
  return portBox;
}

QGroupBox* CommSettingsDialog::AddressGroup() {
  auto* addressBox = new QGroupBox(CaptionText("Machine address"), this);
  auto* addressLayout = new QHBoxLayout(addressBox);
  address_ = new ScreenEdit(false, addressBox);
  address_->setObjectName(QStringLiteral("machineAddress"));
  address_->setMaxLength(8);
  addressSpin_ = new ScreenSpinButton(address_, addressBox);
  address_->SetSpin(addressSpin_);
  addressLayout->addWidget(address_);
  addressLayout->addWidget(addressSpin_);
  addressLayout->addStretch();
  return addressBox;
}

// Find device, OK and Cancel, and the verify check box (shown once bound).
void CommSettingsDialog::BuildButtons() {
  findDevice_ = new QPushButton(FindDeviceButtonCaption(language_), this);
  // Enter after a scan still means OK: this button never takes the default.
  findDevice_->setAutoDefault(false);
  connect(findDevice_, &QPushButton::clicked, this, &CommSettingsDialog::FindDevice);
  ok_ = new QPushButton(CaptionText("OK"), this);
  ok_->setDefault(true);
  cancel_ = new QPushButton(CaptionText("Cancel"), this);
  connect(ok_, &QPushButton::clicked, this, &CommSettingsDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &CommSettingsDialog::reject);
  verifyAfterWrite_ = new QCheckBox(VerifyAfterWriteCaption(language_), this);
  verifyAfterWrite_->setObjectName(QStringLiteral("verifyAfterWrite"));
  verifyAfterWrite_->hide();
  localEcho_ = new QCheckBox(LocalEchoCaption(language_), this);
  localEcho_->setObjectName(QStringLiteral("localEcho"));
  localEcho_->hide();
  writeChangedOnly_ = new QCheckBox(WriteChangedOnlyCaption(language_), this);
  writeChangedOnly_->setObjectName(QStringLiteral("writeChangedOnly"));
  writeChangedOnly_->hide();
}

void CommSettingsDialog::Open() {
  const CommSettingsMarks marks = MarksForOpening(settings_);
  ports_[static_cast<std::size_t>(marks.port)]->setChecked(true);
  plus12_->setChecked(marks.plus12);
  RelabelPorts();
  speed_[static_cast<std::size_t>(marks.speed)]->setChecked(true);
  parity_[static_cast<std::size_t>(marks.parity)]->setChecked(true);
  stopBits_[static_cast<std::size_t>(marks.stopBits)]->setChecked(true);
  timeout_[static_cast<std::size_t>(marks.timeout)]->setChecked(true);
  address_->setText(QString::number(marks.address));
  addressSpin_->SetRange(kLowestDeviceAddress, kHighestDeviceAddress);
  protocol_[static_cast<std::size_t>(marks.protocol)]->setChecked(true);
  sampling_[static_cast<std::size_t>(marks.sampling)]->setChecked(true);
  duration_[static_cast<std::size_t>(marks.duration)]->setChecked(true);
  ShowDevice();
}

void CommSettingsDialog::RelabelPorts() {
  for (int i = 0; i < kPortButtons; ++i) {
    ports_[static_cast<std::size_t>(i)]->setText(QString::fromStdString(PortButtonCaption(i, plus12_->isChecked())));
  }
}

int32_t CommSettingsDialog::MarkedPortNumber() const {
  const int marked = FirstChecked(ports_);
  return (marked < 0 ? 1 : marked + 1) + (plus12_->isChecked() ? 12 : 0);
}

void CommSettingsDialog::ShowDevice() {
  const int32_t number = MarkedPortNumber();
  std::optional<std::filesystem::path> target;
  if (const auto chosen = assignments_.find(number); chosen != assignments_.end()) {
    target = chosen->second;
  } else {
    target = PortLinkTarget(connection_.dataFolder, number);
  }
  const std::filesystem::path standard = ResolvePortDevice(number, {});
  deviceLabel_->setText(QString::fromStdString(PortName(number)) + QStringLiteral(" \u2192 ") +
                        PathText(target ? *target : standard));
  if (simulated_ && simulated_->first == number) {
    const QString simulated = ToQString(Text(TextId::SimulatedDemoLink, language_, {ModelName(simulated_->second)}));
    deviceLabel_->setText(QString::fromStdString(PortName(number)) + QStringLiteral(" \u2192 ") + simulated);
    // The drop-down offers no device either: the number reaches the simulation.
    showingDevice_ = true;
    deviceChoice_->clear();
    deviceChoice_->addItem(simulated);
    deviceChoice_->setEnabled(false);
    showingDevice_ = false;
    return;
  }

  showingDevice_ = true;
  deviceChoice_->clear();
  deviceChoice_->addItem(PathText(standard) + QStringLiteral(" ") + NoLinkCaption(language_));
  for (const auto& device : devices_) deviceChoice_->addItem(PathText(device));
  int index = 0;
  if (target) {
    const auto found = std::find(devices_.begin(), devices_.end(), *target);
    if (found == devices_.end()) {
      // A link made by hand to a device not found now: offered as it is.
      deviceChoice_->addItem(PathText(*target));
      index = deviceChoice_->count() - 1;
    } else {
      index = static_cast<int>(found - devices_.begin()) + 1;
    }
  }
  deviceChoice_->setCurrentIndex(index);
  deviceChoice_->setEnabled(!connection_.dataFolder.empty());
  showingDevice_ = false;
}

void CommSettingsDialog::BindVerifyAfterWrite(bool& verify) {
  verifyTarget_ = &verify;
  verifyAfterWrite_->setChecked(verify);
  verifyAfterWrite_->show();
}

void CommSettingsDialog::BindLocalEcho(bool& echo) {
  echoTarget_ = &echo;
  localEcho_->setChecked(echo);
  localEcho_->show();
}

void CommSettingsDialog::BindWriteChangedOnly(bool& changedOnly) {
  changedOnlyTarget_ = &changedOnly;
  writeChangedOnly_->setChecked(changedOnly);
  writeChangedOnly_->show();
}

void CommSettingsDialog::ShowSimulatedPort(int32_t number, ModelKind model, SerialPortFactory ports) {
  simulated_ = std::make_pair(number, model);
  scanPorts_ = std::move(ports);
  ShowDevice();
}

void CommSettingsDialog::OnDeviceChosen(int index) {
  if (showingDevice_ || index < 0) return;
  const int32_t number = MarkedPortNumber();
  if (index == 0) {
    assignments_[number] = std::nullopt;
  } else if (static_cast<std::size_t>(index - 1) < devices_.size()) {
    assignments_[number] = devices_[static_cast<std::size_t>(index - 1)];
  } else {
    // The hand-made link: keep it.
    assignments_.erase(number);
  }
  ShowDevice();
}

CommSettings CommSettingsDialog::ScreenSettings() const {
  CommSettingsMarks marks;
  marks.address = AddressFromText(address_->text().toStdString());
  marks.port = FirstChecked(ports_);
  marks.plus12 = plus12_->isChecked();
  marks.speed = FirstChecked(speed_);
  marks.parity = FirstChecked(parity_);
  marks.stopBits = FirstChecked(stopBits_);
  marks.timeout = FirstChecked(timeout_);
  marks.protocol = FirstChecked(protocol_);
  marks.sampling = FirstChecked(sampling_);
  marks.duration = FirstChecked(duration_);
  return SettingsFromMarks(settings_, marks);
}

void CommSettingsDialog::accept() {
  settings_ = ScreenSettings();
  // New settings take effect at the next open.
  if (connection_.IsOpen()) connection_.Close();

  for (const auto& [number, device] : assignments_) {
    std::string error;
    if (!AssignPortLink(connection_.dataFolder, number, device, error)) {
      ShowMessage(this, Text(TextId::PortLinkCannotBeMade, language_, {PortName(number), error}));
    }
  }
  assignments_.clear();

  if (verifyTarget_ != nullptr) *verifyTarget_ = verifyAfterWrite_->isChecked();
  if (echoTarget_ != nullptr) *echoTarget_ = localEcho_->isChecked();
  if (changedOnlyTarget_ != nullptr) *changedOnlyTarget_ = writeChangedOnly_->isChecked();

  QDialog::accept();
}

std::optional<std::filesystem::path> CommSettingsDialog::DeviceOf(int32_t number) const {
  if (const auto chosen = assignments_.find(number); chosen != assignments_.end()) return chosen->second;
  return PortLinkTarget(connection_.dataFolder, number);
}

std::vector<ScanPort> CommSettingsDialog::ScanPorts() const {
  const int32_t marked = MarkedPortNumber();
  // The demo's regulator sits behind the path its COM number resolves to,
  // and is found at once there; the machine's own ports are not its concern.
  if (simulated_ && simulated_->first == marked) {
    const QString name = QString::fromStdString(PortName(marked)) + QStringLiteral(" (") +
                         SimulatedCaption(simulated_->second, language_) + QStringLiteral(")");
    return {{ResolvePortDevice(marked, connection_.dataFolder), name.toStdString()}};
  }
  std::vector<ScanPort> ports;
  const auto add = [&ports](const std::filesystem::path& device, std::string name) {
    const bool known = std::any_of(ports.begin(), ports.end(), [&](const ScanPort& p) { return p.device == device; });
    if (!known) ports.push_back({device, std::move(name)});
  };
  const auto present = [this](const std::filesystem::path& device) {
    return std::find(devices_.begin(), devices_.end(), device) != devices_.end();
  };
  const auto named = [](int32_t number, const std::filesystem::path& device) {
    return PortName(number) + " (" + device.string() + ")";
  };
  const std::filesystem::path markedDevice = DeviceOf(marked).value_or(ResolvePortDevice(marked, {}));
  add(markedDevice, named(marked, markedDevice));
  for (int32_t number = 1; number <= 2 * kPortButtons; ++number) {
    const std::optional<std::filesystem::path> linked = DeviceOf(number);
    const std::filesystem::path device = linked.value_or(ResolvePortDevice(number, {}));
    if (linked || present(device)) add(device, named(number, device));
  }
  for (const auto& device : devices_) add(device, device.string());
  return ports;
}

void CommSettingsDialog::FindDevice() {
  ScanPlan plan;
  plan.current = ScreenSettings();
  plan.protocols = {plan.current.protocol};
  plan.ports = ScanPorts();
  // The simulated regulator is the only one there is: the first find is the answer.
  plan.stopAtFirst = simulated_ && simulated_->first == MarkedPortNumber();
  FindDeviceDialog dialog(std::move(plan), scanPorts_, language_, this);
  dialog.setFont(font());
  if (dialog.exec() == QDialog::Accepted && dialog.Chosen()) TakeFound(*dialog.Chosen());
}

void CommSettingsDialog::TakeFound(const FoundRegulator& found) {
  address_->setText(QString::number(found.address));
  localEcho_->setChecked(found.localEcho);
  speed_[found.line.speed == 19200 ? 0 : 1]->setChecked(true);
  parity_[static_cast<std::size_t>(std::clamp(found.line.parity, 1, 3) - 1)]->setChecked(true);
  stopBits_[found.line.stopBits == 1 ? 0 : 1]->setChecked(true);
  protocol_[static_cast<std::size_t>(found.line.protocol)]->setChecked(true);

  // The COM number that already reaches the port, else the marked one
  // pointed at it.
  const auto reaches = [&](int32_t number) {
    const std::filesystem::path device = DeviceOf(number).value_or(ResolvePortDevice(number, {}));
    std::error_code error;
    return device == found.port.device || std::filesystem::equivalent(device, found.port.device, error);
  };
  int32_t number = MarkedPortNumber();
  if (!reaches(number)) {
    int32_t other = 1;
    while (other <= 2 * kPortButtons && !reaches(other)) ++other;
    if (other <= 2 * kPortButtons) {
      number = other;
    } else if (!connection_.dataFolder.empty()) {
      assignments_[number] = found.port.device;
    }
  }
  plus12_->setChecked(number > kPortButtons);
  ports_[static_cast<std::size_t>((number - 1) % kPortButtons)]->setChecked(true);
  RelabelPorts();
  ShowDevice();
}

}  // namespace klv
