#pragma once
// What the screen controller needs of an editing screen's controls. Each
// front end's screen implements it over its own controls and routes the
// operator's clicks and keystrokes to the ScreenController; the rules stay
// in the core.
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/field_rules.h"
#include "editor/screen_layout.h"
#include "editor/screen_mapping.h"

namespace klv {

// The framed groups of the screen that hold no radio group of their own.
enum class ScreenFrame : std::uint8_t { OneSeriesOptions, Klv40Options, Slow, BootLimiter, Scaling };

// One control of the screen, named by the core's own words.
struct ScreenItem {
  enum class Kind : std::uint8_t {
    GroupBox,    // the frame and caption of a radio group
    GroupNotes,  // the texts inside a radio group
    Radio,       // a button of a radio group
    Edit,        // an edit field and, beside it, its
    Spin,        //   spin button,
    Label,       //   caption,
    Colon,       //   ":" and
    Unit,        //   unit
    OptionBox,   // 0 "Output current detection function", 1..4 the KLV40 boxes
    Frame,       // a ScreenFrame
    CurrentInput,
    VoltageInput,
  };
  Kind kind = Kind::GroupBox;
  int index = 0;   // the RadioGroup, EditField, option box or ScreenFrame
  int button = 0;  // a Radio's place in its group

  static constexpr ScreenItem Group(RadioGroup group) { return {Kind::GroupBox, static_cast<int>(group), 0}; }
  static constexpr ScreenItem Notes(RadioGroup group) { return {Kind::GroupNotes, static_cast<int>(group), 0}; }
  static constexpr ScreenItem Radio(RadioGroup group, int button) {
    return {Kind::Radio, static_cast<int>(group), button};
  }
  static constexpr ScreenItem Part(Kind kind, EditField field) { return {kind, static_cast<int>(field), 0}; }
  static constexpr ScreenItem Edit(EditField field) { return Part(Kind::Edit, field); }
  static constexpr ScreenItem Option(int index) { return {Kind::OptionBox, index, 0}; }
  static constexpr ScreenItem Box(ScreenFrame frame) { return {Kind::Frame, static_cast<int>(frame), 0}; }
  static constexpr ScreenItem Current() { return {Kind::CurrentInput, 0, 0}; }
  static constexpr ScreenItem Voltage() { return {Kind::VoltageInput, 0, 0}; }

  RadioGroup group() const { return static_cast<RadioGroup>(index); }
  EditField field() const { return static_cast<EditField>(index); }
  ScreenFrame frame() const { return static_cast<ScreenFrame>(index); }
  friend bool operator==(const ScreenItem&, const ScreenItem&) = default;
};

class ScreenView {
 public:
  virtual ~ScreenView() = default;

  virtual std::string FieldText(EditField field) const = 0;
  // The program's own text: the view reports the change back as no keystroke.
  virtual void SetFieldText(EditField field, const std::string& text) = 0;
  virtual void SetSpinRange(EditField field, SpinRange range) = 0;

  // A radio button, an option box, "Current" or "Voltage". Unchecking the
  // checked button of a group leaves the group with none checked.
  virtual bool IsChecked(ScreenItem control) const = 0;
  virtual void SetChecked(ScreenItem control, bool checked) = 0;

  // A control the screen does not have (a field without a unit) is passed over.
  // Enabling a group box or frame greys or clears its caption only: its
  // buttons and fields keep their own states.
  virtual void SetEnabled(ScreenItem control, bool enabled) = 0;
  virtual void SetShown(ScreenItem control, bool shown) = 0;
  virtual void SetCaption(ScreenItem control, std::string_view text) = 0;

  // Marks an edit field or a group box as holding a value outside its
  // register's limits, with tip saying why; an empty tip takes the mark away.
  virtual void SetOutOfLimitsMark(ScreenItem control, const std::string& tip) = 0;

  // An edit made the screen differ from the parameter set.
  virtual void ScreenEdited() = 0;
};

}  // namespace klv
