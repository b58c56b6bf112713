#pragma once
// The editing screen of the main window: every control of the parameter set,
// arranged for the current model. The core's ScreenController holds the
// rules; this screen is its view and routes the controls' events to it. The
// main window owns the document state; the screen tells it when an edit
// differs from the parameter set.
#include <QWidget>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "editor/field_rules.h"
#include "editor/screen_controller.h"
#include "editor/screen_mapping.h"
#include "editor/screen_view.h"
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

class ParameterScreen : public QWidget, private ScreenView {
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
  ModelKind Model() const { return controller_->Model(); }

  // False until the main window has finished starting; until then the edit
  // handlers ignore text changes.
  void SetScreenReady(bool ready) { controller_->SetScreenReady(ready); }
  bool ScreenReady() const { return controller_->ScreenReady(); }

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

  // ScreenView: the controller's access to the controls.
  QWidget* Widget(ScreenItem control) const;
  std::string FieldText(EditField field) const override;
  void SetFieldText(EditField field, const std::string& text) override;
  void SetSpinRange(EditField field, SpinRange range) override;
  bool IsChecked(ScreenItem control) const override;
  void SetChecked(ScreenItem control, bool checked) override;
  void SetEnabled(ScreenItem control, bool enabled) override;
  void SetShown(ScreenItem control, bool shown) override;
  void SetCaption(ScreenItem control, std::string_view text) override;
  void SetOutOfLimitsMark(ScreenItem control, const std::string& tip) override;
  void ScreenEdited() override { emit Edited(); }

  Language language_;
  // The field whose text the operator is changing, between its textEdited
  // and textChanged signals.
  std::optional<EditField> typing_;
  std::unique_ptr<Controls> ui_;
  std::unique_ptr<ScreenController> controller_;
};

}  // namespace klv
