#include "editor/ui/parameter_screen.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QVBoxLayout>
#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/screen_layout.h"
#include "editor/ui/parameter_screen_controls.h"
#include "editor/ui/screen_icons.h"
#include "widgets/message_box.h"
#include "widgets/screen_controls.h"

namespace klv {

namespace {

// Object names of the controls, so that tests and pictures can find them.
const char* GroupKey(RadioGroup group) {
  switch (group) {
    case RadioGroup::KeyLock: return "keyLock";
    case RadioGroup::FuseMelted: return "fuseMelted";
    case RadioGroup::PowerSupplyError: return "powerSupplyError";
    case RadioGroup::CurrentError: return "currentError";
    case RadioGroup::HardwareError: return "hardwareError";
    case RadioGroup::TemperatureError: return "temperatureError";
    case RadioGroup::HeaterBreak: return "heaterBreak";
    case RadioGroup::RampLowerLimit: return "rampLowerLimit";
    case RadioGroup::RampUpperSelection: return "rampUpperSelection";
    case RadioGroup::CurrentLimiter: return "currentLimiter";
    case RadioGroup::Do1: return "do1";
    case RadioGroup::Do2: return "do2";
    case RadioGroup::Di1: return "di1";
    case RadioGroup::Di2: return "di2";
    case RadioGroup::Di3: return "di3";
    case RadioGroup::AnalogInput: return "analogInput";
    case RadioGroup::AnalogOutput: return "analogOutput";
    case RadioGroup::ControlInput: return "controlInput";
    case RadioGroup::PowerDip: return "powerDip";
  }
  return "";
}

const char* FieldKey(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent: return "heaterBreakCurrent";
    case EditField::RampLowerLimit: return "rampLowerLimit";
    case EditField::RampUpperSetting: return "rampUpperSetting";
    case EditField::SlowUp: return "slowUp";
    case EditField::SlowDown: return "slowDown";
    case EditField::CurrentLimiter: return "currentLimiter";
    case EditField::BootLimiter: return "bootLimiter";
    case EditField::BootLimiterTime: return "bootLimiterTime";
    case EditField::ScaleLow: return "scaleLow";
    case EditField::ScaleHigh: return "scaleHigh";
  }
  return "";
}

// The caption keys of a group's buttons, in screen order.
std::vector<std::string_view> ButtonKeys(RadioGroup group) {
  switch (group) {
    case RadioGroup::KeyLock:
    case RadioGroup::PowerDip: return {"OFF", "ON"};
    case RadioGroup::RampLowerLimit: return {"Number", "VR1", "VR2"};
    case RadioGroup::RampUpperSelection: return {"Ramp higher limit setting only", "VR1", "VR2"};
    case RadioGroup::CurrentLimiter: return {"Number", "VR1", "VR2", "VR3"};
    case RadioGroup::Do1:
    case RadioGroup::Do2: return {"non", "STY", "EXE", "HB"};
    case RadioGroup::Di1:
    case RadioGroup::Di2: return {"non", "POS", "INV"};
    case RadioGroup::Di3: return {"non", "POS"};
    case RadioGroup::AnalogInput: return {"NON", "GAIN"};
    case RadioGroup::AnalogOutput: return {"OUTP", "INPT"};
    case RadioGroup::ControlInput:
      return {"4-20mA", "0-20mA", "0-1V", "1-5V", "0-10V", "Potential", "Contact", "Voltage pulse"};
    default: return {"AL1", "AL2", "non"};  // the six alarm groups
  }
}

// A hidden control keeps its room, so hiding a row leaves the others in place.
void KeepRoomWhenHidden(QWidget* widget) {
  QSizePolicy policy = widget->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  widget->setSizePolicy(policy);
}

QVBoxLayout* Column(int spacing = 1) {
  auto* layout = new QVBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  return layout;
}

QHBoxLayout* Row(int spacing = 4) {
  auto* layout = new QHBoxLayout;
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(spacing);
  return layout;
}

QGridLayout* Grid(int columnSpacing, int rowSpacing) {
  auto* grid = new QGridLayout;
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(columnSpacing);
  grid->setVerticalSpacing(rowSpacing);
  return grid;
}

// Every edit field takes digits only, except the limiter field, which shows
// "off", and the slow-down field.
bool TakesAnyText(EditField field) { return field == EditField::CurrentLimiter || field == EditField::SlowDown; }

}  // namespace

