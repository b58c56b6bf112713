#include "monitor/dated_log_name.h"

#include <cstdio>
#include <string>

namespace klv {

std::filesystem::path DatedLogPath(const std::filesystem::path& path, const LocalTime& time) {
  // Fields outside their ranges are clamped so that the name keeps its length.
  const auto within = [](int value, int low, int high) { return value < low ? low : value > high ? high : value; };
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "-%04d%02d%02d-%02d%02d%02d", within(time.year, 0, 9999),
                within(time.month, 0, 12), within(time.day, 0, 31), within(time.hour, 0, 23),
                within(time.minute, 0, 59), within(time.second, 0, 60));
  std::filesystem::path dated = path;
  dated.replace_filename(path.stem().string() + stamp + path.extension().string());
  return dated;
}

}  // namespace klv
