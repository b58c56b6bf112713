#pragma once
// The page layout of a unit report, shared by the main window (PDF and the
// print dialog) and the command-line tool (PDF): a title, the facts of the
// unit in a two-column table, then one row per parameter. Needs Qt Gui only,
// so the command-line tool can use it without the windows.
#include <QByteArray>
#include <QStringList>
#include <span>

#include "editor/unit_report.h"

class QPagedPaintDevice;
class QTextDocument;

namespace klv {

// The fonts of a report: a Latin font first, so digits and letters come out
// as themselves when the text is copied from the PDF, then Japanese fonts
// for the rest. IPA Gothic maps each of its glyphs back to one character
// (Noto Sans CJK shares its glyphs with the CJK radicals, so a copied "出力"
// would read back with a radical in place of "力").
QStringList ReportFontFamilies();

// The report as a document, laid out for pages of the device's size.
void BuildReportDocument(const UnitReport& report, QTextDocument& document);

// Several reports in one document, each from a new page.
void BuildReportsDocument(std::span<const UnitReport> reports, QTextDocument& document);

// Paints the report on the device's pages (a PDF writer or a printer).
void PaintUnitReport(const UnitReport& report, QPagedPaintDevice& device);

// The report as an A4 PDF, whose text can be selected and extracted. Needs a
// QGuiApplication.
QByteArray UnitReportPdf(const UnitReport& report);
// Several reports in one PDF, each from a new page (a bus of units).
QByteArray UnitReportsPdf(std::span<const UnitReport> reports);

}  // namespace klv
