// The editing screen arranged for each model: enabled, shown and relabelled
// controls, spin ranges, the volume lock, and the look in both languages.
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QSet>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>

#include "widgets/message_box.h"
#include "parameter_screen_rig.h"

namespace klv {

using namespace screen_test;

class ParameterScreenLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void layoutTable_data();
  void layoutTable();
  void controlInputButtons();
  void klv30WithoutDetectionLeavesFewControls();
  void captions_data();
  void captions();
  void slowDownRowFollowsTheModel();
  void spinRanges();
  void volumeLock();
  void twoGroupsOnOneVolume();
  void fitsItsWindowUnclipped_data();
  void fitsItsWindowUnclipped();
};

namespace {

// When a control of the layout table is enabled.
enum class Rule { On, Off, Bit0, Bit1, Bit2, Bit3, Detect };

struct LayoutRow {
  const char* control;  // object name
  Rule klv40;
  Rule klv30;
  Rule klv30e;
};

// The layout table, row by row; group boxes stand for their captions.
const LayoutRow kLayout[] = {
    {"box.optionsOneSeries", Rule::Off, Rule::On, Rule::On},
    {"option.0", Rule::Off, Rule::On, Rule::On},
    {"box.optionsKlv40", Rule::On, Rule::Off, Rule::Off},
    {"option.1", Rule::On, Rule::Off, Rule::Off},
    {"option.2", Rule::On, Rule::Off, Rule::Off},
    {"option.3", Rule::On, Rule::Off, Rule::Off},
    {"option.4", Rule::On, Rule::Off, Rule::Off},
    {"box.fuseMelted", Rule::On, Rule::Off, Rule::Off},
    {"radio.fuseMelted.0", Rule::On, Rule::Off, Rule::Off},
    {"radio.fuseMelted.2", Rule::On, Rule::Off, Rule::Off},
    {"box.powerSupplyError", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.powerSupplyError.0", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.powerSupplyError.2", Rule::On, Rule::Detect, Rule::Detect},
    {"box.currentError", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentError.0", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentError.2", Rule::On, Rule::Detect, Rule::Detect},
    {"box.hardwareError", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.hardwareError.0", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.hardwareError.2", Rule::On, Rule::Detect, Rule::Detect},
    {"box.heaterBreak", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.heaterBreak.0", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.heaterBreak.2", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.fuseMelted.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"radio.powerSupplyError.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"radio.currentError.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"radio.hardwareError.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"radio.temperatureError.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"radio.heaterBreak.1", Rule::Bit1, Rule::Off, Rule::Off},
    {"box.temperatureError", Rule::On, Rule::Off, Rule::Off},
    {"radio.temperatureError.0", Rule::On, Rule::Off, Rule::Off},
    {"radio.temperatureError.2", Rule::On, Rule::Off, Rule::Off},
    {"label.heaterBreakCurrent", Rule::On, Rule::Detect, Rule::Detect},
    {"edit.heaterBreakCurrent", Rule::On, Rule::Detect, Rule::Detect},
    {"spin.heaterBreakCurrent", Rule::On, Rule::Detect, Rule::Detect},
    {"unit.heaterBreakCurrent", Rule::On, Rule::Detect, Rule::Detect},
    {"box.currentLimiter", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentLimiter.0", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentLimiter.1", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentLimiter.2", Rule::On, Rule::Detect, Rule::Detect},
    {"edit.currentLimiter", Rule::On, Rule::Detect, Rule::Detect},
    {"spin.currentLimiter", Rule::On, Rule::Detect, Rule::Detect},
    {"radio.currentLimiter.3", Rule::On, Rule::Off, Rule::Off},
    {"box.di1", Rule::On, Rule::Off, Rule::Off},
    {"radio.di1.0", Rule::On, Rule::Off, Rule::Off},
    {"radio.di1.1", Rule::On, Rule::Off, Rule::Off},
    {"radio.di1.2", Rule::On, Rule::Off, Rule::Off},
    {"label.di1", Rule::On, Rule::Off, Rule::Off},
    {"box.di2", Rule::On, Rule::Off, Rule::Off},
    {"radio.di2.2", Rule::On, Rule::Off, Rule::Off},
    {"label.di2", Rule::On, Rule::Off, Rule::Off},
    {"box.di3", Rule::On, Rule::Off, Rule::Off},
    {"radio.di3.1", Rule::On, Rule::Off, Rule::Off},
    {"label.di3", Rule::On, Rule::Off, Rule::Off},
    {"box.do1", Rule::Bit2, Rule::Off, Rule::Off},
    {"radio.do1.0", Rule::Bit2, Rule::Off, Rule::Off},
    {"radio.do1.3", Rule::Bit2, Rule::Off, Rule::Off},
    {"box.do2", Rule::Bit2, Rule::Off, Rule::Off},
    {"radio.do2.2", Rule::Bit2, Rule::Off, Rule::Off},
    {"box.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"label.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"colon.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"edit.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"spin.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"unit.bootLimiter", Rule::On, Rule::Off, Rule::Off},
    {"label.bootLimiterTime", Rule::On, Rule::Off, Rule::Off},
    {"colon.bootLimiterTime", Rule::On, Rule::Off, Rule::Off},
    {"edit.bootLimiterTime", Rule::On, Rule::Off, Rule::Off},
    {"spin.bootLimiterTime", Rule::On, Rule::Off, Rule::Off},
    {"unit.bootLimiterTime", Rule::On, Rule::Off, Rule::Off},
    {"box.analogInput", Rule::Bit0, Rule::Off, Rule::Off},
    {"radio.analogInput.0", Rule::Bit0, Rule::Off, Rule::Off},
    {"radio.analogInput.1", Rule::Bit0, Rule::Off, Rule::Off},
    {"box.analogOutput", Rule::Bit3, Rule::Off, Rule::Off},
    {"radio.analogOutput.0", Rule::Bit3, Rule::Off, Rule::Off},
    {"radio.analogOutput.1", Rule::Bit3, Rule::Off, Rule::Off},
    {"box.scaling", Rule::Bit3, Rule::Off, Rule::On},
    {"label.scaleLow", Rule::Bit3, Rule::Off, Rule::On},
    {"label.scaleHigh", Rule::Bit3, Rule::Off, Rule::On},
    {"colon.scaleLow", Rule::Bit3, Rule::Off, Rule::Off},
    {"colon.scaleHigh", Rule::Bit3, Rule::Off, Rule::Off},
    {"edit.scaleLow", Rule::Bit3, Rule::Off, Rule::On},
    {"spin.scaleLow", Rule::Bit3, Rule::Off, Rule::On},
    {"edit.scaleHigh", Rule::Bit3, Rule::Off, Rule::On},
    {"spin.scaleHigh", Rule::Bit3, Rule::Off, Rule::On},
    {"box.controlInput", Rule::On, Rule::On, Rule::Off},
    {"box.powerDip", Rule::On, Rule::On, Rule::On},
    {"label.powerDip", Rule::On, Rule::On, Rule::On},
    {"radio.powerDip.0", Rule::On, Rule::On, Rule::On},
    {"radio.powerDip.1", Rule::On, Rule::On, Rule::On},
    // Never changed by the layouts.
    {"box.keyLock", Rule::On, Rule::On, Rule::On},
    {"radio.keyLock.1", Rule::On, Rule::On, Rule::On},
    {"box.rampLowerLimit", Rule::On, Rule::On, Rule::On},
    {"box.rampUpperSelection", Rule::On, Rule::On, Rule::On},
    {"box.rampUpperSetting", Rule::On, Rule::On, Rule::On},
    {"edit.rampUpperSetting", Rule::On, Rule::On, Rule::On},
    {"box.slow", Rule::On, Rule::On, Rule::On},
    {"label.slowUp", Rule::On, Rule::On, Rule::On},
    {"edit.slowUp", Rule::On, Rule::On, Rule::On},
    {"spin.slowUp", Rule::On, Rule::On, Rule::On},
    {"box.alarmAllocation", Rule::On, Rule::On, Rule::On},
    {"box.options", Rule::On, Rule::On, Rule::On},
};

bool Applies(Rule rule, uint16_t flags, uint16_t detect) {
  switch (rule) {
    case Rule::On: return true;
    case Rule::Off: return false;
    case Rule::Bit0: return (flags & 1) != 0;
    case Rule::Bit1: return (flags & 2) != 0;
    case Rule::Bit2: return (flags & 4) != 0;
    case Rule::Bit3: return (flags & 8) != 0;
    case Rule::Detect: return detect != 0;
  }
  return false;
}

// A group box's state is its caption's; anything else its own.
bool IsEnabled(const QWidget* control) {
  if (const auto* box = qobject_cast<const ScreenGroupBox*>(control)) return box->CaptionEnabled();
  return control->isEnabled();
}

}  // namespace

void ParameterScreenLayoutTest::layoutTable_data() {
  QTest::addColumn<int>("model");
  QTest::addColumn<int>("flags");
  QTest::addColumn<int>("detect");
  const char* names[] = {"KLV40", "KLV30", "KLV30E"};
  for (int model = 0; model < 3; ++model) {
    for (const int flags : {0, 1, 2, 4, 8, 15}) {
      for (const int detect : {0, 1}) {
        QTest::addRow("%s flags %d detect %d", names[model], flags, detect) << model << flags << detect;
      }
    }
  }
}

void ParameterScreenLayoutTest::layoutTable() {
  QFETCH(int, model);
  QFETCH(int, flags);
  QFETCH(int, detect);
  ParameterSet set;
  LoadDefaults(set, static_cast<ModelKind>(model));
  set.optionFlags = static_cast<uint16_t>(flags);
  set.optionDetect = static_cast<uint16_t>(detect);
  // Arrange another model first, so that every state is set by this layout.
  auto screen = MakeScreen(set, static_cast<ModelKind>((model + 1) % 3));
  screen->ApplyModelLayout(static_cast<ModelKind>(model));
  for (const LayoutRow& row : kLayout) {
    const auto* control = screen->findChild<QWidget*>(QLatin1String(row.control));
    QVERIFY2(control, row.control);
    const Rule rule = model == 0 ? row.klv40 : model == 1 ? row.klv30 : row.klv30e;
    QVERIFY2(IsEnabled(control) == Applies(rule, set.optionFlags, set.optionDetect), row.control);
  }
}

void ParameterScreenLayoutTest::controlInputButtons() {
  const struct {
    ModelKind model;
    int16_t range;
    QSet<int> enabled;
  } cases[] = {
      {ModelKind::Klv40, 0, {0, 1}},
      {ModelKind::Klv40, 1, {0, 1}},
      {ModelKind::Klv40, 2, {2, 3, 4, 5, 6, 7}},
      {ModelKind::Klv40, 7, {2, 3, 4, 5, 6, 7}},
      {ModelKind::Klv30, 0, {0, 6}},
      {ModelKind::Klv30, 6, {0, 6}},
      {ModelKind::Klv30E, 0, {}},
      {ModelKind::Klv30E, 6, {}},
  };
  for (const auto& c : cases) {
    ParameterSet set;
    LoadDefaults(set, c.model);
    set.controlInputRange = c.range;
    auto screen = MakeScreen(set, c.model);
    for (int i = 0; i < 8; ++i) {
      QVERIFY2(screen->Radio(RadioGroup::ControlInput, i)->isEnabled() == c.enabled.contains(i),
               qPrintable(QStringLiteral("model %1 range %2 button %3").arg(static_cast<int>(c.model)).arg(c.range).arg(i)));
    }
    QCOMPARE(screen->CurrentButton()->isVisibleTo(screen.get()), c.model == ModelKind::Klv40);
    QCOMPARE(screen->VoltageButton()->isVisibleTo(screen.get()), c.model == ModelKind::Klv40);
  }
}

void ParameterScreenLayoutTest::klv30WithoutDetectionLeavesFewControls() {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv30);
  auto screen = MakeScreen(set, ModelKind::Klv30);
  QSet<QString> changeable;
  for (QAbstractButton* button : screen->findChildren<QAbstractButton*>()) {
    if (qobject_cast<QToolButton*>(button)) continue;  // a spin button's arrows: counted with it
    if (button->isEnabled() && button->isVisibleTo(screen.get())) changeable.insert(button->objectName());
  }
  for (int i = 0; i < static_cast<int>(kEditFieldCount); ++i) {
    const auto field = static_cast<EditField>(i);
    if (screen->Edit(field)->isEnabled() && screen->Edit(field)->isVisibleTo(screen.get())) {
      changeable.insert(screen->Edit(field)->objectName());
    }
    if (screen->Spin(field)->Usable() && screen->Spin(field)->isVisibleTo(screen.get())) {
      changeable.insert(screen->Spin(field)->objectName());
    }
  }
  const QSet<QString> expected = {
      // "Key lock", the three ramp groups and "Variation limit".
      "radio.keyLock.0", "radio.keyLock.1", "radio.rampLowerLimit.0", "radio.rampLowerLimit.1",
      "radio.rampLowerLimit.2", "edit.rampLowerLimit", "spin.rampLowerLimit", "radio.rampUpperSelection.0",
      "radio.rampUpperSelection.1", "radio.rampUpperSelection.2", "edit.rampUpperSetting", "spin.rampUpperSetting",
      "edit.slowUp", "spin.slowUp",
      // "Control input" "Linear" and "Contact", and "Power supply instantaneous".
      "radio.controlInput.0", "radio.controlInput.6", "radio.powerDip.0", "radio.powerDip.1",
      // The "Output current detection function" box.
      "option.0"};
  QCOMPARE(changeable, expected);
}

void ParameterScreenLayoutTest::captions_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("model");
  QTest::addColumn<QString>("slowBox");
  QTest::addColumn<QString>("slowLabel");
  QTest::addColumn<QString>("scaling");
  QTest::addColumn<QString>("optionGroup");
  QTest::addColumn<QString>("firstInput");
  const int en = static_cast<int>(Language::English);
  const int ja = static_cast<int>(Language::Japanese);
  const QString slowEn = "Slow-up/slow-down";
  const QString analogEn = "Analog output scaling ( x 0.1% )";
  QTest::newRow("KLV40 English") << en << 0 << slowEn << "Slow-up" << analogEn << "KLV30" << "4-20mA";
  QTest::newRow("KLV30 English") << en << 1 << "Variation limit" << "Variation limit" << analogEn << "KLV30"
                                 << "Linear";
  QTest::newRow("KLV30E English") << en << 2 << slowEn << "Slow-up" << "Control input scaling ( x 0.1% )"
                                  << "KLV30E" << "Linear";
  const QString slowJa = QString::fromUtf8("スローアップ/スローダウン");
  const QString analogJa = QString::fromUtf8("アナログ出力スケーリング ( × 0.1% )");
  QTest::newRow("KLV40 Japanese") << ja << 0 << slowJa << QString::fromUtf8("スローアップ") << analogJa << "KLV30"
                                  << "4-20mA";
  QTest::newRow("KLV30 Japanese") << ja << 1 << QString::fromUtf8("変化率制限") << QString::fromUtf8("変化率制限")
                                  << analogJa << "KLV30" << QString::fromUtf8("リニア");
  QTest::newRow("KLV30E Japanese") << ja << 2 << slowJa << QString::fromUtf8("スローアップ")
                                   << QString::fromUtf8("制御入力スケーリング ( × 0.1% )") << "KLV30E"
                                   << QString::fromUtf8("リニア");
}

