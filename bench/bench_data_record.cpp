// What a 24-hour data record costs the disk: the recorder run over a whole
// day of ticks on a clock of its own (no waiting), at a 10 s and a 1 s
// sampling period, with the program's own file writing. Counters:
// - file_kB: datalog.csv at the end;
// - written_kB: bytes this process handed to the system's write calls
//   meanwhile (wchar of /proc/self/io), so every byte of every save counts;
// - ratio: written ÷ file size, the target under 2;
// - rows_per_s: rows appended and flushed per second of real time.
// The file goes to $KLV_BENCH_RECORD_DIR, else /dev/shm when there is one
// (a day at 1 s is 86400 flushes, minutes on a real disk), else the
// temporary folder.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "monitor/data_recorder.h"
#include "platform/clock.h"

namespace {

using namespace klv;

// Wall-clock seconds that move only when told to.
class DayClock final : public Clock {
 public:
  TimePoint Now() const override { return TimePoint{} + std::chrono::seconds(seconds_); }
  void SleepFor(Duration) override {}
  LocalTime LocalNow() const override {
    return LocalTime{2026, 12, 9, static_cast<int>(seconds_ / 3600 % 24), static_cast<int>(seconds_ / 60 % 60),
                     static_cast<int>(seconds_ % 60)};
  }
  void NextSecond() { ++seconds_; }

 private:
  long long seconds_ = 0;
};

// Bytes written through write calls so far; -1 where /proc/self/io is missing.
long long WrittenBytes() {
  std::ifstream io("/proc/self/io");
  std::string key;
  long long value = 0;
  while (io >> key >> value) {
    if (key == "wchar:") return value;
  }
  return -1;
}

std::filesystem::path RecordFolder() {
  if (const char* chosen = std::getenv("KLV_BENCH_RECORD_DIR"); chosen != nullptr && *chosen != '\0') return chosen;
  if (std::filesystem::is_directory("/dev/shm")) return "/dev/shm";
  return std::filesystem::temp_directory_path();
}

void BM_DataRecordDay(benchmark::State& state) {
  std::string pattern = (RecordFolder() / "klv-bench-record-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no folder for the record");
    return;
  }
  const std::filesystem::path folder = pattern;
  const std::filesystem::path path = folder / "datalog.csv";
  CommSettings settings;
  settings.samplingInterval = static_cast<int32_t>(state.range(0));
  settings.recordDuration = 86400;
  for (auto _ : state) {
    DayClock clock;
    DataRecorder recorder(clock, Language::English);
    const long long before = WrittenBytes();
    const auto start = std::chrono::steady_clock::now();
    if (recorder.Prepare(true, settings, path).fileFailed) {
      state.SkipWithError("cannot create the record");
      break;
    }
    int i = 0;
    while (recorder.Recording()) {
      clock.NextSecond();
      // The monitor's five ticks a second, with readings that change.
      const std::string input = std::to_string(500 + i % 400);
      const std::string output = std::to_string(-32768 + i++ % 65536);
      for (int tick = 0; tick < 5; ++tick) recorder.Tick(input, output);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const long long written = WrittenBytes() - before;
    const auto size = static_cast<double>(std::filesystem::file_size(path));
    state.counters["rows"] = recorder.RowsWritten();
    state.counters["file_kB"] = size / 1000.0;
    state.counters["written_kB"] = static_cast<double>(written) / 1000.0;
    state.counters["ratio"] = static_cast<double>(written) / size;
    state.counters["rows_per_s"] = recorder.RowsWritten() / seconds;
    if (recorder.Unsaved()) state.SkipWithError(("rows not saved: " + recorder.SaveError()).c_str());
  }
  std::error_code error;
  std::filesystem::remove_all(folder, error);
}

}  // namespace

// Argument: the sampling period in seconds.
BENCHMARK(BM_DataRecordDay)->Arg(10)->Arg(1)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
