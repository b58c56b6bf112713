#pragma once
// How a transfer body reaches the operator: a status line with a bar, and
// messages that hold the transfer until they have been seen. The progress
// window implements both for the windows, the command-line tool for a
// terminal, the tests with recorders.
//
// Thread-safety: the body calls both from the worker thread. An
// implementation that draws on another thread hands the call over to it;
// ShowMessage must not return before the operator has seen the message (the
// window blocks the worker on a queued call), so the worker never runs ahead
// of a message it has shown.
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
