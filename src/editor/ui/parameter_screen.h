#pragma once
// The editing screen of the main window: every control of the parameter set,
// arranged for the current model, with the rules that keep entries within
// their limits. The main window owns the document state; the screen tells it
// when an edit differs from the parameter set.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "editor/field_rules.h"
#include "editor/screen_mapping.h"
#include "text/texts.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"

class QCheckBox;
class QRadioButton;

namespace klv {

class ScreenEdit;
class ScreenSpinButton;

// The dynamic property set on an edit field while MarkOutOfLimits marks it.
inline constexpr char kOutOfLimitsProperty[] = "outOfLimits";

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
  // spin ranges) and shows the parameter set. A value other than the three
  // models arranges a KLV30E.
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

  // Runs the leave rule of the edit field that has the focus, as if the
  // operator had left it, and keeps the focus there: a command that reads
  // or discards the screen then sees the typed value checked and counted.
  void LeaveFocusedField();

  // Enables and disables the volume buttons so that VR1, VR2 and (on a
  // KLV40) VR3 are each chosen by one group at most.
  void LockSharedVolumes();

  // The controls, for the window's tests and pictures.
  QRadioButton* Radio(RadioGroup group, int button) const;
  QRadioButton* CurrentButton() const;  // "Current" of "Control input"
  QRadioButton* VoltageButton() const;  // "Voltage" of "Control input"
  ScreenEdit* Edit(EditField field) const;
  ScreenSpinButton* Spin(EditField field) const;
  // 0 "Output current detection function"; 1..4 the KLV40 boxes of the
  // optionFlags bits 0..3.
  QCheckBox* OptionBox(int index) const;

 signals:
  // An edit made the screen differ from the parameter set: the window sets
  // Modified and updates its title.
  void Edited();

 private:
  struct Controls;
  class Builder;

  void Build();
  void FitButtonHeights();
  void FitIntoWindow();
  void Connect();

  int CheckedButton(RadioGroup group) const;
  void CheckButton(RadioGroup group, int button);
  int16_t FieldNumber(EditField field) const;
  void SetFieldText(EditField field, const std::string& text);
  int16_t RegisterOf(EditField field) const;
  void MarkIfDiffers(int value, int16_t registerValue);
  // Marks the field (red, with the limits in its tooltip) while its number
  // lies outside its register's limits, as a value read from a regulator
  // or a damaged file can; the mark goes once the number is back inside.
  void MarkOutOfLimits(EditField field);
  // The same for the button groups, whose buttons cannot show such a value:
  // the group's frame is marked and its tooltip names the value, until the
  // operator clicks a button of the group.
  void MarkGroupsOutOfLimits();
  bool GroupMarked(RadioGroup group) const;

  void OnRadioClicked(RadioGroup group, int button);
  void OnRampNumberClicked();
  void OnCurrentClicked();
  void OnVoltageClicked();
  void OnOptionClicked(int index);
  void OnEditChanged(EditField field);
  void OnEditLeft(EditField field);
  void OnRampHigherLeft();

  ParameterSet& parameters_;
  Language language_;
  ModelKind model_ = ModelKind::Klv40;
  bool screenReady_ = false;
  // The field whose text the operator is changing, between its textEdited
  // and textChanged signals.
  std::optional<EditField> typing_;
  // ShowParameters is filling the fields: the values are the parameter
  // set's, shown as they are (marked when outside their limits), not
  // corrected as a keystroke would be.
  bool showing_ = false;
  std::unique_ptr<Controls> ui_;
};

}  // namespace klv
