#include "serial/checked_sequence.h"

#include <string>
#include <utility>
#include <vector>

namespace klv {

CheckedSequence::CheckedSequence(Connection& connection) : connection_(connection) {}

void CheckedSequence::Run(Ask ask, Ask askAgain, Take take) {
  Settle(false);
  Pending pending{std::move(askAgain), std::move(take), ask(), false};
  // Whatever the exchange found waiting was seen above; only a frame that slipped
  // in between counts here, and then nothing was pending to void.
  if (pending.outcome.strayBefore) ++strays_;
  pending_ = std::move(pending);
}

void CheckedSequence::Finish() { Settle(true); }

void CheckedSequence::Settle(bool waitAfterReply) {
  while (pending_) {
    // After silence a late reply may still come, and after an asking again
    // the reply is looked at before anything else is sent.
    const bool wait = waitAfterReply || pending_->askedAgain || pending_->outcome.result == ExchangeResult::NoResponse;
    std::vector<uint8_t> stray = wait ? connection_.AwaitStrayInput() : connection_.TakeStrayInput();
    // Two frames in one receive: the log's reply line shows them both.
    const bool within = pending_->outcome.strayWithin;
    pending_->outcome.strayWithin = false;
    if (stray.empty() && !within) {
      Pending settled = std::move(*pending_);
      pending_.reset();
      settled.take(settled.outcome);
      return;
    }
    ++strays_;
    if (pending_->askedAgain) {
      connection_.LogStray(stray, within ? kStrayWithinGiveUpNote : kStrayGiveUpNote);
      Pending settled = std::move(*pending_);
      pending_.reset();
      Reply voided;
      voided.fault = ReplyFault::Stray;
      settled.take(voided);
      return;
    }
    connection_.LogStray(stray, within ? kStrayWithinAskAgainNote : kStrayAskAgainNote);
    pending_->outcome = pending_->askAgain();
    pending_->askedAgain = true;
  }
}

Reply ReadBackCheck(Connection& connection, Register reg, int16_t written) {
  Reply outcome = connection.Read(reg);
  if (outcome.result != ExchangeResult::NoResponse && (!outcome.Ok() || outcome.value != written)) {
    outcome.result = ExchangeResult::Error;
  }
  return outcome;
}

}  // namespace klv
