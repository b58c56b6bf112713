#include "widgets/screen_controls.h"

#include <QApplication>
#include <QFocusEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "widgets/message_box.h"

namespace klv {

QFont ScreenQFont(Language language) {
  const ScreenFont wanted = ScreenFontFor(language);
  QStringList candidates{ToQString(wanted.family)};
  if (language == Language::Japanese) {
    candidates << QStringLiteral("MS PGothic") << QStringLiteral("Noto Sans CJK JP")
               << QStringLiteral("IPAPGothic") << QStringLiteral("VL PGothic") << QStringLiteral("TakaoPGothic");
  } else {
    // Tahoma is narrow; the substitutes are the narrowest common sans fonts
    // first, so that the English captions keep the room the screen gives them.
    candidates << QStringLiteral("Liberation Sans") << QStringLiteral("Arimo") << QStringLiteral("Arial")
               << QStringLiteral("DejaVu Sans Condensed") << QStringLiteral("DejaVu Sans");
  }
  const QStringList installed = QFontDatabase::families();
  QFont font = QApplication::font();
  for (const QString& family : candidates) {
    if (installed.contains(family)) {
      font = QFont(family);
      break;
    }
  }
  font.setPointSize(wanted.pointSize);
  return font;
}

// ---- ScreenGroupBox ------------------------------------------------------------

namespace {
constexpr int kCaptionIndent = 7;
constexpr int kCaptionPadding = 2;
constexpr int kSideMargin = 5;
constexpr int kBottomMargin = 5;
}  // namespace

ScreenGroupBox::ScreenGroupBox(const QString& caption, QWidget* parent) : QWidget(parent), caption_(caption) {
  UpdateMargins();
}

void ScreenGroupBox::SetCaption(const QString& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  updateGeometry();
  update();
}

void ScreenGroupBox::SetCaptionEnabled(bool enabled) {
  captionEnabled_ = enabled;
  update();
}

void ScreenGroupBox::UpdateMargins() {
  const QFontMetrics metrics(font());
  setContentsMargins(kSideMargin, metrics.height() + 1, kSideMargin, kBottomMargin);
  updateGeometry();
}

int ScreenGroupBox::CaptionWidth() const {
  if (caption_.isEmpty()) return 0;
  const QFontMetrics metrics(font());
  return 2 * kCaptionIndent + metrics.horizontalAdvance(caption_) + 2 * kCaptionPadding;
}

QSize ScreenGroupBox::minimumSizeHint() const {
  return QWidget::minimumSizeHint().expandedTo(QSize(CaptionWidth(), 0));
}

QSize ScreenGroupBox::sizeHint() const { return QWidget::sizeHint().expandedTo(QSize(CaptionWidth(), 0)); }

void ScreenGroupBox::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange) UpdateMargins();
  QWidget::changeEvent(event);
}

void ScreenGroupBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QFontMetrics metrics(font());
  const QRect frame = rect().adjusted(0, metrics.height() / 2, -1, -1);
  // An etched line: a dark rectangle with a light one one pixel inside.
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(frame.adjusted(0, 0, -1, -1));
  painter.setPen(palette().color(QPalette::Light));
  painter.drawRect(frame.adjusted(1, 1, 0, 0));
  if (caption_.isEmpty()) return;
  const QRect text(kCaptionIndent, 0, metrics.horizontalAdvance(caption_) + 2 * kCaptionPadding, metrics.height());
  painter.fillRect(text, palette().brush(QPalette::Window));
  painter.setPen(palette().color(captionEnabled_ ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
  painter.drawText(text, Qt::AlignCenter, caption_);
}

// ---- ScreenEdit ----------------------------------------------------------------

ScreenEdit::ScreenEdit(bool digitsOnly, QWidget* parent) : QLineEdit(parent) {
  setAlignment(Qt::AlignCenter);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  if (digitsOnly) {
    setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this));
  }
}

QSize ScreenEdit::sizeHint() const {
  // Room for "1000" and "off"; longer texts scroll.
  const QFontMetrics metrics(font());
  return {metrics.horizontalAdvance(QStringLiteral("0000")) + 12, QLineEdit::sizeHint().height()};
}

QSize ScreenEdit::minimumSizeHint() const { return sizeHint(); }

void ScreenEdit::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  if (event->reason() != Qt::PopupFocusReason) emit Left();
}

void ScreenEdit::keyPressEvent(QKeyEvent* event) {
  if (spin_ && spin_->Usable() && event->modifiers() == Qt::NoModifier &&
      (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down)) {
    spin_->Step(event->key() == Qt::Key_Up ? 1 : -1);
    return;
  }
  QLineEdit::keyPressEvent(event);
}

// ---- ScreenSpinButton ------------------------------------------------------------

ScreenSpinButton::ScreenSpinButton(ScreenEdit* buddy, QWidget* parent)
    : QWidget(parent), buddy_(buddy), up_(new QToolButton(this)), down_(new QToolButton(this)) {
  buddy_->SetSpin(this);
  buddy_->installEventFilter(this);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
  auto* arrows = new QVBoxLayout(this);
  arrows->setContentsMargins(0, 0, 0, 0);
  arrows->setSpacing(0);
  for (QToolButton* arrow : {up_, down_}) {
    arrow->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    arrows->addWidget(arrow);
    arrow->setAutoRepeat(true);
    arrow->setFocusPolicy(Qt::NoFocus);
    connect(arrow, &QToolButton::pressed, this, [this] { buddy_->setFocus(Qt::MouseFocusReason); });
  }
  up_->setArrowType(Qt::UpArrow);
  down_->setArrowType(Qt::DownArrow);
  up_->setObjectName(QStringLiteral("up"));
  down_->setObjectName(QStringLiteral("down"));
  connect(up_, &QToolButton::clicked, this, [this] { Step(1); });
  connect(down_, &QToolButton::clicked, this, [this] { Step(-1); });
  UpdateArrows();
}

QSize ScreenSpinButton::sizeHint() const {
  const int height = buddy_->sizeHint().height();
  return {std::max(14, height * 2 / 3), height};
}

QSize ScreenSpinButton::minimumSizeHint() const { return sizeHint(); }

void ScreenSpinButton::SetRange(int lower, int upper) {
  lower_ = lower;
  upper_ = upper;
}

bool ScreenSpinButton::Usable() const { return isEnabled() && buddy_->isEnabled(); }

void ScreenSpinButton::Step(int direction) {
  // A range given the wrong way round (a ramp higher limit of 0 from a file)
  // still bounds the position between its two ends.
  const int low = std::min(lower_, upper_);
  const int high = std::max(lower_, upper_);
  int position = position_;
  bool isNumber = false;
  const int typed = buddy_->text().toInt(&isNumber);
  if (isNumber && typed >= low && typed <= high) position = typed;
  int step = direction;
  if (rule_) rule_(position, step);
  const long long next = std::clamp<long long>(static_cast<long long>(position) + step, low, high);
  position_ = static_cast<int>(next);
  buddy_->setText(QString::number(position_));
}

bool ScreenSpinButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == buddy_ && event->type() == QEvent::EnabledChange) UpdateArrows();
  return QWidget::eventFilter(watched, event);
}

void ScreenSpinButton::UpdateArrows() {
  up_->setEnabled(buddy_->isEnabled());
  down_->setEnabled(buddy_->isEnabled());
}

}  // namespace klv