void ParameterScreenLayoutTest::captions() {
  QFETCH(int, language);
  QFETCH(int, model);
  QFETCH(QString, slowBox);
  QFETCH(QString, slowLabel);
  QFETCH(QString, scaling);
  QFETCH(QString, optionGroup);
  QFETCH(QString, firstInput);
  ParameterSet set;
  LoadDefaults(set, static_cast<ModelKind>(model));
  auto screen = MakeScreen(set, ModelKind::Klv30, static_cast<Language>(language));
  screen->ApplyModelLayout(static_cast<ModelKind>(model));
  QCOMPARE(screen->findChild<ScreenGroupBox*>("box.slow")->Caption(), slowBox);
  QCOMPARE(screen->findChild<QLabel*>("label.slowUp")->text(), slowLabel);
  QCOMPARE(screen->findChild<ScreenGroupBox*>("box.scaling")->Caption(), scaling);
  QCOMPARE(screen->findChild<ScreenGroupBox*>("box.optionsOneSeries")->Caption(), optionGroup);
  QCOMPARE(screen->Radio(RadioGroup::ControlInput, 0)->text(), firstInput);
}

void ParameterScreenLayoutTest::slowDownRowFollowsTheModel() {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  auto screen = MakeScreen(set, ModelKind::Klv40);
  const QStringList row = {"label.slowDown", "colon.slowDown", "edit.slowDown", "spin.slowDown", "unit.slowDown"};
  const auto shown = [&] {
    int count = 0;
    for (const QString& name : row) count += screen->findChild<QWidget*>(name)->isVisibleTo(screen.get()) ? 1 : 0;
    return count;
  };
  QCOMPARE(shown(), 5);
  screen->ApplyModelLayout(ModelKind::Klv30);
  QCOMPARE(shown(), 0);
  QVERIFY(screen->Edit(EditField::SlowUp)->isVisibleTo(screen.get()));
  screen->ApplyModelLayout(ModelKind::Klv40);
  QCOMPARE(shown(), 5);
  screen->ApplyModelLayout(ModelKind::Klv30E);
  QCOMPARE(shown(), 5);
}

