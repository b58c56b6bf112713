#pragma once
// How a transfer reaches the operator: a status line with a bar while the
// body runs (the progress window for the windows, the command-line tool for
// a terminal, the tests with recorders), and messages that a windowless
// command shows once the body has ended (a refusal).
//
// Thread-safety: the body calls the ProgressSink from the worker thread; an
// implementation that draws on another thread hands the call over to it.
// ShowMessage is called on the thread that runs the command.
#include <algorithm>
#include <string_view>

namespace klv {

// The bar's range is 0..kProgressMaximum.
inline constexpr int kProgressMaximum = 100;

// A bar position as the progress control shows it: within 0..100.
constexpr int ClampProgress(int position) { return std::clamp(position, 0, kProgressMaximum); }

class ProgressSink {
 public:
  virtual ~ProgressSink() = default;
  // The status line above the bar.
  virtual void SetStatusText(std::string_view text) = 0;
  // The bar position, always within 0..kProgressMaximum.
  virtual void SetBarPosition(int position) = 0;
};

class MessageSink {
 public:
  virtual ~MessageSink() = default;
  // Shows the message and returns once the operator has seen it.
  virtual void ShowMessage(std::string_view text) = 0;
};

}  // namespace klv
