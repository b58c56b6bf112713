#pragma once
// The editing screen inside the main window's dialog: moves the parameter
// set into the controls and back, arranges them for a model with the core's
// LayoutFor, and applies the core's field rules while the operator types,
// leaves a field, clicks a button or moves a spin button.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "editor/field_rules.h"
#include "editor/screen_mapping.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "text/language.h"

namespace klv {

class ParameterScreen {
 public:
  // dialog: the main window whose template holds the controls;
  // parameters: the program's set, which must outlive the screen; edited:
  // called when an edit makes the screen differ from the set.
  ParameterScreen(HWND dialog, ParameterSet& parameters, Language language, std::function<void()> edited);

  void ShowParameters();
  void ReadScreen();
  // Arranges the screen for the model (a value other than the three
  // arranges a KLV30E) and shows the parameter set.
  void ApplyModelLayout(ModelKind model);
  ModelKind Model() const { return model_; }
  void LockSharedVolumes();

  void SetScreenReady(bool ready) { screenReady_ = ready; }

  // The dialog's WM_COMMAND for one of the screen's controls; false when
  // the control is not the screen's.
  bool OnCommand(int id, int code);
  // UDN_DELTAPOS of a spin button: the move it should make instead.
  void OnSpinDelta(int id, NMUPDOWN& move);
  // Runs the leave rule of the edit field with the focus, as if the
  // operator had left it (before a command reads or discards the screen).
  void LeaveFocusedField();

 private:
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  int CheckedButton(RadioGroup group) const;
  void CheckButton(RadioGroup group, int button);
  bool IsChecked(int id) const;
  void SetChecked(int id, bool checked);
  void SetEnabled(int id, bool enabled);
  void SetShown(int id, bool shown);
  void SetCaption(int id, std::string_view text);
  std::string FieldText(EditField field) const;
  int16_t FieldNumber(EditField field) const;
  void SetFieldText(EditField field, const std::string& text);
  void SetSpinRange(EditField field, int lower, int upper);
  int16_t RegisterOf(EditField field) const;
  void MarkIfDiffers(int value, int16_t registerValue);
  void SetFieldEnabled(EditField field, bool enabled);

  void OnRadioClicked(RadioGroup group, int button);
  void OnRampNumberClicked();
  void OnCurrentClicked();
  void OnVoltageClicked();
  void OnOptionClicked(int index);
  void OnEditChanged(EditField field);
  void OnEditLeft(EditField field);
  void OnRampHigherLeft();

  HWND dialog_;
  ParameterSet& parameters_;
  Language language_;
  std::function<void()> edited_;
  ModelKind model_ = ModelKind::Klv40;
  bool screenReady_ = false;
  // ShowParameters is filling the fields: the parameter set's values, shown
  // as they are, not corrected as a keystroke would be.
  bool showing_ = false;
  // The program (a correction, a spin button) is writing a field's text:
  // its change notification is not a keystroke.
  int programText_ = 0;
  std::optional<EditField> spinMoving_;
};

}  // namespace klv