void ParameterScreenLayoutTest::spinRanges() {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  ParameterScreen fresh(set, Language::English);
  // At start-up, before any layout.
  const struct {
    EditField field;
    int lower;
    int upper;
  } startUp[] = {
      {EditField::RampLowerLimit, 0, 999},  {EditField::RampUpperSetting, 1, 1000},
      {EditField::CurrentLimiter, 10, 120}, {EditField::HeaterBreakCurrent, 0, 100},
      {EditField::SlowUp, 0, 999},          {EditField::SlowDown, 0, 999},
      {EditField::BootLimiter, 0, 1000},    {EditField::BootLimiterTime, 0, 999},
      {EditField::ScaleLow, 0, 1000},       {EditField::ScaleHigh, 0, 1000},
  };
  for (const auto& c : startUp) {
    QCOMPARE(fresh.Spin(c.field)->Lower(), c.lower);
    QCOMPARE(fresh.Spin(c.field)->Upper(), c.upper);
  }
  const struct {
    ModelKind model;
    int limiterLower;
    int lowLower, lowUpper, highLower, highUpper;
  } layouts[] = {
      {ModelKind::Klv30E, 10, 0, 200, 800, 1000},
      {ModelKind::Klv40, 0, 0, 1000, 0, 1000},
      {ModelKind::Klv30, 0, 0, 1000, 0, 1000},
  };
  for (const auto& c : layouts) {
    fresh.ApplyModelLayout(c.model);
    QCOMPARE(fresh.Spin(EditField::CurrentLimiter)->Lower(), c.limiterLower);
    QCOMPARE(fresh.Spin(EditField::CurrentLimiter)->Upper(), 120);
    QCOMPARE(fresh.Spin(EditField::ScaleLow)->Lower(), c.lowLower);
    QCOMPARE(fresh.Spin(EditField::ScaleLow)->Upper(), c.lowUpper);
    QCOMPARE(fresh.Spin(EditField::ScaleHigh)->Lower(), c.highLower);
    QCOMPARE(fresh.Spin(EditField::ScaleHigh)->Upper(), c.highUpper);
    QCOMPARE(fresh.Spin(EditField::SlowUp)->Upper(), 999);
  }
}

