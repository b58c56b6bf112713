#include "editor/ui/parameter_screen.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>
#include <string_view>

#include "editor/screen_layout.h"
#include "editor/ui/parameter_screen_controls.h"
#include "widgets/message_box.h"
#include "widgets/screen_controls.h"

namespace klv {

namespace {

// Marks a control, or takes its mark away.
void MarkWidget(QWidget* control, bool outside, const QString& tip) {
  control->setProperty(kOutOfLimitsProperty, outside);
  control->setStyleSheet(outside ? QStringLiteral("background-color: #ffd0d0; border: 2px solid #d00000;") : QString());
  control->setToolTip(outside ? tip : QString());
}

}  // namespace

ParameterScreen::ParameterScreen(ParameterSet& parameters, Language language, QWidget* parent)
    : QWidget(parent), language_(language), ui_(std::make_unique<Controls>()) {
  setFont(ScreenQFont(language_));
  Build();
  FitIntoWindow();
  controller_ = std::make_unique<ScreenController>(static_cast<ScreenView&>(*this), parameters, language_);
  Connect();
}

ParameterScreen::~ParameterScreen() = default;

void ParameterScreen::FitButtonHeights() {
  // As high as their text needs: the style's own height would not let the
  // Japanese screen fit its window.
  const int height =
      std::max(QFontMetrics(font()).height(), style()->pixelMetric(QStyle::PM_ExclusiveIndicatorHeight)) + 3;
  for (QRadioButton* button : findChildren<QRadioButton*>()) button->setFixedHeight(height);
  for (QCheckBox* box : findChildren<QCheckBox*>()) box->setFixedHeight(height);
}

void ParameterScreen::FitIntoWindow() {
  // With a substitute font wider than the designed one, step the size down
  // until the screen fits the window (less room for its menu bar), keeping
  // a few pixels for the longest model captions.
  const WindowSize window = MainWindowSize(language_);
  constexpr int kMenuBarAllowance = 32;
  constexpr int kCaptionAllowance = 8;
  QFont smaller = font();
  while (smaller.pointSizeF() > 6.0) {
    const QSize needed = minimumSizeHint();
    if (needed.width() + kCaptionAllowance <= window.width &&
        needed.height() + kMenuBarAllowance <= window.height) {
      return;
    }
    smaller.setPointSizeF(smaller.pointSizeF() - 0.5);
    setFont(smaller);
    FitButtonHeights();
    // Nested layouts hear of their contents' new sizes only through posted
    // events; to measure at once, every cached size goes.
    for (QWidget* child : findChildren<QWidget*>()) child->updateGeometry();
    for (QLayout* nested : findChildren<QLayout*>()) nested->invalidate();
  }
}

void ParameterScreen::Connect() {
  Controls& u = *ui_;
  for (const RadioGroup group : AllRadioGroups()) {
    connect(u[group].group, &QButtonGroup::idClicked, this,
            [this, group](int id) { controller_->OnRadioClicked(group, id); });
  }
  connect(u.current, &QRadioButton::clicked, this, [this] { controller_->OnCurrentClicked(); });
  connect(u.voltage, &QRadioButton::clicked, this, [this] { controller_->OnVoltageClicked(); });
  for (std::size_t i = 0; i < u.options.size(); ++i) {
    connect(u.options[i], &QCheckBox::clicked, this, [this, i] { controller_->OnOptionClicked(static_cast<int>(i)); });
  }
  for (std::size_t i = 0; i < kEditFieldCount; ++i) {
    const auto which = static_cast<EditField>(i);
    connect(u.edits[i], &ScreenEdit::Left, this, [this, which] { controller_->OnFieldLeft(which); });
    // A keystroke reports textEdited just before textChanged; the program's
    // own text reports textChanged alone.
    connect(Edit(which), &QLineEdit::textEdited, this, [this, which] { typing_ = which; });
    connect(Edit(which), &QLineEdit::textChanged, this, [this, which] {
      const bool keystroke = typing_ == which;
      typing_.reset();
      controller_->OnFieldChanged(which, keystroke);
    });
  }
  Spin(EditField::CurrentLimiter)->SetMoveRule([this](int& position, int& step) {
    const SpinMove move = controller_->OnSpinMove(EditField::CurrentLimiter, SpinMove{position, step});
    position = move.position;
    step = move.step;
  });
}

// ---- Access ----------------------------------------------------------------------

QRadioButton* ParameterScreen::Radio(RadioGroup group, int button) const {
  return (*ui_)[group].buttons.at(static_cast<std::size_t>(button));
}
QRadioButton* ParameterScreen::CurrentButton() const { return ui_->current; }
QRadioButton* ParameterScreen::VoltageButton() const { return ui_->voltage; }
ScreenEdit* ParameterScreen::Edit(EditField field) const { return ui_->edits[Index(field)]; }
ScreenSpinButton* ParameterScreen::Spin(EditField field) const { return ui_->spins[Index(field)]; }
QCheckBox* ParameterScreen::OptionBox(int index) const { return ui_->options.at(static_cast<std::size_t>(index)); }

// ---- The controller's view ----------------------------------------------------------

QWidget* ParameterScreen::Widget(ScreenItem control) const {
  using Kind = ScreenItem::Kind;
  const Controls& u = *ui_;
  const auto at = static_cast<std::size_t>(control.index);
  switch (control.kind) {
    case Kind::GroupBox: return u[control.group()].box;
    case Kind::GroupNotes: return u[control.group()].note;
    case Kind::Radio: return Radio(control.group(), control.button);
    case Kind::Edit: return u.edits.at(at);
    case Kind::Spin: return u.spins.at(at);
    case Kind::Label: return u.labels.at(at).label;
    case Kind::Colon: return u.labels.at(at).colon;
    case Kind::Unit: return u.labels.at(at).unit;
    case Kind::OptionBox: return u.options.at(at);
    case Kind::CurrentInput: return u.current;
    case Kind::VoltageInput: return u.voltage;
    case Kind::Frame:
      switch (control.frame()) {
        case ScreenFrame::OneSeriesOptions: return u.optionsOneSeries;
        case ScreenFrame::Klv40Options: return u.optionsKlv40;
        case ScreenFrame::Slow: return u.slowBox;
        case ScreenFrame::BootLimiter: return u.bootBox;
        case ScreenFrame::Scaling: return u.scalingBox;
      }
  }
  return nullptr;
}

std::string ParameterScreen::FieldText(EditField field) const { return Edit(field)->text().toStdString(); }

void ParameterScreen::SetFieldText(EditField field, const std::string& text) {
  Edit(field)->setText(QString::fromStdString(text));
}

void ParameterScreen::SetSpinRange(EditField field, SpinRange range) { Spin(field)->SetRange(range.lower, range.upper); }

bool ParameterScreen::IsChecked(ScreenItem control) const {
  auto* button = qobject_cast<QAbstractButton*>(Widget(control));
  return button != nullptr && button->isChecked();
}

void ParameterScreen::SetChecked(ScreenItem control, bool checked) {
  auto* button = qobject_cast<QAbstractButton*>(Widget(control));
  if (button == nullptr || button->isChecked() == checked) return;
  QButtonGroup* group = button->group();
  if (checked || group == nullptr || !group->exclusive()) {
    button->setChecked(checked);
    return;
  }
  // An exclusive group keeps one button checked; lift that for a moment.
  group->setExclusive(false);
  button->setChecked(false);
  group->setExclusive(true);
}

void ParameterScreen::SetEnabled(ScreenItem control, bool enabled) {
  QWidget* widget = Widget(control);
  if (widget == nullptr) return;
  // A box greys its caption only; its contents keep their own states.
  if (control.kind == ScreenItem::Kind::GroupBox || control.kind == ScreenItem::Kind::Frame) {
    static_cast<ScreenGroupBox*>(widget)->SetCaptionEnabled(enabled);
  } else {
    widget->setEnabled(enabled);
  }
}

void ParameterScreen::SetShown(ScreenItem control, bool shown) {
  if (QWidget* widget = Widget(control)) widget->setVisible(shown);
}

void ParameterScreen::SetCaption(ScreenItem control, std::string_view text) {
  QWidget* widget = Widget(control);
  if (widget == nullptr) return;
  if (control.kind == ScreenItem::Kind::GroupBox || control.kind == ScreenItem::Kind::Frame) {
    static_cast<ScreenGroupBox*>(widget)->SetCaption(ToQString(text));
  } else if (auto* label = qobject_cast<QLabel*>(widget)) {
    label->setText(ToQString(text));
  } else if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
    button->setText(ToQString(text));
  }
}

