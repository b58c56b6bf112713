#include "monitor/monitor_session.h"

#include "platform/failure_text.h"
#include "device/identification.h"
#include "device/no_reply_text.h"
#include "monitor/dated_log_name.h"
#include "serial/connection.h"
#include "serial/torvalek_frame.h"
#include "text/texts.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace klv {
namespace {


// Caption keys the identification sets (texts 217, 222 and 221).
constexpr std::string_view kAlarmDigitalCaption = "AL/DO output";
constexpr std::string_view kAlarmOnlyCaption = "AL output";
constexpr std::string_view kPercentOutputCaption = "output ( x 0.1% )";

}  // namespace

std::string_view LineLostText(Language language) {
  return Text(TextId::LineLostNoReply, language);
}

std::string_view LineStatusText(const MonitorDisplay& display, Language language) {
  if (display.lineLost) return Text(TextId::LineLostReconnecting, language);
  if (display.outOfStep) return Text(TextId::LineOutOfStep, language);
  if (display.lineBack) return Text(TextId::LineBack, language);
  return {};
}

std::string UnitChangeText(const MonitorDisplay& display, Language language) {
  if (display.unitChangedTo.empty()) return {};
  std::string text = Text(TextId::AnotherUnit, language, {display.unitChangedTo});
  if (!display.unitRecordFile.empty()) text += Text(TextId::RecordGoesOnIn, language, {display.unitRecordFile});
  return text;
}

MonitorView ViewOf(const MonitorSession& session, std::optional<MonitorPoll> lastPoll) {
  MonitorView view;
  view.display = session.Display();
  view.recordStatus = session.Recorder().Status();
  view.recordProgress = session.Recorder().Progress();
  view.running = session.Running();
  view.nothingAnswered = view.running && !session.AnsweredSinceStart();
  if (view.nothingAnswered) view.noReplyText = session.NoReplyText();
  view.lastPoll = std::move(lastPoll);
  return view;
}

// ---- MonitorDisplay ------------------------------------------------------------

void MonitorDisplay::SetLamp(int index, int state) {
  if (index < 0 || index >= kLampCount || state < 0 || state > 3) return;
  lamps[static_cast<std::size_t>(index)] = state;
}

void MonitorDisplay::MarkPolledRow(int index) {
  if (index < 0) return;
  markedRow = index < kMonitorRowCount ? index : kNoMarkedRow;
}

bool MonitorDisplay::RowShown(int row) const {
  if (layout == MonitorLayout::Full) return true;
  switch (row) {
    case 1:
    case 3:
    case 10:
    case 11: return false;
    case kDigitalInputRow: return layout == MonitorLayout::Klv30E;
    default: return true;
  }
}

bool MonitorDisplay::LampShown(int index) const {
  if (layout == MonitorLayout::Full) return true;
  if (index == 0) return true;                             // AL1
  if (index == 4) return layout == MonitorLayout::Klv30E;  // DI1
  return false;
}

// ---- MonitorSession ------------------------------------------------------------

MonitorSession::MonitorSession(Connection& connection, Clock& clock, Language language)
    : connection_(connection), clock_(clock), language_(language), recorder_(clock, language) {
  display_.title = TitleWord();
}

std::string MonitorSession::TitleWord() const { return std::string(Caption(Screen::Monitor, "Monitor", language_)); }