void ParameterScreenLayoutTest::volumeLock() {
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  set.rampLowerLimit = -1;
  auto screen = MakeScreen(set, ModelKind::Klv40);
  QRadioButton* rampVr1 = screen->Radio(RadioGroup::RampLowerLimit, 1);
  QRadioButton* selectionVr1 = screen->Radio(RadioGroup::RampUpperSelection, 1);
  QRadioButton* limiterVr1 = screen->Radio(RadioGroup::CurrentLimiter, 1);
  QRadioButton* limiterVr3 = screen->Radio(RadioGroup::CurrentLimiter, 3);
  QVERIFY(rampVr1->isChecked());
  QVERIFY(!selectionVr1->isEnabled());
  QVERIFY(!limiterVr1->isEnabled());
  QVERIFY(screen->Radio(RadioGroup::CurrentLimiter, 2)->isEnabled());
  // "Number" again frees VR1.
  screen->Radio(RadioGroup::RampLowerLimit, kNumberButton)->click();
  QVERIFY(selectionVr1->isEnabled());
  QVERIFY(limiterVr1->isEnabled());
  // The limiter on VR1 takes it from the other two.
  limiterVr1->click();
  QVERIFY(!rampVr1->isEnabled());
  QVERIFY(!selectionVr1->isEnabled());

  // "POS" or "INV" of "DI-1" and "VR3" exclude each other.
  screen->Radio(RadioGroup::Di1, 1)->click();
  QVERIFY(!limiterVr3->isEnabled());
  screen->Radio(RadioGroup::Di1, 0)->click();
  QVERIFY(limiterVr3->isEnabled());
  limiterVr3->click();
  QVERIFY(!screen->Radio(RadioGroup::Di1, 1)->isEnabled());
  QVERIFY(!screen->Radio(RadioGroup::Di1, 2)->isEnabled());
  QVERIFY(rampVr1->isEnabled());  // VR1 is free again

  // A KLV30 without current detection never enables the limiter's volumes.
  ParameterSet one;
  LoadDefaults(one, ModelKind::Klv30);
  auto klv30 = MakeScreen(one, ModelKind::Klv30);
  klv30->Radio(RadioGroup::RampLowerLimit, 1)->click();
  klv30->Radio(RadioGroup::RampLowerLimit, kNumberButton)->click();
  QVERIFY(!klv30->Radio(RadioGroup::CurrentLimiter, 1)->isEnabled());
  QVERIFY(!klv30->Radio(RadioGroup::CurrentLimiter, 2)->isEnabled());
  QVERIFY(klv30->Radio(RadioGroup::RampUpperSelection, 1)->isEnabled());
}