void ParameterScreen::SetOutOfLimitsMark(ScreenItem control, const std::string& tip) {
  if (QWidget* widget = Widget(control)) MarkWidget(widget, !tip.empty(), ToQString(tip));
}

void ParameterScreen::FocusKeyLockOff() {
  QWidget* before = window()->focusWidget();
  QRadioButton* off = Radio(RadioGroup::KeyLock, 0);
  off->setFocus(Qt::OtherFocusReason);
  // In a window that is not active Qt moves the focus without telling the
  // field that had it; its leave rules must run all the same.
  auto* edit = qobject_cast<ScreenEdit*>(before);
  if (edit && isAncestorOf(edit) && !window()->isActiveWindow()) emit edit->Left();
}

void ParameterScreen::LeaveFocusedField() {
  auto* edit = qobject_cast<ScreenEdit*>(window()->focusWidget());
  if (edit != nullptr && isAncestorOf(edit)) emit edit->Left();
}

// ---- Parameter set <-> screen ---------------------------------------------------------

void ParameterScreen::ShowParameters() { controller_->ShowParameters(); }
void ParameterScreen::ReadScreen() { controller_->ReadScreen(); }
void ParameterScreen::LockSharedVolumes() { controller_->LockSharedVolumes(); }
void ParameterScreen::ApplyModelLayout(ModelKind model) { controller_->ApplyModelLayout(model); }

}  // namespace klv
