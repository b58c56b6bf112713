#include "editor/ui/parameter_screen.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <array>
#include <initializer_list>
#include <string_view>
#include <vector>

#include "widgets/message_box.h"
#include "widgets/screen_controls.h"
#include "editor/ui/screen_icons.h"

namespace klv {

namespace {

constexpr std::size_t Index(RadioGroup group) { return static_cast<std::size_t>(group); }
constexpr std::size_t Index(EditField field) { return static_cast<std::size_t>(field); }

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

// The register each edit field holds, by EditField.
constexpr std::array<ParameterSet::SlotMember, kEditFieldCount> kFieldSlots = {
    &ParameterSet::heaterBreakCurrent, &ParameterSet::rampLowerLimit, &ParameterSet::rampUpperSetting,
    &ParameterSet::slowUpTime,         &ParameterSet::slowDownTime,   &ParameterSet::currentLimiter,
    &ParameterSet::bootLimiter,        &ParameterSet::bootLimiterTime, &ParameterSet::scaleLow,
    &ParameterSet::scaleHigh,
};

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

constexpr std::array kAlarmGroups = {RadioGroup::FuseMelted,    RadioGroup::PowerSupplyError,
                                     RadioGroup::CurrentError,  RadioGroup::HardwareError,
                                     RadioGroup::TemperatureError, RadioGroup::HeaterBreak};

constexpr int kAl1 = 0;
constexpr int kAl2 = 1;
constexpr int kNon = 2;

// Buttons of "Control input".
constexpr int kInput4To20mA = 0;
constexpr int kInput0To20mA = 1;
constexpr int kInput0To10V = 4;
constexpr int kInputContact = 6;
constexpr int kInputCount = 8;

void SetEnabled(std::initializer_list<QWidget*> widgets, bool enabled) {
  for (QWidget* widget : widgets) widget->setEnabled(enabled);
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

}  // namespace

struct ParameterScreen::Controls {
  struct Radios {
    ScreenGroupBox* box = nullptr;
    QButtonGroup* group = nullptr;
    std::vector<QRadioButton*> buttons;
  };
  // A label row of "Slow-up/slow-down", "Limiter when booting" or the
  // scaling group: caption, ":" and (not in the scaling group) the unit.
  struct LabelRow {
    QLabel* label = nullptr;
    QLabel* colon = nullptr;
    QLabel* unit = nullptr;
  };

  std::array<Radios, kRadioGroupCount> radios;
  std::array<ScreenEdit*, kEditFieldCount> edits{};
  std::array<ScreenSpinButton*, kEditFieldCount> spins{};
  QButtonGroup* inputKind = nullptr;
  QRadioButton* current = nullptr;
  QRadioButton* voltage = nullptr;
  std::array<QCheckBox*, 5> options{};

  ScreenGroupBox* slowBox = nullptr;
  ScreenGroupBox* bootBox = nullptr;
  ScreenGroupBox* scalingBox = nullptr;
  ScreenGroupBox* optionsOneSeries = nullptr;
  ScreenGroupBox* optionsKlv40 = nullptr;

  QLabel* heaterBreakLabel = nullptr;
  QLabel* heaterBreakUnit = nullptr;
  LabelRow slowUp, slowDown, boot, bootTime, scaleLow, scaleHigh;
  std::array<QLabel*, 3> diLabels{};
  QLabel* powerDipLabel = nullptr;

