#pragma once
// The procedures that ask a regulator who it is and what it carries: the
// identification registers, a KLV40's option registers and the probe of a
// one-series device, each a checked exchange over the caller's line.
#include <cstdint>
#include <functional>
#include <optional>

#include "model/device_identity.h"
#include "model/model_kind.h"
#include "serial/connection.h"

namespace klv {

// The option word (OptionFlags bits) of a KLV40 read from the four registers
// of kOptionRegisters, logged as entries 1 to 8 whatever the connection's
// numbering (which goes on afterwards as before). Reading stops at the first
// register without a good reply; the word is then 0 and `unanswered` names
// that register, so that a caller can tell a device without options from one
// that did not say.
struct OptionReading {
  uint16_t word = 0;
  std::optional<Register> unanswered;  // none when all four answered
  // A one-series device whose 0102 gave no reply to any of the probe's
  // attempts: taken as without output current detection.
  bool probeSilent = false;

  bool Complete() const { return !unanswered.has_value(); }
};

// Whether a reply is taken only once the line has shown it was its own
// request's (a frame arriving after it, a late or doubled reply, makes the
// register asked again; this waits one read time-out after the reply), or as
// it came, for a caller that watches the line itself between its requests
// (the monitor, whose ticks must stay short).
enum class StrayCheck { AfterReply, ByCaller };

// One register read, logged as the connection logs. With AfterReply the
// reply is taken only once the line has shown it was this request's own: a
// frame after it makes the register asked once more, a second one leaves it
// without a valid reply.
Reply SettledRead(Connection& connection, Register address, StrayCheck check = StrayCheck::AfterReply);

// One read of an identification register by the caller's means; nothing
// when the caller stops before it.
using IdentificationRead = std::function<std::optional<Reply>(Register address)>;

// What the identification's order of reads gave.
struct IdentificationSteps {
  DeviceIdentification identification;
  std::optional<Register> answeredRegister;  // the register that answered normally last
  bool refused = false;                      // a register answered with an error reply: a device is there
  bool stopped = false;                      // the reader stopped before the order was done
};

// The order in which a device is asked who it is: 0110, and only when it
// gives no good reply, 0119. Every identification follows it, the scan's
// included, each with its own way of reading.
IdentificationSteps IdentifyInOrder(const IdentificationRead& read);

// Reads 0110 and, only when it gives no good reply, 0119, logged as the
// connection logs.
DeviceIdentification IdentifyDevice(Connection& connection, StrayCheck check = StrayCheck::AfterReply);

// The option word of the connected device for its model family: ReadOptionInfo
// (OptionFlags bits) for a KLV40, kOptionCurrentDetection when ProbeDevice
// answers for a KLV30 or KLV30E. 0 without any exchange for a value that is
// none of the three models. Incomplete only when a KLV40's option registers
// did not all answer.
OptionReading DeviceOptionWord(Connection& connection, ModelKind model);

OptionReading ReadOptionInfo(Connection& connection, StrayCheck check = StrayCheck::AfterReply);

// How many times ProbeDevice asks a device that does not answer: one lost
// reply must not pass for a device without the function.
inline constexpr int kProbeAttempts = 3;

struct ProbeResult {
  bool answered = false;  // a normal reply, whatever the value
  bool silent = false;    // no reply of any kind to any attempt
};

// Reads kProbeRegister, asking again (up to kProbeAttempts in all) while it
// gets no reply; a reply is taken only when no stray frame follows it
// (serial/checked_sequence.h). Logged as entries 1 onwards, whatever the
// connection's numbering (which goes on afterwards as before).
ProbeResult ProbeDevice(Connection& connection);

}  // namespace klv
