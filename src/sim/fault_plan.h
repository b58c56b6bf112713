#pragma once
// Faults the simulated regulator injects on request: per register (every
// exchange that touches it) or by exchange count. A plan is plain data that
// the regulator consults once per exchange; the server carries out the
// timing parts (late and split replies, hang-up).
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/register.h"

namespace klv::sim {

enum class FaultKind {
  Silent,  // no reply at all; a write is not carried out
  Error,   // an error reply; a write is not carried out
  Late,    // the normal reply, after a delay
  Split,   // the normal reply in two pieces with a pause between them
  Noise,   // a few stray bytes before the normal reply
  HangUp,  // no reply; the line is closed
  Under,   // a read answers the under-range mark 8000
  Over,    // a read answers the over-range mark 7FFF
  // Damaged replies, for testing how the program checks what it receives:
  BadCheck,      // the reply's check code (BCC, CRC, LRC) is wrong
  OtherAddress,  // the reply names another device address
  Junk,          // a read's value digits hold a non-hex character
  Short,         // a read's value is one byte (two digits) short
  // A register that keeps its old value: a write is answered as taken but
  // not carried out, as by a device whose memory cell no longer changes.
  Stuck,
  // The reply, then the same reply again after a delay: a second device at
  // the address, a repeater that doubles frames, a device that answers twice.
  Twice,
};

struct Fault {
  FaultKind kind = FaultKind::Silent;
  std::chrono::milliseconds time{0};  // delay of Late, pause of Split, gap of Twice
};

// What one exchange gets: the merge of every rule that applies to it.
struct FaultSet {
  bool silent = false;
  bool error = false;
  bool noise = false;
  bool under = false;
  bool over = false;
  bool badCheck = false;
  bool otherAddress = false;
  bool junk = false;
  bool shortValue = false;
  bool stuck = false;
  bool hangUpInstead = false;     // close the line without replying
  bool hangUpAfterReply = false;  // reply, then close the line
  std::chrono::milliseconds late{0};
  std::optional<std::chrono::milliseconds> split;
  std::optional<std::chrono::milliseconds> twice;

  void Add(const Fault& fault);
  void Merge(const FaultSet& other);
  bool Any() const;
};

class FaultPlan {
 public:
  // A fault on every exchange that touches reg; no register: every exchange.
  void AddRegisterFault(std::optional<Register> reg, Fault fault);
  // The reply to exchange n is sent, then the line is closed (n = 0: the
  // first exchange gets no reply and closes the line).
  void SetHangUpAfter(uint64_t n);
  // Every exchange after the first n gets the fault.
  void AddFailAfter(uint64_t n, Fault fault);

  // Faults of exchange number `exchange` (counted from 1) touching reg.
  FaultSet ForRegister(Register reg, uint64_t exchange) const;
  // Faults of an exchange whose register is not known (a refused request).
  FaultSet ForExchange(uint64_t exchange) const;

  bool Empty() const;

 private:
  struct RegisterRule {
    std::optional<Register> reg;
    Fault fault;
  };
  struct CountRule {
    uint64_t after = 0;
    Fault fault;
  };
  std::vector<RegisterRule> registerRules_;
  std::vector<CountRule> countRules_;
  std::optional<uint64_t> hangUpAfter_;
};

// A register as the command line names it: 1 to 4 hex digits, either case.
std::optional<Register> ParseRegister(std::string_view text);
// A fault name of the command line: "silent", "error", "late", "split",
// "noise", "hangup", "under", "over", "bad-check", "other-address", "junk",
// "short", "stuck", "twice".
std::optional<FaultKind> ParseFaultKind(std::string_view name);
// Whether the kind takes a time in milliseconds (late, split, twice).
bool FaultTakesTime(FaultKind kind);

}  // namespace klv::sim
