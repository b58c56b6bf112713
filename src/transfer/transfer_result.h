#pragma once
// What one read or write came to, as data: how it ended, what went through
// and what did not, why it was refused, what the read-back found, and the
// line it was tried on. The bodies fill it without showing anything; the
// caller (progress window, command-line tool, a batch over many units)
// decides what to show and where.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/model_kind.h"
#include "model/register.h"
#include "platform/clock.h"
#include "serial/comm_settings.h"
#include "serial/response.h"
#include "transfer/transfer_tally.h"
#include "transfer/write_verification.h"

namespace klv {

// Which body the worker runs.
enum class TransferMode : uint16_t {
  Read = 0,
  Write = 1,
};

enum class TransferStatus : uint8_t {
  Complete,    // every register asked for went through
  Incomplete,  // the walk began (or a read's options were asked) and something did not go through
  Refused,     // a check stopped it before anything was written or read into the set
  Cancelled,   // the operator stopped it before its next exchange
  Failed,      // no regulator of a known model was found: nothing answered, or an unknown code
};

// Why a transfer was refused before its walk; the caller shows the message.
struct TransferRefusal {
  enum class Reason : uint8_t {
    PortNotOpen,          // "Port yet to open"
    ModelDiffers,         // the device is another model, or answered with no model's code
    OptionsDiffer,        // the device's option word is not the set's
    ControlInputDiffers,  // a KLV40 whose control input does not fit the chosen range
    ValuesOutOfRange,     // values of the set outside their limits (named in the tally)
  };
  Reason reason = Reason::PortNotOpen;
  ModelKind deviceModel = ModelKind::Klv40;  // OptionsDiffer: whose option word
  uint16_t deviceOptions = 0;                // OptionsDiffer: the device's word
  int16_t controlInputType = 0;              // ControlInputDiffers: the device's 0113

  static TransferRefusal Because(Reason why) {
    TransferRefusal refusal;
    refusal.reason = why;
    return refusal;
  }
};

// The line the transfer was tried on, for the failure message and the report.
struct TransferLine {
  CommSettings settings;  // port number, line, time-out, address, protocol
  std::string portLabel;  // the device path when the command line named one; else empty
  std::string device;     // the device COM<n> reached (empty when not known)
  LocalTime finished;     // when the transfer ended, local time
  EchoFinding echo = EchoFinding::None;  // what the line's echo of the requests showed
};

// A write of the changed values only: what its read of the regulator came
// to and what it then sent.
struct ChangedOnlyWrite {
  bool ran = false;
  // The read before it did not get every register: nothing was written, and
  // the report is the read's (readCount registers read, the tally the read's).
  bool readFailed = false;
  int16_t readCount = 0;
  // The regulator already held every value: nothing was sent.
  bool nothingToWrite = false;
  std::vector<Register> preWritten;  // in the order sent
  std::vector<Register> rows;        // catalogue rows sent, in the catalogue's order
};

struct TransferResult {
  TransferMode mode = TransferMode::Read;
  TransferStatus status = TransferStatus::Failed;
  // Catalogue registers with a good reply; -1 when the port was not open.
  int16_t count = 0;
  // The model after the transfer: the identified one, or the one selected
  // (expected) when none was identified.
  ModelKind model = ModelKind::Klv40;
  // The identification was asked (the port was open), and the device gave
  // some normal reply to it.
  bool identificationAsked = false;
  bool deviceAnswered = false;
  TransferTally tally;
  std::optional<TransferRefusal> refusal;
  WriteVerification verification;  // ran only after a complete write with verify
  ChangedOnlyWrite changedOnly;     // ran only for a write of the changed values only
  TransferLine line;

  // Complete and, when the registers were read back, all of them equal.
  bool Succeeded() const {
    if (changedOnly.nothingToWrite) return status == TransferStatus::Complete;
    return status == TransferStatus::Complete && (!verification.ran || verification.AllEqual());
  }
  // The identification was asked and nothing at all answered it.
  bool NoReply() const { return status == TransferStatus::Failed && identificationAsked && !deviceAnswered; }
};

// The status a body's count, refusal and tally come to.
inline TransferStatus ClassifyTransfer(int16_t count, const std::optional<TransferRefusal>& refusal,
                                       const TransferTally& tally) {
  if (tally.cancelled) return TransferStatus::Cancelled;
  if (refusal) return TransferStatus::Refused;
  if (count > 0 && tally.Complete()) return TransferStatus::Complete;
  if (tally.walked || tally.optionsUnanswered) return TransferStatus::Incomplete;
  return TransferStatus::Failed;
}

}  // namespace klv
