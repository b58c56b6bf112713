#pragma once
// The operator's side of a transfer on a terminal: the status line and the
// bar redrawn in place on standard error, and the worker's messages printed
// there. A terminal needs no acknowledgement, so a message returns as soon as
// it is printed; a script reads it from standard error afterwards.
#include <cstdio>
#include <string>
#include <string_view>

#include "transfer/progress_sink.h"

namespace klv::cli {

// Called from the worker thread only while the transfer runs; Finish and
// Print from the main thread after it has ended.
class TerminalReporter final : public ProgressSink, public MessageSink {
 public:
  // drawProgress: the bar is drawn only on a terminal; elsewhere the
  // progress is quiet and only the messages are written.
  TerminalReporter(std::FILE* out, bool drawProgress) : out_(out), drawProgress_(drawProgress) {}

  void SetStatusText(std::string_view text) override;
  void SetBarPosition(int position) override;
  void ShowMessage(std::string_view text) override;

  // Ends the bar's line, if one is drawn.
  void Finish();

 private:
  void Draw();

  std::FILE* out_;
  bool drawProgress_;
  bool lineOpen_ = false;
  std::string status_;
  int position_ = 0;
};

}  // namespace klv::cli
