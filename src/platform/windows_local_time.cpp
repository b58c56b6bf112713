#include <windows.h>

#include "platform/local_time.h"

namespace klv {

LocalTime SystemLocalTime() {
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  return LocalTime{now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
}

}  // namespace klv
