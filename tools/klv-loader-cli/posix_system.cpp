#include <signal.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>

#include "environment.h"
#include "system_services.h"

namespace klv::cli {
namespace {

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void RequestStop(int) { stopRequested = 1; }

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

bool StopRequested() { return stopRequested != 0; }

Language LocaleLanguage() {
  // The POSIX order: LC_ALL overrides LC_MESSAGES, which overrides LANG.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && value[0] != '\0') return ChooseLanguage(value);
  }
  return Language::English;
}

}  // namespace klv::cli
