// The screen controller over a view that keeps its controls' states in
// maps, as both front ends' screens keep them in their widgets: the rules of
// typing and leaving, the boxes with dependent controls, the model layouts
// and the out-of-limits marks.
#include "editor/screen_controller.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>

#include "editor/option_box_rules.h"
#include "editor/screen_layout.h"
#include "model/register_catalogue.h"
#include "text/texts.h"

namespace klv {
namespace {

using Key = std::tuple<ScreenItem::Kind, int, int>;
Key KeyOf(ScreenItem control) { return {control.kind, control.index, control.button}; }

class FakeView : public ScreenView {
 public:
  std::string FieldText(EditField field) const override { return texts.at(field); }
  void SetFieldText(EditField field, const std::string& text) override {
    texts[field] = text;
    // A real control reports the program's text as a change, at once.
    if (controller != nullptr) controller->OnFieldChanged(field, false);
  }
  void SetSpinRange(EditField field, SpinRange range) override { ranges[field] = range; }
  bool IsChecked(ScreenItem control) const override {
    const auto it = checked.find(KeyOf(control));
    return it != checked.end() && it->second;
  }
  void SetChecked(ScreenItem control, bool on) override { checked[KeyOf(control)] = on; }
  void SetEnabled(ScreenItem control, bool on) override { enabled[KeyOf(control)] = on; }
  void SetShown(ScreenItem control, bool on) override { shown[KeyOf(control)] = on; }
  void SetCaption(ScreenItem control, std::string_view text) override { captions[KeyOf(control)] = text; }
  void SetOutOfLimitsMark(ScreenItem control, const std::string& tip) override { marks[KeyOf(control)] = tip; }
  void ScreenEdited() override { ++edits; }

  bool Enabled(ScreenItem control) const { return enabled.at(KeyOf(control)); }
  std::string Mark(ScreenItem control) const {
    const auto it = marks.find(KeyOf(control));
    return it == marks.end() ? std::string() : it->second;
  }

  ScreenController* controller = nullptr;
  std::map<EditField, std::string> texts;
  std::map<EditField, SpinRange> ranges;
  std::map<Key, bool> checked, enabled, shown;
  std::map<Key, std::string> captions, marks;
  int edits = 0;
};

// A screen of the model with its default values, ready for the operator.
struct Screen {
  explicit Screen(ModelKind model, bool ready = true) {
    LoadDefaults(set, model);
    view.controller = &controller;
    controller.ApplyModelLayout(model);
    controller.SetScreenReady(ready);
    view.edits = 0;
  }
  // The operator types the whole text (a paste), then leaves the field.
  void TypeAndLeave(EditField field, const std::string& text) {
    view.texts[field] = text;
    controller.OnFieldChanged(field, true);
    controller.OnFieldLeft(field);
  }
  void ClickRadio(RadioGroup group, int button) {
    for (int i = 0; i < ButtonCount(group); ++i) view.SetChecked(ScreenItem::Radio(group, i), i == button);
    controller.OnRadioClicked(group, button);
  }
  void ClickOption(int index) {
    view.SetChecked(ScreenItem::Option(index), !view.IsChecked(ScreenItem::Option(index)));
    controller.OnOptionClicked(index);
  }

