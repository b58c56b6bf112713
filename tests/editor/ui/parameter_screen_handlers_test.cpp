// The rules while the operator edits the screen: corrections of typed
// numbers, leave rules, the ramp limits, the current limiter, the option
// boxes, "Current" and "Voltage", and when the screen reports an edit.
#include <QCheckBox>
#include <QLabel>
#include <QSignalSpy>
#include <QToolButton>
#include <QTest>

#include "parameter_screen_rig.h"

namespace klv {

using namespace screen_test;

class ParameterScreenHandlersTest : public QObject {
  Q_OBJECT

 private slots:
  void typedNumbersStayInRange_data();
  void typedNumbersStayInRange();
  void correctedTextIsComparedAgain();
  void pastedOrTypedKeyByKey();
  void leaveRules();
  void nothingChangesBeforeTheScreenIsReady();
  void rampHigherLimitMovesTheLowerOne();
  void rampHigherLimitOfZero();
  void rampNumberAndLowerLimit();
  void currentLimiterTypedAndLeft_data();
  void currentLimiterTypedAndLeft();
  void currentLimiterTypedKeyByKey();
  void currentLimiterSpin();
  void currentLimiterOnlyWhileNumber();
  void scalingFields_data();
  void scalingFields();
  void radioClicksMarkOnlyChanges();
  void optionBoxesAlwaysMark();
  void alarmOutput2Cleared();
  void currentDetectionCleared();
  void digitalAndAnalogOptionBoxes();
  void currentAndVoltageOnKlv40();
  void currentAndVoltageOnKlv30();
  void spinButtonAndArrowKeys();
  void focusToKeyLockRunsTheLeaveRule();
  void valuesOutsideTheirLimitsAreShownMarked();
};

namespace {

struct Fixture {
  explicit Fixture(ModelKind model, bool ready = true) {
    LoadDefaults(set, model);
    screen = MakeScreen(set, model, Language::English, ready);
    edits = std::make_unique<QSignalSpy>(screen.get(), &ParameterScreen::Edited);
  }
  // Shows set again after the test changed it, as a file load does.
  void Reload(ModelKind model) {
    screen->ApplyModelLayout(model);
    edits->clear();
  }
  ScreenEdit* Edit(EditField field) const { return screen->Edit(field); }
  bool Marked() const { return !edits->isEmpty(); }

