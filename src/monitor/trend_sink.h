#pragma once
// Where the monitor hands its control input and output for the trend graph.
// The graph's history takes them directly when both run on one thread; a
// monitor on a line thread of its own hands them over through a sink that
// queues each call to the window thread.
#include <cstdint>

namespace klv {

class TrendSink {
 public:
  virtual ~TrendSink() = default;
  virtual void PostSample(int32_t input, int32_t output) = 0;
  virtual void SetOutputScale(int32_t controlMode, int32_t ratedVoltage, int32_t ratedCurrent) = 0;
  virtual void ClearHistory() = 0;
  virtual void ClearNewSample() = 0;
};

}  // namespace klv
