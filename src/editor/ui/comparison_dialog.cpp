#include "editor/ui/comparison_dialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "widgets/screen_controls.h"
#include "text/texts.h"

namespace klv {
namespace {

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

QString Words(TextId id, Language language) { return Text(klv::Text(id, language)); }

QString ValueText(int16_t value, const std::string& meaning) {
  return QStringLiteral("%1  (%2)").arg(value).arg(Text(meaning));
}

}  // namespace

QString CompareTitle(Language language) {
  return Words(TextId::CompareTitle, language);
}

ComparisonDialog::ComparisonDialog(const ParameterComparison& comparison, Language language, QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(CompareTitle(language));
  setFont(ScreenQFont(language));

  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("summary"));
  QString summary;
  if (comparison.Equal()) {
    summary = Text(NoDifferencesText(language));
  } else if (comparison.ModelDiffers()) {
    summary = Words(TextId::CompareModelsDiffer, language);
  } else {
    const int differing = static_cast<int>(comparison.differences.size());
    summary = Text(klv::Text(TextId::CompareCount, language,
                             {std::to_string(differing), std::to_string(comparison.compared)}));
  }
  summary_->setText(summary);

  table_ = new QTableWidget(this);
  table_->setColumnCount(4);
  table_->setHorizontalHeaderLabels({Words(TextId::ReportRegister, language),
                                     Words(TextId::ReportParameter, language),
                                     Words(TextId::CompareScreenColumn, language),
                                     QStringLiteral("KLV")});
  table_->verticalHeader()->hide();
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  const auto addRow = [this](const QString& reg, const QString& name, const QString& screen, const QString& device) {
    const int row = table_->rowCount();
    table_->insertRow(row);
    int column = 0;
    for (const QString& text : {reg, name, screen, device}) table_->setItem(row, column++, new QTableWidgetItem(text));
  };
  if (comparison.ModelDiffers()) {
    addRow(QString(), Text(ModelCaptionText(language)), Text(ModelName(comparison.screenModel)),
           Text(ModelName(comparison.deviceModel)));
  }
  if (comparison.OptionsDiffer()) {
    addRow(QString(), Text(OptionsCaptionText(language)), Text(OptionNamesText(comparison.screenOptionNames, language)),
           Text(OptionNamesText(comparison.deviceOptionNames, language)));
  }
  for (const ParameterDifference& d : comparison.differences) {
    addRow(Text(d.address.Text()), Text(d.caption), ValueText(d.screenValue, d.screenMeaning),
           ValueText(d.deviceValue, d.deviceMeaning));
  }
  table_->resizeColumnsToContents();
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->setVisible(table_->rowCount() > 0);
  int width = 40;
  for (int column = 0; column < table_->columnCount(); ++column) width += table_->columnWidth(column);
  table_->setMinimumWidth(std::min(width, 900));
  table_->setMinimumHeight(std::min(60 + 30 * table_->rowCount(), 500));

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(summary_);
  layout->addWidget(table_, 1);
  layout->addWidget(buttons);
}

}  // namespace klv
