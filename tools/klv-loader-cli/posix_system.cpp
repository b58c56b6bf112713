#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstdlib>

#include "environment.h"
#include "system_services.h"

namespace klv::cli {
namespace {

// Set by the handler on whichever thread takes the signal and read by every
// thread of a command (a scan has one per port): a lock-free atomic is both
// safe in a signal handler and free of data races between threads.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

extern "C" void RequestStop(int) { stopRequested.store(true); }

}  // namespace

void PrepareConsole() {}

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

Language LocaleLanguage() {
  // The POSIX order: LC_ALL overrides LC_MESSAGES, which overrides LANG.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return ChooseLanguage(value);
  }
  return Language::English;
}

}  // namespace klv::cli