  Radios& operator[](RadioGroup group) { return radios[Index(group)]; }
  const Radios& operator[](RadioGroup group) const { return radios[Index(group)]; }
};

ParameterScreen::ParameterScreen(ParameterSet& parameters, Language language, QWidget* parent)
    : QWidget(parent), parameters_(parameters), language_(language), ui_(std::make_unique<Controls>()) {
  setFont(ScreenQFont(language_));
  Build();
  FitIntoWindow();
  Connect();

  // The ranges at start-up; the model layouts change some of them.
  Spin(EditField::RampLowerLimit)->SetRange(0, 999);
  Spin(EditField::RampUpperSetting)->SetRange(1, 1000);
  Spin(EditField::CurrentLimiter)->SetRange(10, 120);
  Spin(EditField::HeaterBreakCurrent)->SetRange(0, 100);
  Spin(EditField::SlowUp)->SetRange(0, 999);
  Spin(EditField::SlowDown)->SetRange(0, 999);
  Spin(EditField::BootLimiter)->SetRange(0, 1000);
  Spin(EditField::BootLimiterTime)->SetRange(0, 999);
  Spin(EditField::ScaleLow)->SetRange(0, 1000);
  Spin(EditField::ScaleHigh)->SetRange(0, 1000);
}

ParameterScreen::~ParameterScreen() = default;

// ---- Building ------------------------------------------------------------------

void ParameterScreen::Build() {
  Controls& u = *ui_;
  const auto caption = [this](std::string_view key) {
    return ToQString(Caption(Screen::MainWindow, key, language_));
  };
  const auto box = [&](std::string_view key, const QString& name) {
    auto* group = new ScreenGroupBox(caption(key));
    group->setObjectName(QStringLiteral("box.") + name);
    return group;
  };
  const auto label = [&](std::string_view key, const QString& name) {
    auto* text = new QLabel(caption(key));
    text->setObjectName(name);
    return text;
  };
  const auto icon = [&](ScreenIcon which, const QString& name) {
    auto* picture = new QLabel;
    picture->setPixmap(DrawScreenIcon(which));
    picture->setObjectName(QStringLiteral("icon.") + name);
    picture->setAlignment(Qt::AlignCenter);
    return picture;
  };
  // A group's radio buttons, created in screen order; the caller places them.
  const auto radios = [&](RadioGroup group, ScreenGroupBox* owner) -> std::vector<QRadioButton*>& {
    Controls::Radios& set = u[group];
    set.box = owner;
    set.group = new QButtonGroup(this);
    int id = 0;
    for (const std::string_view key : ButtonKeys(group)) {
      auto* button = new QRadioButton(caption(key));
      button->setObjectName(QStringLiteral("radio.%1.%2").arg(QLatin1String(GroupKey(group))).arg(id));
      set.group->addButton(button, id++);
      set.buttons.push_back(button);
    }
    return set.buttons;
  };
  // An edit field with its spin button at its right edge.
  const auto field = [&](EditField which, bool digitsOnly) {
    auto* edit = new ScreenEdit(digitsOnly);
    edit->setObjectName(QStringLiteral("edit.") + QLatin1String(FieldKey(which)));
    auto* spin = new ScreenSpinButton(edit);
    spin->setObjectName(QStringLiteral("spin.") + QLatin1String(FieldKey(which)));
    u.edits[Index(which)] = edit;
    u.spins[Index(which)] = spin;
    QHBoxLayout* pair = Row(0);
    pair->addWidget(edit);
    pair->addWidget(spin);
    return pair;
  };
  const auto labelRow = [&](std::string_view key, const QString& name, bool withUnit, std::string_view unit) {
    Controls::LabelRow row;
    row.label = label(key, QStringLiteral("label.") + name);
    row.colon = label(":", QStringLiteral("colon.") + name);
    if (withUnit) row.unit = label(unit, QStringLiteral("unit.") + name);
    return row;
  };
  // A column of buttons under an optional icon.
  const auto buttonColumn = [&](RadioGroup group, ScreenGroupBox* owner, QLabel* picture) {
    QVBoxLayout* column = Column();
    if (picture) column->addWidget(picture, 0, Qt::AlignHCenter);
    for (QRadioButton* button : radios(group, owner)) column->addWidget(button);
    column->addStretch(1);
    return column;
  };

  // Row 1: key lock and alarm allocation.
  ScreenGroupBox* keyLock = box("Key lock", "keyLock");
  keyLock->setLayout(buttonColumn(RadioGroup::KeyLock, keyLock, icon(ScreenIcon::KeyLock, "keyLock")));

  ScreenGroupBox* alarms = box("Alarm allocation", "alarmAllocation");
  QHBoxLayout* alarmRow = Row();
  alarms->setLayout(alarmRow);
  const struct {
    RadioGroup group;
    std::string_view key;
    ScreenIcon icon;
    int stretch;
  } alarmBoxes[] = {
      {RadioGroup::FuseMelted, "Fuse melted", ScreenIcon::FuseMelted, 52},
      {RadioGroup::PowerSupplyError, "Power supply error", ScreenIcon::PowerSupplyError, 70},
      {RadioGroup::CurrentError, "Current error", ScreenIcon::CurrentError, 52},
      {RadioGroup::HardwareError, "H/W error", ScreenIcon::HardwareError, 52},
      {RadioGroup::TemperatureError, "Temperature error", ScreenIcon::TemperatureError, 68},
      {RadioGroup::HeaterBreak, "Heater break", ScreenIcon::HeaterBreak, 135},
  };
  for (const auto& alarm : alarmBoxes) {
    const QString key = QLatin1String(GroupKey(alarm.group));
    ScreenGroupBox* group = box(alarm.key, key);
    QVBoxLayout* column = buttonColumn(alarm.group, group, icon(alarm.icon, key));
    if (alarm.group == RadioGroup::HeaterBreak) {
      QHBoxLayout* inner = Row(6);
      inner->addLayout(column);
      QVBoxLayout* current = Column(3);
      u.heaterBreakLabel = label("Heater break alarm current", "label.heaterBreakCurrent");
      u.heaterBreakLabel->setWordWrap(true);
      u.heaterBreakUnit = label("( % )", "unit.heaterBreakCurrent");
      QHBoxLayout* entry = Row();
      entry->addLayout(field(EditField::HeaterBreakCurrent, true));
      entry->addWidget(u.heaterBreakUnit);
      entry->addStretch(1);
      current->addStretch(1);
      current->addWidget(u.heaterBreakLabel);
      current->addLayout(entry);
      current->addStretch(1);
      inner->addLayout(current, 1);
      group->setLayout(inner);
    } else {
      group->setLayout(column);
    }
    alarmRow->addWidget(group, alarm.stretch);
  }

  // Row 2: ramp limits, slow-up/slow-down, current limiter.
  ScreenGroupBox* rampLower = box("Ramp lower limit", "rampLowerLimit");
  {
    std::vector<QRadioButton*>& buttons = radios(RadioGroup::RampLowerLimit, rampLower);
    QVBoxLayout* column = Column();
    column->addWidget(buttons[0]);
    QHBoxLayout* entry = Row();
    entry->addSpacing(14);
    entry->addLayout(field(EditField::RampLowerLimit, true));
    entry->addStretch(1);
    column->addLayout(entry);
    auto* unit = label("( x 0.1% )", "unit.rampLowerLimit");
    unit->setIndent(14);
    column->addWidget(unit);
    column->addWidget(buttons[1]);
    column->addWidget(buttons[2]);
    column->addStretch(1);
    rampLower->setLayout(column);
  }

  ScreenGroupBox* rampSelection = box("Ramp higher limit selection", "rampUpperSelection");
  {
    std::vector<QRadioButton*>& buttons = radios(RadioGroup::RampUpperSelection, rampSelection);
    QVBoxLayout* column = Column();
    column->addWidget(buttons[0]);
    column->addWidget(buttons[1]);
    auto* note1 = label("( Ramp higher limit setting x VR1 )", "note.rampUpperSelection.1");
    note1->setIndent(18);
    column->addWidget(note1);
    column->addWidget(buttons[2]);
    auto* note2 = label("( Ramp higher limit setting x VR2 )", "note.rampUpperSelection.2");
    note2->setIndent(18);
    column->addWidget(note2);
    column->addStretch(1);
    rampSelection->setLayout(column);
  }

  ScreenGroupBox* rampSetting = box("Ramp higher limit setting", "rampUpperSetting");
  {
    QVBoxLayout* column = Column(2);
    column->addStretch(1);
    QHBoxLayout* entry = Row();
    entry->addStretch(1);
    entry->addLayout(field(EditField::RampUpperSetting, true));
    entry->addStretch(1);
    column->addLayout(entry);
    column->addWidget(label("( x 0.1% )", "unit.rampUpperSetting"), 0, Qt::AlignHCenter);
    column->addStretch(2);
    rampSetting->setLayout(column);
  }

  u.slowBox = box("Slow-up/slow-down", "slow");
  {
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(6);
    u.slowUp = labelRow("Slow-up", "slowUp", true, "( x 0.1sec )");
    u.slowDown = labelRow("Slow-down", "slowDown", true, "( x 0.1sec )");
    const std::pair<Controls::LabelRow*, EditField> rows[] = {{&u.slowUp, EditField::SlowUp},
                                                              {&u.slowDown, EditField::SlowDown}};
    int line = 1;
    for (const auto& [row, which] : rows) {
      grid->addWidget(row->label, line, 0);
      grid->addWidget(row->colon, line, 1);
      // The slow-down field takes any text.
      grid->addLayout(field(which, which != EditField::SlowDown), line, 2);
      grid->addWidget(row->unit, line, 3);
      ++line;
    }
    grid->setRowStretch(0, 1);
    grid->setRowStretch(3, 2);
    grid->setColumnStretch(3, 1);
    for (QWidget* widget : {static_cast<QWidget*>(u.slowDown.label), static_cast<QWidget*>(u.slowDown.colon),
                            static_cast<QWidget*>(u.slowDown.unit), static_cast<QWidget*>(Edit(EditField::SlowDown)),
                            static_cast<QWidget*>(Spin(EditField::SlowDown))}) {
      KeepRoomWhenHidden(widget);
    }
    u.slowBox->setLayout(grid);
  }

  ScreenGroupBox* limiter = box("Current limiter ( % )", "currentLimiter");
  {
    std::vector<QRadioButton*>& buttons = radios(RadioGroup::CurrentLimiter, limiter);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(1);
    grid->addWidget(buttons[0], 0, 0, 1, 2);
    QHBoxLayout* entry = Row();
    entry->addSpacing(14);
    // The limiter field takes any text: it shows "off".
    entry->addLayout(field(EditField::CurrentLimiter, false));
    entry->addStretch(1);
    grid->addLayout(entry, 1, 0, 1, 2);
    grid->addWidget(buttons[1], 2, 0);
    grid->addWidget(buttons[2], 3, 0);
    grid->addWidget(buttons[3], 4, 0);
    grid->addWidget(icon(ScreenIcon::CurrentLimiter, "currentLimiter"), 2, 1, 3, 1, Qt::AlignCenter);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(5, 1);
    limiter->setLayout(grid);
  }

  // Row 3: digital outputs and inputs, limiter when booting.
  std::array<ScreenGroupBox*, 5> digital{};
  const struct {
    RadioGroup group;
    std::string_view key;
    std::string_view note;
  } digitalBoxes[] = {
      {RadioGroup::Do1, "DO-1", ""},
      {RadioGroup::Do2, "DO-2", ""},
      {RadioGroup::Di1, "DI-1", "Manual operation"},
      {RadioGroup::Di2, "DI-2", "EXE setting"},
      {RadioGroup::Di3, "DI-3", "Restrictions when booting"},
  };
  for (std::size_t i = 0; i < digital.size(); ++i) {
    const auto& item = digitalBoxes[i];
    const QString key = QLatin1String(GroupKey(item.group));
    digital[i] = box(item.key, key);
    QVBoxLayout* column = buttonColumn(item.group, digital[i], nullptr);
    if (!item.note.empty()) {
      QLabel* note = label(item.note, QStringLiteral("label.") + key);
      u.diLabels[i - 2] = note;
      column->insertWidget(column->count() - 1, note);
    }
    digital[i]->setLayout(column);
  }

  u.bootBox = box("Limiter when booting", "bootLimiter");
  {
    QHBoxLayout* inner = Row(8);
    inner->addWidget(icon(ScreenIcon::BootLimiter, "bootLimiter"), 0, Qt::AlignCenter);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(6);
    u.boot = labelRow("Output limiter", "bootLimiter", true, "( x 0.1% )");
    u.bootTime = labelRow("Limiter time", "bootLimiterTime", true, "( x 0.1sec )");
    const std::pair<Controls::LabelRow*, EditField> rows[] = {{&u.boot, EditField::BootLimiter},
                                                              {&u.bootTime, EditField::BootLimiterTime}};
    int line = 1;
    for (const auto& [row, which] : rows) {
      grid->addWidget(row->label, line, 0);
      grid->addWidget(row->colon, line, 1);
      grid->addLayout(field(which, true), line, 2);
      grid->addWidget(row->unit, line, 3);
      ++line;
    }
    grid->setRowStretch(0, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(3, 1);
    inner->addLayout(grid, 1);
    u.bootBox->setLayout(inner);
  }

  // Row 4: analog input and output, scaling, control input, power dip.
  ScreenGroupBox* analogInput = box("Analog input", "analogInput");
  analogInput->setLayout(buttonColumn(RadioGroup::AnalogInput, analogInput, nullptr));
  ScreenGroupBox* analogOutput = box("Analog output", "analogOutput");
  analogOutput->setLayout(buttonColumn(RadioGroup::AnalogOutput, analogOutput, nullptr));

  u.scalingBox = box("Analog output scaling ( x 0.1% )", "scaling");
  {
    QHBoxLayout* inner = Row(8);
    inner->addWidget(icon(ScreenIcon::Scaling, "scaling"), 0, Qt::AlignCenter);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(3);
    grid->setVerticalSpacing(3);
    u.scaleLow = labelRow("Lower limit value", "scaleLow", false, "");
    u.scaleHigh = labelRow("Higher limit value", "scaleHigh", false, "");
    const std::pair<Controls::LabelRow*, EditField> rows[] = {{&u.scaleLow, EditField::ScaleLow},
                                                              {&u.scaleHigh, EditField::ScaleHigh}};
    int line = 1;
    for (const auto& [row, which] : rows) {
      grid->addWidget(row->label, line, 0);
      grid->addWidget(row->colon, line, 1);
      grid->addLayout(field(which, true), line, 2);
      ++line;
    }
    grid->setRowStretch(0, 1);
    grid->setRowStretch(3, 1);
    grid->setColumnStretch(3, 1);
    inner->addLayout(grid, 1);
    u.scalingBox->setLayout(inner);
  }

  ScreenGroupBox* controlInput = box("Control input", "controlInput");
  {
    std::vector<QRadioButton*>& inputs = radios(RadioGroup::ControlInput, controlInput);
    u.inputKind = new QButtonGroup(this);
    u.current = new QRadioButton(caption("Current"));
    u.current->setObjectName(QStringLiteral("radio.current"));
    u.voltage = new QRadioButton(caption("Voltage"));
    u.voltage->setObjectName(QStringLiteral("radio.voltage"));
    u.inputKind->addButton(u.current, 0);
    u.inputKind->addButton(u.voltage, 1);
    KeepRoomWhenHidden(u.current);
    KeepRoomWhenHidden(u.voltage);
    auto* grid = new QGridLayout;
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(0);
    grid->addWidget(u.current, 0, 0);
    grid->addWidget(u.voltage, 0, 1);
    for (int i = 0; i < kInputCount; ++i) grid->addWidget(inputs[static_cast<std::size_t>(i)], 1 + i / 3, i % 3);
    grid->setRowStretch(4, 1);
    controlInput->setLayout(grid);
  }

  ScreenGroupBox* powerDip = box("Power supply instantaneous", "powerDip");
  {
    std::vector<QRadioButton*>& buttons = radios(RadioGroup::PowerDip, powerDip);
    QVBoxLayout* column = Column(2);
    u.powerDipLabel = label("stop handling function", "label.powerDip");
    column->addWidget(u.powerDipLabel);
    column->addWidget(buttons[0]);
    column->addWidget(buttons[1]);
    column->addStretch(1);
    powerDip->setLayout(column);
  }

  // Row 5: optional item information.
  ScreenGroupBox* options = box("Optional item information", "options");
  {
    QHBoxLayout* inner = Row(6);
    u.optionsOneSeries = box("KLV30", "optionsOneSeries");
    u.optionsKlv40 = box("KLV40", "optionsKlv40");
    const std::string_view keys[] = {"Output current detection function", "Analog auxiliary input",
                                     "Alarm output 2", "Digital control output", kAnalogOutputOptionKey};
    for (std::size_t i = 0; i < u.options.size(); ++i) {
      u.options[i] = new QCheckBox(caption(keys[i]));
      u.options[i]->setObjectName(QStringLiteral("option.%1").arg(i));
    }
    QHBoxLayout* oneSeries = Row();
    oneSeries->addWidget(u.options[0]);
    oneSeries->addStretch(1);
    u.optionsOneSeries->setLayout(oneSeries);
    QHBoxLayout* klv40 = Row(12);
    for (std::size_t i = 1; i < u.options.size(); ++i) klv40->addWidget(u.options[i]);
    klv40->addStretch(1);
    u.optionsKlv40->setLayout(klv40);
    inner->addWidget(u.optionsOneSeries, 132);
    inner->addWidget(u.optionsKlv40, 361);
    options->setLayout(inner);
  }

  // The rows, each widened in the proportions of the screen's design.
  auto* screen = new QVBoxLayout(this);
  screen->setContentsMargins(4, 4, 4, 4);
  screen->setSpacing(3);
  const auto addRow = [&](std::initializer_list<std::pair<QWidget*, int>> groups, int stretch) {
    QHBoxLayout* row = Row(3);
    for (const auto& [widget, width] : groups) row->addWidget(widget, width);
    screen->addLayout(row, stretch);
  };
  addRow({{keyLock, 52}, {alarms, 459}}, 98);
  addRow({{rampLower, 68}, {rampSelection, 137}, {rampSetting, 93}, {u.slowBox, 124}, {limiter, 76}}, 75);
  addRow({{digital[0], 41}, {digital[1], 41}, {digital[2], 68}, {digital[3], 68}, {digital[4], 97}, {u.bootBox, 178}},
         65);
  addRow({{analogInput, 53}, {analogOutput, 55}, {u.scalingBox, 126}, {controlInput, 162}, {powerDip, 101}}, 54);
  addRow({{options, 513}}, 47);
  FitButtonHeights();
}

void ParameterScreen::FitButtonHeights() {
  // As high as their text needs: the style's own height would not let the
  // Japanese screen fit its window.
  const int height =
      std::max(QFontMetrics(font()).height(), style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight)) + 3;
  for (QRadioButton* button : findChildren<QRadioButton*>()) button->setFixedHeight(height);
  for (QCheckBox* box : findChildren<QCheckBox*>()) box->setFixedHeight(height);
}

void ParameterScreen::FitIntoWindow() {
  // With a substitute font wider than the designed one, step the size down
  // until the screen fits the window (less room for its menu bar), keeping
  // a few pixels for the longest model captions.
  const WindowSize window = MainWindowSize(language_);
  constexpr int kMenuBarAllowance = 32;
  constexpr int kCaptionAllowance = 8;
  QFont smaller = font();
  while (smaller.pointSizeF() > 6.0) {
    const QSize needed = minimumSizeHint();
    if (needed.width() + kCaptionAllowance <= window.width &&
        needed.height() + kMenuBarAllowance <= window.height) {
      return;
    }
    smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
    setFont(smaller);
    FitButtonHeights();
    // Nested layouts hear of their contents' new sizes only through posted
    // events; to measure at once, every cached size goes.
    for (QWidget* child : findChildren<QWidget*>()) child->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
  }
}

void ParameterScreen::Connect() {
  Controls& u = *ui_;
  for (const RadioGroup group : AllRadioGroups()) {
    connect(u[group].group, &QButtonGroup::idClicked, this, [this, group](int id) { OnRadioClicked(group, id); });
  }
  connect(u.current, &QRadioButton::clicked, this, [this] { OnCurrentClicked(); });
  connect(u.voltage, &QRadioButton::clicked, this, [this] { OnVoltageClicked(); });
  for (std::size_t i = 0; i < u.options.size(); ++i) {
    connect(u.options[i], &QCheckBox::clicked, this, [this, i] { OnOptionClicked(static_cast<int>(i)); });
  }
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto which = static_cast<EditField>(i);
    connect(u.edits[i], &ScreenEdit::Left, this, [this, which] { OnEditLeft(which); });
  }
  // The ramp limits and the scaling fields are checked only when they are left.
  for (const EditField which : {EditField::HeaterBreakCurrent, EditField::SlowUp, EditField::SlowDown,
                                EditField::BootLimiter, EditField::BootLimiterTime, EditField::CurrentLimiter}) {
    // A keystroke reports textEdited just before textChanged.
    connect(Edit(which), &QLineEdit::textEdited, this, [this, which] { typing_ = which; });
    connect(Edit(which), &QLineEdit::textChanged, this, [this, which] { OnEditChanged(which); });
  }
  Spin(EditField::CurrentLimiter)->SetMoveRule([this](int& position, int& step) {
    const SpinMove move =
        CurrentLimiterSpin(FieldNumber(EditField::CurrentLimiter), SpinMove{position, step}, model_);
    position = move.position;
    step = move.step;
  });
}

// ---- Access ----------------------------------------------------------------------

QRadioButton* ParameterScreen::Radio(RadioGroup group, int button) const {
  return (*ui_)[group].buttons.at(static_cast<std::size_t>(button));
}
QRadioButton* ParameterScreen::CurrentButton() const { return ui_->current; }
QRadioButton* ParameterScreen::VoltageButton() const { return ui_->voltage; }
ScreenEdit* ParameterScreen::Edit(EditField field) const { return ui_->edits[Index(field)]; }
ScreenSpinButton* ParameterScreen::Spin(EditField field) const { return ui_->spins[Index(field)]; }
QCheckBox* ParameterScreen::OptionBox(int index) const { return ui_->options.at(static_cast<std::size_t>(index)); }

int ParameterScreen::CheckedButton(RadioGroup group) const { return (*ui_)[group].group->checkedId(); }

void ParameterScreen::CheckButton(RadioGroup group, int button) {
  const Controls::Radios& set = (*ui_)[group];
  if (button != kNoButton) {
    set.buttons.at(static_cast<std::size_t>(button))->setChecked(true);
    return;
  }
  // An exclusive group keeps one button checked; lift that for a moment.
  if (QAbstractButton* checked = set.group->checkedButton()) {
    set.group->setExclusive(false);
    checked->setChecked(false);
    set.group->setExclusive(true);
  }
}

int16_t ParameterScreen::FieldNumber(EditField field) const {
  return ReadEditNumber(Edit(field)->text().toStdString());
}

void ParameterScreen::SetFieldText(EditField field, const std::string& text) {
  Edit(field)->setText(QString::fromStdString(text));
}

int16_t ParameterScreen::RegisterOf(EditField field) const { return parameters_.*kFieldSlots[Index(field)]; }

void ParameterScreen::MarkIfDiffers(int value, int16_t registerValue) {
  if (value != registerValue) emit Edited();
}

void ParameterScreen::FocusKeyLockOff() {
  QWidget* before = window()->focusWidget();
  QRadioButton* off = Radio(RadioGroup::KeyLock, 0);
  off->setFocus(Qt::OtherFocusReason);
  // In a window that is not active Qt moves the focus without telling the
  // field that had it; its leave rules must run all the same.
  auto* edit = qobject_cast<ScreenEdit*>(before);
  if (edit && isAncestorOf(edit) && !window()->isActiveWindow()) emit edit->Left();
}

void ParameterScreen::LeaveFocusedField() {
  auto* edit = qobject_cast<ScreenEdit*>(window()->focusWidget());
  if (edit != nullptr && isAncestorOf(edit)) emit edit->Left();
}

// ---- Parameter set <-> screen ---------------------------------------------------------

void ParameterScreen::ShowParameters() {
  Controls& u = *ui_;
  const ParameterSet& p = parameters_;
  for (const RadioGroup group : AllRadioGroups()) {
    CheckButton(group, ShownButton(group, p.Slot(GroupSlot(group)), model_));
  }

  // A volume shows "0" in the ramp field and "100" in the limiter field.
  const bool rampOnVolume = p.rampLowerLimit == -1 || p.rampLowerLimit == -2;
  const bool limiterOnVolume = p.currentLimiter >= -4 && p.currentLimiter <= -1;
  SetFieldText(EditField::HeaterBreakCurrent, EditText(p.heaterBreakCurrent));
  SetFieldText(EditField::RampLowerLimit, rampOnVolume ? "0" : EditText(p.rampLowerLimit));
  SetFieldText(EditField::RampUpperSetting, EditText(p.rampUpperSetting));
  SetFieldText(EditField::SlowUp, EditText(p.slowUpTime));
  SetFieldText(EditField::SlowDown, EditText(p.slowDownTime));
  SetFieldText(EditField::CurrentLimiter, limiterOnVolume ? "100" : EditText(p.currentLimiter));
  SetFieldText(EditField::BootLimiter, EditText(p.bootLimiter));
  SetFieldText(EditField::BootLimiterTime, EditText(p.bootLimiterTime));
  SetFieldText(EditField::ScaleLow, EditText(p.scaleLow));
  SetFieldText(EditField::ScaleHigh, EditText(p.scaleHigh));

  Edit(EditField::RampLowerLimit)->setEnabled(CheckedButton(RadioGroup::RampLowerLimit) == kNumberButton);
  Edit(EditField::CurrentLimiter)
      ->setEnabled(CheckedButton(RadioGroup::CurrentLimiter) == kNumberButton &&
                   (model_ == ModelKind::Klv40 || p.optionDetect != 0));

  (p.controlInputRange < 2 ? u.current : u.voltage)->setChecked(true);

  u.options[0]->setChecked(p.optionDetect != 0);
  for (int bit = 0; bit < 4; ++bit) u.options[static_cast<std::size_t>(bit) + 1]->setChecked((p.optionFlags >> bit) & 1);

  LockSharedVolumes();
}

void ParameterScreen::ReadScreen() {
  ParameterSet& p = parameters_;
  for (const RadioGroup group : AllRadioGroups()) {
    int16_t number = 0;
    if (group == RadioGroup::RampLowerLimit) number = FieldNumber(EditField::RampLowerLimit);
    if (group == RadioGroup::CurrentLimiter) number = FieldNumber(EditField::CurrentLimiter);
    if (const std::optional<int16_t> value = ReadButton(group, CheckedButton(group), model_, number)) {
      p.Slot(GroupSlot(group)) = *value;
    }
  }
  for (const EditField field : {EditField::HeaterBreakCurrent, EditField::RampUpperSetting, EditField::SlowUp,
                                EditField::SlowDown, EditField::BootLimiter, EditField::BootLimiterTime,
                                EditField::ScaleLow, EditField::ScaleHigh}) {
    p.*kFieldSlots[Index(field)] = FieldNumber(field);
  }
  p.optionDetect = OptionBox(0)->isChecked() ? kOptionCurrentDetection : 0;
  uint16_t flags = 0;
  for (int bit = 0; bit < 4; ++bit) {
    if (OptionBox(bit + 1)->isChecked()) flags = static_cast<uint16_t>(flags | (1u << bit));
  }
  p.optionFlags = flags;
}

void ParameterScreen::LockSharedVolumes() {
  const auto button = [this](VolumeButton which) {
    switch (which) {
      case VolumeButton::A1: return Radio(RadioGroup::RampLowerLimit, 1);
      case VolumeButton::A2: return Radio(RadioGroup::RampLowerLimit, 2);
      case VolumeButton::B1: return Radio(RadioGroup::RampUpperSelection, 1);
      case VolumeButton::B2: return Radio(RadioGroup::RampUpperSelection, 2);
      case VolumeButton::C1: return Radio(RadioGroup::CurrentLimiter, 1);
      case VolumeButton::C2: return Radio(RadioGroup::CurrentLimiter, 2);
      case VolumeButton::C3: return Radio(RadioGroup::CurrentLimiter, 3);
      case VolumeButton::Pos: return Radio(RadioGroup::Di1, 1);
      case VolumeButton::Inv: return Radio(RadioGroup::Di1, 2);
    }
    return Radio(RadioGroup::Di1, 2);
  };
  VolumeChecks checked{};
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) checked[i] = button(static_cast<VolumeButton>(i))->isChecked();
  const VolumeEnables enables = klv::LockSharedVolumes(checked, model_, OptionBox(0)->isChecked());
  for (std::size_t i = 0; i < kVolumeButtonCount; ++i) {
    if (enables[i]) button(static_cast<VolumeButton>(i))->setEnabled(*enables[i]);
  }
}

