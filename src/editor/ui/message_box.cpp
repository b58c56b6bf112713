#include "editor/ui/message_box.h"

#include <QMessageBox>

namespace klv {

void ShowMessage(QWidget* owner, std::string_view text) {
  QMessageBox box(QMessageBox::NoIcon, ToQString(kProductName), ToQString(text), QMessageBox::Ok, owner);
  box.exec();
}

}  // namespace klv
