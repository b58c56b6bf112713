// Start-up of a window program to its painted window: starts it, waits until
// its message loop first waits for input (its window is made, shown and
// painted by then), and ends it. Two programs are timed in pairs, one after
// the other, so that a busy machine slows both alike; the medians and their
// ratio are printed.
//
//   klv-startup-probe.exe PAIRS PROGRAM YARDSTICK
//   klv-startup-probe.exe once PROGRAM     (one start, for a timing from
//                                           outside that holds Wine's own start)
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// Milliseconds from the start of program to its first wait for input; a
// negative number when it did not start or never got there.
double TimeToIdle(const std::wstring& program) {
  std::wstring commandLine = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  LARGE_INTEGER frequency;
  LARGE_INTEGER begin;
  LARGE_INTEGER end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&begin);
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    return -1;
  }
  const DWORD waited = WaitForInputIdle(process.hProcess, 60000);
  QueryPerformanceCounter(&end);
  TerminateProcess(process.hProcess, 0);
  WaitForSingleObject(process.hProcess, 10000);
  // Wine and the X server tear the ended program's windows down after it has
  // gone: the next start waits for that, so that it is not timed too.
  Sleep(1000);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  if (waited != 0) return -1;
  return 1000.0 * static_cast<double>(end.QuadPart - begin.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  const std::size_t middle = values.size() / 2;
  return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"once") == 0) return TimeToIdle(argv[2]) < 0 ? 1 : 0;
  if (argc != 4) {
    std::fprintf(stderr, "usage: klv-startup-probe.exe PAIRS PROGRAM YARDSTICK\n");
    return 2;
  }
  const int pairs = std::max(1, _wtoi(argv[1]));
  // One run of each first, so that both start from a warm file cache.
  TimeToIdle(argv[2]);
  TimeToIdle(argv[3]);
  std::vector<double> program;
  std::vector<double> yardstick;
  for (int pair = 0; pair < pairs; ++pair) {
    const double a = TimeToIdle(argv[2]);
    const double b = TimeToIdle(argv[3]);
    if (a < 0 || b < 0) {
      std::fprintf(stderr, "pair %d: a program did not reach its message loop\n", pair + 1);
      return 1;
    }
    std::printf("pair %2d  program %8.1f ms  yardstick %8.1f ms\n", pair + 1, a, b);
    program.push_back(a);
    yardstick.push_back(b);
  }
  const double a = Median(program);
  const double b = Median(yardstick);
  std::printf("median   program %8.1f ms  yardstick %8.1f ms  ratio %.2f (target <= 1.5)\n", a, b, a / b);
  return 0;
}
