// Replies held until the line shows they were answers to their own requests:
// a stray frame voids the reply before it, which is asked once more.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/checked_sequence.h"
#include "serial/exchange_rig.h"

namespace klv {
namespace {

using testing::Bytes;
using testing::ReadReply;
using testing::ScriptedChunk;
using testing::WriteReply;
using namespace std::chrono_literals;

class CheckedSequenceTest : public testing::ExchangeRig {
 protected:
  // Reads the registers in a run, pausing 100 ms before each as a transfer
  // does; the values taken, in the order they were settled (missing: -1).
  std::vector<int> ReadAll(const std::vector<std::string>& registers) {
    std::vector<int> taken;
    connection_.StartLog();
    CheckedSequence run(connection_);
    for (const std::string& address : registers) {
      clock_.SleepFor(100ms);
      const auto read = [this, reg = *Register::FromText(address)] { return connection_.Read(reg); };
      run.Run(read, read, [this, &taken](const Reply& outcome) {
        taken.push_back(outcome.Ok() ? outcome.value : -1);
        faults_.push_back(outcome.fault);
      });
    }
    run.Finish();
    strays_ = run.StrayFrames();
    return taken;
  }

  // A reply followed by a copy of it `gap` later.
  static std::vector<ScriptedChunk> Doubled(const Bytes& reply, std::chrono::milliseconds gap) {
    return {ScriptedChunk{reply, 5ms}, ScriptedChunk{reply, 5ms + gap}};
  }

  int StrayLines() const {
    int lines = 0;
    for (std::size_t at = connection_.log.Text().find("---. KLV->PC: "); at != std::string_view::npos;
         at = connection_.log.Text().find("---. KLV->PC: ", at + 1)) {
      ++lines;
    }
    return lines;
  }

  int strays_ = 0;
  // The fault of each settled reply, in order.
  std::vector<ReplyFault> faults_;
};

TEST_F(CheckedSequenceTest, CleanRepliesAreTakenAsTheyCameAndTheLogKeepsItsLayout) {
  Open();
  Script({ReadReply("0011"), ReadReply("0022"), ReadReply("0033")});
  EXPECT_EQ(ReadAll({"012C", "012D", "012E"}), (std::vector<int>{0x11, 0x22, 0x33}));
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"012C", "012D", "012E"}));
  EXPECT_EQ(LogNumbers(), (std::vector<int>{1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(strays_, 0);
}

// The copy of 012C's reply comes after the next request went out and is
// taken as 012D's; 012D's own reply then waits on the line when 012E begins.
// 012D is asked again and its true value taken.
TEST_F(CheckedSequenceTest, ACopyTakenByTheNextRegisterIsFoundAndThatRegisterAskedAgain) {
  Open();
  device_.QueueReply(Doubled(ReadReply("002D"), 150ms));  // 012C = 45, again 150 ms later
  device_.QueueReply(ReadReply("0043"), 60ms);              // 012D = 67, behind the copy
  device_.QueueReply(ReadReply("0043"), 5ms);               // 012D asked again
  device_.QueueReply(ReadReply("0010"), 5ms);               // 012E
  EXPECT_EQ(ReadAll({"012C", "012D", "012E"}), (std::vector<int>{45, 67, 16}));
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"012C", "012D", "012D", "012E"}));
  EXPECT_EQ(strays_, 1);
  EXPECT_EQ(StrayLines(), 1);
  EXPECT_NE(connection_.log.Text().find("(STX)011R00,0043(ETX)"), std::string_view::npos);
  EXPECT_NE(connection_.log.Text().find(std::string(kStrayAskAgainNote)), std::string_view::npos);
}

// A register whose every reply comes twice: asked again once, then it has no
// valid reply, and the next register is still read right.
TEST_F(CheckedSequenceTest, ASecondStrayFrameLeavesTheRegisterWithoutAValidReply) {
  Open();
  device_.QueueReply(Doubled(ReadReply("002D"), 50ms));
  device_.QueueReply(Doubled(ReadReply("002D"), 50ms));
  device_.QueueReply(ReadReply("0043"), 5ms);
  EXPECT_EQ(ReadAll({"012C", "012D"}), (std::vector<int>{-1, 67}));
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"012C", "012C", "012D"}));
  EXPECT_EQ(strays_, 2);
  // The register without a valid reply says why: not silence, a stray frame.
  EXPECT_EQ(faults_, (std::vector<ReplyFault>{ReplyFault::Stray, ReplyFault::None}));
  EXPECT_NE(connection_.log.Text().find(std::string(kStrayGiveUpNote)), std::string_view::npos);
}

// After silence the late reply is waited for before anything else is sent,
// so it cannot pass for the next register's; the last register of a run is
// looked after too.
TEST_F(CheckedSequenceTest, ALateReplyAfterSilenceAndAStrayAfterTheLastReplyAreCaught) {
  Open();
  device_.QueueReply(ReadReply("002D"), 150ms);  // 012C: after the 100 ms time-out
  device_.QueueReply(ReadReply("002D"), 5ms);    // 012C asked again
  device_.QueueReply(Doubled(ReadReply("0043"), 60ms));  // 012D, doubled
  device_.QueueReply(ReadReply("0043"), 5ms);            // 012D asked again
  EXPECT_EQ(ReadAll({"012C", "012D"}), (std::vector<int>{45, 67}));
  EXPECT_EQ(AskedRegisters(), (std::vector<std::string>{"012C", "012C", "012D", "012D"}));
  EXPECT_EQ(strays_, 2);
}

// A write's reply that may have been a stray frame is checked by reading the
// register back: the value written counts, another does not.
TEST_F(CheckedSequenceTest, AWriteAfterAStrayIsCheckedByReadingItBack) {
  struct Case {
    const char* name;
    Bytes readBack;
    ExchangeResult result;
  };
  const Case cases[] = {{"holds the value", ReadReply("0043"), ExchangeResult::Ok},
                        {"holds another", ReadReply("0016"), ExchangeResult::Error}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Open();
    // The write's reply and a copy of it, which waits on the line.
    device_.QueueReply(Doubled(WriteReply(), 50ms));
    device_.QueueReply(c.readBack, 5ms);
    ExchangeResult taken = ExchangeResult::NoResponse;
    connection_.StartLog();
    CheckedSequence run(connection_);
    run.Run([this] { return connection_.Write(Register{0x012D}, 67); },
            [this] { return ReadBackCheck(connection_, Register{0x012D}, 67); },
            [&taken](const Reply& outcome) { taken = outcome.result; });
    clock_.SleepFor(100ms);
    run.Finish();
    EXPECT_EQ(taken, c.result);
    EXPECT_EQ(device_.Writes().back()[4], 'R');
    connection_.Close();
  }
}

}  // namespace
}  // namespace klv