void ParameterScreenLayoutTest::twoGroupsOnOneVolume() {
  // Possible from a file or a device: both stay checked, all three buttons
  // of the volume are disabled, and reading back keeps both.
  ParameterSet set;
  LoadDefaults(set, ModelKind::Klv40);
  set.rampLowerLimit = -2;
  set.currentLimiter = -2;
  auto screen = MakeScreen(set, ModelKind::Klv40);
  QVERIFY(screen->Radio(RadioGroup::RampLowerLimit, 2)->isChecked());
  QVERIFY(screen->Radio(RadioGroup::CurrentLimiter, 2)->isChecked());
  QVERIFY(!screen->Radio(RadioGroup::RampLowerLimit, 2)->isEnabled());
  QVERIFY(!screen->Radio(RadioGroup::RampUpperSelection, 2)->isEnabled());
  QVERIFY(!screen->Radio(RadioGroup::CurrentLimiter, 2)->isEnabled());
  screen->ReadScreen();
  QCOMPARE(set.rampLowerLimit, int16_t{-2});
  QCOMPARE(set.currentLimiter, int16_t{-2});
}

void ParameterScreenLayoutTest::fitsItsWindowUnclipped_data() {
  QTest::addColumn<int>("language");
  QTest::addColumn<int>("model");
  QTest::addColumn<bool>("options");
  for (const Language language : {Language::English, Language::Japanese}) {
    for (int model = 0; model < 3; ++model) {
      for (const bool options : {false, true}) {
        QTest::addRow("%s-%s-%s", language == Language::English ? "en" : "ja", ModelNames[model].data(),
                      options ? "options" : "plain")
            << static_cast<int>(language) << model << options;
      }
    }
  }
}