MonitorSession::StartOutcome MonitorSession::Start(bool recordArmed, const std::filesystem::path& dataLogPath,
                                                   const MonitorMessage& showMessage) {
  if (running_) return {true, {}};
  running_ = true;
  // On a shared line the bus has opened the port for every unit.
  if (!sharedLine_) {
    const OpenPortResult open = connection_.Open();
    if (!open.ok) {
      running_ = false;
      return {false, open.message};
    }
  }
  // The monitor's polls stay out of the comm log, which keeps the last
  // transfer; only the option reading logs its own exchanges.
  connection_.StopLog();
  lastInput_ = kNoReadingText;
  lastOutput_ = kNoReadingText;

  dataLogPath_ = dataLogPath;
  recordPath_ = dataLogPath;
  const DataRecorder::PrepareOutcome prepared = recorder_.Prepare(recordArmed, connection_.settings, dataLogPath);
  if (prepared.fileFailed && showMessage) {
    showMessage(WithSystemReason(Text(TextId::LogFileCannotBeCreated, language_), recorder_.SaveError()));
  }

  pollingIndex_ = 0;
  silentRounds_ = 0;
  replyThisRound_ = false;
  answeredSinceStart_ = false;
  lastPolledRow_ = -1;
  lastPollSilent_ = false;
  strayThisRound_ = false;
  strayRounds_ = 0;
  display_.outOfStep = false;
  display_.lineLost = false;
  display_.lineBack = false;
  lineBackUntil_.reset();
  reopenAttempts_ = 0;
  reconnections_ = 0;
  unitChanges_ = 0;
  display_.unitChangedTo.clear();
  display_.unitRecordFile.clear();
  unitChangeUntil_.reset();
  scale_ = MonitorScale{};
  optionBits_ = 0;
  if (trend_ != nullptr) trend_->SetOutputScale(scale_.controlMode, scale_.ratedVoltage, scale_.ratedCurrent);

  IdentifyModel();
  // Restarting may meet another unit: the start's identification is the one
  // later identifications are held against.
  unit_.reset();
  if (identification_ != MonitorIdentification::NoAnswer) {
    unit_ = UnitIdentity{identification_, identifiedCode_, scale_.controlMode, optionBits_};
  }
  nextIdentify_ = clock_.Now() + kIdentifyAgainPeriod;

  clock_.SleepFor(kMonitorStartPause);
  schedule_.Start(clock_.Now());
  lastTickStart_.reset();
  intervals_ = 0;
  intervalSum_ = intervalSquares_ = intervalMin_ = intervalMax_ = 0;
  if (trend_ != nullptr) trend_->ClearHistory();
  return {true, {}};
}

std::optional<MonitorPoll> MonitorSession::Tick() {
  const Clock::TimePoint start = clock_.Now();
  if (!running_ || !schedule_.Due(start)) return std::nullopt;
  if (lastTickStart_) {
    const double ms = std::chrono::duration<double, std::milli>(start - *lastTickStart_).count();
    intervalMin_ = intervals_ == 0 ? ms : std::min(intervalMin_, ms);
    intervalMax_ = intervals_ == 0 ? ms : std::max(intervalMax_, ms);
    ++intervals_;
    intervalSum_ += ms;
    intervalSquares_ += ms * ms;
  }
  lastTickStart_ = start;
  // Before the record takes the last values: a stray frame voids the one read last.
  VoidIfStray();
  recorder_.Tick(lastInput_, lastOutput_);
  std::optional<MonitorPoll> poll = StepAt(start);
  mergedTicks_ += schedule_.Advance(clock_.Now());
  return poll;
}

std::optional<MonitorPoll> MonitorSession::Step() {
  if (!running_) return std::nullopt;
  return StepAt(clock_.Now());
}

bool MonitorSession::Waiting() const {
  return running_ && display_.lineLost && clock_.Now() < nextReopen_;
}

bool MonitorSession::VoidIfStray() {
  if (display_.lineLost || !TakeStrayFrame(false)) return false;
  VoidLastReading();
  return true;
}

std::optional<MonitorPoll> MonitorSession::StepAt(Clock::TimePoint start) {
  if (lineBackUntil_ && start >= *lineBackUntil_) {
    display_.lineBack = false;
    lineBackUntil_.reset();
  }
  if (unitChangeUntil_ && start >= *unitChangeUntil_) {
    display_.unitChangedTo.clear();
    display_.unitRecordFile.clear();
    unitChangeUntil_.reset();
  }
  const bool wasLost = display_.lineLost;
  std::optional<MonitorPoll> poll;
  if (wasLost) {
    poll = Reconnect(start);
  } else if (ModelUnknown() && start >= nextIdentify_) {
    // One thing per tick: the identification takes the poll's place.
    IdentifyAgain(start);
  } else {
    poll = PollNextRegister();
  }
  if (!wasLost && display_.lineLost) LoseLine(start);
  return poll;
}

