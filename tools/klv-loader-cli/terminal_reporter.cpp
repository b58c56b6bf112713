#include "terminal_reporter.h"

#include "environment.h"

namespace klv::cli {
namespace {

constexpr int kBarWidth = 30;

}  // namespace

void TerminalReporter::SetStatusText(std::string_view text) {
  status_ = std::string(text);
  Draw();
}

void TerminalReporter::SetBarPosition(int position) {
  position_ = ClampProgress(position);
  Draw();
}

void TerminalReporter::ShowMessage(std::string_view text) {
  Finish();
  std::fputs(ToolMessage(text).c_str(), out_);
  std::fflush(out_);
}

void TerminalReporter::Finish() {
  if (!lineOpen_) return;
  std::fputc('\n', out_);
  std::fflush(out_);
  lineOpen_ = false;
}

void TerminalReporter::Draw() {
  if (!drawProgress_) return;
  std::string bar(kBarWidth, '.');
  const int filled = position_ * kBarWidth / kProgressMaximum;
  bar.replace(0, static_cast<std::size_t>(filled), static_cast<std::size_t>(filled), '#');
  // Back to the line's start, draw, and clear what a longer line left behind.
  std::fprintf(out_, "\r[%s] %3d%%  %s\x1b[K", bar.c_str(), position_, status_.c_str());
  std::fflush(out_);
  lineOpen_ = true;
}

}  // namespace klv::cli
