#pragma once
// The monitor without its window: starting (port, data record, model
// identification with the readings the display rules need), one register per
// tick round-robin over the monitor catalogue, stopping and closing. The
// window drives Tick from its timer, the command-line tool from its own loop;
// both show what Display() holds. Time comes from the Clock.
//
// The monitor's exchanges are checked one-register reads on the connection,
// not logged, with a receive of 90 bytes (16 for 0114, 013C and 0115, which
// then return as soon as the one-register reply is in). Only
// ReadOptionInfo logs its own exchanges into the communication log, whose
// fixed room bounds them.
//
// Everything runs on one thread; a tick blocks for one exchange or, while
// the line is lost, for one attempt to open the port again.
#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "text/texts.h"
#include "model/register_catalogue.h"
#include "monitor/data_recorder.h"
#include "monitor/monitor_values.h"
#include "monitor/poll_schedule.h"
#include "monitor/trend_history.h"
#include "platform/clock.h"
#include "serial/connection.h"
#include "serial/frame_buffer.h"

namespace klv {

// The monitor's period: one register per tick.
inline constexpr std::chrono::milliseconds kMonitorPollPeriod{200};
// Pauses after the identification and after closing the port.
inline constexpr std::chrono::milliseconds kMonitorStartPause{100};
inline constexpr std::chrono::milliseconds kMonitorStopPause{200};
// Bytes asked for by a poll and by the three rating reads.
inline constexpr std::size_t kMonitorReceiveLength = 90;
inline constexpr std::size_t kMonitorShortReceiveLength = 16;

// Lamps of SetLamp: 0-3 AL1, AL2, DO1, DO2 (red); 4-6 DI1, DI2, DI3 (green).
inline constexpr int kLampCount = 7;
// Lamp states: off, on, and not known (drawn grey) while no good reading
// says which.
inline constexpr int kLampOff = 0;
inline constexpr int kLampOn = 1;
inline constexpr int kLampUnknown = 2;
// MarkPolledRow with this index darkens every marker.
inline constexpr int kNoMarkedRow = 12;

// Which rows the window shows.
enum class MonitorLayout {
  Full,  // KLV40: every row, lamp and label
  Klv30,   // rows 1, 3, 9, 10, 11 and every lamp but AL1 hidden
  Klv30E,  // as the KLV30, with row 9 and lamp DI1 shown
};

// What the monitor shows; the window and the tool read it after each call.
struct MonitorDisplay {
  std::string title = "Monitor";  // "モニタ" in Japanese, set by the session
  std::array<std::string, kMonitorRowCount> rowTexts;
  std::array<int, kLampCount> lamps{};  // kLampOff, kLampOn, kLampUnknown
  int markedRow = kNoMarkedRow;          // the row read last; 12 and above: none
  MonitorLayout layout = MonitorLayout::Full;
  // Caption keys (English, for Caption(Screen::Monitor, ...)).
  std::string_view outputCaption = "Output ( x 0.1% )";
  std::string_view alarmRowCaption = "AL/DO output";
  // Three whole polling rounds passed without one good reply from the
  // device: the port is closed and opened again every 2 s until the device
  // answers; the status line says so meanwhile.
  bool lineLost = false;
  // The device answers again after a lost line: said for a few seconds.
  bool lineBack = false;
  // Another unit answered than the one identified before (after a
  // reconnect, or once a unit unknown at the start identified): its name
  // ("KLV30E") and the name of the file the record went on in (empty when
  // nothing is recorded), said for a while; empty otherwise.
  std::string unitChangedTo;
  std::string unitRecordFile;
  // Rounds in a row in which a frame came that no request was waiting for:
  // replies are out of step with the requests.
  bool outOfStep = false;

  MonitorDisplay() { rowTexts.fill(std::string(kNoReadingText)); }

