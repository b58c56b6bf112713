#pragma once
// The small window of File > Report: a field for the unit's serial number
// or a note, and the choice of saving the report as a PDF or printing it.
#include <QDialog>
#include <string>
#include <string_view>

#include "widgets/operator_dialogs.h"

class QLineEdit;
class QPushButton;

namespace klv {

class ReportDialog : public QDialog {
  Q_OBJECT

 public:
  ReportDialog(Language language, std::string_view note, QWidget* owner = nullptr);

  // What the operator chose; valid once the dialog was accepted.
  ReportRequest Request() const;

  QLineEdit* NoteField() const { return note_; }
  QPushButton* SaveButton() const { return save_; }
  QPushButton* PrintButton() const { return print_; }

 private:
  QLineEdit* note_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* print_ = nullptr;
  ReportRequest::Output output_ = ReportRequest::Output::Pdf;
};

}  // namespace klv
