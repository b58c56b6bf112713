#pragma once
// The editing screen's own control types: a group box whose caption is
// enabled apart from its contents, an edit field that reports when the focus
// leaves it, and a spin button that steps the number in its edit field.
#include <QLineEdit>
#include <QWidget>
#include <functional>

#include "text/texts.h"

class QToolButton;

namespace klv {

class ScreenSpinButton;

// The screen's font: the language's font when it is installed, otherwise a
// close substitute ("Noto Sans CJK JP" for Japanese, a narrow sans for English).
QFont ScreenQFont(Language language);

// A framed box with a caption. Unlike a QGroupBox, disabling the caption does
// not disable what is inside: the screen sets every control's state itself.
class ScreenGroupBox : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenGroupBox(const QString& caption, QWidget* parent = nullptr);

  void SetCaption(const QString& caption);
  QString Caption() const { return caption_; }

  void SetCaptionEnabled(bool enabled);
  bool CaptionEnabled() const { return captionEnabled_; }

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void UpdateMargins();
  int CaptionWidth() const;

  QString caption_;
  bool captionEnabled_ = true;
};

// A one-line edit field with centred text. digitsOnly fields refuse typed or
// pasted characters other than 0-9 (the program may still write any text).
// The up and down arrow keys step the spin button attached to it.
class ScreenEdit : public QLineEdit {
  Q_OBJECT

 public:
  ScreenEdit(bool digitsOnly, QWidget* parent = nullptr);

  void SetSpin(ScreenSpinButton* spin) { spin_ = spin; }
  ScreenSpinButton* Spin() const { return spin_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  // The keyboard focus left the field (not for a context menu).
  void Left();

 protected:
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  ScreenSpinButton* spin_ = nullptr;
};

// Two arrows at the right edge of an edit field. A step reads the field's
// number (when it is a plain integer within the range; otherwise the last
// position counts), lets the move rule adjust position and step, keeps the
// result within the range and writes it into the field. Clicking an arrow
// puts the focus into the field, so leaving the field later runs its rules.
// The arrows are usable only while both the spin button and its field are
// enabled.
class ScreenSpinButton : public QWidget {
  Q_OBJECT

 public:
  explicit ScreenSpinButton(ScreenEdit* buddy, QWidget* parent = nullptr);

  void SetRange(int lower, int upper);
  int Lower() const { return lower_; }
  int Upper() const { return upper_; }

  int Position() const { return position_; }

  // Called before each move with the position and step the spin button is
  // about to use; it may change both. The move always happens.
  using MoveRule = std::function<void(int& position, int& step)>;
  void SetMoveRule(MoveRule rule) { rule_ = std::move(rule); }

  // One step: +1 is the up arrow, -1 the down arrow.
  void Step(int direction);

  // Enabled and its field enabled: what the operator can use.
  bool Usable() const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void UpdateArrows();

  ScreenEdit* buddy_;
  QToolButton* up_;
  QToolButton* down_;
  MoveRule rule_;
  int lower_ = 0;
  int upper_ = 100;
  int position_ = 0;
};

}  // namespace klv
