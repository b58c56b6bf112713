#pragma once
// The unit report drawn with GDI, the same content in the same order as the
// Linux program's PDF: the heading, the facts of the unit, the table of
// parameters with its column headings (repeated on each page), the lines to
// sign on, and the page number. One function draws into any device context
// - a printer, a memory bitmap, an enhanced metafile - at the size it is given.
#include <windows.h>

#include "editor/unit_report.h"

namespace klv {

// A page in the device's units, and how many of them make an inch.
struct ReportPageSize {
  int width = 0;
  int height = 0;
  int unitsPerInch = 96;
};

// An A4 sheet at that many units per inch.
ReportPageSize A4Page(int unitsPerInch);

// Draws page `page` (from 0) of the report into dc; another page number
// draws nothing. Returns how many pages the report takes at that size, so a
// caller asks for page 0 and then the rest.
int DrawUnitReportPage(HDC dc, const ReportPageSize& size, const UnitReport& report, int page);

}  // namespace klv
