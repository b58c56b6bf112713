#pragma once
// What a transfer body works on: the connection, the program's parameter set
// and current model, the clock for its pauses, the language of its status
// line and the progress it shows. A body shows no message: what it came to
// is its TransferResult, for the caller to show. Everything is owned by the
// caller; while the body runs on the worker, nothing else touches any of it.
#include <atomic>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "transfer/progress_sink.h"
#include "transfer/transfer_tally.h"

namespace klv {

struct TransferContext {
  Connection& connection;   // the line, its settings and the log of the frames
  ParameterSet& parameters;  // a read fills it, a write sends it
  ModelKind& currentModel;   // currentModel: a read sets it, a write compares with it
  Clock& clock;              // the pauses between rows
  Language language;         // of the status line
  ProgressSink& progress;
  TransferTally& tally;      // filled by the body: what went through and what did not
  // Turned true (by a signal handler or a Cancel button) to stop the body
  // before its next exchange; the exchange in flight ends first. May be null.
  const std::atomic<bool>* cancel;

  // True once a stop was asked for; the tally then says so.
  bool StopRequested() const {
    if (cancel == nullptr || !cancel->load(std::memory_order_acquire)) return false;
    tally.cancelled = true;
    return true;
  }
};

// The fixed message of a body that finds the port closed (not a numbered
// text: the same in both languages).
inline constexpr std::string_view kPortYetToOpen = "Port yet to open";

// Catalogue rows per bar: a step of 4 for the 27 KLV40 rows, 8 for the 13 or
// 15 rows of the one-series models, so the bar is full (clamped) at the end.
constexpr int ProgressStep(ModelKind model) { return model == ModelKind::Klv40 ? 4 : 8; }

// progressPosition: the bodies add a step per catalogue row and the bar shows
// the sum, clamped (a KLV40 read reaches 108 and is full from the 25th row on).
class ProgressPosition {
 public:
  ProgressPosition(ProgressSink& sink, int step) : sink_(sink), step_(step) {}

  // One row done: the step is added and the bar moved.
  void Advance() {
    position_ += step_;
    sink_.SetBarPosition(ClampProgress(position_));
  }
  // The walk is over: back to 0 without moving the bar.
  void Reset() { position_ = 0; }
  int Value() const { return position_; }

 private:
  ProgressSink& sink_;
  int step_;
  int position_ = 0;
};

// The status line once the model is known: "KLV40 Reading parameter…".
inline std::string ModelStatusText(ModelKind model, std::string_view text) {
  std::string status(ModelName(model));
  status += ' ';
  status += text;
  return status;
}

}  // namespace klv