  ParameterSet set;
  std::unique_ptr<ParameterScreen> screen;
  std::unique_ptr<QSignalSpy> edits;
};

}  // namespace

void ParameterScreenHandlersTest::typedNumbersStayInRange_data() {
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  const auto row = [](const char* name, EditField field, const char* typed, const char* shown) {
    QTest::newRow(name) << static_cast<int>(field) << QString::fromLatin1(typed) << QString::fromLatin1(shown);
  };
  row("heater break 150", EditField::HeaterBreakCurrent, "150", "100");
  row("heater break 100", EditField::HeaterBreakCurrent, "100", "100");
  row("slow-up 1000", EditField::SlowUp, "1000", "999");
  row("slow-down 5000", EditField::SlowDown, "5000", "999");
  row("output limiter 1001", EditField::BootLimiter, "1001", "1000");
  row("limiter time 45", EditField::BootLimiterTime, "45", "45");
}

void ParameterScreenHandlersTest::typedNumbersStayInRange() {
  QFETCH(int, field);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  Fixture f(ModelKind::Klv40);
  TypeOver(f.Edit(static_cast<EditField>(field)), typed);
  QCOMPARE(f.Edit(static_cast<EditField>(field))->text(), shown);
  QVERIFY(f.Marked());
}

void ParameterScreenHandlersTest::correctedTextIsComparedAgain() {
  // Stored 150 (from a file) and typed 150: the typed number equals the
  // register, the corrected "100" does not.
  Fixture f(ModelKind::Klv40, false);
  f.set.heaterBreakCurrent = 150;
  f.Reload(ModelKind::Klv40);
  QCOMPARE(f.Edit(EditField::HeaterBreakCurrent)->text(), QStringLiteral("150"));
  f.screen->SetScreenReady(true);
  TypeOver(f.Edit(EditField::HeaterBreakCurrent), "150");
  QCOMPARE(f.Edit(EditField::HeaterBreakCurrent)->text(), QStringLiteral("100"));
  QVERIFY(f.Marked());

  // The stored value pasted marks nothing (typed key by key, "2" would).
  Fixture same(ModelKind::Klv40);
  same.set.slowUpTime = 25;
  same.Reload(ModelKind::Klv40);
  same.Edit(EditField::SlowUp)->setText("25");
  QVERIFY(!same.Marked());
  same.Edit(EditField::SlowUp)->setText("26");
  QVERIFY(same.Marked());
}

void ParameterScreenHandlersTest::pastedOrTypedKeyByKey() {
  Fixture f(ModelKind::Klv40);
  // 40000 arriving whole reads as -25536, so it becomes "0".
  f.Edit(EditField::SlowUp)->setText("40000");
  QCOMPARE(f.Edit(EditField::SlowUp)->text(), QStringLiteral("0"));
  // Typed key by key, 4000 is caught first and becomes "999".
  TypeOver(f.Edit(EditField::SlowUp), "40000");
  QCOMPARE(f.Edit(EditField::SlowUp)->text(), QStringLiteral("999"));
  // The digits-only fields refuse letters; the slow-down field takes them.
  TypeOver(f.Edit(EditField::SlowUp), "7x");
  QCOMPARE(f.Edit(EditField::SlowUp)->text(), QStringLiteral("7"));
  TypeOver(f.Edit(EditField::SlowDown), "7x");
  QCOMPARE(f.Edit(EditField::SlowDown)->text(), QStringLiteral("7x"));
}

void ParameterScreenHandlersTest::leaveRules() {
  Fixture f(ModelKind::Klv40);
  f.Edit(EditField::HeaterBreakCurrent)->clear();
  Leave(f.Edit(EditField::HeaterBreakCurrent));
  QCOMPARE(f.Edit(EditField::HeaterBreakCurrent)->text(), QStringLiteral("0"));

  for (const EditField field : {EditField::SlowUp, EditField::SlowDown, EditField::BootLimiter,
                                EditField::BootLimiterTime}) {
    f.Edit(field)->clear();
    Leave(f.Edit(field));
    QCOMPARE(f.Edit(field)->text(), QStringLiteral("0"));
  }
  f.Edit(EditField::SlowDown)->setText("abc");
  Leave(f.Edit(EditField::SlowDown));
  QCOMPARE(f.Edit(EditField::SlowDown)->text(), QStringLiteral("0"));
}

void ParameterScreenHandlersTest::nothingChangesBeforeTheScreenIsReady() {
  Fixture f(ModelKind::Klv40, false);
  f.Edit(EditField::HeaterBreakCurrent)->setText("150");
  f.Edit(EditField::SlowUp)->clear();
  Leave(f.Edit(EditField::SlowUp));
  f.Edit(EditField::ScaleLow)->setText("5000");
  Leave(f.Edit(EditField::ScaleLow));
  QCOMPARE(f.Edit(EditField::HeaterBreakCurrent)->text(), QStringLiteral("150"));
  QCOMPARE(f.Edit(EditField::SlowUp)->text(), QString());
  QCOMPARE(f.Edit(EditField::ScaleLow)->text(), QStringLiteral("5000"));
  QVERIFY(!f.Marked());
  // Except the empty heater break current, which is refilled anyway.
  f.Edit(EditField::HeaterBreakCurrent)->clear();
  Leave(f.Edit(EditField::HeaterBreakCurrent));
  QCOMPARE(f.Edit(EditField::HeaterBreakCurrent)->text(), QStringLiteral("0"));
  // Radio clicks always count.
  f.screen->Radio(RadioGroup::KeyLock, 1)->click();
  QVERIFY(f.Marked());
}

void ParameterScreenHandlersTest::rampHigherLimitMovesTheLowerOne() {
  Fixture f(ModelKind::Klv40);
  f.set.rampUpperSetting = 300;
  f.set.rampLowerLimit = 500;
  f.Reload(ModelKind::Klv40);
  Leave(f.Edit(EditField::RampUpperSetting));
  QCOMPARE(f.Edit(EditField::RampLowerLimit)->text(), QStringLiteral("299"));
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Upper(), 299);
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Lower(), 0);
  QVERIFY(!f.Marked());  // the higher limit is as stored; the lower one moved along

  // A new higher limit is an edit of its own.
  TypeOver(f.Edit(EditField::RampUpperSetting), "600");
  QVERIFY(!f.Marked());  // no check while typing
  Leave(f.Edit(EditField::RampUpperSetting));
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Upper(), 599);
  QCOMPARE(f.Edit(EditField::RampLowerLimit)->text(), QStringLiteral("299"));
  QVERIFY(f.Marked());
}

