#include "widgets/message_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

namespace klv {

void ShowMessage(QWidget* owner, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(kProductName), ToQString(text), QMessageBox::Ok, owner);
  FitCaption(box);
  box.exec();
}

int CaptionWidth(const QString& caption) {
  // Title bars use a bold face of about the application's size; the icon and
  // the close, minimise and maximise buttons take some 150 pixels.
  QFont font = QApplication::font();
  font.setBold(true);
  constexpr int kTitleBarRoom = 150;
  return QFontMetrics(font).horizontalAdvance(caption) + kTitleBarRoom;
}

void FitCaption(QMessageBox& box) {
  // QMessageBox sizes itself from its contents on showing; a spacer across
  // its grid is the one minimum width it keeps.
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  grid->addItem(new QSpacerItem(CaptionWidth(box.windowTitle()), 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                grid->rowCount(), 0, 1, grid->columnCount());
}

}  // namespace klv