void MonitorSession::LoseLine(Clock::TimePoint tickStart) {
  // A pulled adapter leaves a port that never answers again; a new opening
  // finds it under the same COM link when it is back. On a shared line the
  // other units still answer through it.
  if (!sharedLine_) connection_.Close();
  // The record's rows show that nothing was read while the line is down.
  lastInput_ = kNoReadingText;
  lastOutput_ = kNoReadingText;
  display_.lineBack = false;
  lineBackUntil_.reset();
  // No row is being read until the line is back; no lamp is known meanwhile.
  display_.MarkPolledRow(kNoMarkedRow);
  for (int lamp = 0; lamp < kLampCount; ++lamp) display_.SetLamp(lamp, kLampUnknown);
  lastPolledRow_ = -1;
  nextReopen_ = tickStart + kReopenPeriod;
}

std::optional<MonitorPoll> MonitorSession::Reconnect(Clock::TimePoint tickStart) {
  // One thing per tick, an opening or one exchange, so that a stop waits for
  // no more than that.
  if (!connection_.IsOpen()) {
    if (tickStart < nextReopen_) return std::nullopt;
    // Attempts keep to their grid; those that fell due during a long tick are not made up.
    while (nextReopen_ <= tickStart) nextReopen_ += kReopenPeriod;
    ++reopenAttempts_;
    // On failure the port stays closed until the next attempt.
    connection_.Open();
    // A unit on a shared line is asked at once: its next turn may be far.
    if (!sharedLine_ || !connection_.IsOpen()) return std::nullopt;
  } else if (sharedLine_) {
    // The port stays open for the other units; the unit's turn comes when
    // theirs allow, and the next attempt 2 s after this one.
    if (tickStart < nextReopen_) return std::nullopt;
    nextReopen_ = tickStart + kReopenPeriod;
    ++reopenAttempts_;
  }
  std::optional<MonitorPoll> poll = PollNextRegister(true);
  if (!poll) {
    if (!sharedLine_) connection_.Close();
    return std::nullopt;
  }
  ++reconnections_;
  display_.lineBack = true;
  lineBackUntil_ = tickStart + kLineBackShownFor;
  // The link may lead to another unit now.
  IdentifyAgain(tickStart);
  return poll;
}

TickPeriods MonitorSession::Periods() const {
  TickPeriods periods;
  if (intervals_ == 0) return periods;
  periods.intervals = intervals_;
  periods.meanMs = intervalSum_ / intervals_;
  periods.spreadMs = std::sqrt(std::max(0.0, intervalSquares_ / intervals_ - periods.meanMs * periods.meanMs));
  periods.minMs = intervalMin_;
  periods.maxMs = intervalMax_;
  return periods;
}

Clock::Duration MonitorSession::UntilNextTick() const { return schedule_.UntilNext(clock_.Now()); }

void MonitorSession::Stop() {
  running_ = false;
  // On a shared line the bus closes the port and pauses once for all units.
  if (!sharedLine_) {
    connection_.Close();
    clock_.SleepFor(kMonitorStopPause);
  }
  recorder_.Stop();
  pollingIndex_ = 0;
  display_.lineLost = false;
  display_.lineBack = false;
  lineBackUntil_.reset();
  display_.unitChangedTo.clear();
  display_.unitRecordFile.clear();
  unitChangeUntil_.reset();
  display_.MarkPolledRow(kNoMarkedRow);
  if (trend_ != nullptr) trend_->ClearNewSample();
}

void MonitorSession::Close() {
  running_ = false;
  recorder_.Close();
  if (!sharedLine_) connection_.Close();
}

bool MonitorSession::TakeStrayFrame(bool wait) {
  if (!connection_.IsOpen()) return false;
  const std::vector<uint8_t> stray = wait ? connection_.AwaitStrayInput() : connection_.TakeStrayInput();
  if (stray.empty()) return false;
  strayThisRound_ = true;
  // Something answers: the line is not lost, only out of step.
  replyThisRound_ = true;
  silentRounds_ = 0;
  return true;
}