void ParameterScreenHandlersTest::rampHigherLimitOfZero() {
  Fixture f(ModelKind::Klv40);
  f.Edit(EditField::RampLowerLimit)->setText("500");
  TypeOver(f.Edit(EditField::RampUpperSetting), "0");
  Leave(f.Edit(EditField::RampUpperSetting));
  QCOMPARE(f.Edit(EditField::RampUpperSetting)->text(), QStringLiteral("1"));
  QCOMPARE(f.Edit(EditField::RampLowerLimit)->text(), QStringLiteral("0"));
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Upper(), 0);
  // Above 1000 it becomes 1000.
  TypeOver(f.Edit(EditField::RampUpperSetting), "4000");
  Leave(f.Edit(EditField::RampUpperSetting));
  QCOMPARE(f.Edit(EditField::RampUpperSetting)->text(), QStringLiteral("1000"));
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Upper(), 999);
}

void ParameterScreenHandlersTest::rampNumberAndLowerLimit() {
  Fixture f(ModelKind::Klv40);
  f.set.rampLowerLimit = -1;
  f.set.rampUpperSetting = 400;
  f.Reload(ModelKind::Klv40);
  ScreenEdit* lower = f.Edit(EditField::RampLowerLimit);
  QVERIFY(!lower->isEnabled());
  lower->setText("700");
  f.screen->Radio(RadioGroup::RampLowerLimit, kNumberButton)->click();
  QVERIFY(lower->isEnabled());
  QCOMPARE(lower->text(), QStringLiteral("399"));
  QCOMPARE(f.screen->Spin(EditField::RampLowerLimit)->Upper(), 399);
  QVERIFY(f.Marked());  // a volume was stored

  // Leaving the lower limit: at or above the higher one it moves below.
  f.edits->clear();
  TypeOver(lower, "400");
  Leave(lower);
  QCOMPARE(lower->text(), QStringLiteral("399"));
  QVERIFY(f.Marked());
  TypeOver(lower, "0");
  Leave(lower);
  QCOMPARE(lower->text(), QStringLiteral("0"));

  // Choosing a volume disables the field, and its leave rule rests.
  f.screen->Radio(RadioGroup::RampLowerLimit, 2)->click();
  QVERIFY(!lower->isEnabled());
  lower->setText("900");
  Leave(lower);
  QCOMPARE(lower->text(), QStringLiteral("900"));

  // "Number" on a stored number does not mark by itself.
  Fixture stored(ModelKind::Klv40);
  stored.screen->Radio(RadioGroup::RampLowerLimit, kNumberButton)->click();
  QVERIFY(!stored.Marked());
}

void ParameterScreenHandlersTest::currentLimiterTypedAndLeft_data() {
  QTest::addColumn<int>("model");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("whileTyping");
  QTest::addColumn<QString>("afterLeaving");
  QTest::addColumn<int>("read");
  const int klv40 = static_cast<int>(ModelKind::Klv40);
  const int klv30 = static_cast<int>(ModelKind::Klv30);
  const int klv30e = static_cast<int>(ModelKind::Klv30E);
  QTest::newRow("KLV40 5") << klv40 << "5" << "0" << "off" << 0;
  QTest::newRow("KLV40 0") << klv40 << "0" << "0" << "off" << 0;
  QTest::newRow("KLV40 50") << klv40 << "50" << "50" << "50" << 50;
  QTest::newRow("KLV40 150") << klv40 << "150" << "120" << "120" << 120;
  QTest::newRow("KLV40 off") << klv40 << "off" << "off" << "off" << 0;
  QTest::newRow("KLV30E 5") << klv30e << "5" << "0" << "10" << 10;
  QTest::newRow("KLV30E 0") << klv30e << "0" << "0" << "10" << 10;
  QTest::newRow("KLV30 5") << klv30 << "5" << "5" << "5" << 5;
  QTest::newRow("KLV30 0") << klv30 << "0" << "0" << "0" << 0;
  QTest::newRow("KLV30 -3") << klv30 << "-3" << "0" << "0" << 0;
}

