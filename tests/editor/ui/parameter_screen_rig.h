#pragma once
// Small helpers shared by the editing screen's window tests.
#include <QAbstractButton>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QRadioButton>
#include <QTest>
#include <memory>

#include "editor/screen_mapping.h"
#include "editor/ui/parameter_screen.h"
#include "widgets/screen_controls.h"
#include "model/register_catalogue.h"

namespace klv::screen_test {

// A screen over set arranged for model, as after the program's start-up.
inline std::unique_ptr<ParameterScreen> MakeScreen(ParameterSet& set, ModelKind model,
                                                   Language language = Language::English, bool ready = true) {
  auto screen = std::make_unique<ParameterScreen>(set, language);
  screen->ApplyModelLayout(model);
  screen->SetScreenReady(ready);
  return screen;
}

// The checked button of a group, or kNoButton.
inline int Checked(const ParameterScreen& screen, RadioGroup group) {
  for (int i = 0; i < ButtonCount(group); ++i) {
    if (screen.Radio(group, i)->isChecked()) return i;
  }
  return kNoButton;
}

// The focus leaves the field, as when the operator tabs away.
inline void Leave(QWidget* field) {
  QFocusEvent event(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(field, &event);
}

// Types text over the field's whole contents, key by key.
inline void TypeOver(ScreenEdit* field, const QString& text) {
  field->selectAll();
  QTest::keyClicks(field, text);
}

}  // namespace klv::screen_test
