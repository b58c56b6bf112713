#pragma once
// The result of Compare with KLV: the screen's parameter set against the
// one just read from the regulator, as a table of what differs (register,
// parameter, screen value and device value with their meanings; model and
// options first when they differ), or "No differences".
#include <QDialog>

#include "editor/parameter_comparison.h"

class QLabel;
class QTableWidget;

namespace klv {

class ComparisonDialog final : public QDialog {
  Q_OBJECT

 public:
  ComparisonDialog(const ParameterComparison& comparison, Language language, QWidget* parent = nullptr);

  // For the tests and pictures. The table is hidden when nothing differs.
  QTableWidget* Table() const { return table_; }
  QLabel* Summary() const { return summary_; }

 private:
  QTableWidget* table_ = nullptr;
  QLabel* summary_ = nullptr;
};

// The dialog's title and the menu command's name without its mnemonic.
QString CompareTitle(Language language);

}  // namespace klv