void ParameterScreenHandlersTest::currentLimiterTypedAndLeft() {
  QFETCH(int, model);
  QFETCH(QString, typed);
  QFETCH(QString, whileTyping);
  QFETCH(QString, afterLeaving);
  QFETCH(int, read);
  Fixture f(static_cast<ModelKind>(model));
  f.set.optionDetect = 1;
  f.Reload(static_cast<ModelKind>(model));
  ScreenEdit* limiter = f.Edit(EditField::CurrentLimiter);
  QVERIFY(limiter->isEnabled());
  // Written by the program (a file, the device).
  limiter->setText(typed);
  QCOMPARE(limiter->text(), whileTyping);
  Leave(limiter);
  QCOMPARE(limiter->text(), afterLeaving);
  QVERIFY(f.Marked());  // all differ from the stored 100
  f.screen->ReadScreen();
  QCOMPARE(static_cast<int>(f.set.currentLimiter), read);

  // Typed by the operator: the same value once the field is left (a typed
  // "-3" on a KLV30 is left as "off" rather than "0").
  limiter->setText("100");
  TypeOver(limiter, typed);
  Leave(limiter);
  f.set.currentLimiter = 100;
  f.screen->ReadScreen();
  QCOMPARE(static_cast<int>(f.set.currentLimiter), read);
}

void ParameterScreenHandlersTest::currentLimiterTypedKeyByKey() {
  // Every value from 10 to 99 starts with a digit below the minimum.
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30E}) {
    Fixture f(model);
    f.set.optionDetect = 1;
    f.Reload(model);
    ScreenEdit* limiter = f.Edit(EditField::CurrentLimiter);
    TypeOver(limiter, "50");
    QCOMPARE(limiter->text(), QStringLiteral("50"));
    QVERIFY(f.Marked());
    Leave(limiter);
    QCOMPARE(limiter->text(), QStringLiteral("50"));
    TypeOver(limiter, "5");
    QCOMPARE(limiter->text(), QStringLiteral("5"));
    Leave(limiter);
    QCOMPARE(limiter->text(), QLatin1String(model == ModelKind::Klv40 ? "off" : "10"));
    TypeOver(limiter, "130");
    QCOMPARE(limiter->text(), QStringLiteral("120"));
  }
}

void ParameterScreenHandlersTest::currentLimiterSpin() {
  Fixture f(ModelKind::Klv40);
  ScreenEdit* limiter = f.Edit(EditField::CurrentLimiter);
  ScreenSpinButton* spin = f.screen->Spin(EditField::CurrentLimiter);
  limiter->setText("off");
  spin->Step(1);
  QCOMPARE(limiter->text(), QStringLiteral("10"));
  spin->Step(-1);
  QCOMPARE(limiter->text(), QStringLiteral("0"));
  spin->Step(1);
  spin->Step(1);
  QCOMPARE(limiter->text(), QStringLiteral("11"));
  spin->Step(-1);
  QCOMPARE(limiter->text(), QStringLiteral("10"));
  f.screen->SetScreenReady(false);  // keep 7 in the field
  limiter->setText("7");
  spin->Step(1);
  QCOMPARE(limiter->text(), QStringLiteral("10"));
  limiter->setText("120");
  spin->Step(1);
  QCOMPARE(limiter->text(), QStringLiteral("120"));

  // A KLV30E stops at 10; a KLV30 moves one at a time.
  Fixture e(ModelKind::Klv30E);
  e.set.optionDetect = 1;
  e.Reload(ModelKind::Klv30E);
  e.Edit(EditField::CurrentLimiter)->setText("10");
  e.screen->Spin(EditField::CurrentLimiter)->Step(-1);
  QCOMPARE(e.Edit(EditField::CurrentLimiter)->text(), QStringLiteral("10"));
  Fixture k(ModelKind::Klv30);
  k.set.optionDetect = 1;
  k.Reload(ModelKind::Klv30);
  k.Edit(EditField::CurrentLimiter)->setText("0");
  k.screen->Spin(EditField::CurrentLimiter)->Step(1);
  QCOMPARE(k.Edit(EditField::CurrentLimiter)->text(), QStringLiteral("1"));
}