  ParameterSet set;
  FakeView view;
  ScreenController controller{view, set, Language::English};
};

// The register each field of these cases holds.
int16_t Stored(const ParameterSet& set, EditField field) {
  switch (field) {
    case EditField::HeaterBreakCurrent: return set.heaterBreakCurrent;
    case EditField::SlowUp: return set.slowUpTime;
    case EditField::BootLimiter: return set.bootLimiter;
    case EditField::CurrentLimiter: return set.currentLimiter;
    case EditField::ScaleHigh: return set.scaleHigh;
    default: ADD_FAILURE() << "no register for this field in the test"; return 0;
  }
}

TEST(ScreenController, AValueTypedAndLeftIsCorrectedIntoItsRange) {
  const struct {
    ModelKind model;
    EditField field;
    const char* typed;
    const char* shown;
    int16_t read;
  } cases[] = {
      {ModelKind::Klv40, EditField::HeaterBreakCurrent, "150", "100", 100},
      {ModelKind::Klv40, EditField::HeaterBreakCurrent, "", "0", 0},
      {ModelKind::Klv40, EditField::SlowUp, "1000", "999", 999},
      {ModelKind::Klv40, EditField::BootLimiter, "1001", "1000", 1000},
      {ModelKind::Klv40, EditField::CurrentLimiter, "5", "off", 0},
      {ModelKind::Klv40, EditField::CurrentLimiter, "150", "120", 120},
      {ModelKind::Klv30E, EditField::CurrentLimiter, "5", "10", 10},
      {ModelKind::Klv30, EditField::CurrentLimiter, "-3", "off", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.typed) + " into field " + std::to_string(static_cast<int>(c.field)) + ", model " +
                 std::to_string(static_cast<int>(c.model)));
    Screen screen(c.model);
    // The limiter field takes a number only while "Number" is chosen.
    screen.ClickRadio(RadioGroup::CurrentLimiter, kNumberButton);
    const int16_t before = Stored(screen.set, c.field);
    screen.view.edits = 0;
    screen.TypeAndLeave(c.field, c.typed);
    EXPECT_EQ(screen.view.texts.at(c.field), c.shown);
    EXPECT_EQ(screen.view.edits > 0, c.read != before);
    // What the screen now holds is what goes to the device or a file.
    screen.controller.ReadScreen();
    EXPECT_EQ(Stored(screen.set, c.field), c.read);
  }
}

TEST(ScreenController, TheStoredValueTypedAgainMarksNothingAndNothingIsCorrectedBeforeTheScreenIsReady) {
  Screen same(ModelKind::Klv40);
  same.TypeAndLeave(EditField::HeaterBreakCurrent, same.view.texts.at(EditField::HeaterBreakCurrent));
  EXPECT_EQ(same.view.edits, 0);

  Screen starting(ModelKind::Klv40, false);
  starting.TypeAndLeave(EditField::ScaleHigh, "5000");
  EXPECT_EQ(starting.view.texts.at(EditField::ScaleHigh), "5000");
  EXPECT_EQ(starting.view.edits, 0);
}

TEST(ScreenController, EachModelLayoutEnablesWhatTheLayoutRulesSay) {
  for (const ModelKind model : {ModelKind::Klv40, ModelKind::Klv30, ModelKind::Klv30E}) {
    SCOPED_TRACE(static_cast<int>(model));
    Screen screen(model);
    const ScreenLayout layout = LayoutFor(model, screen.set.optionFlags, screen.set.optionDetect,
                                          screen.set.controlInputRange);
    EXPECT_EQ(screen.controller.Model(), layout.model);
    for (const RadioGroup group : AllRadioGroups()) {
      if (const auto on = layout.groups[static_cast<std::size_t>(group)]) {
        EXPECT_EQ(screen.view.Enabled(ScreenItem::Group(group)), *on) << static_cast<int>(group);
        EXPECT_EQ(screen.view.Enabled(ScreenItem::Notes(group)), *on) << static_cast<int>(group);
      }
    }
    for (std::size_t i = 0; i < kEditFieldCount; ++i) {
      const auto field = static_cast<EditField>(i);
      if (const auto on = layout.fields[i]) {
        for (const auto part : {ScreenItem::Kind::Spin, ScreenItem::Kind::Label, ScreenItem::Kind::Unit}) {
          EXPECT_EQ(screen.view.Enabled(ScreenItem::Part(part, field)), *on) << i;
        }
      }
      if (const auto range = layout.spinRanges[i]) {
        EXPECT_EQ(screen.view.ranges.at(field), *range) << i;
      }
    }
    EXPECT_EQ(screen.view.Enabled(ScreenItem::Option(0)), layout.oneSeriesOptions);
    for (int box = 1; box < kOptionBoxCount; ++box) {
      EXPECT_EQ(screen.view.Enabled(ScreenItem::Option(box)), layout.klv40Options);
    }
    EXPECT_EQ(screen.view.captions.at(KeyOf(ScreenItem::Box(ScreenFrame::OneSeriesOptions))),
              layout.oneSeriesCaption);
    EXPECT_EQ(screen.view.captions.at(KeyOf(ScreenItem::Box(ScreenFrame::Slow))),
              Text(layout.slowCaption, Language::English));
    EXPECT_EQ(screen.view.shown.at(KeyOf(ScreenItem::Part(ScreenItem::Kind::Edit, EditField::SlowDown))),
              layout.slowDownShown);
    EXPECT_EQ(screen.view.shown.at(KeyOf(ScreenItem::Current())), layout.inputKindShown);
    // Every group shows the button that stands for its value.
    for (const RadioGroup group : AllRadioGroups()) {
      const int button = ShownButton(group, screen.set.Slot(GroupSlot(group)), layout.model);
      if (button != kNoButton) {
        EXPECT_TRUE(screen.view.IsChecked(ScreenItem::Radio(group, button))) << static_cast<int>(group);
      }
    }
  }
}

TEST(ScreenController, AnOptionBoxEnablesItsDependentControlsAndClearingMovesAChoiceBack) {
  Screen screen(ModelKind::Klv40);
  const auto alarm2 = [] { return ScreenItem::Radio(RadioGroup::FuseMelted, 1); };
  const int box = 2;  // "Alarm output 2"
  ASSERT_TRUE(EffectOfOptionBox(box).alarmOutput2);
  if (screen.view.IsChecked(ScreenItem::Option(box))) screen.ClickOption(box);
  screen.view.edits = 0;

  screen.ClickOption(box);
  EXPECT_TRUE(screen.view.Enabled(alarm2()));
  EXPECT_GT(screen.view.edits, 0);
  screen.ClickRadio(RadioGroup::FuseMelted, 1);

  screen.ClickOption(box);
  EXPECT_FALSE(screen.view.Enabled(alarm2()));
  EXPECT_FALSE(screen.view.IsChecked(alarm2()));
  EXPECT_TRUE(screen.view.IsChecked(ScreenItem::Radio(RadioGroup::FuseMelted, 0)));
  screen.controller.ReadScreen();
  EXPECT_EQ(screen.set.optionFlags & (1u << (box - 1)), 0u);
}

TEST(ScreenController, ValuesOutsideTheirLimitsAreMarkedUntilTheOperatorCorrectsThem) {
  Screen screen(ModelKind::Klv40);
  screen.set.slowUpTime = 1500;
  screen.set.keyLock = -32768;  // no button stands for it
  screen.controller.ApplyModelLayout(ModelKind::Klv40);

  const ScreenItem slowUp = ScreenItem::Edit(EditField::SlowUp);
  const ScreenItem keyLock = ScreenItem::Group(RadioGroup::KeyLock);
  EXPECT_EQ(screen.view.texts.at(EditField::SlowUp), "1500");
  EXPECT_NE(screen.view.Mark(slowUp).find("0..999"), std::string::npos);
  EXPECT_NE(screen.view.Mark(keyLock).find("-32768"), std::string::npos);
  EXPECT_TRUE(screen.controller.Marked(slowUp));
  EXPECT_FALSE(screen.controller.Marked(ScreenItem::Edit(EditField::SlowDown)));

  screen.TypeAndLeave(EditField::SlowUp, "25");
  EXPECT_EQ(screen.view.Mark(slowUp), "");
  EXPECT_FALSE(screen.controller.Marked(slowUp));
  screen.ClickRadio(RadioGroup::KeyLock, 1);
  EXPECT_EQ(screen.view.Mark(keyLock), "");
}

TEST(ScreenController, TheControllersOwnCorrectionCountsAsNoKeystroke) {
  // Typed key by key, "5" may still become "50"; the same text written by
  // the program is final and is corrected at once.
  Screen typed(ModelKind::Klv30E);
  typed.ClickRadio(RadioGroup::CurrentLimiter, kNumberButton);
  typed.view.texts[EditField::CurrentLimiter] = "5";
  typed.controller.OnFieldChanged(EditField::CurrentLimiter, true);
  const std::string whileTyping = typed.view.texts.at(EditField::CurrentLimiter);

  Screen written(ModelKind::Klv30E);
  written.ClickRadio(RadioGroup::CurrentLimiter, kNumberButton);
  written.view.texts[EditField::CurrentLimiter] = "5";
  written.controller.OnFieldChanged(EditField::CurrentLimiter, false);
  EXPECT_NE(written.view.texts.at(EditField::CurrentLimiter), whileTyping);
  EXPECT_EQ(written.view.texts.at(EditField::CurrentLimiter),
            *CurrentLimiterOnChange(5, ModelKind::Klv30E, false).text);
}

}  // namespace
}  // namespace klv
