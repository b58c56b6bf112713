#include "win32/report_printing.h"

#include <string>

#include "win32/wide_text.h"

namespace klv {

namespace {

bool IsPrinter(HDC dc) { return GetDeviceCaps(dc, TECHNOLOGY) == DT_RASPRINTER; }

}  // namespace

ReportPageSize DevicePage(HDC dc) {
  ReportPageSize page;
  page.unitsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
  if (IsPrinter(dc)) {
    page.width = GetDeviceCaps(dc, HORZRES);
    page.height = GetDeviceCaps(dc, VERTRES);
    return page;
  }
  BITMAP bitmap{};
  if (GetObjectType(dc) == OBJ_MEMDC) {
    if (HGDIOBJ surface = GetCurrentObject(dc, OBJ_BITMAP);
        surface != nullptr && GetObjectW(surface, sizeof bitmap, &bitmap) != 0) {
      page.width = bitmap.bmWidth;
      page.height = bitmap.bmHeight;
    }
    return page;
  }
  // A metafile has no page of its own: an A4 sheet.
  return A4Page(page.unitsPerInch);
}

bool PrintUnitReport(HDC dc, const UnitReport& report) {
  const ReportPageSize page = DevicePage(dc);
  if (page.width <= 0 || page.height <= 0 || page.unitsPerInch <= 0) return false;
  if (!IsPrinter(dc)) {
    // One surface: the pages are drawn over each other (a memory bitmap
    // holds one page; a report of one page is what it is for).
    const int pages = DrawUnitReportPage(dc, page, report, 0);
    for (int i = 1; i < pages; ++i) DrawUnitReportPage(dc, page, report, i);
    return true;
  }
  // The job takes the report's title as its name, as the print queue shows it.
  const std::wstring title = Widen(report.title);
  DOCINFOW job{};
  job.cbSize = sizeof job;
  job.lpszDocName = title.c_str();
  if (StartDocW(dc, &job) <= 0) return false;
  int pages = 1;
  for (int i = 0; i < pages; ++i) {
    if (StartPage(dc) <= 0) {
      AbortDoc(dc);
      return false;
    }
    pages = DrawUnitReportPage(dc, page, report, i);
    if (EndPage(dc) <= 0) {
      AbortDoc(dc);
      return false;
    }
  }
  return EndDoc(dc) > 0;
}

}  // namespace klv