void ParameterScreenHandlersTest::currentLimiterOnlyWhileNumber() {
  Fixture f(ModelKind::Klv40);
  f.screen->Radio(RadioGroup::CurrentLimiter, 1)->click();
  QVERIFY(!f.Edit(EditField::CurrentLimiter)->isEnabled());
  QVERIFY(!f.screen->Spin(EditField::CurrentLimiter)->Usable());
  f.Edit(EditField::CurrentLimiter)->setText("5");
  Leave(f.Edit(EditField::CurrentLimiter));
  QCOMPARE(f.Edit(EditField::CurrentLimiter)->text(), QStringLiteral("5"));
  f.screen->Radio(RadioGroup::CurrentLimiter, kNumberButton)->click();
  QVERIFY(f.Edit(EditField::CurrentLimiter)->isEnabled());
  QVERIFY(f.screen->Spin(EditField::CurrentLimiter)->Usable());
}

void ParameterScreenHandlersTest::scalingFields_data() {
  QTest::addColumn<int>("model");
  QTest::addColumn<int>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("shown");
  QTest::addColumn<bool>("marked");
  const int klv40 = static_cast<int>(ModelKind::Klv40);
  const int klv30e = static_cast<int>(ModelKind::Klv30E);
  const int low = static_cast<int>(EditField::ScaleLow);
  const int high = static_cast<int>(EditField::ScaleHigh);
  QTest::newRow("KLV30E lower 250") << klv30e << low << "250" << "200" << true;
  QTest::newRow("KLV30E lower 0") << klv30e << low << "0" << "0" << false;
  QTest::newRow("KLV30E higher 700") << klv30e << high << "700" << "800" << true;
  QTest::newRow("KLV30E higher 1000") << klv30e << high << "1000" << "1000" << false;
  QTest::newRow("KLV40 lower 1200") << klv40 << low << "1200" << "1000" << true;
  QTest::newRow("KLV40 higher 700") << klv40 << high << "700" << "700" << true;
  QTest::newRow("KLV40 higher empty") << klv40 << high << "" << "0" << true;
}

void ParameterScreenHandlersTest::scalingFields() {
  QFETCH(int, model);
  QFETCH(int, field);
  QFETCH(QString, typed);
  QFETCH(QString, shown);
  QFETCH(bool, marked);
  Fixture f(static_cast<ModelKind>(model));
  f.set.optionFlags = kOptionAnalogOutput;
  f.Reload(static_cast<ModelKind>(model));
  ScreenEdit* edit = f.Edit(static_cast<EditField>(field));
  QVERIFY(edit->isEnabled());
  TypeOver(edit, typed);
  if (typed.isEmpty()) edit->clear();
  QVERIFY(!f.Marked());  // no check while typing
  Leave(edit);
  QCOMPARE(edit->text(), shown);
  QCOMPARE(f.Marked(), marked);
}

void ParameterScreenHandlersTest::radioClicksMarkOnlyChanges() {
  Fixture f(ModelKind::Klv40);
  f.screen->Radio(RadioGroup::KeyLock, 0)->click();  // stored 0
  f.screen->Radio(RadioGroup::PowerDip, 1)->click();  // stored 1
  f.screen->Radio(RadioGroup::CurrentLimiter, kNumberButton)->click();  // stored 100
  QVERIFY(!f.Marked());
  f.screen->Radio(RadioGroup::Di2, 2)->click();
  QVERIFY(f.Marked());
  // Back to the stored value: the mark is the window's to keep; the screen
  // does not take it back.
  f.edits->clear();
  f.screen->Radio(RadioGroup::Di2, 0)->click();
  QVERIFY(!f.Marked());

  // "ON" stands for any value but 0; "non" of a one-series alarm for 1.
  Fixture odd(ModelKind::Klv30);
  odd.set.keyLock = 5;
  odd.set.optionDetect = 1;
  odd.set.heaterBreakAlarm = 1;
  odd.Reload(ModelKind::Klv30);
  QVERIFY(odd.screen->Radio(RadioGroup::KeyLock, 0)->isChecked());
  odd.screen->Radio(RadioGroup::KeyLock, 1)->click();
  odd.screen->Radio(RadioGroup::HeaterBreak, 2)->click();
  QVERIFY(!odd.Marked());
  odd.screen->Radio(RadioGroup::ControlInput, 6)->click();
  QVERIFY(odd.Marked());
}

