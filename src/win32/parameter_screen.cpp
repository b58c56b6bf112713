#include "win32/parameter_screen.h"

#include <commctrl.h>

#include <algorithm>
#include <utility>

#include "editor/option_box_rules.h"
#include "win32/screen_controls.h"
#include "win32/wide_text.h"

namespace klv {

namespace {

// The radio group and button of a control number, if it is one.
std::optional<std::pair<RadioGroup, int>> RadioOf(int id) {
  for (const RadioGroup group : AllRadioGroups()) {
    const int button = id - screen_id::Radio(group, 0);
    if (button >= 0 && button < ButtonCount(group)) return std::pair{group, button};
  }
  return std::nullopt;
}

std::optional<EditField> EditOf(int id) {
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (id == screen_id::Edit(field)) return field;
  }
  return std::nullopt;
}

std::optional<EditField> SpinOf(int id) {
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (id == screen_id::Spin(field)) return field;
  }
  return std::nullopt;
}

}  // namespace

ParameterScreen::ParameterScreen(HWND dialog, ParameterSet& parameters, Language language,
                                 std::function<void()> edited)
    : dialog_(dialog), edited_(std::move(edited)) {
  // Every edit field takes digits only, except the limiter field, which
  // shows "off", and the slow-down field.
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto field = static_cast<EditField>(i);
    if (field == EditField::CurrentLimiter || field == EditField::SlowDown) continue;
    HWND edit = Control(screen_id::Edit(field));
    SetWindowLongPtrW(edit, GWL_STYLE, GetWindowLongPtrW(edit, GWL_STYLE) | ES_NUMBER);
  }
  controller_ = std::make_unique<ScreenController>(static_cast<ScreenView&>(*this), parameters, language);
}

ParameterScreen::~ParameterScreen() {
  if (markBrush_ != nullptr) DeleteObject(markBrush_);
}

// ---- The controller's view ------------------------------------------------------------

int ParameterScreen::IdOf(ScreenItem control) {
  using Kind = ScreenItem::Kind;
  switch (control.kind) {
    case Kind::GroupBox: return screen_id::GroupBox(control.group());
    case Kind::GroupNotes: return screen_id::Note(control.group(), 0);
    case Kind::Radio: return screen_id::Radio(control.group(), control.button);
    case Kind::Edit: return screen_id::Edit(control.field());
    case Kind::Spin: return screen_id::Spin(control.field());
    case Kind::Label: return screen_id::Label(control.field());
    case Kind::Colon: return screen_id::Colon(control.field());
    case Kind::Unit: return screen_id::Unit(control.field());
    case Kind::OptionBox: return screen_id::OptionBox(control.index);
    case Kind::CurrentInput: return screen_id::kCurrentInput;
    case Kind::VoltageInput: return screen_id::kVoltageInput;
    case Kind::Frame:
      switch (control.frame()) {
        case ScreenFrame::OneSeriesOptions: return screen_id::kOneSeriesBox;
        case ScreenFrame::Klv40Options: return screen_id::kKlv40Box;
        case ScreenFrame::Slow: return screen_id::kSlowBox;
        case ScreenFrame::BootLimiter: return screen_id::kBootLimiterBox;
        case ScreenFrame::Scaling: return screen_id::kScalingBox;
      }
  }
  return 0;
}

std::string ParameterScreen::FieldText(EditField field) const {
  HWND edit = Control(screen_id::Edit(field));
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
  return Narrow(text);
}

void ParameterScreen::SetFieldText(EditField field, const std::string& text) {
  SetWindowTextW(Control(screen_id::Edit(field)), Widen(text).c_str());
}

void ParameterScreen::SetSpinRange(EditField field, SpinRange range) {
  SendMessageW(Control(screen_id::Spin(field)), UDM_SETRANGE32, static_cast<WPARAM>(range.lower),
               static_cast<LPARAM>(range.upper));
}

bool ParameterScreen::IsChecked(ScreenItem control) const {
  return IsDlgButtonChecked(dialog_, IdOf(control)) == BST_CHECKED;
}

void ParameterScreen::SetChecked(ScreenItem control, bool checked) {
  HWND button = Control(IdOf(control));
  const WPARAM state = checked ? BST_CHECKED : BST_UNCHECKED;
  if (static_cast<WPARAM>(SendMessageW(button, BM_GETCHECK, 0, 0)) == state) return;
  // Checking an automatic radio button makes it clear the rest of its group,
  // a walk over the dialog's controls that costs up to 30 ms a button under
  // Wine; the rules uncheck the others themselves, so the button is checked
  // as a plain radio button.
  const LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE);
  const bool automatic = checked && (style & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
  if (automatic) SetWindowLongPtrW(button, GWL_STYLE, (style & ~LONG_PTR{BS_TYPEMASK}) | BS_RADIOBUTTON);
  SendMessageW(button, BM_SETCHECK, state, 0);
  if (automatic) SetWindowLongPtrW(button, GWL_STYLE, style);
}

