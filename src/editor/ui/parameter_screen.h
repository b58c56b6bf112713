#pragma once
// The editing screen of the main window: every control of the parameter set,
// arranged for the current model, with the rules that keep entries within
// their limits. The main window owns the document state; the screen tells it
// when an edit differs from the parameter set.
#include <QWidget>

#include "editor/texts.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"

namespace klv {

class ParameterScreen : public QWidget {
  Q_OBJECT

 public:
  // parameters: the program's ParameterSet, which the screen shows and into
  // which it reads; it must outlive the screen.
  ParameterScreen(ParameterSet& parameters, Language language, QWidget* parent = nullptr);
  ~ParameterScreen() override;

  // The parameter set into the controls.
  void ShowParameters();
  // The controls (and the option check boxes) into the parameter set.
  void ReadScreen();
  // Arranges the screen for the model (captions, enabled and shown states,
  // spin ranges) and shows the parameter set.
  void ApplyModelLayout(ModelKind model);
  // The model the screen is arranged for.
  ModelKind Model() const { return model_; }

  // False until the main window has finished starting; until then the edit
  // handlers ignore text changes.
  void SetScreenReady(bool ready) { screenReady_ = ready; }
  bool ScreenReady() const { return screenReady_; }

  // Moves the keyboard focus to the "OFF" button of "Key lock", so that an
  // edit field being left runs its leave rule first.
  void FocusKeyLockOff();

 signals:
  // An edit made the screen differ from the parameter set: the window sets
  // Modified and updates its title.
  void Edited();

 private:
  ParameterSet& parameters_;
  Language language_;
  ModelKind model_ = ModelKind::Klv40;
  bool screenReady_ = false;
};

}  // namespace klv
