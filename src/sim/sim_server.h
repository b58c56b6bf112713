#pragma once
// Serves one SimulatedRegulator, or several at their own addresses as on an
// RS-485 bus, on a serial line: a pseudo-terminal it creates (the program
// opens the far end, Path()) or a given serial device. Every regulator sees
// every frame and answers only those for its own address (writes to address
// 0 are carried out by all, answered by none).
// Runs on the calling thread (Serve) or on its own (Start/Stop). The
// simulation keeps the regulator's clock; the serving loop waits in real
// time with poll.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "sim/simulated_regulator.h"
#include "serial/line_settings.h"

namespace klv::sim {

enum class ServeEnd {
  Stopped,      // RequestStop or Stop
  InputClosed,  // the watched descriptor (standard input) reached its end
  HungUp,       // a hang-up fault closed the line
  LineLost,     // the device went away or the line could not be read
};

class SimServer {
 public:
  // Quiet time after which a partial frame is given up (and an RTU frame of
  // another length than 8 bytes is taken as complete).
  static constexpr std::chrono::milliseconds kFrameGap{50};

  explicit SimServer(SimulatedRegulator& regulator);
  // One more regulator on the same line, before serving starts. False (and
  // not added) when it speaks another protocol or its address is taken.
  bool AddRegulator(SimulatedRegulator& regulator);
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;
  ~SimServer();

  // Creates a pseudo-terminal. Its far end is kept open here too, in raw mode,
  // so that the line neither echoes nor reports a hang-up while no program has
  // it open; the program sets its own line settings when it opens it.
  bool OpenPseudoTerminal(std::string& error);
  // Opens a serial device, exclusively, raw with the given line settings.
  bool OpenDevice(const std::filesystem::path& device, const LineSettings& settings, std::string& error);
  // The far end of the pseudo-terminal, or the device.
  const std::string& Path() const { return path_; }

  // Serves until RequestStop, a hang-up fault, the loss of the line, or (when
  // watchFd >= 0) the end of watchFd. Data read from watchFd is discarded.
  ServeEnd Serve(int watchFd = -1);
  // Serve on a thread of its own; false when already started or no line is open.
  bool Start();
  // Ends the thread (if any) and waits for it.
  void Stop();
  // Asks Serve to end soon. Async-signal-safe.
  void RequestStop();
  // How the thread's Serve ended; empty while it runs or before Start.
  std::optional<ServeEnd> Ended() const;

  // Plays an adapter that echoes: every byte received is sent straight back
  // before any answer, as two-wire RS-485 adapters do.
  void SetLocalEcho(bool on) { localEcho_.store(on); }

  // The first regulator, under the lock the serving loop takes for each exchange.
  template <class F>
  decltype(auto) WithRegulator(F&& f) {
    std::lock_guard lock(mutex_);
    return f(*regulators_.front());
  }
  // The lock the serving loop takes for each exchange: while it is held, the
  // regulators may be looked at and changed from another thread.
  std::unique_lock<std::mutex> LockRegulators() { return std::unique_lock(mutex_); }

 private:
  void CloseLine();
  // Waits for the time in real time; false when a stop request came first.
  bool Wait(std::chrono::milliseconds time);
  bool WriteAll(std::span<const uint8_t> bytes);
  // Sends the reply to one frame; false when the line was hung up.
  bool Reply(const ReplyPlan& plan, bool& stopped);
  // The reply of the regulator the frame is addressed to; silence when none is.
  ReplyPlan Answer(std::span<const uint8_t> frame);

  std::vector<SimulatedRegulator*> regulators_;
  std::mutex mutex_;
  int lineFd_ = -1;
  int slaveFd_ = -1;  // our own hold on the pseudo-terminal's far end
  int stopPipe_[2] = {-1, -1};
  std::string path_;
  std::thread thread_;
  std::atomic<int> ended_{-1};
  std::atomic<bool> localEcho_{false};
};

}  // namespace klv::sim