// ---- Model layouts ----------------------------------------------------------------------

void ParameterScreen::ApplyModelLayout(ModelKind model) {
  if (model != ModelKind::Klv40 && model != ModelKind::Klv30) model = ModelKind::Klv30E;
  model_ = model;
  ShowParameters();

  Controls& u = *ui_;
  const bool klv40 = model == ModelKind::Klv40;
  const bool klv30 = model == ModelKind::Klv30;
  const bool klv30e = model == ModelKind::Klv30E;
  const bool detect = parameters_.optionDetect != 0;
  const auto bit = [this](int n) { return ((parameters_.optionFlags >> n) & 1) != 0; };
  // A group's caption and some of its buttons.
  const auto group = [&](RadioGroup which, bool enabled, std::initializer_list<int> buttons) {
    u[which].box->SetCaptionEnabled(enabled);
    for (const int button : buttons) Radio(which, button)->setEnabled(enabled);
  };

  u.optionsOneSeries->SetCaption(QStringLiteral("%1").arg(QLatin1String(klv30e ? "KLV30E" : "KLV30")));
  u.optionsOneSeries->SetCaptionEnabled(!klv40);
  u.options[0]->setEnabled(!klv40);
  u.optionsKlv40->SetCaptionEnabled(klv40);
  for (std::size_t i = 1; i < u.options.size(); ++i) u.options[i]->setEnabled(klv40);

  const bool alarms = klv40 || detect;
  group(RadioGroup::FuseMelted, klv40, {kAl1, kNon});
  for (const RadioGroup which : {RadioGroup::PowerSupplyError, RadioGroup::CurrentError, RadioGroup::HardwareError,
                                 RadioGroup::HeaterBreak}) {
    group(which, alarms, {kAl1, kNon});
  }
  group(RadioGroup::TemperatureError, klv40, {kAl1, kNon});
  for (const RadioGroup which : kAlarmGroups) Radio(which, kAl2)->setEnabled(klv40 && bit(1));
  SetEnabled({u.heaterBreakLabel, Edit(EditField::HeaterBreakCurrent), Spin(EditField::HeaterBreakCurrent),
              u.heaterBreakUnit},
             alarms);

  group(RadioGroup::CurrentLimiter, alarms, {0, 1, 2});
  SetEnabled({Edit(EditField::CurrentLimiter), Spin(EditField::CurrentLimiter)}, alarms);
  Radio(RadioGroup::CurrentLimiter, 3)->setEnabled(klv40);

  u.slowBox->SetCaption(ToQString(Text(klv30 ? TextId::VariationLimit : TextId::SlowUpSlowDown, language_)));
  u.slowUp.label->setText(ToQString(Text(klv30 ? TextId::VariationLimit : TextId::SlowUp, language_)));
  for (QWidget* widget : {static_cast<QWidget*>(u.slowDown.label), static_cast<QWidget*>(u.slowDown.colon),
                          static_cast<QWidget*>(Edit(EditField::SlowDown)),
                          static_cast<QWidget*>(Spin(EditField::SlowDown)), static_cast<QWidget*>(u.slowDown.unit)}) {
    widget->setVisible(!klv30);
  }

  group(RadioGroup::Di1, klv40, {0, 1, 2});
  group(RadioGroup::Di2, klv40, {0, 1, 2});
  group(RadioGroup::Di3, klv40, {0, 1});
  SetEnabled({u.diLabels[0], u.diLabels[1], u.diLabels[2]}, klv40);
  group(RadioGroup::Do1, klv40 && bit(2), {0, 1, 2, 3});
  group(RadioGroup::Do2, klv40 && bit(2), {0, 1, 2, 3});

  u.bootBox->SetCaptionEnabled(klv40);
  SetEnabled({u.boot.label, u.boot.colon, Edit(EditField::BootLimiter), Spin(EditField::BootLimiter), u.boot.unit,
              u.bootTime.label, u.bootTime.colon, Edit(EditField::BootLimiterTime), Spin(EditField::BootLimiterTime),
              u.bootTime.unit},
             klv40);

  group(RadioGroup::AnalogInput, klv40 && bit(0), {0, 1});
  group(RadioGroup::AnalogOutput, klv40 && bit(3), {0, 1});

  // On a KLV30E the scaling group holds the control input scaling.
  const bool scaling = klv40 ? bit(3) : klv30e;
  u.scalingBox->SetCaption(ToQString(Text(klv30e ? TextId::ControlInputScaling : TextId::AnalogOutputScaling, language_)));
  u.scalingBox->SetCaptionEnabled(scaling);
  SetEnabled({u.scaleLow.label, u.scaleHigh.label, Edit(EditField::ScaleLow), Spin(EditField::ScaleLow),
              Edit(EditField::ScaleHigh), Spin(EditField::ScaleHigh)},
             scaling);
  SetEnabled({u.scaleLow.colon, u.scaleHigh.colon}, klv40 && bit(3));

  u[RadioGroup::ControlInput].box->SetCaptionEnabled(!klv30e);
  Radio(RadioGroup::ControlInput, kInput4To20mA)
      ->setText(klv40 ? QStringLiteral("4-20mA") : ToQString(Text(TextId::Linear, language_)));
  u.current->setVisible(klv40);
  u.voltage->setVisible(klv40);
  const bool currentInput = parameters_.controlInputRange < 2;
  for (int i = 0; i < kInputCount; ++i) {
    bool enabled = false;
    if (klv40) enabled = (i < 2) == currentInput;
    if (klv30) enabled = i == kInput4To20mA || i == kInputContact;
    Radio(RadioGroup::ControlInput, i)->setEnabled(enabled);
  }

  group(RadioGroup::PowerDip, true, {0, 1});
  u.powerDipLabel->setEnabled(true);

  Spin(EditField::CurrentLimiter)->SetRange(klv30e ? 10 : 0, 120);
  Spin(EditField::ScaleLow)->SetRange(0, klv30e ? 200 : 1000);
  Spin(EditField::ScaleHigh)->SetRange(klv30e ? 800 : 0, 1000);

  // Showing again gives the two edits' states and the volume lock the last word.
  ShowParameters();
}

