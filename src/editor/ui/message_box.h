#pragma once
// The program's plain message boxes: one OK button, the program's name as
// caption, owned by the window that runs the command.
#include <QString>
#include <string_view>

class QWidget;

namespace klv {

inline constexpr std::string_view kProductName = "KLV Loader";

// Shows text and waits until the operator closes the box.
void ShowMessage(QWidget* owner, std::string_view text);

// UTF-8 text of the core as a QString.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace klv