// ---- Building ------------------------------------------------------------------

// Makes the screen's groups row by row and records their controls in
// Controls. Each row lists its groups left to right with their widths, and
// its own height, in the proportions of the screen's design.
class ParameterScreen::Builder {
 public:
  struct GroupRow {
    std::vector<std::pair<QWidget*, int>> groups;
    int height = 0;
  };

  Builder(ParameterScreen& screen, Controls& controls) : screen_(screen), u_(controls) {}

  GroupRow KeyLockAndAlarmRow();
  GroupRow RampAndLimiterRow();
  GroupRow DigitalAndBootLimiterRow();
  GroupRow AnalogAndControlInputRow();
  GroupRow OptionRow();

 private:
  ScreenGroupBox* KeyLockGroup();
  ScreenGroupBox* AlarmAllocationGroup();
  ScreenGroupBox* AlarmGroup(RadioGroup group, std::string_view key, ScreenIcon icon);
  QVBoxLayout* HeaterBreakCurrentColumn();
  ScreenGroupBox* RampLowerLimitGroup();
  ScreenGroupBox* RampUpperSelectionGroup();
  ScreenGroupBox* RampUpperSettingGroup();
  ScreenGroupBox* SlowUpDownGroup();
  ScreenGroupBox* CurrentLimiterGroup();
  ScreenGroupBox* ButtonGroup(RadioGroup group, std::string_view key);
  ScreenGroupBox* DigitalInputGroup(RadioGroup group, std::string_view key, std::string_view note);
  ScreenGroupBox* BootLimiterGroup();
  ScreenGroupBox* ScalingGroup();
  ScreenGroupBox* ControlInputGroup();
  ScreenGroupBox* PowerDipGroup();
  ScreenGroupBox* OptionsGroup();

  QString Caption(std::string_view key) const;
  ScreenGroupBox* Box(std::string_view key, const QString& name) const;
  QLabel* Label(std::string_view key, const QString& name) const;
  static QLabel* Icon(ScreenIcon which, const QString& name);
  std::vector<QRadioButton*>& Radios(RadioGroup group, ScreenGroupBox* owner);
  QHBoxLayout* Field(EditField which);
  void LabelRow(EditField which, std::string_view key, std::string_view unit);
  QVBoxLayout* ButtonColumn(RadioGroup group, ScreenGroupBox* owner, QLabel* picture);
  QGridLayout* LabelledFields(std::initializer_list<EditField> fields, int rowSpacing, int roomBelow);
  static QHBoxLayout* BesideIcon(QLabel* picture, QLayout* content);

  ParameterScreen& screen_;
  Controls& u_;
};

void ParameterScreen::Build() {
  Builder builder(*this, *ui_);
  // Every row is made, top to bottom, before the screen places them.
  const Builder::GroupRow rows[] = {builder.KeyLockAndAlarmRow(), builder.RampAndLimiterRow(),
                                    builder.DigitalAndBootLimiterRow(), builder.AnalogAndControlInputRow(),
                                    builder.OptionRow()};
  auto* screen = new QVBoxLayout(this);
  screen->setContentsMargins(4, 4, 4, 4);
  screen->setSpacing(3);
  for (const Builder::GroupRow& row : rows) {
    QHBoxLayout* line = Row(3);
    for (const auto& [group, width] : row.groups) line->addWidget(group, width);
    screen->addLayout(line, row.height);
  }
  FitButtonHeights();
}

