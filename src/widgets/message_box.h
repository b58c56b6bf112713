#pragma once
// The program's plain message boxes: one OK button, the program's name as
// caption, owned by the window that runs the command.
#include <QString>
#include <string_view>

class QMessageBox;
class QWidget;

namespace klv {

inline constexpr std::string_view kProductName = "KLV Loader";

// Shows text and waits until the operator closes the box.
void ShowMessage(QWidget* owner, std::string_view text);

// Widens a box so that its title bar can show the whole caption: a short
// message would otherwise give a box whose caption the window manager cuts
// to "KL…".
void FitCaption(QMessageBox& box);

// The width FitCaption gives at least: the caption's text plus the room the
// title bar takes for its icon and buttons.
int CaptionWidth(const QString& caption);

// UTF-8 text of the core as a QString.
inline QString ToQString(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace klv