void MonitorSession::VoidLastReading() {
  if (lastPolledRow_ < 0 || lastPolledRow_ >= kMonitorRowCount) return;
  const auto row = static_cast<std::size_t>(lastPolledRow_);
  const Register address = GetMonitorCatalogue()[row].address;
  // Shown and recorded as a poll without a reply is.
  const MonitorReading none =
      FormatReading(address, ExchangeResult::NoResponse, 0, scale_, display_.rowTexts[kLoadCurrentRow]);
  display_.rowTexts[row] = none.text;
  if (address == kAlarmOutputRegister) {
    for (int lamp = 0; lamp < 4; ++lamp) display_.SetLamp(lamp, kLampUnknown);
  } else if (address == kDigitalInputRegister) {
    for (int lamp = 4; lamp < kLampCount; ++lamp) display_.SetLamp(lamp, kLampUnknown);
  }
  // The record and the graph get their missing mark for it.
  if (lastPolledRow_ == kOutputRow) lastOutput_ = std::to_string(none.value);
  if (lastPolledRow_ == kControlInputRow) lastInput_ = std::to_string(none.value);
  lastPolledRow_ = -1;
}

Reply MonitorSession::ReadRegister(Register address, std::size_t wanted) {
  // Silence, and anything that is not a good frame for this request, is
  // NoResponse: the row shows no reading rather than a value made of noise.
  const Reply reply = connection_.Read(address, wanted);
  if (reply.strayWithin) {
    // Two frames in one receive: out of step, yet something answers.
    strayThisRound_ = true;
    replyThisRound_ = true;
    silentRounds_ = 0;
  }
  return reply;
}

void MonitorSession::IdentifyModel() {
  // The transfers' identification, not logged: 0110, and 0119 only when
  // 0110 gives no good reply.
  const DeviceIdentification device = IdentifyDevice(connection_, StrayCheck::ByCaller);
  identifiedCode_ = device.code;
  if (device.answered) answeredSinceStart_ = true;
  switch (device.result) {
    case IdentificationResult::Klv40:
      IdentifyKlv40();
      identification_ = MonitorIdentification::Klv40;
      return;
    case IdentificationResult::Klv30:
      display_.title = TitleWord() + " - KLV30";
      model_ = kMonitorModelKlv30;
      identification_ = MonitorIdentification::Klv30;
      ShowOneSeries(MonitorLayout::Klv30);
      return;
    case IdentificationResult::Klv30E:
      display_.title = TitleWord() + " - KLV30E";
      model_ = kMonitorModelKlv30E;
      identification_ = MonitorIdentification::Klv30E;
      ShowOneSeries(MonitorLayout::Klv30E);
      return;
    case IdentificationResult::OtherCodeIn0110:
    case IdentificationResult::NotIdentified:
      break;
  }
  if (!device.answered) {
    identification_ = MonitorIdentification::NoAnswer;
    return;
  }
  display_.title = TitleWord() + " - ??";
  identification_ = MonitorIdentification::OtherCode;
}

std::string MonitorSession::NoReplyText() const {
  return NoReplyFromText(connection_.settings, connection_.portLabel, ShownDevice(connection_), language_) + "\n" +
         std::string(Text(TextId::NoReplyFindDevice, language_)) + std::string(Text(TextId::NoReplyEnd, language_));
}

bool MonitorSession::ModelUnknown() const {
  return identification_ == MonitorIdentification::NoAnswer || identification_ == MonitorIdentification::OtherCode;
}

