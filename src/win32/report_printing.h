#pragma once
// The unit report on the device the print dialog gave: a print job of its
// pages on a printer ("Microsoft Print to PDF" makes the PDF), or the pages
// drawn straight onto a bitmap selected into a memory device context.
#include <windows.h>

#include "editor/unit_report.h"
#include "win32/report_page.h"

namespace klv {

// The page of the device: a printer's printable area, a memory device
// context's bitmap, else (a metafile) an A4 sheet; its units per inch from
// the device.
ReportPageSize DevicePage(HDC dc);

// False when the printer refused the job or a page.
bool PrintUnitReport(HDC dc, const UnitReport& report);

}  // namespace klv
