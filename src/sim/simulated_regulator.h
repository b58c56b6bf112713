#pragma once
// A regulator of any of the three models, without I/O: it keeps the setup
// registers of its model's catalogue, answers the identification and option
// registers, computes live values from the time that has passed on its
// clock, and answers whole request frames of one protocol as the device
// would, faults of its FaultPlan included.
//
// Device behaviour where the regulator's own documentation is silent:
// - A one-series device answers 0110 with an error reply (code "02"), not
//   with silence, so identification moves on to 0119 without waiting out a
//   time-out.
// - Registers the device's options leave out (0128/0129 without the digital
//   outputs, 0102 and the current-detection rows of a one-series device
//   without detection, ...) answer reads and writes with code "02", as a
//   device without the hardware does. 012E is the exception: every device
//   keeps a current limiter value, so the program's pre-write of 012E = 100
//   is taken even without current detection.
// - 0112 to 0118 and 013C exist on the KLV40 only.
// - A write to address 0 (command "B", or Modbus function 06 to address 0) is
//   carried out and not answered.
// - A silent or error fault also leaves a write undone; the damage faults
//   (bad check, other address, junk, short) spoil the reply only.
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/fault_plan.h"
#include "model/model_kind.h"
#include "model/parameter_set.h"
#include "model/register_catalogue.h"
#include "platform/clock.h"
#include "serial/comm_settings.h"

namespace klv::sim {

struct SimConfig {
  ModelKind model = ModelKind::Klv40;
  uint16_t options = 0;   // KLV40 option bits (kOption*)
  bool detect = true;     // KLV30/KLV30E: output current detection (0102 answers)
  int deviceAddress = 1;  // 1..99
  Protocol protocol = Protocol::Torvalek;

  int16_t controlMode = 4;        // 0112: 0 V-FB, 1 C-FB, 2 W-FB, 3 VVFB, 4 PA, 5 ZC, 6 PA-Z
  int16_t controlInputType = 4;   // 0113: 4 = current input, other = voltage input
  int16_t register0114 = 90;      // rating code
  int16_t ratedCurrent = 20;      // 0115, A
  int16_t ratedVoltage = 100;     // 013C, V
  int16_t volume[3] = {1000, 500, 1000};  // 0105..0107: VR1..VR3 in 0.1 %

  // The control input (0104, 0.1 %): a set value, or without one a slow sine
  // between 5 % and 95 % with a period of one minute.
  std::optional<int16_t> controlInput;
};

// Why a request was refused. Each has a TORVALEK response code (its second
// character is never "0") and a Modbus exception code.
enum class Refusal {
  None,
  BadRequest,      // "01" / 01 illegal function, 03 for a bad count
  NoSuchRegister,  // "02" / 02 illegal data address
  OutOfRange,      // "03" / 03 illegal data value
  ReadOnly,        // "04" / 02
  DeviceFault,     // "08" / 04 server device failure (injected error)
};

struct RegisterRead {
  Refusal refusal = Refusal::None;
  int16_t value = 0;
};

// A reply and how to send it. An empty reply is silence.
struct ReplyPlan {
  std::vector<uint8_t> reply;          // noise bytes included
  std::chrono::milliseconds delay{0};  // before the first byte
  std::size_t splitAt = 0;             // 0: one piece; else [0, splitAt), pause, rest
  std::chrono::milliseconds splitPause{0};
  bool hangUp = false;                 // close the line after the reply (if any)
  // Send the same reply again this long after the first has gone.
  std::optional<std::chrono::milliseconds> repeatAfter;
};

// The bytes put before a reply by a noise fault.
inline constexpr uint8_t kNoiseBytes[] = {0x00, 0x7F, 0x55};

class SimulatedRegulator {
 public:
  // The clock must outlive the regulator; live values move with its Now().
  SimulatedRegulator(const SimConfig& config, Clock& clock);

  const SimConfig& Config() const { return config_; }
  const ParameterSet& Parameters() const { return parameters_; }
  void SetFaultPlan(FaultPlan plan) { faults_ = std::move(plan); }
  // A set control input, or none for the slow sine; the output moves on
  // from what it was.
  void SetControlInput(std::optional<int16_t> value);

  // Register level, as the device's front panel sees it (no faults).
  RegisterRead ReadRegister(Register reg);
  Refusal WriteRegister(Register reg, int16_t value);
  // A start-up value: a setup register (within its limits, as a write) or one
  // of the fixed device registers 0105-0107, 0112-0115, 013C (any value).
  Refusal Preset(Register reg, int16_t value);

  // One whole request frame of the configured protocol, as cut by
  // RequestFramer. A frame with a bad BCC/CRC/LRC, or for another device
  // address, gets silence and is not counted as an exchange.
  ReplyPlan Answer(std::span<const uint8_t> request);
  // The reply bytes alone (timing faults left to the caller).
  std::vector<uint8_t> Handle(std::span<const uint8_t> request) { return Answer(request).reply; }

  // Requests addressed to this device with a good check, so far.
  uint64_t ExchangeCount() const { return exchanges_; }

 private:
  // A request frame cut into what it asks, whatever the protocol.
  struct Request {
    enum class Op { Read, Write, Bad };
    Op op = Op::Bad;
    Refusal badReason = Refusal::BadRequest;
    uint16_t reg = 0;
    int count = 1;
    int16_t value = 0;
    bool broadcast = false;
  };
  // Each protocol's answerer lives in its own file.
  ReplyPlan AnswerTorvalek(std::span<const uint8_t> frame);
  ReplyPlan AnswerModbusRtu(std::span<const uint8_t> frame);
  ReplyPlan AnswerModbusAscii(std::span<const uint8_t> frame);
  ReplyPlan AnswerModbus(std::span<const uint8_t> pdu, bool ascii);
  // Carries out a parsed request under its faults; values of reads in values.
  Refusal Execute(const Request& request, const FaultSet& faults, std::vector<int16_t>& values);
  FaultSet FaultsFor(const Request& request) const;
  ReplyPlan Finish(std::vector<uint8_t> reply, const FaultSet& faults) const;

  // Live values.
  void Advance();
  double ControlInputAt(double seconds) const;
  double TargetOutput(double input) const;
  int16_t LiveValue(Register reg);
  bool IsLivePresent(Register reg) const;

  SimConfig config_;
  Clock& clock_;
  ParameterSet parameters_;
  // The model's catalogue and the live registers, looked up on every request.
  std::span<const CatalogueEntry> rows_;
  std::span<const MonitorEntry> liveRows_;
  FaultPlan faults_;
  uint64_t exchanges_ = 0;

  Clock::TimePoint start_;
  Clock::TimePoint last_;
  double output_ = 0;  // 0.1 % of full output
};

}  // namespace klv::sim