void ParameterScreenHandlersTest::optionBoxesAlwaysMark() {
  for (int box = 1; box <= 4; ++box) {
    Fixture f(ModelKind::Klv40);
    f.screen->OptionBox(box)->click();
    QVERIFY(f.Marked());
    f.edits->clear();
    f.screen->OptionBox(box)->click();  // back as stored
    QVERIFY(f.Marked());
  }
}

void ParameterScreenHandlersTest::alarmOutput2Cleared() {
  Fixture f(ModelKind::Klv40);
  f.set.optionFlags = kOptionAlarmOutput2;
  f.set.fuseMeltedAlarm = 1;
  f.set.heaterBreakAlarm = 1;
  f.set.currentErrorAlarm = 2;
  f.Reload(ModelKind::Klv40);
  QVERIFY(f.screen->Radio(RadioGroup::FuseMelted, 1)->isChecked());
  f.screen->OptionBox(2)->click();
  QVERIFY(f.screen->Radio(RadioGroup::FuseMelted, 0)->isChecked());
  QVERIFY(f.screen->Radio(RadioGroup::HeaterBreak, 0)->isChecked());
  QVERIFY(f.screen->Radio(RadioGroup::CurrentError, 2)->isChecked());
  for (const RadioGroup group : {RadioGroup::FuseMelted, RadioGroup::PowerSupplyError, RadioGroup::CurrentError,
                                 RadioGroup::HardwareError, RadioGroup::TemperatureError, RadioGroup::HeaterBreak}) {
    QVERIFY(!f.screen->Radio(group, 1)->isEnabled());
  }
  QVERIFY(f.Marked());
  f.screen->OptionBox(2)->click();
  QVERIFY(f.screen->Radio(RadioGroup::TemperatureError, 1)->isEnabled());
  QVERIFY(f.screen->Radio(RadioGroup::FuseMelted, 0)->isChecked());
}

void ParameterScreenHandlersTest::currentDetectionCleared() {
  Fixture f(ModelKind::Klv30);
  f.set.optionDetect = 1;
  f.set.currentLimiter = -2;
  f.Reload(ModelKind::Klv30);
  QVERIFY(f.screen->Radio(RadioGroup::CurrentLimiter, 2)->isChecked());
  QVERIFY(!f.screen->Radio(RadioGroup::RampLowerLimit, 2)->isEnabled());
  f.screen->OptionBox(0)->click();
  QVERIFY(f.screen->Radio(RadioGroup::CurrentLimiter, kNumberButton)->isChecked());
  QCOMPARE(f.Edit(EditField::CurrentLimiter)->text(), QStringLiteral("100"));
  QVERIFY(f.Marked());
  // Its dependants are disabled, and VR2 is free for the ramp groups again.
  for (QWidget* control : std::initializer_list<QWidget*>{
           f.screen->Radio(RadioGroup::PowerSupplyError, 0), f.screen->Radio(RadioGroup::HardwareError, 2),
           f.screen->Radio(RadioGroup::HeaterBreak, 0), f.Edit(EditField::HeaterBreakCurrent),
           f.screen->Spin(EditField::HeaterBreakCurrent), f.screen->Radio(RadioGroup::CurrentLimiter, 0),
           f.screen->Radio(RadioGroup::CurrentLimiter, 1), f.Edit(EditField::CurrentLimiter)}) {
    QVERIFY2(!control->isEnabled(), qPrintable(control->objectName()));
  }
  QVERIFY(f.screen->Radio(RadioGroup::RampLowerLimit, 2)->isEnabled());
  f.screen->ReadScreen();
  QCOMPARE(f.set.optionDetect, uint16_t{0});
  QCOMPARE(f.set.currentLimiter, int16_t{100});

  // Ticking it again enables them.
  f.screen->OptionBox(0)->click();
  QVERIFY(f.screen->Radio(RadioGroup::CurrentLimiter, 1)->isEnabled());
  QVERIFY(f.Edit(EditField::HeaterBreakCurrent)->isEnabled());
  QVERIFY(f.screen->findChild<ScreenGroupBox*>("box.heaterBreak")->CaptionEnabled());
}