void MonitorSession::IdentifyAgain(Clock::TimePoint tickStart) {
  nextIdentify_ = tickStart + kIdentifyAgainPeriod;
  // A one-series unit has no control mode or options of its own: what the
  // previous unit left must not stay.
  const MonitorScale previousScale = scale_;
  const uint16_t previousOptions = optionBits_;
  scale_ = MonitorScale{};
  optionBits_ = 0;
  IdentifyModel();
  if (identification_ == MonitorIdentification::NoAnswer) {
    // Nothing answered: everything stays as it was.
    scale_ = previousScale;
    optionBits_ = previousOptions;
    return;
  }
  replyThisRound_ = true;
  if (trend_ != nullptr) trend_->SetOutputScale(scale_.controlMode, scale_.ratedVoltage, scale_.ratedCurrent);
  const UnitIdentity identity{identification_, identifiedCode_, scale_.controlMode, optionBits_};
  const bool another = unit_.has_value() && *unit_ != identity;
  unit_ = identity;
  if (another) TakeOverNewUnit(tickStart);
}

void MonitorSession::TakeOverNewUnit(Clock::TimePoint tickStart) {
  ++unitChanges_;
  // Nothing the previous unit showed or sent stays on the screen, in the
  // graph or in the next row of the record.
  display_.rowTexts.fill(std::string(kNoReadingText));
  display_.lamps.fill(0);
  lastInput_ = kNoReadingText;
  lastOutput_ = kNoReadingText;
  pollingIndex_ = 0;
  if (trend_ != nullptr) trend_->ClearHistory();

  switch (identification_) {
    case MonitorIdentification::Klv40: display_.unitChangedTo = "KLV40"; break;
    case MonitorIdentification::Klv30: display_.unitChangedTo = "KLV30"; break;
    case MonitorIdentification::Klv30E: display_.unitChangedTo = "KLV30E"; break;
    default: display_.unitChangedTo = "??"; break;
  }
  display_.unitRecordFile.clear();
  if (recorder_.Recording()) {
    // The file so far holds the previous unit only; the new one gets its own.
    recordPath_ = DatedLogPath(dataLogPath_, clock_.LocalNow());
    if (!recorder_.ContinueInNewFile(recordPath_).fileFailed) {
      display_.unitRecordFile = recordPath_.filename().string();
    }
  }
  unitChangeUntil_ = tickStart + kUnitChangeShownFor;
}

void MonitorSession::IdentifyKlv40() {
  const Reply mode = ReadRegister(kControlModeRegister, kMonitorReceiveLength);
  scale_.controlMode = mode.Ok() ? ControlModeFromValue(static_cast<uint16_t>(mode.value)) : kUnknownControlMode;
  display_.title = TitleWord() + " - KLV40 - " + std::string(ControlModeText(scale_.controlMode));
  if (const std::string_view caption = OutputCaptionKey(scale_.controlMode); !caption.empty()) {
    display_.outputCaption = caption;
  }

  const Reply range = ReadRegister(kControlInputRangeRegister, kMonitorReceiveLength);
  scale_.inputClamp = range.Ok() && ClampsControlInput(static_cast<uint16_t>(range.value));

  optionBits_ = ReadOptionInfo(connection_, StrayCheck::ByCaller).word;

  // Exactly one reply's length: these return as soon as it is in.
  if (const Reply r = ReadRegister(kRatingCodeRegister, kMonitorShortReceiveLength); r.Ok()) {
    scale_.ratingCode = r.value;
  }
  if (const Reply r = ReadRegister(kRatedVoltageRegister, kMonitorShortReceiveLength); r.Ok()) {
    scale_.ratedVoltage = static_cast<uint16_t>(r.value);
  }
  if (const Reply r = ReadRegister(kRatedCurrentRegister, kMonitorShortReceiveLength); r.Ok()) {
    scale_.ratedCurrent = r.value;
  }
  if (trend_ != nullptr) trend_->SetOutputScale(scale_.controlMode, scale_.ratedVoltage, scale_.ratedCurrent);

  model_ = kMonitorModelKlv40;
  display_.alarmRowCaption = kAlarmDigitalCaption;
  display_.layout = MonitorLayout::Full;
}

void MonitorSession::ShowOneSeries(MonitorLayout layout) {
  display_.layout = layout;
  display_.alarmRowCaption = kAlarmOnlyCaption;
  display_.outputCaption = kPercentOutputCaption;
}

bool MonitorSession::Applies(const MonitorEntry& entry) const {
  return (entry.modelMask & model_) != 0 && (entry.optionMask == 0 || (entry.optionMask & optionBits_) != 0);
}