// ---- Handlers ----------------------------------------------------------------------------

void ParameterScreen::OnRadioClicked(RadioGroup group, int button) {
  switch (group) {
    case RadioGroup::RampLowerLimit:
      if (button == kNumberButton) {
        OnRampNumberClicked();
        return;
      }
      Edit(EditField::RampLowerLimit)->setEnabled(false);
      LockSharedVolumes();
      break;
    case RadioGroup::CurrentLimiter:
      Edit(EditField::CurrentLimiter)->setEnabled(button == kNumberButton);
      LockSharedVolumes();
      break;
    case RadioGroup::RampUpperSelection:
    case RadioGroup::Di1:
    case RadioGroup::AnalogInput:
      LockSharedVolumes();
      break;
    default:
      break;
  }
  if (!ButtonStandsFor(group, button, parameters_.Slot(GroupSlot(group)), model_)) emit Edited();
}

void ParameterScreen::OnRampNumberClicked() {
  Edit(EditField::RampLowerLimit)->setEnabled(true);
  LockSharedVolumes();
  const RampAdjustment adjustment =
      RampOnNumberClick(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // Any number stands for a stored number; only a stored volume changes.
  if (parameters_.rampLowerLimit < 0) emit Edited();
  Spin(EditField::RampLowerLimit)->SetRange(0, adjustment.lowerSpinUpper);
}

void ParameterScreen::OnCurrentClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (marked < 2) return;  // a current input is marked already, or none is
  Radio(RadioGroup::ControlInput, kInput4To20mA)->setEnabled(true);
  Radio(RadioGroup::ControlInput, kInput4To20mA)->setChecked(true);
  Radio(RadioGroup::ControlInput, kInput0To20mA)->setEnabled(model_ == ModelKind::Klv40);
  for (int i = 2; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(false);
  emit Edited();
}

void ParameterScreen::OnVoltageClicked() {
  const int marked = CheckedButton(RadioGroup::ControlInput);
  if (model_ == ModelKind::Klv40) {
    if (marked != kInput4To20mA && marked != kInput0To20mA) return;
    for (int i = 0; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(i >= 2);
    Radio(RadioGroup::ControlInput, kInput0To10V)->setChecked(true);
  } else {
    // The one-series models have one voltage-type input: the contact.
    if (marked != kInput4To20mA) return;
    for (int i = 0; i < kInputCount; ++i) Radio(RadioGroup::ControlInput, i)->setEnabled(i == kInputContact);
    Radio(RadioGroup::ControlInput, kInputContact)->setChecked(true);
  }
  emit Edited();
}

void ParameterScreen::OnOptionClicked(int index) {
  Controls& u = *ui_;
  const bool on = OptionBox(index)->isChecked();
  const auto group = [&](RadioGroup which, std::initializer_list<int> buttons) {
    u[which].box->SetCaptionEnabled(on);
    for (const int button : buttons) Radio(which, button)->setEnabled(on);
  };
  switch (index) {
    case 0:  // output current detection
      for (const RadioGroup which : {RadioGroup::PowerSupplyError, RadioGroup::CurrentError,
                                     RadioGroup::HardwareError, RadioGroup::HeaterBreak}) {
        group(which, {kAl1, kNon});
      }
      SetEnabled({u.heaterBreakLabel, u.heaterBreakUnit, Edit(EditField::HeaterBreakCurrent),
                  Spin(EditField::HeaterBreakCurrent)},
                 on);
      group(RadioGroup::CurrentLimiter, {0, 1, 2});
      SetEnabled({Edit(EditField::CurrentLimiter), Spin(EditField::CurrentLimiter)}, on);
      if (!on) {
        CheckButton(RadioGroup::CurrentLimiter, kNumberButton);
        SetFieldText(EditField::CurrentLimiter, "100");
      }
      LockSharedVolumes();
      break;
    case 1:  // analog auxiliary input
      group(RadioGroup::AnalogInput, {0, 1});
      break;
    case 2:  // alarm output 2
      for (const RadioGroup which : kAlarmGroups) {
        Radio(which, kAl2)->setEnabled(on);
        if (!on && CheckedButton(which) == kAl2) CheckButton(which, kAl1);
      }
      break;
    case 3:  // digital control output
      group(RadioGroup::Do1, {0, 1, 2, 3});
      group(RadioGroup::Do2, {0, 1, 2, 3});
      break;
    case 4:  // analog output
      group(RadioGroup::AnalogOutput, {0, 1});
      u.scalingBox->SetCaptionEnabled(on);
      SetEnabled({u.scaleLow.label, u.scaleLow.colon, u.scaleHigh.label, u.scaleHigh.colon,
                  Edit(EditField::ScaleLow), Spin(EditField::ScaleLow), Edit(EditField::ScaleHigh),
                  Spin(EditField::ScaleHigh)},
                 on);
      break;
    default:
      return;
  }
  // Ticking or clearing a box changes the options to write, whatever they were.
  emit Edited();
}

void ParameterScreen::OnEditChanged(EditField field) {
  // A correction written from here is the program's text, not a keystroke.
  const bool typed = typing_ == field;
  typing_.reset();
  if (!screenReady_) return;
  if (field == EditField::CurrentLimiter) {
    if (CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) return;
    const LimiterCorrection correction = CurrentLimiterOnChange(FieldNumber(field), model_, typed);
    if (correction.text) SetFieldText(field, *correction.text);
    MarkIfDiffers(correction.value, RegisterOf(field));
    return;
  }
  // Compared as typed: a correction writes the field again and is compared then.
  const int16_t n = FieldNumber(field);
  if (const FieldCorrection correction = SimpleRangeOnChange(field, n)) SetFieldText(field, *correction);
  MarkIfDiffers(n, RegisterOf(field));
}

void ParameterScreen::OnEditLeft(EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent:
    case EditField::SlowUp:
    case EditField::SlowDown:
    case EditField::BootLimiter:
    case EditField::BootLimiterTime:
      if (const FieldCorrection correction =
              SimpleRangeOnLeave(field, Edit(field)->text().toStdString(), FieldNumber(field), screenReady_)) {
        SetFieldText(field, *correction);
      }
      return;
    case EditField::RampLowerLimit: {
      if (CheckedButton(RadioGroup::RampLowerLimit) != kNumberButton) return;
      const int16_t lower = FieldNumber(field);
      if (const FieldCorrection correction = RampOnLowerLeave(lower, FieldNumber(EditField::RampUpperSetting))) {
        SetFieldText(field, *correction);
      }
      MarkIfDiffers(lower, RegisterOf(field));
      return;
    }
    case EditField::RampUpperSetting:
      OnRampHigherLeft();
      return;
    case EditField::CurrentLimiter: {
      if (!screenReady_ || CheckedButton(RadioGroup::CurrentLimiter) != kNumberButton) return;
      const LimiterCorrection correction = CurrentLimiterOnLeave(FieldNumber(field), model_);
      if (correction.text) SetFieldText(field, *correction.text);
      MarkIfDiffers(correction.value, RegisterOf(field));
      return;
    }
    case EditField::ScaleLow:
    case EditField::ScaleHigh: {
      if (!screenReady_) return;
      const int16_t n = FieldNumber(field);
      if (const FieldCorrection correction = ScalingOnLeave(field, n, model_)) SetFieldText(field, *correction);
      MarkIfDiffers(n, RegisterOf(field));
      return;
    }
  }
}

void ParameterScreen::OnRampHigherLeft() {
  const RampAdjustment adjustment =
      RampOnHigherLeave(FieldNumber(EditField::RampLowerLimit), FieldNumber(EditField::RampUpperSetting));
  if (adjustment.higherText) SetFieldText(EditField::RampUpperSetting, *adjustment.higherText);
  Spin(EditField::RampLowerLimit)->SetRange(0, adjustment.lowerSpinUpper);
  if (adjustment.lowerText) SetFieldText(EditField::RampLowerLimit, *adjustment.lowerText);
  // The higher limit has no check while typing, so a new value is noticed
  // here; otherwise leaving the program would drop it without asking. Moving
  // the lower field along is a consequence and marks nothing by itself.
  if (screenReady_) MarkIfDiffers(FieldNumber(EditField::RampUpperSetting), parameters_.rampUpperSetting);
}

}  // namespace klv