  // A state above 3 or a negative index does nothing; so does an index past
  // the lamps.
  void SetLamp(int index, int state);
  // The marker of index lights, the others go dark; an index outside 0-11
  // darkens all, a negative one does nothing.
  void MarkPolledRow(int index);
  bool RowShown(int row) const;
  bool LampShown(int index) const;
};

// How the identification of a start went.
enum class MonitorIdentification {
  Klv40,
  Klv30,
  Klv30E,
  OtherCode,   // 0110 or 0119 answered with a code of no known model: "Monitor - ??"
  NoAnswer,    // neither register answered normally: nothing changed
};

// Whole polling rounds without a good reply after which the line counts as lost.
inline constexpr int kRoundsUntilLineLost = 3;
// Polling rounds in a row with stray frames after which the status line says
// the replies are out of step.
inline constexpr int kStrayRoundsUntilOutOfStep = 3;

// How often the port is opened again while the line is lost, and how long
// the status line says that the line is back.
inline constexpr std::chrono::seconds kReopenPeriod{2};
inline constexpr std::chrono::seconds kLineBackShownFor{5};

// The words for a lost line, in the window's language.
std::string_view LineLostText(Language language);
// The status line's words for the line, or empty while nothing is to be
// said: the line is lost and being reopened, its replies are out of step,
// or it has just come back.
std::string_view LineStatusText(const MonitorDisplay& display, Language language);

// How often the identification is tried again while the model is unknown,
// and how long the status line says that another unit answered.
inline constexpr std::chrono::seconds kIdentifyAgainPeriod{2};
inline constexpr std::chrono::seconds kUnitChangeShownFor{10};

// The status line's words for a change of unit, or empty when there is none
// to tell: "Another unit: KLV30E; record goes on in datalog-20261211-104205.csv".
std::string UnitChangeText(const MonitorDisplay& display, Language language);

// One tick's poll.
struct MonitorPoll {
  int row = 0;                 // the row (catalogue index) read
  Register address;            // its register
  std::string text;            // what the row now shows
  // No row after this one applies: the polling cycle is complete and the
  // next tick starts again at the top.
  bool cycleEnd = false;
};

// What a window shows of a session, copied, so that the thread that polls
// and the thread that draws never share the session itself.
struct MonitorView {
  MonitorDisplay display;
  std::string recordStatus;
  int recordProgress = 0;
  bool running = false;
  // Running, and no good reply at all since the start: the status line says
  // what was tried instead of a lost line.
  bool nothingAnswered = false;
  std::string noReplyText;  // then: "No reply from address 5 on COM5 (...)." and what to do
  std::optional<MonitorPoll> lastPoll;
};

class MonitorSession;
// The session's view as it stands, with the poll of the last tick.
MonitorView ViewOf(const MonitorSession& session, std::optional<MonitorPoll> lastPoll);

// How regular the ticks came since the start of monitoring: the intervals
// between the starts of consecutive ticks.
struct TickPeriods {
  int intervals = 0;
  double meanMs = 0;
  double spreadMs = 0;  // standard deviation
  double minMs = 0;
  double maxMs = 0;
};

// Shows a message (owned by the window) and returns when it is closed.
using MonitorMessage = std::function<void(std::string_view)>;

class MonitorSession {
 public:
  // connection: the caller's, which outlives the session; its log takes the
  // option reading's entries.
  MonitorSession(Connection& connection, Clock& clock, Language language);
  MonitorSession(const MonitorSession&) = delete;
  MonitorSession& operator=(const MonitorSession&) = delete;

  // The graph that takes the samples, or none (no graph window exists).
  void SetTrend(TrendSink* trend) { trend_ = trend; }

