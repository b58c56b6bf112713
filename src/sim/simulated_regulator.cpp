#include "sim/simulated_regulator.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>

#include "model/device_identity.h"
#include "model/register_catalogue.h"

namespace klv::sim {

namespace {

constexpr Register kAnalogInputOptionRegister{0x0116};
constexpr Register kAlarm2OptionRegister{0x0117};
constexpr Register kDigitalOutputOptionRegister{0x0118};
constexpr Register kOptionOrModelRegister = kSeriesOneCodeRegister;
constexpr Register kCurrentLimiterRegister{0x012E};

constexpr Register kLiveFirst{0x0100};
constexpr Register kLiveLast{0x010B};
constexpr Register kVolumeFirst{0x0105};
constexpr Register kVolumeLast{0x0107};

constexpr int16_t kKlv40Code = 0x0028;
constexpr int16_t kKlv30Code = 0x3330;
constexpr int16_t kKlv30ECode = 0x3045;
constexpr int16_t kAnalogOutputPresent = 6;

constexpr int16_t kUnderRangeMark = static_cast<int16_t>(0x8000);
constexpr int16_t kOverRangeMark = 0x7FFF;

// Past this much time without a request the output is taken as settled.
constexpr double kSettleSeconds = 600.0;
constexpr double kStepSeconds = 0.05;

int16_t ClampToWord(double value) {
  return static_cast<int16_t>(std::clamp(std::lround(value), -32768L, 32767L));
}

int16_t MonitorBit(ModelKind model) {
  switch (model) {
    case ModelKind::Klv40:
      return kMonitorModelKlv40;
    case ModelKind::Klv30:
      return kMonitorModelKlv30;
    default:
      return kMonitorModelKlv30E;
  }
}

// True during the first `on` seconds of every `period`.
bool Blink(double seconds, double period, double on) { return std::fmod(seconds, period) < on; }

}  // namespace

SimulatedRegulator::SimulatedRegulator(const SimConfig& config, Clock& clock)
    : config_(config), clock_(clock) {
  if (config_.model != ModelKind::Klv40 && config_.model != ModelKind::Klv30) {
    config_.model = ModelKind::Klv30E;  // as the catalogues treat any other value
  }
  LoadDefaults(parameters_, config_.model);
  rows_ = CatalogueRows(CatalogueFor(config_.model));
  liveRows_ = MonitorRows(GetMonitorCatalogue());
  start_ = last_ = clock_.Now();
  // A device found running: its output has settled on the input.
  output_ = TargetOutput(ControlInputAt(0));
}

// --- Registers ------------------------------------------------------------

namespace {

const CatalogueEntry* FindRow(std::span<const CatalogueEntry> rows, Register reg) {
  for (const CatalogueEntry& row : rows) {
    if (row.address == reg) return &row;
  }
  return nullptr;
}

}  // namespace

bool SimulatedRegulator::IsLivePresent(Register reg) const {
  if (reg == kLoadCurrentRegister && config_.model != ModelKind::Klv40 && !config_.detect) return false;
  for (const MonitorEntry& row : liveRows_) {
    if (row.address != reg) continue;
    if ((row.modelMask & MonitorBit(config_.model)) == 0) return false;
    return row.optionMask == 0 || (row.optionMask & config_.options) != 0;
  }
  return false;
}

RegisterRead SimulatedRegulator::ReadRegister(Register reg) {
  const bool klv40 = config_.model == ModelKind::Klv40;
  if (reg >= kLiveFirst && reg <= kLiveLast) {
    if (!IsLivePresent(reg)) return {Refusal::NoSuchRegister, 0};
    Advance();
    return {Refusal::None, LiveValue(reg)};
  }
  switch (reg.Number()) {
    case kModelCodeRegister.Number():
      if (klv40) return {Refusal::None, kKlv40Code};
      return {Refusal::NoSuchRegister, 0};
    case kOptionOrModelRegister.Number():
      if (klv40) return {Refusal::None, (config_.options & kOptionAnalogOutput) ? kAnalogOutputPresent : int16_t{0}};
      return {Refusal::None, config_.model == ModelKind::Klv30 ? kKlv30Code : kKlv30ECode};
    default:
      break;
  }
  if (klv40) {
    switch (reg.Number()) {
      case kAnalogInputOptionRegister.Number():
        return {Refusal::None, static_cast<int16_t>((config_.options & kOptionAnalogInput) ? 1 : 0)};
      case kAlarm2OptionRegister.Number():
        return {Refusal::None, static_cast<int16_t>((config_.options & kOptionAlarmOutput2) ? 1 : 0)};
      case kDigitalOutputOptionRegister.Number():
        return {Refusal::None, static_cast<int16_t>((config_.options & kOptionDigitalOutput) ? 1 : 0)};
      case kControlModeRegister.Number():
        return {Refusal::None, config_.controlMode};
      case kControlInputTypeRegister.Number():
        return {Refusal::None, config_.controlInputType};
      case kRatingCodeRegister.Number():
        return {Refusal::None, config_.register0114};
      case kRatedCurrentRegister.Number():
        return {Refusal::None, config_.ratedCurrent};
      case kRatedVoltageRegister.Number():
        return {Refusal::None, config_.ratedVoltage};
      default:
        break;
    }
  }
  const uint16_t optionWord = klv40 ? config_.options : static_cast<uint16_t>(config_.detect ? 1 : 0);
  if (const CatalogueEntry* row = FindRow(rows_, reg)) {
    if (IsEntryPresent(*row, optionWord) || reg == kCurrentLimiterRegister) {
      return {Refusal::None, row->value.In(std::as_const(parameters_))};
    }
  }
  return {Refusal::NoSuchRegister, 0};
}

Refusal SimulatedRegulator::WriteRegister(Register reg, int16_t value) {
  const bool klv40 = config_.model == ModelKind::Klv40;
  const uint16_t optionWord = klv40 ? config_.options : static_cast<uint16_t>(config_.detect ? 1 : 0);
  if (const CatalogueEntry* row = FindRow(rows_, reg)) {
    if (IsEntryPresent(*row, optionWord) || reg == kCurrentLimiterRegister) {
      if (value < row->minimum || value > row->maximum) return Refusal::OutOfRange;
      // The output moves from the old settings up to now, then from the new.
      Advance();
      row->value.In(parameters_) = value;
      return Refusal::None;
    }
    return Refusal::NoSuchRegister;
  }
  // Every other register the device answers is one it only reports.
  return ReadRegister(reg).refusal == Refusal::None ? Refusal::ReadOnly : Refusal::NoSuchRegister;
}

Refusal SimulatedRegulator::Preset(Register reg, int16_t value) {
  const bool klv40 = config_.model == ModelKind::Klv40;
  if (reg == kControlInputRegister) {
    SetControlInput(value);
    return Refusal::None;
  }
  if (reg >= kVolumeFirst && reg <= kVolumeLast) {
    Advance();
    config_.volume[reg.Number() - kVolumeFirst.Number()] = value;
    return Refusal::None;
  }
  if (klv40) {
    switch (reg.Number()) {
      case kControlModeRegister.Number():
        config_.controlMode = value;
        return Refusal::None;
      case kControlInputTypeRegister.Number():
        config_.controlInputType = value;
        return Refusal::None;
      case kRatingCodeRegister.Number():
        config_.register0114 = value;
        return Refusal::None;
      case kRatedCurrentRegister.Number():
        config_.ratedCurrent = value;
        return Refusal::None;
      case kRatedVoltageRegister.Number():
        config_.ratedVoltage = value;
        return Refusal::None;
      default:
        break;
    }
  }
  if (FindRow(rows_, reg) == nullptr) return Refusal::NoSuchRegister;
  return WriteRegister(reg, value);
}

void SimulatedRegulator::SetControlInput(std::optional<int16_t> value) {
  Advance();
  config_.controlInput = value;
}

// --- Live values ------------------------------------------------------------

double SimulatedRegulator::ControlInputAt(double seconds) const {
  if (config_.controlInput) return *config_.controlInput;
  return 500.0 + 450.0 * std::sin(2.0 * std::numbers::pi * seconds / 60.0);
}

double SimulatedRegulator::TargetOutput(double input) const {
  const auto volumeOr = [this](int16_t setting) -> double {
    if (setting >= 0) return setting;
    if (setting >= -3) return config_.volume[-setting - 1];
    return 0;
  };
  double x = std::clamp(input, 0.0, 1000.0);
  if (config_.model == ModelKind::Klv30E && parameters_.scaleHigh > parameters_.scaleLow) {
    // The KLV30E scales its control input before the ramp.
    x = std::clamp((x - parameters_.scaleLow) * 1000.0 / (parameters_.scaleHigh - parameters_.scaleLow),
                   0.0, 1000.0);
  }
  const double lower = volumeOr(parameters_.rampLowerLimit);
  const double upper = parameters_.rampUpperSelection == 0 ? parameters_.rampUpperSetting
                                                           : volumeOr(parameters_.rampUpperSelection);
  double target = lower + x * (upper - lower) / 1000.0;
  // The current limiter needs the current detection; 0 means off.
  const bool limits = config_.model == ModelKind::Klv40 || config_.detect;
  if (limits && parameters_.currentLimiter != 0) {
    const double limit = parameters_.currentLimiter > 0 ? parameters_.currentLimiter * 10.0
                                                        : volumeOr(parameters_.currentLimiter);
    target = std::min(target, limit);
  }
  return std::clamp(target, 0.0, 1000.0);
}

void SimulatedRegulator::Advance() {
  const Clock::TimePoint now = clock_.Now();
  if (now <= last_) return;
  const auto seconds = [this](Clock::TimePoint t) {
    return std::chrono::duration<double>(t - start_).count();
  };
  double t = seconds(last_);
  const double end = seconds(now);
  last_ = now;
  if (end - t > kSettleSeconds) {
    output_ = TargetOutput(ControlInputAt(end));
    return;
  }
  // Slow-up and slow-down are the times (0.1 s) of a full 0 to 100 % swing;
  // the KLV30 has one variation limit for both directions.
  const int16_t up = parameters_.slowUpTime;
  const int16_t down = config_.model == ModelKind::Klv30 ? up : parameters_.slowDownTime;
  const auto rate = [](int16_t tenths) { return tenths <= 0 ? 1e12 : 1000.0 / (tenths * 0.1); };
  while (t < end) {
    const double dt = std::min(kStepSeconds, end - t);
    t += dt;
    const double target = TargetOutput(ControlInputAt(t));
    if (target > output_) {
      output_ = std::min(target, output_ + rate(up) * dt);
    } else {
      output_ = std::max(target, output_ - rate(down) * dt);
    }
  }
}

int16_t SimulatedRegulator::LiveValue(Register reg) {
  const double seconds = std::chrono::duration<double>(last_ - start_).count();
  const double fraction = output_ / 1000.0;
  const double voltage = fraction * config_.ratedVoltage;          // V
  const double current = fraction * config_.ratedCurrent * 10.0;   // 0.1 A
  // Full output is 0115 x 013C x 10, the scale the monitor's trend uses in W-FB.
  const double power = fraction * config_.ratedCurrent * config_.ratedVoltage * 10.0;
  const bool klv40 = config_.model == ModelKind::Klv40;
  switch (reg.Number()) {
    case kOutputRegister.Number():
      switch (config_.controlMode) {
        case 0:
          return ClampToWord(voltage);
        case 1:
          return ClampToWord(current);
        case 2:
          return ClampToWord(power);
        default:
          return ClampToWord(output_);
      }
    case kLoadVoltageRegister.Number():
      return ClampToWord(voltage);
    case kLoadCurrentRegister.Number():
      return ClampToWord(current);
    case kLoadPowerRegister.Number():
      return ClampToWord(power);
    case kControlInputRegister.Number():
      return ClampToWord(ControlInputAt(seconds));
    case 0x0105:
    case 0x0106:
    case 0x0107:
      return config_.volume[reg.Number() - kVolumeFirst.Number()];
    case kAlarmOutputRegister.Number(): {
      // Bits: 0 AL1, 1 AL2, 2 DO1, 3 DO2.
      int bits = Blink(seconds, 30.0, 4.0) ? 1 : 0;
      if (klv40 && (config_.options & kOptionAlarmOutput2) && Blink(seconds + 25.0, 45.0, 3.0)) bits |= 2;
      if (klv40 && (config_.options & kOptionDigitalOutput)) {
        if (parameters_.do1Setting != 0 && output_ >= 500.0) bits |= 4;
        if (parameters_.do2Setting != 0 && Blink(seconds, 14.0, 7.0)) bits |= 8;
      }
      return static_cast<int16_t>(bits);
    }
    case kDigitalInputRegister.Number(): {
      // Bits: 0 DI1, 1 DI2, 2 DI3 (the KLV30E has DI1 only).
      int bits = Blink(seconds, 22.0, 11.0) ? 1 : 0;
      if (klv40) {
        if (Blink(seconds, 34.0, 17.0)) bits |= 2;
        if (Blink(seconds, 46.0, 23.0)) bits |= 4;
      }
      return static_cast<int16_t>(bits);
    }
    case 0x010A:
      return ClampToWord(500.0 + 400.0 * std::sin(2.0 * std::numbers::pi * seconds / 90.0));
    case 0x010B: {
      const double source = parameters_.analogOutputSetting == 1
                                ? std::clamp(ControlInputAt(seconds), 0.0, 1000.0)
                                : output_;
      return ClampToWord(parameters_.scaleLow + source * (parameters_.scaleHigh - parameters_.scaleLow) / 1000.0);
    }
    default:
      return 0;
  }
}

// --- Requests -----------------------------------------------------------------

FaultSet SimulatedRegulator::FaultsFor(const Request& request) const {
  if (request.op == Request::Op::Bad) return faults_.ForExchange(exchanges_);
  FaultSet set;
  for (int i = 0; i < request.count; ++i) {
    set.Merge(faults_.ForRegister(Register(request.reg).Plus(static_cast<unsigned>(i)), exchanges_));
  }
  return set;
}

Refusal SimulatedRegulator::Execute(const Request& request, const FaultSet& faults,
                                    std::vector<int16_t>& values) {
  if (request.op == Request::Op::Bad) return request.badReason;
  if (faults.error) return Refusal::DeviceFault;
  if (request.op == Request::Op::Write) {
    // A stuck register answers as a good write would, so only reading it
    // back shows that it kept its value.
    if (faults.stuck) return Refusal::None;
    return WriteRegister(Register(request.reg), request.value);
  }
  for (int i = 0; i < request.count; ++i) {
    const Register reg = Register(request.reg).Plus(static_cast<unsigned>(i));
    if (reg < Register(request.reg)) return Refusal::NoSuchRegister;  // past FFFF
    RegisterRead read = ReadRegister(reg);
    if (read.refusal != Refusal::None) return read.refusal;
    const FaultSet own = faults_.ForRegister(reg, exchanges_);
    if (own.under) {
      read.value = kUnderRangeMark;
    } else if (own.over) {
      read.value = kOverRangeMark;
    }
    values.push_back(read.value);
  }
  return Refusal::None;
}

ReplyPlan SimulatedRegulator::Finish(std::vector<uint8_t> reply, const FaultSet& faults) const {
  ReplyPlan plan;
  plan.hangUp = faults.hangUpAfterReply;
  if (reply.empty()) return plan;
  if (faults.noise) reply.insert(reply.begin(), std::begin(kNoiseBytes), std::end(kNoiseBytes));
  plan.delay = faults.late;
  if (faults.split) {
    plan.splitAt = std::max<std::size_t>(1, reply.size() / 2);
    plan.splitPause = *faults.split;
  }
  plan.repeatAfter = faults.twice;
  plan.reply = std::move(reply);
  return plan;
}

ReplyPlan SimulatedRegulator::Answer(std::span<const uint8_t> request) {
  switch (config_.protocol) {
    case Protocol::ModbusRtu:
      return AnswerModbusRtu(request);
    case Protocol::ModbusAscii:
      return AnswerModbusAscii(request);
    case Protocol::Torvalek:
    default:
      return AnswerTorvalek(request);
  }
}

}  // namespace klv::sim
