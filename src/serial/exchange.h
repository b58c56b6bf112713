#pragma once
// One request and its response over the open port, classified, and the two
// fixed exchanges built on it: the option information of a KLV40 and the
// probe of a one-series device. Each request is sent exactly once and every
// receive waits the whole read time-out (90 bytes are asked for, more than
// any reply holds), so one exchange costs the transmit time plus that
// time-out. Nothing here retries or checks a reply's BCC, address or command.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/parameter_set.h"
#include "serial/comm_log.h"
#include "serial/comm_settings.h"
#include "serial/frame_buffer.h"
#include "serial/port.h"
#include "serial/response.h"

namespace klv {

// What one connection exchanges through, all owned by the caller. A worker
// and the monitor each build one over the program's single line, settings and
// log; only one of them uses it at a time (see serial/comm_log.h).
struct ExchangeContext {
  SerialLine& line;
  const CommSettings& settings;  // deviceAddress and protocol are read at each exchange
  CommLog& log;
  RtuRequestCopy& lastRtuRequest;  // LastRtuRequest: the log rebuilds RTU write echoes from it
};

// Bytes asked for by every receive of an exchange.
inline constexpr std::size_t kExchangeReceiveLength = 90;

struct TransactOutcome {
  ExchangeResult result = ExchangeResult::NoResponse;
  // The register value of a read that ended Ok; 0 otherwise.
  int16_t value = 0;

  bool Ok() const { return result == ExchangeResult::Ok; }
};

// Sends the TORVALEK request in frame[0..requestLength) and receives the
// reply into the same buffer. With log on, the request is logged as entry
// `sequence` before it is sent and the reply as entry sequence + 1. After the
// call the buffer holds the reply (in TORVALEK form) followed by a NUL; a read
// that ended Ok is cut after its first data field. A closed port gives
// NoResponse at once.
TransactOutcome Transact(const ExchangeContext& context, FrameBuffer& frame, std::size_t requestLength,
                         bool log, int sequence);

// The standard one-register read ("0110") and write ("012C", value sent as
// the four hex digits of its 16-bit pattern) to the settings' device address.
// A request that cannot be built (a device address outside the frame's range,
// a malformed register address) is not sent and not logged: NoResponse.
TransactOutcome ReadRegister(const ExchangeContext& context, std::string_view registerAddress, bool log,
                             int sequence);
TransactOutcome WriteRegister(const ExchangeContext& context, std::string_view registerAddress, int16_t value,
                              bool log, int sequence);

// How an option register of a KLV40 sets its bit.
enum class OptionRule {
  NonZero,    // any value but 0
  EqualsSix,  // exactly 6: on a KLV40, 0119 holds more than this option
};

struct OptionRegister {
  std::string_view address;
  uint16_t bit;
  OptionRule rule;
};

// The KLV40's option registers, in the order they are read.
inline constexpr std::array<OptionRegister, 4> kOptionRegisters = {{
    {"0116", kOptionAnalogInput, OptionRule::NonZero},
    {"0117", kOptionAlarmOutput2, OptionRule::NonZero},
    {"0118", kOptionDigitalOutput, OptionRule::NonZero},
    {"0119", kOptionAnalogOutput, OptionRule::EqualsSix},
}};

// The register whose good reply shows a one-series device's output current
// detection (the load current).
inline constexpr std::string_view kProbeRegister = "0102";

// The option word (OptionFlags bits) of a KLV40: the four registers of
// kOptionRegisters, logged as entries 1 to 8 whatever the caller's numbering.
// 0 as soon as one of them does not end Ok; the later ones are not asked.
uint16_t ReadOptionInfo(const ExchangeContext& context);

// True when the device answers a read of kProbeRegister normally, whatever
// the value. Logged as entries 1 and 2.
bool ProbeDevice(const ExchangeContext& context);

}  // namespace klv