void ParameterScreenLayoutTest::fitsItsWindowUnclipped() {
  QFETCH(int, language);
  QFETCH(int, model);
  QFETCH(bool, options);
  const auto lang = static_cast<Language>(language);
  ParameterSet set;
  LoadDefaults(set, static_cast<ModelKind>(model));
  if (options) {
    set.optionFlags = 0x000F;
    set.optionDetect = 1;
    set.controlInputRange = 4;
  }
  // The main window's size in pixels, with a menu bar above the screen.
  QWidget window;
  auto* column = new QVBoxLayout(&window);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* menu = new QMenuBar;
  for (const MenuEntry& entry : MenuEntries()) {
    if (entry.isPopup) menu->addMenu(ToQString(lang == Language::English ? entry.english : entry.japanese));
  }
  column->addWidget(menu);
  auto* screen = new ParameterScreen(set, lang);
  column->addWidget(screen);
  screen->ApplyModelLayout(static_cast<ModelKind>(model));
  const WindowSize size = MainWindowSize(lang);
  window.resize(size.width, size.height);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));

  const QSize needed = screen->minimumSizeHint();
  QVERIFY2(needed.width() <= size.width && needed.height() + menu->height() <= size.height,
           qPrintable(QStringLiteral("needs %1 x %2").arg(needed.width()).arg(needed.height())));
  QCOMPARE(window.size(), QSize(size.width, size.height));

  // Every text has the room its font needs.
  for (QWidget* control : screen->findChildren<QWidget*>()) {
    if (!control->isVisible() || qobject_cast<QToolButton*>(control)) continue;
    const QString what = control->objectName();
    if (qobject_cast<QLabel*>(control) || qobject_cast<QAbstractButton*>(control)) {
      QVERIFY2(control->width() >= control->sizeHint().width(), qPrintable(what));
      QVERIFY2(control->height() >= control->fontMetrics().height(), qPrintable(what));
    }
    if (const auto* box = qobject_cast<ScreenGroupBox*>(control)) {
      QVERIFY2(box->width() >= box->minimumSizeHint().width(), qPrintable(what));
      QVERIFY2(box->height() >= box->minimumSizeHint().height(), qPrintable(what));
    }
    if (const auto* edit = qobject_cast<ScreenEdit*>(control)) {
      QVERIFY2(edit->width() >= edit->fontMetrics().horizontalAdvance(QStringLiteral("1000")), qPrintable(what));
    }
  }
  // Controls never stick out of their group.
  for (ScreenGroupBox* box : screen->findChildren<ScreenGroupBox*>()) {
    for (QWidget* child : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      if (child->isVisible()) QVERIFY2(box->rect().contains(child->geometry()), qPrintable(child->objectName()));
    }
  }

  // Pictures to look at: set KLV_SCREENSHOT_DIR to a folder.
  const QByteArray folder = qgetenv("KLV_SCREENSHOT_DIR");
  if (!folder.isEmpty()) {
    QVERIFY(window.grab().save(QString::fromLocal8Bit(folder) + QLatin1Char('/') +
                               QLatin1String(QTest::currentDataTag()) + QStringLiteral(".png")));
  }
}

}  // namespace klv

QTEST_MAIN(klv::ParameterScreenLayoutTest)
#include "parameter_screen_layout_test.moc"