// ---- The rows ----

ParameterScreen::Builder::GroupRow ParameterScreen::Builder::KeyLockAndAlarmRow() {
  return {{{KeyLockGroup(), 52}, {AlarmAllocationGroup(), 459}}, 98};
}

ParameterScreen::Builder::GroupRow ParameterScreen::Builder::RampAndLimiterRow() {
  return {{{RampLowerLimitGroup(), 68},
           {RampUpperSelectionGroup(), 137},
           {RampUpperSettingGroup(), 93},
           {SlowUpDownGroup(), 124},
           {CurrentLimiterGroup(), 76}},
          75};
}

ParameterScreen::Builder::GroupRow ParameterScreen::Builder::DigitalAndBootLimiterRow() {
  return {{{ButtonGroup(RadioGroup::Do1, "DO-1"), 41},
           {ButtonGroup(RadioGroup::Do2, "DO-2"), 41},
           {DigitalInputGroup(RadioGroup::Di1, "DI-1", "Manual operation"), 68},
           {DigitalInputGroup(RadioGroup::Di2, "DI-2", "EXE setting"), 68},
           {DigitalInputGroup(RadioGroup::Di3, "DI-3", "Restrictions when booting"), 97},
           {BootLimiterGroup(), 178}},
          65};
}

ParameterScreen::Builder::GroupRow ParameterScreen::Builder::AnalogAndControlInputRow() {
  return {{{ButtonGroup(RadioGroup::AnalogInput, "Analog input"), 53},
           {ButtonGroup(RadioGroup::AnalogOutput, "Analog output"), 55},
           {ScalingGroup(), 126},
           {ControlInputGroup(), 162},
           {PowerDipGroup(), 101}},
          54};
}

ParameterScreen::Builder::GroupRow ParameterScreen::Builder::OptionRow() { return {{{OptionsGroup(), 513}}, 47}; }

// ---- The groups ----