void ParameterScreenHandlersTest::digitalAndAnalogOptionBoxes() {
  Fixture f(ModelKind::Klv40);
  QVERIFY(!f.screen->Radio(RadioGroup::Do1, 0)->isEnabled());
  f.screen->OptionBox(3)->click();
  QVERIFY(f.screen->Radio(RadioGroup::Do1, 3)->isEnabled());
  QVERIFY(f.screen->Radio(RadioGroup::Do2, 0)->isEnabled());
  QVERIFY(f.screen->findChild<ScreenGroupBox*>("box.do2")->CaptionEnabled());
  f.screen->OptionBox(1)->click();
  QVERIFY(f.screen->Radio(RadioGroup::AnalogInput, 1)->isEnabled());
  f.screen->OptionBox(4)->click();
  QVERIFY(f.screen->Radio(RadioGroup::AnalogOutput, 1)->isEnabled());
  QVERIFY(f.Edit(EditField::ScaleHigh)->isEnabled());
  QVERIFY(f.screen->findChild<QLabel*>("colon.scaleLow")->isEnabled());
  QVERIFY(f.screen->findChild<ScreenGroupBox*>("box.scaling")->CaptionEnabled());
  f.screen->OptionBox(4)->click();
  QVERIFY(!f.Edit(EditField::ScaleLow)->isEnabled());
  QVERIFY(!f.screen->Spin(EditField::ScaleLow)->isEnabled());
}

void ParameterScreenHandlersTest::currentAndVoltageOnKlv40() {
  Fixture f(ModelKind::Klv40);
  f.set.controlInputRange = 3;
  f.Reload(ModelKind::Klv40);
  f.screen->CurrentButton()->click();
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 0)->isChecked());
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 0)->isEnabled());
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 1)->isEnabled());
  for (int i = 2; i < 8; ++i) QVERIFY(!f.screen->Radio(RadioGroup::ControlInput, i)->isEnabled());
  QVERIFY(f.Marked());

  f.edits->clear();
  f.screen->CurrentButton()->click();  // a current input is marked already
  QVERIFY(!f.Marked());

  f.screen->VoltageButton()->click();
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 4)->isChecked());
  QVERIFY(!f.screen->Radio(RadioGroup::ControlInput, 0)->isEnabled());
  QVERIFY(!f.screen->Radio(RadioGroup::ControlInput, 1)->isEnabled());
  for (int i = 2; i < 8; ++i) QVERIFY(f.screen->Radio(RadioGroup::ControlInput, i)->isEnabled());
  QVERIFY(f.Marked());
  f.screen->ReadScreen();
  QCOMPARE(f.set.controlInputRange, int16_t{4});
}

void ParameterScreenHandlersTest::currentAndVoltageOnKlv30() {
  // Hidden on these models, but their rules hold.
  Fixture f(ModelKind::Klv30);
  f.screen->VoltageButton()->click();
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 6)->isChecked());
  for (int i = 0; i < 8; ++i) QCOMPARE(f.screen->Radio(RadioGroup::ControlInput, i)->isEnabled(), i == 6);
  QVERIFY(f.Marked());
  f.screen->CurrentButton()->click();
  QVERIFY(f.screen->Radio(RadioGroup::ControlInput, 0)->isChecked());
  for (int i = 0; i < 8; ++i) QCOMPARE(f.screen->Radio(RadioGroup::ControlInput, i)->isEnabled(), i == 0);
}

