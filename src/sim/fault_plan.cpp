#include "sim/fault_plan.h"

#include <algorithm>

namespace klv::sim {

void FaultSet::Add(const Fault& fault) {
  switch (fault.kind) {
    case FaultKind::Silent:
      silent = true;
      break;
    case FaultKind::Error:
      error = true;
      break;
    case FaultKind::Late:
      late = std::max(late, fault.time);
      break;
    case FaultKind::Split:
      split = std::max(split.value_or(std::chrono::milliseconds{0}), fault.time);
      break;
    case FaultKind::Noise:
      noise = true;
      break;
    case FaultKind::HangUp:
      hangUpInstead = true;
      break;
    case FaultKind::Under:
      under = true;
      break;
    case FaultKind::Over:
      over = true;
      break;
    case FaultKind::BadCheck:
      badCheck = true;
      break;
    case FaultKind::OtherAddress:
      otherAddress = true;
      break;
    case FaultKind::Junk:
      junk = true;
      break;
    case FaultKind::Short:
      shortValue = true;
      break;
    case FaultKind::Stuck:
      stuck = true;
      break;
    case FaultKind::Twice:
      twice = std::max(twice.value_or(std::chrono::milliseconds{0}), fault.time);
      break;
  }
}

void FaultSet::Merge(const FaultSet& other) {
  silent = silent || other.silent;
  error = error || other.error;
  noise = noise || other.noise;
  under = under || other.under;
  over = over || other.over;
  badCheck = badCheck || other.badCheck;
  otherAddress = otherAddress || other.otherAddress;
  junk = junk || other.junk;
  shortValue = shortValue || other.shortValue;
  stuck = stuck || other.stuck;
  hangUpInstead = hangUpInstead || other.hangUpInstead;
  hangUpAfterReply = hangUpAfterReply || other.hangUpAfterReply;
  late = std::max(late, other.late);
  if (other.split) split = std::max(split.value_or(std::chrono::milliseconds{0}), *other.split);
  if (other.twice) twice = std::max(twice.value_or(std::chrono::milliseconds{0}), *other.twice);
}

bool FaultSet::Any() const {
  return silent || error || noise || under || over || badCheck || otherAddress || junk || shortValue || stuck ||
         hangUpInstead || hangUpAfterReply ||
         late.count() > 0 || split.has_value() || twice.has_value();
}

void FaultPlan::AddRegisterFault(std::optional<Register> reg, Fault fault) {
  registerRules_.push_back({reg, fault});
}

void FaultPlan::SetHangUpAfter(uint64_t n) { hangUpAfter_ = n; }

void FaultPlan::AddFailAfter(uint64_t n, Fault fault) { countRules_.push_back({n, fault}); }

FaultSet FaultPlan::ForExchange(uint64_t exchange) const {
  FaultSet set;
  for (const auto& rule : countRules_) {
    if (exchange > rule.after) set.Add(rule.fault);
  }
  if (hangUpAfter_) {
    if (exchange == *hangUpAfter_) set.hangUpAfterReply = true;
    // Only reachable with 0: a line closed after exchange n sees no n + 1.
    if (exchange > *hangUpAfter_) set.hangUpInstead = true;
  }
  return set;
}

FaultSet FaultPlan::ForRegister(Register reg, uint64_t exchange) const {
  FaultSet set = ForExchange(exchange);
  for (const auto& rule : registerRules_) {
    if (!rule.reg || *rule.reg == reg) set.Add(rule.fault);
  }
  return set;
}

bool FaultPlan::Empty() const {
  return registerRules_.empty() && countRules_.empty() && !hangUpAfter_;
}

std::optional<Register> ParseRegister(std::string_view text) {
  if (text.empty() || text.size() > 4) return std::nullopt;
  uint16_t value = 0;
  for (const char c : text) {
    int digit = -1;
    if (c >= '0' && c <= '9') digit = c - '0';
    if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    if (digit < 0) return std::nullopt;
    value = static_cast<uint16_t>((value << 4) | digit);
  }
  return Register(value);
}

std::optional<FaultKind> ParseFaultKind(std::string_view name) {
  static constexpr struct {
    std::string_view name;
    FaultKind kind;
  } kKinds[] = {{"silent", FaultKind::Silent}, {"error", FaultKind::Error},
                {"late", FaultKind::Late},     {"split", FaultKind::Split},
                {"noise", FaultKind::Noise},   {"hangup", FaultKind::HangUp},
                {"under", FaultKind::Under},   {"over", FaultKind::Over},
                {"bad-check", FaultKind::BadCheck}, {"other-address", FaultKind::OtherAddress},
                {"junk", FaultKind::Junk},     {"short", FaultKind::Short},
                {"stuck", FaultKind::Stuck},   {"twice", FaultKind::Twice}};
  for (const auto& entry : kKinds) {
    if (entry.name == name) return entry.kind;
  }
  return std::nullopt;
}

bool FaultTakesTime(FaultKind kind) {
  return kind == FaultKind::Late || kind == FaultKind::Split || kind == FaultKind::Twice;
}

}  // namespace klv::sim