void ParameterScreen::SetEnabled(ScreenItem control, bool enabled) {
  const int first = IdOf(control);
  const int count = control.kind == ScreenItem::Kind::GroupNotes ? 2 : 1;
  for (int id = first; id < first + count; ++id) {
    // Only a change: each EnableWindow is a round trip to the display under
    // Wine, and a layout sets every control.
    HWND window = Control(id);
    if (window != nullptr && (IsWindowEnabled(window) != FALSE) != enabled) EnableWindow(window, enabled ? TRUE : FALSE);
  }
}

void ParameterScreen::SetShown(ScreenItem control, bool shown) {
  if (HWND window = Control(IdOf(control))) ShowWindow(window, shown ? SW_SHOWNA : SW_HIDE);
}

void ParameterScreen::SetCaption(ScreenItem control, std::string_view text) {
  if (HWND window = Control(IdOf(control))) SetWindowTextW(window, Widen(text).c_str());
}

void ParameterScreen::SetOutOfLimitsMark(ScreenItem control, const std::string& tip) {
  const int id = IdOf(control);
  HWND window = Control(id);
  std::erase(marks_, id);
  if (!tip.empty()) marks_.push_back(id);
  if (window == nullptr) return;
  // Drawn again, in the mark's colours or the system's.
  InvalidateRect(window, nullptr, TRUE);
  // The tip names the limits while the mark stays, as on Linux.
  if (tips_ == nullptr && !tip.empty()) {
    tips_ = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                            CW_USEDEFAULT, CW_USEDEFAULT, dialog_, nullptr, nullptr, nullptr);
  }
  if (tips_ == nullptr) return;
  TOOLINFOW tool{};
  tool.cbSize = sizeof(tool);
  tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  tool.hwnd = dialog_;
  tool.uId = reinterpret_cast<UINT_PTR>(window);
  SendMessageW(tips_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  if (tip.empty()) return;
  std::wstring text = Widen(tip);  // the tooltip keeps a copy
  tool.lpszText = text.data();
  SendMessageW(tips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void ParameterScreen::ScreenEdited() {
  if (edited_) edited_();
}

bool ParameterScreen::OutOfLimits(int id) const { return std::find(marks_.begin(), marks_.end(), id) != marks_.end(); }

HBRUSH ParameterScreen::MarkColours(HWND control, HDC dc) const {
  if (!OutOfLimits(GetDlgCtrlID(control))) return nullptr;
  // The Linux screen's light red; dark red text stands in for its red frame.
  constexpr COLORREF kMarkBackground = RGB(0xff, 0xd0, 0xd0);
  constexpr COLORREF kMarkText = RGB(0xd0, 0x00, 0x00);
  SetBkColor(dc, kMarkBackground);
  SetTextColor(dc, kMarkText);
  if (markBrush_ == nullptr) markBrush_ = CreateSolidBrush(kMarkBackground);
  return markBrush_;
}

// ---- Notifications -------------------------------------------------------------------------

bool ParameterScreen::OnCommand(int id, int code) {
  if (const auto radio = RadioOf(id)) {
    if (code == BN_CLICKED) controller_->OnRadioClicked(radio->first, radio->second);
    return true;
  }
  if (const std::optional<EditField> field = EditOf(id)) {
    if (code == EN_CHANGE) {
      // A spin button's move is the program's text, not a keystroke.
      const bool keystroke = spinMoving_ != *field;
      if (spinMoving_ == *field) spinMoving_.reset();
      controller_->OnFieldChanged(*field, keystroke);
    }
    if (code == EN_KILLFOCUS) controller_->OnFieldLeft(*field);
    return true;
  }
  for (int index = 0; index < kOptionBoxCount; ++index) {
    if (id == screen_id::OptionBox(index)) {
      if (code == BN_CLICKED) controller_->OnOptionClicked(index);
      return true;
    }
  }
  if (id == screen_id::kCurrentInput || id == screen_id::kVoltageInput) {
    if (code == BN_CLICKED) {
      if (id == screen_id::kCurrentInput) {
        controller_->OnCurrentClicked();
      } else {
        controller_->OnVoltageClicked();
      }
    }
    return true;
  }
  return false;
}

void ParameterScreen::OnSpinDelta(int id, NMUPDOWN& move) {
  const std::optional<EditField> field = SpinOf(id);
  if (!field) return;
  spinMoving_ = field;
  const SpinMove wanted = controller_->OnSpinMove(*field, {move.iPos, move.iDelta});
  move.iPos = wanted.position;
  move.iDelta = wanted.step;
}

void ParameterScreen::LeaveFocusedField() {
  const HWND focus = GetFocus();
  if (focus == nullptr || GetParent(focus) != dialog_) return;
  if (const std::optional<EditField> field = EditOf(GetDlgCtrlID(focus))) controller_->OnFieldLeft(*field);
}

}  // namespace klv
