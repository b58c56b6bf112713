#pragma once
// What the trend graph window's "Save picture…" and "Save data…" write
// besides the picture itself: the shown history as CSV, the names the files
// are offered under, and the messages that tell how a save went.
#include <string>
#include <string_view>

#include "text/texts.h"
#include "monitor/trend_history.h"
#include "platform/clock.h"

namespace klv {

// The first line of the history's CSV. Not the data record's layout on
// purpose: the graph's points carry their date (a history may span
// midnight) and the percent the graph draws, so what is saved matches the
// picture; the data record keeps the layout its readers rely on
// (monitor/data_recorder.h).
inline constexpr std::string_view kTrendCsvHeader = "Date, Time, Input (%), Output (%)\r\n";

// The points the graph shows, oldest first, one row each: the local date and
// clock time the point was plotted, then control input and output in percent
// as drawn (the output scaled by the control mode, both limited to
// 0.0-100.0). Points without data are left out; lines end in CR LF as in the
// data record.
std::string TrendHistoryCsv(const TrendHistory& history);

enum class TrendExport { Picture, Data };

// "trend-20261209-080503.png" or ".csv": the time of the save, so files of
// one session do not replace each other.
std::string TrendExportFileName(TrendExport kind, const LocalTime& now);

// "Picture saved: PATH", or "Picture cannot be saved: PATH (REASON)" when it
// was not saved; the same for the data.
std::string TrendExportMessage(TrendExport kind, Language language, std::string_view path, bool saved,
                               std::string_view reason = {});

// The caption line above a saved picture, so that a picture filed away still
// says when, what and where: "2026-12-09 08:05:03  KLV40 - V-FB  COM1"; an
// empty model or port is left out.
std::string TrendPictureCaption(const LocalTime& now, std::string_view model, std::string_view port);

}  // namespace klv
