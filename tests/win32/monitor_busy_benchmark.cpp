// Not a test but a measurement, run on request:
//   wine klvwin32_tests.exe --gtest_also_run_disabled_tests --gtest_filter='MonitorBusyBenchmark.*'
// The monitor window polls a regulator that never answers, each read
// waiting its whole 200 ms time-out on the line thread, while a 5 ms timer
// of the window thread notes how late it comes: the longest lateness is the
// longest time the window was busy. The same probe without monitoring gives
// the timer's own lateness on this system, for comparison.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>

#include "platform/clock.h"
#include "win32/monitor_window.h"
#include "win32/wide_text.h"

namespace klv {
namespace {

// Nothing answers; a read lasts its whole time-out, as on a real line.
class SilentLine final : public SerialPort {
 public:
  PortOpenStatus Open(const std::filesystem::path&, const LineSettings& settings) override {
    timeout_ = settings.readTimeout;
    open_ = true;
    return {};
  }
  bool IsOpen() const override { return open_; }
  WriteOutcome Write(std::span<const uint8_t> bytes) override { return {true, bytes.size()}; }
  std::size_t Read(std::span<uint8_t>, const FrameEndTest&) override {
    std::this_thread::sleep_for(timeout_);
    return 0;
  }
  void DiscardInput() override {}
  void Close() override { open_ = false; }

 private:
  std::chrono::milliseconds timeout_{200};
  bool open_ = false;
};

class NoDialogs : public WindowOperator {
 public:
  void ShowMessage(HWND, std::string_view) override {}
  SaveAnswer AskSaveChanges(HWND, std::string_view) override { return SaveAnswer::No; }
  std::optional<std::filesystem::path> ChooseFileToOpen(HWND, const std::filesystem::path&) override { return {}; }
  std::optional<std::filesystem::path> ChooseFileToSave(HWND, std::string_view, const std::filesystem::path&) override {
    return {};
  }
  bool ConfirmCommSettings(HWND, ProgramState&) override { return true; }
};

struct Probe {
  static Probe* current;
  std::chrono::steady_clock::time_point last{};
  std::chrono::steady_clock::duration latest{};
  int fired = 0;
  int over20 = 0;  // gaps later than 20 ms
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    Probe& self = *current;
    const auto now = std::chrono::steady_clock::now();
    if (self.fired > 0) {
      const auto late = now - self.last - std::chrono::milliseconds(5);
      self.latest = std::max(self.latest, late);
      if (late > std::chrono::milliseconds(20)) ++self.over20;
    }
    self.last = now;
    ++self.fired;
  }
};
Probe* Probe::current = nullptr;

// Runs the window thread's messages for the time with the 5 ms probe.
Probe RunProbe(std::chrono::seconds time) {
  Probe probe;
  Probe::current = &probe;
  const UINT_PTR timer = SetTimer(nullptr, 0, 5, Probe::Tick);
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    MSG message;
    if (GetMessageW(&message, nullptr, 0, 0) <= 0) break;
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  KillTimer(nullptr, timer);
  return probe;
}

long long Ms(std::chrono::steady_clock::duration duration) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(duration).count();
}

TEST(MonitorBusyBenchmark, DISABLED_LongestBusyTimeOfTheWindowWhileMonitoringASilentDevice) {
  const Probe idle = RunProbe(std::chrono::seconds(3));
  std::printf("5 ms timer, no monitor: fired %d times in 3 s, longest lateness %lld ms, %d times over 20 ms\n",
              idle.fired, Ms(idle.latest), idle.over20);

  Connection connection([]() -> PortHandle { return std::make_unique<SilentLine>(); });
  connection.settings.readTimeout = 200;
  MonitorWindowDependencies dependencies{connection, {}, SystemClock(), Language::English};
  NoDialogs dialogs;
  MonitorWindow monitor(dependencies, dialogs, nullptr);
  ASSERT_TRUE(monitor.Create());
  SendMessageW(monitor.Control(monitor_id::kStart), BM_CLICK, 0, 0);
  const Probe busy = RunProbe(std::chrono::seconds(10));
  const MonitorView& view = monitor.View();
  std::printf("5 ms timer, monitoring a silent device (200 ms time-out): fired %d times in 10 s, "
              "longest lateness %lld ms, %d times over 20 ms (target: never busy over 20 ms); monitor running %s, "
              "nothing answered %s\n",
              busy.fired, Ms(busy.latest), busy.over20, view.running ? "yes" : "no",
              view.nothingAnswered ? "yes" : "no");
  const auto closing = std::chrono::steady_clock::now();
  SendMessageW(monitor.Control(monitor_id::kClose), BM_CLICK, 0, 0);
  std::printf("Close took %lld ms (waits for the exchange under way)\n",
              Ms(std::chrono::steady_clock::now() - closing));
  std::fflush(stdout);
  EXPECT_TRUE(monitor.Closed());
}

}  // namespace
}  // namespace klv
