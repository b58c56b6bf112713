#pragma once
// The editing screen inside the main window's dialog: the view of the
// core's ScreenController over the dialog's controls. It routes the
// operator's typing, leaving a field, clicks and spin buttons to the
// controller, which holds every rule.
#include <windows.h>

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "editor/field_rules.h"
#include "editor/screen_controller.h"
#include "editor/screen_mapping.h"
#include "editor/screen_view.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "text/language.h"

namespace klv {

class ParameterScreen : private ScreenView {
 public:
  // dialog: the main window whose template holds the controls;
  // parameters: the program's set, which must outlive the screen; edited:
  // called when an edit makes the screen differ from the set.
  ParameterScreen(HWND dialog, ParameterSet& parameters, Language language, std::function<void()> edited);
  ~ParameterScreen() override;
  ParameterScreen(const ParameterScreen&) = delete;
  ParameterScreen& operator=(const ParameterScreen&) = delete;

  void ShowParameters() { controller_->ShowParameters(); }
  void ReadScreen() { controller_->ReadScreen(); }
  // Arranges the screen for the model (a value other than the three
  // arranges a KLV30E) and shows the parameter set.
  void ApplyModelLayout(ModelKind model) { controller_->ApplyModelLayout(model); }
  ModelKind Model() const { return controller_->Model(); }
  void LockSharedVolumes() { controller_->LockSharedVolumes(); }

  void SetScreenReady(bool ready) { controller_->SetScreenReady(ready); }

  // The dialog's WM_COMMAND for one of the screen's controls; false when
  // the control is not the screen's.
  bool OnCommand(int id, int code);
  // UDN_DELTAPOS of a spin button: the move it should make instead.
  void OnSpinDelta(int id, NMUPDOWN& move);
  // Runs the leave rule of the edit field with the focus, as if the
  // operator had left it (before a command reads or discards the screen).
  void LeaveFocusedField();

  // Whether the control carries the mark of a value outside its limits.
  bool OutOfLimits(int id) const;
  // The dialog's WM_CTLCOLOREDIT or WM_CTLCOLORSTATIC for a control: the
  // brush of the mark for a marked one, else null (the system's colours).
  HBRUSH MarkColours(HWND control, HDC dc) const;
  // The tooltip window that names a marked control's limits; null until the
  // first mark.
  HWND MarkTips() const { return tips_; }

 private:
  HWND Control(int id) const { return GetDlgItem(dialog_, id); }
  // The number of a control; the notes of a group are two: Note(group, 0)
  // and Note(group, 1).
  static int IdOf(ScreenItem control);

  // ScreenView: the controller's access to the controls.
  std::string FieldText(EditField field) const override;
  void SetFieldText(EditField field, const std::string& text) override;
  void SetSpinRange(EditField field, SpinRange range) override;
  bool IsChecked(ScreenItem control) const override;
  void SetChecked(ScreenItem control, bool checked) override;
  void SetEnabled(ScreenItem control, bool enabled) override;
  void SetShown(ScreenItem control, bool shown) override;
  void SetCaption(ScreenItem control, std::string_view text) override;
  void SetOutOfLimitsMark(ScreenItem control, const std::string& tip) override;
  void ScreenEdited() override;

  HWND dialog_;
  std::function<void()> edited_;
  std::optional<EditField> spinMoving_;
  // The numbers of the marked controls.
  std::vector<int> marks_;
  mutable HBRUSH markBrush_ = nullptr;  // made at the first marked control
  HWND tips_ = nullptr;                  // owned by the dialog, which destroys it
  std::unique_ptr<ScreenController> controller_;
};

}  // namespace klv