std::optional<MonitorPoll> MonitorSession::PollNextRegister(bool probing) {
  const MonitorCatalogue catalogue = GetMonitorCatalogue();
  const auto isEnd = [&](int index) {
    return index < 0 || static_cast<std::size_t>(index) >= catalogue.size() ||
           catalogue[static_cast<std::size_t>(index)].address == kEndAddress;
  };
  const auto entryAt = [&](int index) -> const MonitorEntry& { return catalogue[static_cast<std::size_t>(index)]; };

  int index = isEnd(pollingIndex_) ? 0 : pollingIndex_;
  while (!isEnd(index) && !Applies(entryAt(index))) ++index;
  if (isEnd(index)) {
    index = 0;
    while (!isEnd(index) && !Applies(entryAt(index))) ++index;
    // Row 0 applies to every model; should nothing apply, the first row is read.
    if (isEnd(index)) index = 0;
  }
  const MonitorEntry& entry = entryAt(index);

  Reply reply = ReadRegister(entry.address, kMonitorReceiveLength);
  if (probing && reply.result == ExchangeResult::NoResponse) return std::nullopt;
  // After silence a late reply may still be on its way, and a reply that
  // follows silence may have been it: the line is watched for a read
  // time-out, so that a late reply never shows as this row's or the next
  // one's. A device silent for a whole round is not watched for, so a lost
  // line is found as soon as before.
  const bool silent = reply.result == ExchangeResult::NoResponse;
  if ((silent || lastPollSilent_) && silentRounds_ == 0 && TakeStrayFrame(true)) reply = Reply{};
  lastPollSilent_ = silent;
  const MonitorReading reading =
      FormatReading(entry.address, reply.result, static_cast<uint16_t>(reply.value), scale_, display_.rowTexts[kLoadCurrentRow]);
  // A lamp row without a good reading shows its lamps as not known: a lamp
  // left lit would show an output state the device no longer confirms, and
  // one drawn dark a state it never reported.
  const bool lampRow = entry.address == kAlarmOutputRegister || entry.address == kDigitalInputRegister;
  if (lampRow) {
    const auto state = [&](int bit) {
      return reading.lampBits ? ((*reading.lampBits >> bit) & 1) : kLampUnknown;
    };
    if (entry.address == kAlarmOutputRegister) {
      for (int bit = 0; bit < 4; ++bit) display_.SetLamp(bit, state(bit));
    } else {
      for (int bit = 0; bit < 3; ++bit) display_.SetLamp(4 + bit, state(bit));
    }
  }
  if (reply.result != ExchangeResult::NoResponse) {
    replyThisRound_ = true;
    silentRounds_ = 0;
    display_.lineLost = false;
  }
  if (index == kOutputRow) lastOutput_ = std::to_string(reading.value);
  if (index == kControlInputRow) {
    lastInput_ = std::to_string(reading.value);
    if (trend_ != nullptr) trend_->PostSample(TextToValue(lastInput_), TextToValue(lastOutput_));
  }
  display_.MarkPolledRow(index);
  display_.rowTexts[static_cast<std::size_t>(index)] = reading.text;

  MonitorPoll poll;
  poll.row = index;
  poll.address = entry.address;
  poll.text = reading.text;
  poll.cycleEnd = true;
  for (int next = index + 1; !isEnd(next); ++next) {
    if (Applies(entryAt(next))) {
      poll.cycleEnd = false;
      break;
    }
  }
  lastPolledRow_ = index;
  if (poll.cycleEnd) {
    if (replyThisRound_) answeredSinceStart_ = true;
    if (!replyThisRound_ && ++silentRounds_ >= kRoundsUntilLineLost) display_.lineLost = true;
    replyThisRound_ = false;
    strayRounds_ = strayThisRound_ ? strayRounds_ + 1 : 0;
    display_.outOfStep = strayRounds_ >= kStrayRoundsUntilOutOfStep;
    strayThisRound_ = false;
  }
  pollingIndex_ = index + 1;
  return poll;
}

}  // namespace klv
