#include "editor/ui/unit_report_pdf.h"

#include <QBuffer>
#include <QFont>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPdfWriter>
#include <QTextDocument>
#include <iterator>

namespace klv {
namespace {

constexpr int kPointSize = 9;

QString Html(const std::string& text) { return QString::fromStdString(text).toHtmlEscaped(); }

// A fact of several lines (a check that names each register differing) keeps its lines.
QString HtmlLines(const std::string& text) { return Html(text).replace(QLatin1Char('\n'), QStringLiteral("<br>")); }

// One report's part of the body; a later unit's starts on a page of its own.
QString ReportBodyHtml(const UnitReport& report, bool newPage) {
  QString html = newPage ? QStringLiteral("<h2 style=\"page-break-before: always\">") : QStringLiteral("<h2>");
  html += QStringLiteral("%1 &mdash; %2</h2>").arg(Html(report.program), Html(report.title));

  html += QStringLiteral("<table cellspacing=\"0\" cellpadding=\"3\">");
  for (const ReportFact& fact : report.facts) {
    html += QStringLiteral("<tr><td><b>%1</b></td><td>%2</td></tr>").arg(Html(fact.label), HtmlLines(fact.value));
  }
  html += QStringLiteral("</table><p></p>");

  html += QStringLiteral("<table width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
                         "style=\"border-collapse: collapse; border-color: #808080;\"><thead><tr>");
  // Register, parameter, value, meaning: the captions and meanings take the room.
  const int widths[] = {11, 42, 8, 39};
  for (std::size_t i = 0; i < report.columns.size(); ++i) {
    html += QStringLiteral("<th bgcolor=\"#e8e8e8\" align=\"left\" width=\"%1%\">%2</th>")
                .arg(i < std::size(widths) ? widths[i] : 10)
                .arg(Html(report.columns[i]));
  }
  html += QStringLiteral("</tr></thead>");
  for (const ReportRow& row : report.rows) {
    QString meaning = Html(row.meaning);
    if (!row.transferred) meaning += QStringLiteral(" <i>%1</i>").arg(Html(report.notTransferredMark));
    html += QStringLiteral("<tr><td>%1</td><td>%2</td><td align=\"right\">%3</td><td>%4</td></tr>")
                .arg(Html(row.address), Html(row.caption), Html(row.value), meaning);
  }
  html += QStringLiteral("</table>");

  // Room for the person who checks the unit: a label and a line to write on each.
  if (!report.signOff.empty()) {
    html += QStringLiteral("<p></p><table width=\"100%\" cellspacing=\"0\" cellpadding=\"8\"><tr>");
    for (const std::string& label : report.signOff) {
      html += QStringLiteral("<td>%1: ____________________</td>").arg(Html(label));
    }
    html += QStringLiteral("</tr></table>");
  }
  return html;
}

QString ReportsHtml(std::span<const UnitReport> reports) {
  QString html = QStringLiteral("<html><body>");
  for (std::size_t i = 0; i < reports.size(); ++i) html += ReportBodyHtml(reports[i], i > 0);
  html += QStringLiteral("</body></html>");
  return html;
}

}  // namespace

QStringList ReportFontFamilies() {
  return {QStringLiteral("DejaVu Sans"), QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"),
          QStringLiteral("Noto Sans CJK JP")};
}

void BuildReportDocument(const UnitReport& report, QTextDocument& document) {
  BuildReportsDocument(std::span(&report, 1), document);
}

void BuildReportsDocument(std::span<const UnitReport> reports, QTextDocument& document) {
  QFont font;
  font.setFamilies(ReportFontFamilies());
  font.setPointSize(kPointSize);
  // No ligatures: a copied "fi" stays two letters.
  font.setStyleStrategy(QFont::PreferNoShaping);
  document.setDefaultFont(font);
  document.setHtml(ReportsHtml(reports));
  if (!reports.empty()) {
    document.setMetaInformation(QTextDocument::DocumentTitle, QString::fromStdString(reports.front().title));
  }
}

void PaintUnitReport(const UnitReport& report, QPagedPaintDevice& device) {
  QTextDocument document;
  BuildReportDocument(report, document);
  // print() lays the document out on the device's pages and numbers them.
  document.print(&device);
}

QByteArray UnitReportPdf(const UnitReport& report) { return UnitReportsPdf(std::span(&report, 1)); }

QByteArray UnitReportsPdf(std::span<const UnitReport> reports) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&buffer);
    writer.setCreator(QStringLiteral("KLV Loader"));
    if (!reports.empty()) writer.setTitle(QString::fromStdString(reports.front().title));
    // QTextDocument::print keeps 2 cm inside the page's margins: 5 mm more
    // makes 25 mm around the text, and a KLV40 report fits one A4 page.
    writer.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                     QPageLayout::Millimeter));
    QTextDocument document;
    BuildReportsDocument(reports, document);
    document.print(&writer);
  }
  buffer.close();
  return bytes;
}

}  // namespace klv