ScreenGroupBox* ParameterScreen::Builder::KeyLockGroup() {
  ScreenGroupBox* group = Box("Key lock", "keyLock");
  group->setLayout(ButtonColumn(RadioGroup::KeyLock, group, Icon(ScreenIcon::KeyLock, "keyLock")));
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::AlarmAllocationGroup() {
  ScreenGroupBox* alarms = Box("Alarm allocation", "alarmAllocation");
  QHBoxLayout* alarmRow = Row();
  alarms->setLayout(alarmRow);
  const struct {
    RadioGroup group;
    std::string_view key;
    ScreenIcon icon;
    int width;
  } alarmGroups[] = {
      {RadioGroup::FuseMelted, "Fuse melted", ScreenIcon::FuseMelted, 52},
      {RadioGroup::PowerSupplyError, "Power supply error", ScreenIcon::PowerSupplyError, 70},
      {RadioGroup::CurrentError, "Current error", ScreenIcon::CurrentError, 52},
      {RadioGroup::HardwareError, "H/W error", ScreenIcon::HardwareError, 52},
      {RadioGroup::TemperatureError, "Temperature error", ScreenIcon::TemperatureError, 68},
      {RadioGroup::HeaterBreak, "Heater break", ScreenIcon::HeaterBreak, 135},
  };
  for (const auto& alarm : alarmGroups) {
    alarmRow->addWidget(AlarmGroup(alarm.group, alarm.key, alarm.icon), alarm.width);
  }
  return alarms;
}

// "Heater break" also holds the alarm current, to the right of its buttons.
ScreenGroupBox* ParameterScreen::Builder::AlarmGroup(RadioGroup which, std::string_view key, ScreenIcon icon) {
  const QString name = QLatin1String(GroupKey(which));
  ScreenGroupBox* group = Box(key, name);
  QVBoxLayout* column = ButtonColumn(which, group, Icon(icon, name));
  if (which != RadioGroup::HeaterBreak) {
    group->setLayout(column);
    return group;
  }
  QHBoxLayout* inner = Row(6);
  inner->addLayout(column);
  inner->addLayout(HeaterBreakCurrentColumn(), 1);
  group->setLayout(inner);
  return group;
}

QVBoxLayout* ParameterScreen::Builder::HeaterBreakCurrentColumn() {
  Controls::LabelRow& labels = u_.labels[Index(EditField::HeaterBreakCurrent)];
  labels.label = Label("Heater break alarm current", "label.heaterBreakCurrent");
  labels.label->setWordWrap(true);
  labels.unit = Label("( % )", "unit.heaterBreakCurrent");
  QHBoxLayout* entry = Row();
  entry->addLayout(Field(EditField::HeaterBreakCurrent));
  entry->addWidget(labels.unit);
  entry->addStretch(1);
  QVBoxLayout* current = Column(3);
  current->addStretch(1);
  current->addWidget(labels.label);
  current->addLayout(entry);
  current->addStretch(1);
  return current;
}

ScreenGroupBox* ParameterScreen::Builder::RampLowerLimitGroup() {
  ScreenGroupBox* group = Box("Ramp lower limit", "rampLowerLimit");
  std::vector<QRadioButton*>& buttons = Radios(RadioGroup::RampLowerLimit, group);
  QVBoxLayout* column = Column();
  column->addWidget(buttons[0]);
  QHBoxLayout* entry = Row();
  entry->addSpacing(14);
  entry->addLayout(Field(EditField::RampLowerLimit));
  entry->addStretch(1);
  column->addLayout(entry);
  QLabel* unit = Label("( x 0.1% )", "unit.rampLowerLimit");
  unit->setIndent(14);
  column->addWidget(unit);
  column->addWidget(buttons[1]);
  column->addWidget(buttons[2]);
  column->addStretch(1);
  group->setLayout(column);
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::RampUpperSelectionGroup() {
  ScreenGroupBox* group = Box("Ramp higher limit selection", "rampUpperSelection");
  std::vector<QRadioButton*>& buttons = Radios(RadioGroup::RampUpperSelection, group);
  QVBoxLayout* column = Column();
  column->addWidget(buttons[0]);
  // Each volume button with its note below it.
  const std::string_view notes[] = {"( Ramp higher limit setting x VR1 )", "( Ramp higher limit setting x VR2 )"};
  for (int volume = 1; volume <= 2; ++volume) {
    column->addWidget(buttons[static_cast<std::size_t>(volume)]);
    QLabel* note = Label(notes[volume - 1], QStringLiteral("note.rampUpperSelection.%1").arg(volume));
    note->setIndent(18);
    column->addWidget(note);
  }
  column->addStretch(1);
  group->setLayout(column);
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::RampUpperSettingGroup() {
  ScreenGroupBox* group = Box("Ramp higher limit setting", "rampUpperSetting");
  QVBoxLayout* column = Column(2);
  column->addStretch(1);
  QHBoxLayout* entry = Row();
  entry->addStretch(1);
  entry->addLayout(Field(EditField::RampUpperSetting));
  entry->addStretch(1);
  column->addLayout(entry);
  column->addWidget(Label("( x 0.1% )", "unit.rampUpperSetting"), 0, Qt::AlignHCenter);
  column->addStretch(2);
  group->setLayout(column);
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::SlowUpDownGroup() {
  u_.slowBox = Box("Slow-up/slow-down", "slow");
  LabelRow(EditField::SlowUp, "Slow-up", "( x 0.1sec )");
  LabelRow(EditField::SlowDown, "Slow-down", "( x 0.1sec )");
  const Controls::LabelRow& slowDown = u_.labels[Index(EditField::SlowDown)];
  QGridLayout* grid = LabelledFields({EditField::SlowUp, EditField::SlowDown}, 6, 2);
  // The KLV30 hides the slow-down row; the rows around it stay in place.
  for (QWidget* widget : {static_cast<QWidget*>(slowDown.label), static_cast<QWidget*>(slowDown.colon),
                          static_cast<QWidget*>(slowDown.unit),
                          static_cast<QWidget*>(u_.edits[Index(EditField::SlowDown)]),
                          static_cast<QWidget*>(u_.spins[Index(EditField::SlowDown)])}) {
    KeepRoomWhenHidden(widget);
  }
  u_.slowBox->setLayout(grid);
  return u_.slowBox;
}

ScreenGroupBox* ParameterScreen::Builder::CurrentLimiterGroup() {
  ScreenGroupBox* group = Box("Current limiter ( % )", "currentLimiter");
  std::vector<QRadioButton*>& buttons = Radios(RadioGroup::CurrentLimiter, group);
  QGridLayout* grid = Grid(4, 1);
  grid->addWidget(buttons[0], 0, 0, 1, 2);
  QHBoxLayout* entry = Row();
  entry->addSpacing(14);
  entry->addLayout(Field(EditField::CurrentLimiter));
  entry->addStretch(1);
  grid->addLayout(entry, 1, 0, 1, 2);
  grid->addWidget(buttons[1], 2, 0);
  grid->addWidget(buttons[2], 3, 0);
  grid->addWidget(buttons[3], 4, 0);
  grid->addWidget(Icon(ScreenIcon::CurrentLimiter, "currentLimiter"), 2, 1, 3, 1, Qt::AlignCenter);
  grid->setColumnStretch(1, 1);
  grid->setRowStretch(5, 1);
  group->setLayout(grid);
  return group;
}

// A group of buttons in one column, named after its radio group.
ScreenGroupBox* ParameterScreen::Builder::ButtonGroup(RadioGroup which, std::string_view key) {
  ScreenGroupBox* group = Box(key, QLatin1String(GroupKey(which)));
  group->setLayout(ButtonColumn(which, group, nullptr));
  return group;
}

// A "DI" group: its buttons and a note saying what the input does.
ScreenGroupBox* ParameterScreen::Builder::DigitalInputGroup(RadioGroup which, std::string_view key,
                                                            std::string_view note) {
  const QString name = QLatin1String(GroupKey(which));
  ScreenGroupBox* group = Box(key, name);
  QVBoxLayout* column = ButtonColumn(which, group, nullptr);
  QLabel*& label = u_[which].note;
  label = Label(note, QStringLiteral("label.") + name);
  column->insertWidget(column->count() - 1, label);
  group->setLayout(column);
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::BootLimiterGroup() {
  u_.bootBox = Box("Limiter when booting", "bootLimiter");
  QLabel* picture = Icon(ScreenIcon::BootLimiter, "bootLimiter");
  LabelRow(EditField::BootLimiter, "Output limiter", "( x 0.1% )");
  LabelRow(EditField::BootLimiterTime, "Limiter time", "( x 0.1sec )");
  QGridLayout* fields = LabelledFields({EditField::BootLimiter, EditField::BootLimiterTime}, 6, 1);
  u_.bootBox->setLayout(BesideIcon(picture, fields));
  return u_.bootBox;
}

ScreenGroupBox* ParameterScreen::Builder::ScalingGroup() {
  u_.scalingBox = Box("Analog output scaling ( x 0.1% )", "scaling");
  QLabel* picture = Icon(ScreenIcon::Scaling, "scaling");
  LabelRow(EditField::ScaleLow, "Lower limit value", "");
  LabelRow(EditField::ScaleHigh, "Higher limit value", "");
  QGridLayout* fields = LabelledFields({EditField::ScaleLow, EditField::ScaleHigh}, 3, 1);
  u_.scalingBox->setLayout(BesideIcon(picture, fields));
  return u_.scalingBox;
}

// "Current" and "Voltage" on top choose which of the eight inputs below may
// be chosen; the two sets are separate choices in one box.
ScreenGroupBox* ParameterScreen::Builder::ControlInputGroup() {
  ScreenGroupBox* group = Box("Control input", "controlInput");
  std::vector<QRadioButton*>& inputs = Radios(RadioGroup::ControlInput, group);
  u_.inputKind = new QButtonGroup(&screen_);
  u_.current = new QRadioButton(Caption("Current"));
  u_.current->setObjectName(QStringLiteral("radio.current"));
  u_.voltage = new QRadioButton(Caption("Voltage"));
  u_.voltage->setObjectName(QStringLiteral("radio.voltage"));
  u_.inputKind->addButton(u_.current, 0);
  u_.inputKind->addButton(u_.voltage, 1);
  KeepRoomWhenHidden(u_.current);
  KeepRoomWhenHidden(u_.voltage);
  QGridLayout* grid = Grid(4, 0);
  grid->addWidget(u_.current, 0, 0);
  grid->addWidget(u_.voltage, 0, 1);
  for (int i = 0; i < kInputCount; ++i) grid->addWidget(inputs[static_cast<std::size_t>(i)], 1 + i / 3, i % 3);
  grid->setRowStretch(4, 1);
  group->setLayout(grid);
  return group;
}

ScreenGroupBox* ParameterScreen::Builder::PowerDipGroup() {
  ScreenGroupBox* group = Box("Power supply instantaneous", "powerDip");
  std::vector<QRadioButton*>& buttons = Radios(RadioGroup::PowerDip, group);
  QVBoxLayout* column = Column(2);
  u_[RadioGroup::PowerDip].note = Label("stop handling function", "label.powerDip");
  column->addWidget(u_[RadioGroup::PowerDip].note);
  column->addWidget(buttons[0]);
  column->addWidget(buttons[1]);
  column->addStretch(1);
  group->setLayout(column);
  return group;
}

// The option check boxes: the one-series models' box and the KLV40's four.
ScreenGroupBox* ParameterScreen::Builder::OptionsGroup() {
  ScreenGroupBox* options = Box("Optional item information", "options");
  QHBoxLayout* inner = Row(6);
  u_.optionsOneSeries = Box("KLV30", "optionsOneSeries");
  u_.optionsKlv40 = Box("KLV40", "optionsKlv40");
  const std::string_view keys[] = {"Output current detection function", "Analog auxiliary input", "Alarm output 2",
                                   "Digital control output", kAnalogOutputOptionKey};
  for (std::size_t i = 0; i < u_.options.size(); ++i) {
    u_.options[i] = new QCheckBox(Caption(keys[i]));
    u_.options[i]->setObjectName(QStringLiteral("option.%1").arg(i));
  }
  QHBoxLayout* oneSeries = Row();
  oneSeries->addWidget(u_.options[0]);
  oneSeries->addStretch(1);
  u_.optionsOneSeries->setLayout(oneSeries);
  QHBoxLayout* klv40 = Row(12);
  for (std::size_t i = 1; i < u_.options.size(); ++i) klv40->addWidget(u_.options[i]);
  klv40->addStretch(1);
  u_.optionsKlv40->setLayout(klv40);
  inner->addWidget(u_.optionsOneSeries, 132);
  inner->addWidget(u_.optionsKlv40, 361);
  options->setLayout(inner);
  return options;
}

// ---- The parts of a group ----

QString ParameterScreen::Builder::Caption(std::string_view key) const {
  return ToQString(klv::Caption(Screen::MainWindow, key, screen_.language_));
}

ScreenGroupBox* ParameterScreen::Builder::Box(std::string_view key, const QString& name) const {
  auto* group = new ScreenGroupBox(Caption(key));
  group->setObjectName(QStringLiteral("box.") + name);
  return group;
}

QLabel* ParameterScreen::Builder::Label(std::string_view key, const QString& name) const {
  auto* text = new QLabel(Caption(key));
  text->setObjectName(name);
  return text;
}

QLabel* ParameterScreen::Builder::Icon(ScreenIcon which, const QString& name) {
  auto* picture = new QLabel;
  picture->setPixmap(DrawScreenIcon(which));
  picture->setObjectName(QStringLiteral("icon.") + name);
  picture->setAlignment(Qt::AlignCenter);
  return picture;
}

// A group's radio buttons, created in screen order; the caller places them.
std::vector<QRadioButton*>& ParameterScreen::Builder::Radios(RadioGroup group, ScreenGroupBox* owner) {
  Controls::Radios& set = u_[group];
  set.box = owner;
  set.group = new QButtonGroup(&screen_);
  int id = 0;
  for (const std::string_view key : ButtonKeys(group)) {
    auto* button = new QRadioButton(Caption(key));
    button->setObjectName(QStringLiteral("radio.%1.%2").arg(QLatin1String(GroupKey(group))).arg(id));
    set.group->addButton(button, id++);
    set.buttons.push_back(button);
  }
  return set.buttons;
}

// An edit field with its spin button at its right edge.
QHBoxLayout* ParameterScreen::Builder::Field(EditField which) {
  auto* edit = new ScreenEdit(!TakesAnyText(which));
  edit->setObjectName(QStringLiteral("edit.") + QLatin1String(FieldKey(which)));
  auto* spin = new ScreenSpinButton(edit);
  spin->setObjectName(QStringLiteral("spin.") + QLatin1String(FieldKey(which)));
  u_.edits[Index(which)] = edit;
  u_.spins[Index(which)] = spin;
  QHBoxLayout* pair = Row(0);
  pair->addWidget(edit);
  pair->addWidget(spin);
  return pair;
}

// The caption of a field in a group of fields under each other, its ":" and
// its unit, if it has one.
void ParameterScreen::Builder::LabelRow(EditField which, std::string_view key, std::string_view unit) {
  const QString name = QLatin1String(FieldKey(which));
  Controls::LabelRow& row = u_.labels[Index(which)];
  row.label = Label(key, QStringLiteral("label.") + name);
  row.colon = Label(":", QStringLiteral("colon.") + name);
  if (!unit.empty()) row.unit = Label(unit, QStringLiteral("unit.") + name);
}

// A column of buttons under an optional icon.
QVBoxLayout* ParameterScreen::Builder::ButtonColumn(RadioGroup group, ScreenGroupBox* owner, QLabel* picture) {
  QVBoxLayout* column = Column();
  if (picture) column->addWidget(picture, 0, Qt::AlignHCenter);
  for (QRadioButton* button : Radios(group, owner)) column->addWidget(button);
  column->addStretch(1);
  return column;
}

// Fields under each other, each with its caption, ":" and unit (made by
// LabelRow first), with room above them and roomBelow under them.
QGridLayout* ParameterScreen::Builder::LabelledFields(std::initializer_list<EditField> fields, int rowSpacing,
                                                      int roomBelow) {
  QGridLayout* grid = Grid(3, rowSpacing);
  int line = 1;
  for (const EditField which : fields) {
    const Controls::LabelRow& row = u_.labels[Index(which)];
    grid->addWidget(row.label, line, 0);
    grid->addWidget(row.colon, line, 1);
    grid->addLayout(Field(which), line, 2);
    if (row.unit) grid->addWidget(row.unit, line, 3);
    ++line;
  }
  grid->setRowStretch(0, 1);
  grid->setRowStretch(line, roomBelow);
  grid->setColumnStretch(3, 1);
  return grid;
}

QHBoxLayout* ParameterScreen::Builder::BesideIcon(QLabel* picture, QLayout* content) {
  QHBoxLayout* inner = Row(8);
  inner->addWidget(picture, 0, Qt::AlignCenter);
  inner->addLayout(content, 1);
  return inner;
}

}  // namespace klv
