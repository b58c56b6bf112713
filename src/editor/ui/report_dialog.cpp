#include "editor/ui/report_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "widgets/message_box.h"
#include "text/texts.h"
#include "widgets/screen_controls.h"

namespace klv {
namespace {

QString Words(TextId id, Language language) { return ToQString(Text(id, language)); }

}  // namespace

ReportDialog::ReportDialog(Language language, std::string_view note, QWidget* owner) : QDialog(owner) {
  setWindowTitle(Words(TextId::ReportDialogTitle, language));
  setFont(ScreenQFont(language));
  auto* column = new QVBoxLayout(this);
  auto* label = new QLabel(Words(TextId::ReportDialogNote, language), this);
  note_ = new QLineEdit(ToQString(note), this);
  note_->setObjectName(QStringLiteral("note"));
  note_->setMinimumWidth(320);
  label->setBuddy(note_);
  // The last unit's note is offered selected: typing the next serial number
  // replaces it instead of being appended to it.
  note_->selectAll();
  note_->setFocus(Qt::OtherFocusReason);
  column->addWidget(label);
  column->addWidget(note_);

  auto* buttons = new QDialogButtonBox(this);
  save_ = buttons->addButton(Words(TextId::ReportDialogSavePdf, language), QDialogButtonBox::ActionRole);
  print_ = buttons->addButton(Words(TextId::ReportDialogPrint, language), QDialogButtonBox::ActionRole);
  buttons->addButton(Words(TextId::ReportDialogCancel, language), QDialogButtonBox::RejectRole);
  save_->setDefault(true);
  const auto choose = [this](ReportRequest::Output output) {
    output_ = output;
    accept();
  };
  connect(save_, &QPushButton::clicked, this, [choose] { choose(ReportRequest::Output::Pdf); });
  connect(print_, &QPushButton::clicked, this, [choose] { choose(ReportRequest::Output::Print); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  column->addWidget(buttons);
}

ReportRequest ReportDialog::Request() const {
  return ReportRequest{note_->text().trimmed().toStdString(), output_};
}

}  // namespace klv
