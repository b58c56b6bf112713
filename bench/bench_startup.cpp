// Start-up of the klv-loader program: the time from starting the process to
// its main window being shown (and painted once), and the program's peak
// memory. Each iteration starts the built program on the offscreen platform
// with --quit-after-show, in data and runtime folders of its own, times the
// line it prints once the window is shown, and takes the peak resident size
// from the process's resource use. The program is found beside the
// benchmark's build folder (../src/klv-loader) or at $KLV_LOADER.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

std::filesystem::path ProgramPath() {
  if (const char* given = std::getenv("KLV_LOADER"); given != nullptr && *given != '\0') return given;
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  return self.parent_path().parent_path() / "src" / "klv-loader";
}

struct StartOutcome {
  bool ok = false;
  std::string error;
  double shownSeconds = 0;
  long peakKiB = 0;
};

StartOutcome StartOnce(const std::filesystem::path& program, const std::filesystem::path& folder) {
  StartOutcome outcome;
  std::vector<std::string> variables;
  for (char** entry = environ; *entry != nullptr; ++entry) {
    const std::string variable = *entry;
    if (variable.rfind("QT_QPA_PLATFORM=", 0) == 0 || variable.rfind("XDG_DATA_HOME=", 0) == 0 ||
        variable.rfind("XDG_RUNTIME_DIR=", 0) == 0) {
      continue;
    }
    variables.push_back(variable);
  }
  variables.push_back("QT_QPA_PLATFORM=offscreen");
  variables.push_back("XDG_DATA_HOME=" + (folder / "data").string());
  variables.push_back("XDG_RUNTIME_DIR=" + (folder / "run").string());
  std::vector<char*> environment;
  for (auto& variable : variables) environment.push_back(variable.data());
  environment.push_back(nullptr);

  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    outcome.error = "pipe";
    return outcome;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
  std::string path = program.string();
  std::string flag = "--quit-after-show";
  char* argv[] = {path.data(), flag.data(), nullptr};

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, nullptr, argv, environment.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    outcome.error = "cannot start " + path;
    return outcome;
  }

  // The program prints one line once its window is shown.
  std::string output;
  pollfd watch{pipeFds[0], POLLIN, 0};
  while (output.find('\n') == std::string::npos && ::poll(&watch, 1, 30000) > 0) {
    char buffer[256];
    const ssize_t got = ::read(pipeFds[0], buffer, sizeof buffer);
    if (got <= 0) break;
    output.append(buffer, static_cast<std::size_t>(got));
  }
  const auto shown = std::chrono::steady_clock::now();
  ::close(pipeFds[0]);

  int status = 0;
  rusage usage{};
  ::wait4(pid, &status, 0, &usage);
  if (output.find("window shown") == std::string::npos || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    outcome.error = "the program did not show its window";
    return outcome;
  }
  outcome.ok = true;
  outcome.shownSeconds = std::chrono::duration<double>(shown - start).count();
  outcome.peakKiB = usage.ru_maxrss;  // kilobytes on Linux
  return outcome;
}

void BM_StartupToWindowShown(benchmark::State& state) {
  const std::filesystem::path program = ProgramPath();
  if (!std::filesystem::exists(program)) {
    state.SkipWithError(("klv-loader not found at " + program.string() + " (set KLV_LOADER)").c_str());
    return;
  }
  std::string pattern = (std::filesystem::temp_directory_path() / "klv-bench-startup-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  const std::filesystem::path folder = pattern;
  std::filesystem::create_directories(folder / "data");
  std::filesystem::create_directories(folder / "run");
  std::filesystem::permissions(folder / "run", std::filesystem::perms::owner_all);

  long peakKiB = 0;
  std::vector<double> times;
  for (auto _ : state) {
    const StartOutcome outcome = StartOnce(program, folder);
    if (!outcome.ok) {
      state.SkipWithError(outcome.error.c_str());
      break;
    }
    state.SetIterationTime(outcome.shownSeconds);
    times.push_back(outcome.shownSeconds);
    peakKiB = std::max(peakKiB, outcome.peakKiB);
  }
  std::error_code error;
  std::filesystem::remove_all(folder, error);
  if (times.empty()) return;
  std::sort(times.begin(), times.end());
  state.counters["median_ms_to_window"] = times[times.size() / 2] * 1000.0;
  state.counters["peak_rss_MiB"] = static_cast<double>(peakKiB) / 1024.0;
}

BENCHMARK(BM_StartupToWindowShown)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
