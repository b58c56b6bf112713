#pragma once
// A run of one-register exchanges whose replies are taken only once the line
// has shown that they were answers to their own requests. TORVALEK and
// Modbus replies do not name their register, so a reply that comes late or
// twice (a second device at the address, a repeater that doubles frames)
// would pass for the answer to the next request. Each reply is therefore
// held until the line is looked at again: bytes waiting when the next
// exchange begins, or arriving within a read time-out after the run's last
// reply or after a request that got no reply, and a second frame in one
// receive, are a frame nobody asked for.
// The held reply is then not trusted and its register is asked again, once;
// a second stray frame leaves the register without a valid reply. Stray
// bytes are logged on a line of their own with a note.
//
// A clean run costs one look at the input per exchange (nothing waits) and
// one read time-out at its end.
#include <functional>
#include <optional>

#include "model/register.h"
#include "serial/connection.h"

namespace klv {

class CheckedSequence {
 public:
  // One exchange over the connection (which numbers its log entries).
  using Ask = std::function<Reply()>;
  // Receives the exchange's outcome once it is settled: as it came, as the
  // asking again gave it, or NoResponse (fault Stray) after a second stray
  // frame.
  using Take = std::function<void(const Reply&)>;

  explicit CheckedSequence(Connection& connection);
  CheckedSequence(const CheckedSequence&) = delete;
  CheckedSequence& operator=(const CheckedSequence&) = delete;

  // Settles the exchange before, then asks. askAgain is what asks once more
  // when the reply may have been a stray frame: the same read for a read, a
  // read-back for a write (ReadBackCheck).
  void Run(Ask ask, Ask askAgain, Take take);
  // Settles the last exchange, waiting up to a read time-out for a stray
  // frame after it. Call before using what the run's Take calls received.
  void Finish();

  // Stray frames seen so far.
  int StrayFrames() const { return strays_; }

 private:
  struct Pending {
    Ask askAgain;
    Take take;
    Reply outcome;
    bool askedAgain = false;
  };
  void Settle(bool waitAfterReply);

  Connection& connection_;
  int strays_ = 0;
  std::optional<Pending> pending_;
};

// The log's notes on stray frames.
inline constexpr std::string_view kStrayAskAgainNote =
    "stray frame: no request was waiting for it; the reply before it is not trusted, its register is asked again";
inline constexpr std::string_view kStrayGiveUpNote =
    "stray frame again: the register asked again has no valid reply";

inline constexpr std::string_view kStrayWithinAskAgainNote =
    "two frames in one reply: one was not asked for; its register is asked again";
inline constexpr std::string_view kStrayWithinGiveUpNote =
    "two frames in one reply again: the register asked again has no valid reply";

// The asking again of a write: reads the register back; Ok only when it
// holds the value written (a refused or differing read-back is Error).
Reply ReadBackCheck(Connection& connection, Register reg, int16_t written);

}  // namespace klv