void ParameterScreenHandlersTest::spinButtonAndArrowKeys() {
  Fixture f(ModelKind::Klv40);
  ScreenEdit* heater = f.Edit(EditField::HeaterBreakCurrent);
  heater->setText("99");
  QTest::mouseClick(f.screen->Spin(EditField::HeaterBreakCurrent)->findChild<QToolButton*>("up"), Qt::LeftButton);
  QCOMPARE(heater->text(), QStringLiteral("100"));
  QTest::keyClick(heater, Qt::Key_Up);
  QCOMPARE(heater->text(), QStringLiteral("100"));  // the range ends there
  QTest::keyClick(heater, Qt::Key_Down);
  QCOMPARE(heater->text(), QStringLiteral("99"));
  QVERIFY(f.Marked());
  // A text that is no number in range steps from the last position.
  heater->setText("");
  QTest::keyClick(heater, Qt::Key_Down);
  QCOMPARE(heater->text(), QStringLiteral("98"));
}

void ParameterScreenHandlersTest::focusToKeyLockRunsTheLeaveRule() {
  Fixture f(ModelKind::Klv40);
  ScreenEdit* heater = f.Edit(EditField::HeaterBreakCurrent);
  heater->setFocus();
  heater->clear();
  f.screen->FocusKeyLockOff();
  QCOMPARE(heater->text(), QStringLiteral("0"));
  QCOMPARE(f.screen->focusWidget(), static_cast<QWidget*>(f.screen->Radio(RadioGroup::KeyLock, 0)));
}

void ParameterScreenHandlersTest::valuesOutsideTheirLimitsAreShownMarked() {
  // As a read of a regulator answering 7FFF and a value beyond the limits
  // leaves the set: shown as they are, marked, and read back unchanged.
  Fixture f(ModelKind::Klv40);
  f.set.slowUpTime = 1500;
  f.set.bootLimiter = 32767;
  f.set.keyLock = -32768;  // no button stands for it
  f.Reload(ModelKind::Klv40);
  // The key lock's group carries the mark: the nearest marked frame around its buttons.
  const auto groupMark = [&]() -> QWidget* {
    for (QWidget* w = f.screen->Radio(RadioGroup::KeyLock, 0); w != nullptr && w != f.screen.get();
         w = w->parentWidget()) {
      if (w->property(kOutOfLimitsProperty).isValid()) return w;
    }
    return nullptr;
  };
  QVERIFY(groupMark() != nullptr);
  QVERIFY(groupMark()->property(kOutOfLimitsProperty).toBool());
  QVERIFY(groupMark()->toolTip().contains(QStringLiteral("-32768")));
  const auto marked = [&](EditField field) { return f.Edit(field)->property(kOutOfLimitsProperty).toBool(); };
  QCOMPARE(f.Edit(EditField::SlowUp)->text(), QStringLiteral("1500"));
  QCOMPARE(f.Edit(EditField::BootLimiter)->text(), QStringLiteral("32767"));
  QVERIFY(marked(EditField::SlowUp));
  QVERIFY(marked(EditField::BootLimiter));
  QVERIFY(f.Edit(EditField::SlowUp)->toolTip().contains(QStringLiteral("0..999")));
  QVERIFY(!f.Edit(EditField::SlowUp)->styleSheet().isEmpty());
  QVERIFY(!marked(EditField::SlowDown));
  QVERIFY(!f.Marked());

  // The operator corrects one: its mark goes, the other stays.
  TypeOver(f.Edit(EditField::SlowUp), "25");
  QVERIFY(!marked(EditField::SlowUp));
  QVERIFY(f.Edit(EditField::SlowUp)->toolTip().isEmpty());
  QVERIFY(marked(EditField::BootLimiter));
  f.screen->ReadScreen();
  QCOMPARE(f.set.slowUpTime, int16_t{25});
  QCOMPARE(f.set.bootLimiter, int16_t{32767});
  // A button chosen takes the group's mark away.
  f.screen->Radio(RadioGroup::KeyLock, 1)->click();
  QVERIFY(!groupMark()->property(kOutOfLimitsProperty).toBool());

  // A set within its limits leaves no mark behind.
  LoadDefaults(f.set, ModelKind::Klv40);
  f.Reload(ModelKind::Klv40);
  QVERIFY(!marked(EditField::BootLimiter));
}

}  // namespace klv

QTEST_MAIN(klv::ParameterScreenHandlersTest)
#include "parameter_screen_handlers_test.moc"