  // The session is one unit of several on one bus (BusMonitor): the bus
  // opens and closes the port, sets the unit's address before each call,
  // runs the schedule, the stray check and the data record, and calls Step.
  // A unit that stops answering is asked again every 2 s without closing
  // the port that the other units still use; should the port be closed
  // (every unit lost), the attempt opens it and asks at once.
  void ShareLine() { sharedLine_ = true; }
  // One tick's work at the time now, without the schedule, the stray check
  // and the record: an identification, a poll, or while the unit is lost an
  // attempt to reach it.
  std::optional<MonitorPoll> Step();
  // Lost, and the next attempt to reach the unit is not due yet: a Step
  // would do nothing.
  bool Waiting() const;
  // Bytes on the line since the last poll are a frame nobody asked for: the
  // reading taken last loses its value. True when there were any.
  bool VoidIfStray();

  struct StartOutcome {
    bool started = false;
    std::string portMessage;  // the port's failure text when not started
  };
  // StartMonitoring: opens the port (on failure nothing else changes),
  // prepares the data record when armed (a file that cannot be created is
  // reported through showMessage with text 175, and monitoring goes on),
  // identifies the model, pauses 100 ms, clears the graph's histories and
  // schedules the first tick one period later.
  //
  // The identification is made again after every reconnection of a lost
  // line and, while the model is unknown (no answer, or a code of no known
  // model), every 2 s in place of a tick's poll. When it finds another unit
  // than the one identified before (model, control mode or options differ),
  // the window follows the new unit (title, layout, captions, rows back to
  // no reading), the status line says so for a while, and a record under
  // way goes on in a new file beside dataLogPath named with the local time
  // (DatedLogPath), so that no file mixes two units.
  StartOutcome Start(bool recordArmed, const std::filesystem::path& dataLogPath, const MonitorMessage& showMessage);

  // The timer's handler: when a tick is due and monitoring runs, the data
  // record step and one register's poll; nothing otherwise. While the line
  // is lost, a tick polls nothing: every 2 s it opens the port again, and
  // the tick after an opening polls the row where polling stopped; a reply
  // of any kind ends the loss and polling goes on from there, silence
  // closes the port until the next attempt.
  std::optional<MonitorPoll> Tick();
  // How long until the next tick is due.
  Clock::Duration UntilNextTick() const;

  // StopMonitoring: closes the port, pauses 200 ms, ends the data record,
  // darkens the markers and clears the graph's new-sample flag. Values,
  // lamps, title and layout keep their last state; a lost line is no longer
  // reopened or reported.
  void Stop();
  // The window closes: the data record is finished and the port closed
  // (also when monitoring was not running).
  void Close();

  bool Running() const { return running_; }
  const MonitorDisplay& Display() const { return display_; }
  const DataRecorder& Recorder() const { return recorder_; }
  MonitorIdentification LastIdentification() const { return identification_; }
  // Some normal reply came (identification or a whole round) since the start.
  bool AnsweredSinceStart() const { return answeredSinceStart_ || replyThisRound_; }
  // The line tried and what to do, for a start that nothing answered.
  std::string NoReplyText() const;
  // The bit of MonitorEntry::modelMask of the model polled.
  int16_t MonitoredModel() const { return model_; }
  uint16_t OptionBits() const { return optionBits_; }
  const MonitorScale& Scale() const { return scale_; }
  int PollingIndex() const { return pollingIndex_; }
  const std::string& LastInputText() const { return lastInput_; }
  const std::string& LastOutputText() const { return lastOutput_; }
  // Ticks merged away because they fell due during a slow exchange.
  int MergedTicks() const { return mergedTicks_; }
  // Attempts to open the port again since the start, and how many found
  // the device answering.
  int ReopenAttempts() const { return reopenAttempts_; }
  int Reconnections() const { return reconnections_; }
  // Changes of unit since the start, and the file the record goes to now.
  int UnitChanges() const { return unitChanges_; }
  const std::filesystem::path& RecordPath() const { return recordPath_; }
  TickPeriods Periods() const;

