#include "monitor/trend_export.h"

#include <cstdio>

#include "text/texts.h"

namespace klv {
namespace {

// 0..1000 in 0.1 % as "50.0".
std::string Percent(int32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%d.%d", value / 10, value % 10);
  return text;
}

}  // namespace

std::string TrendHistoryCsv(const TrendHistory& history) {
  std::string csv(kTrendCsvHeader);
  const TrendTimes& times = history.Times();
  for (std::size_t i = 0; i < times.size(); ++i) {
    const int32_t input = history.Input()[i];
    const int32_t output = history.Output()[i];
    if (!times[i] || input < 0 || output < 0) continue;
    const LocalTime& t = *times[i];
    char stamp[40];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d, %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    csv += std::string(stamp) + ", " + Percent(input) + ", " + Percent(output) + "\r\n";
  }
  return csv;
}

std::string TrendExportFileName(TrendExport kind, const LocalTime& now) {
  char name[48];
  std::snprintf(name, sizeof name, "trend-%04d%02d%02d-%02d%02d%02d.%s", now.year, now.month, now.day, now.hour,
                now.minute, now.second, kind == TrendExport::Picture ? "png" : "csv");
  return name;
}

std::string TrendExportMessage(TrendExport kind, Language language, std::string_view path, bool saved,
                               std::string_view reason) {
  const bool picture = kind == TrendExport::Picture;
  if (saved) return Text(picture ? TextId::PictureSaved : TextId::DataSaved, language, {path});
  return Text(picture ? TextId::PictureNotSaved : TextId::DataNotSaved, language, {path, reason});
}

std::string TrendPictureCaption(const LocalTime& now, std::string_view model, std::string_view port) {
  char stamp[40];
  std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", now.year, now.month, now.day, now.hour,
                now.minute, now.second);
  std::string caption = stamp;
  for (const std::string_view part : {model, port}) {
    if (!part.empty()) caption += "  " + std::string(part);
  }
  return caption;
}

}  // namespace klv
