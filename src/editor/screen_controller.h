#pragma once
// The editing screen's behaviour, shared by both front ends: moves the
// parameter set into the controls and back, arranges them for a model, and
// applies the field rules, the option boxes' dependent controls, the volume
// lock and the out-of-limits marks when the operator types, leaves a field
// or clicks. The screens only route their controls' events here.
#include <array>
#include <cstdint>

#include "editor/field_rules.h"
#include "editor/screen_mapping.h"
#include "editor/screen_view.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "text/language.h"

namespace klv {

class ScreenController {
 public:
  // view and parameters must outlive the controller. Sets the spin ranges
  // the screen starts with, so the view's controls must exist.
  ScreenController(ScreenView& view, ParameterSet& parameters, Language language);

  // The parameter set into the controls, as it is (values outside their
  // limits are marked, not corrected).
  void ShowParameters();
  // The controls (and the option boxes) into the parameter set.
  void ReadScreen();
  // Arranges the screen for the model and shows the parameter set; a value
  // other than the three models arranges a KLV30E.
  void ApplyModelLayout(ModelKind model);
  ModelKind Model() const { return model_; }
  // Enables and disables the volume buttons so that VR1, VR2 and (on a
  // KLV40) VR3 are each chosen by one group at most.
  void LockSharedVolumes();

  // False until the window has finished starting: until then typing and
  // leaving a field correct less and mark nothing as edited.
  void SetScreenReady(bool ready) { screenReady_ = ready; }
  bool ScreenReady() const { return screenReady_; }

  // ---- The operator's events, as the views route them ----
  void OnRadioClicked(RadioGroup group, int button);
  void OnCurrentClicked();
  void OnVoltageClicked();
  void OnOptionClicked(int index);
  // The field's text changed; keystroke is false when the view knows it
  // was not the operator's key (a spin button's move). Text the controller
  // writes itself never counts as typed.
  void OnFieldChanged(EditField field, bool keystroke);
  void OnFieldLeft(EditField field);
  // The move a spin button should make instead of the one it asks for.
  SpinMove OnSpinMove(EditField field, SpinMove move) const;

  // Whether the control carries the out-of-limits mark now.
  bool Marked(ScreenItem control) const;

 private:
  int CheckedButton(RadioGroup group) const;
  void CheckButton(RadioGroup group, int button);
  bool IsChecked(ScreenItem control) const { return view_.IsChecked(control); }
  int16_t FieldNumber(EditField field) const;
  void SetFieldText(EditField field, const std::string& text);
  int16_t RegisterOf(EditField field) const;
  void MarkIfDiffers(int value, int16_t registerValue);
  void Enable(std::initializer_list<ScreenItem> controls, bool enabled);
  void EnableFieldRow(EditField field, bool enabled);
  void CheckInputKind(bool current);

  // Marks the field (with the limits in its tip) while its number lies
  // outside its register's limits, as a value read from a regulator or a
  // damaged file can; the mark goes once the number is back inside.
  void MarkOutOfLimits(EditField field);
  // The same for the groups, whose buttons cannot show such a value: the
  // group's box is marked and its tip names the value, until the operator
  // clicks a button of the group.
  void MarkGroupsOutOfLimits();
  void SetGroupMark(RadioGroup group, const std::string& tip);

  void OnRampNumberClicked();
  void OnFieldChangedByRule(EditField field, bool typed);
  void OnRampHigherLeft();

  ScreenView& view_;
  ParameterSet& parameters_;
  Language language_;
  ModelKind model_ = ModelKind::Klv40;
  bool screenReady_ = false;
  // ShowParameters is filling the fields: the parameter set's values, shown
  // as they are, not corrected as a keystroke would be.
  bool showing_ = false;
  // The controller is writing a field's text: its change is no keystroke.
  int writing_ = 0;
  std::array<bool, kEditFieldCount> fieldMarked_{};
  std::array<bool, kRadioGroupCount> groupMarked_{};
};

}  // namespace klv