 private:
  // One read through the connection; a reply with two frames marks the
  // round as out of step.
  Reply ReadRegister(Register address, std::size_t wanted);
  // What tells one unit from another: the model code, a KLV40's control mode
  // and the options.
  struct UnitIdentity {
    MonitorIdentification identification = MonitorIdentification::NoAnswer;
    int16_t code = 0;
    int16_t controlMode = 0;
    uint16_t options = 0;
    friend bool operator==(const UnitIdentity&, const UnitIdentity&) = default;
  };
  // Bytes on the line before a poll, or after a poll next to silence, are a
  // frame nobody asked for (taken off the line; wait: for up to a read
  // time-out). True when there were any; they count for the round.
  bool TakeStrayFrame(bool wait);
  // The row read last loses its value (and its lamps their state), and the
  // record and graph their last value of it: a late or doubled reply never
  // stands as a value.
  void VoidLastReading();
  void IdentifyModel();
  bool ModelUnknown() const;
  // The identification once more, after a reconnection or while the model
  // is unknown; a unit other than the last one identified is taken over.
  void IdentifyAgain(Clock::TimePoint tickStart);
  void TakeOverNewUnit(Clock::TimePoint tickStart);
  void IdentifyKlv40();
  void ShowOneSeries(MonitorLayout layout);
  // One register's poll. When probing a reopened port, silence changes
  // nothing and gives no poll.
  std::optional<MonitorPoll> PollNextRegister(bool probing = false);
  bool Applies(const MonitorEntry& entry) const;
  // The window title's first word in the session's language.
  std::string TitleWord() const;
  void LoseLine(Clock::TimePoint tickStart);
  std::optional<MonitorPoll> Reconnect(Clock::TimePoint tickStart);
  std::optional<MonitorPoll> StepAt(Clock::TimePoint tickStart);

  Connection& connection_;
  Clock& clock_;
  Language language_;
  TrendSink* trend_ = nullptr;
  bool sharedLine_ = false;
  DataRecorder recorder_;
  PollSchedule schedule_{kMonitorPollPeriod};

  bool running_ = false;
  MonitorDisplay display_;
  MonitorIdentification identification_ = MonitorIdentification::NoAnswer;
  int16_t model_ = kMonitorModelKlv40;
  uint16_t optionBits_ = 0;
  MonitorScale scale_;
  int pollingIndex_ = 0;
  std::string lastInput_{kNoReadingText};
  std::string lastOutput_{kNoReadingText};
  int mergedTicks_ = 0;
  // Polling rounds in a row without any good reply, and whether the round
  // under way has had one.
  int silentRounds_ = 0;
  bool replyThisRound_ = false;
  bool answeredSinceStart_ = false;
  // The row polled last (none: -1), whether the poll got no reply at all,
  // and rounds in a row with stray frames.
  int lastPolledRow_ = -1;
  bool lastPollSilent_ = false;
  bool strayThisRound_ = false;
  int strayRounds_ = 0;
  // While the line is lost: when the port is next opened again; the port is
  // open only from an attempt that opened it to the tick that probes it.
  Clock::TimePoint nextReopen_{};
  std::optional<Clock::TimePoint> lineBackUntil_;
  int reopenAttempts_ = 0;
  int reconnections_ = 0;
  // The unit identified last (none until one answered), the code of the last
  // identification, and when it is tried again while the model is unknown.
  std::optional<UnitIdentity> unit_;
  int16_t identifiedCode_ = 0;
  Clock::TimePoint nextIdentify_{};
  std::optional<Clock::TimePoint> unitChangeUntil_;
  int unitChanges_ = 0;
  // The record's file as given at the start, and the one it goes to now.
  std::filesystem::path dataLogPath_;
  std::filesystem::path recordPath_;
  // Tick intervals in milliseconds: count, sum, sum of squares, extremes.
  std::optional<Clock::TimePoint> lastTickStart_;
  int intervals_ = 0;
  double intervalSum_ = 0;
  double intervalSquares_ = 0;
  double intervalMin_ = 0;
  double intervalMax_ = 0;
};

}  // namespace klv
