#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "environment.h"
#include "platform/data_folder.h"
#include "system_services.h"

namespace klv::cli {
namespace {

// Set by the handler on whichever thread takes the signal and read by every
// thread of a command (a scan has one per port): a lock-free atomic is both
// safe in a signal handler and free of data races between threads.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestStop(int) { stopRequested.store(true); }

// Lock-free atomics: the only shared state a signal handler may touch.
std::atomic<bool> transferCancelled{false};
std::atomic<int> cancelSignal{0};
static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<int>::is_always_lock_free);

extern "C" void RequestCancel(int signal) {
  int none = 0;
  if (cancelSignal.compare_exchange_strong(none, signal)) {
    transferCancelled.store(true, std::memory_order_release);
    return;
  }
  // Asked twice: the operator wants out now.
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

}  // namespace

void PrepareConsole() {}

std::vector<std::string> CommandArguments(int argc, char** argv) {
  return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc);
}

std::filesystem::path DataFolderPlace() { return DataFolderLocation(std::getenv("XDG_DATA_HOME"), std::getenv("HOME")); }

bool IsTerminal(std::FILE* stream) { return ::isatty(::fileno(stream)) == 1; }

// Without SA_RESTART, so a signal cuts a wait short.
void CatchStopRequests() {
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

bool StopRequested() { return stopRequested.load(); }

const std::atomic<bool>& CatchTransferCancel() {
  struct sigaction action {};
  action.sa_handler = RequestCancel;
  sigemptyset(&action.sa_mask);
  // SA_RESTART: the exchange in flight goes on to its end.
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  return transferCancelled;
}

int CancelExitStatus() { return 128 + cancelSignal.load(); }

Language LocaleLanguage() {
  // The POSIX order: LC_ALL overrides LC_MESSAGES, which overrides LANG.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return ChooseLanguage(value);
  }
  return Language::English;
}

}  // namespace klv::cli
