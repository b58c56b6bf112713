#pragma once
// The data record of the monitor: control input and output written to
// datalog.csv once per sampling period for the record time, counted in
// changes of the wall-clock second seen at the monitor's ticks, with the
// status line and progress the window shows.
//
// How the file is written: when the recording starts, the file is replaced,
// through SaveFileAtomically, by one holding the header alone; every row is
// then appended and flushed to the disk (AppendFile) before the tick goes
// on. So the file on disk always holds the header and every row written so
// far, and a crash or a pulled plug mid-record leaves them; bytes written
// stay close to the file's size (a 24-hour record at 1 s: 86400 rows, about
// 1.7 MB, written once). A file that cannot be created leaves the previous
// datalog.csv as it was.
//
// A row that cannot be appended (full disk, removed file, pulled stick)
// stays in memory and goes to disk with the next row (or the end of the
// recording, a stop or the window's closing); meanwhile the status line says
// so. A line torn by a failed write or by a crash is cut where the program
// meets the file again: each reopening for the next row cuts whatever
// follows the file's last line end (AppendFile::Open), and the next start
// replaces the whole file by a new header. Should the file on disk no longer
// match what was written (removed, or cut short by someone else), it is
// saved whole again from the record kept in memory, then appended to as
// before.
//
// A missing reading has one mark in the file: -32768, the value the monitor
// gives a register that did not answer. A quantity not read since the start
// (or while the line is lost) is written the same way, so every cell of the
// value columns is a number.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "text/texts.h"
#include "platform/append_file.h"
#include "platform/clock.h"
#include "serial/comm_settings.h"

namespace klv {

// The first line of datalog.csv. The record's layout stays as the program
// has always written it - clock time alone, then control input and output
// as the monitor window shows them (-32768 for no
// reply) - because spreadsheets and scripts at the line read it so. The
// graph's "Save data" (monitor/trend_export.h) has its own columns, date and
// time and percent as drawn, and the manual says how the two differ.
inline constexpr std::string_view kDataLogHeader = "Time, Input, Output\r\n";
// With several units on one bus each unit has the pair of columns, headed
// with its address, in the order the units are polled, so a script that
// reads one unit's record reads a bus's by taking the pair it wants:
// "Time, U1 Input, U1 Output, U3 Input, U3 Output". One address or none:
// kDataLogHeader.
std::string DataLogHeader(std::span<const int32_t> addresses);
// Full scale of the progress bar.
inline constexpr int kRecordProgressRange = 1000;

// The status line while recording is the sampling text followed directly by
// the record-time text, for example "10sec-sample 10min-log " or, in
// Japanese, "10秒周期 10分記録 ".
// "10sec-sample " (10), "1min-sample " (60), "5min-sample " (300), "??-sample ";
// Japanese "10秒周期 ", "1分周期 ", "5分周期 ", "??周期 ".
std::string_view SamplingText(int32_t samplingPeriod, Language language);
// "10min-log " (600), "1hour-log " (3600), "24hour-log " (86400), "??-log ";
// Japanese "10分記録 ", "1時間記録 ", "24時間記録 ", "??記録 ".
std::string_view RecordTimeText(int32_t recordTime, Language language);

// The sampling period and record time a recording runs with. The settings
// screen offers 10 s to 5 min and 10 min to 24 hours; values outside those
// (a settings file edited by hand, the command-line tool) are used as they
// are with two exceptions: a sampling period below 1 s is taken as 10 s (the
// screen's own replacement), and a record time shorter than the sampling
// period is stretched to one sampling period. So a recording always writes
// at least one row and the row count that divides the progress is never 0.
struct RecordPlan {
  int32_t samplingPeriod = 10;
  int32_t recordTime = 600;
  int32_t expectedRows = 60;
};
RecordPlan PlanRecording(int32_t samplingPeriod, int32_t recordTime);

class DataRecorder {
 public:
  // files opens the file rows are appended to (the system's by default).
  DataRecorder(Clock& clock, Language language, AppendFileFactory files = MakeSystemAppendFile)
      : clock_(clock), language_(language), files_(std::move(files)) {}
  DataRecorder(const DataRecorder&) = delete;
  DataRecorder& operator=(const DataRecorder&) = delete;

  struct PrepareOutcome {
    bool fileFailed = false;  // armed, but the file could not be created: show text 175
    std::string error;        // the system's reason
  };

  // The start of monitoring: counters, progress and status reset; when
  // armed, the status shows the settings' texts and the file at path is
  // replaced by the header. An empty path cannot be created.
  PrepareOutcome Prepare(bool armed, const CommSettings& settings, const std::filesystem::path& path);

  // The recording goes on in a new file at path (another regulator met, for
  // example): the rows so far are finished in the current file, and the new
  // file is created with the header; the plan, the counters, the rows
  // written and the progress go on as they were. A failure is reported as
  // Prepare reports it, and the recording goes on armed without a file. Does
  // nothing when no recording is running.
  PrepareOutcome ContinueInNewFile(const std::filesystem::path& path);

  // The first step of every monitor tick: counts a second when the wall
  // clock's second has changed since the previous tick, writes a row at the
  // end of each sampling period, and ends the recording once the record time
  // is over. lastInput and lastOutput are the monitor's last texts.
  void Tick(std::string_view lastInput, std::string_view lastOutput);

  // One unit's last texts for a row.
  struct UnitReading {
    std::string_view input;
    std::string_view output;
  };
  // Several units on one bus: the header names each address (DataLogHeader)
  // and a row holds one pair per unit, in the same order. A row waits for a
  // polling round of every unit to end after the previous row, so no row
  // repeats values of a round that has not been read again: when a round
  // takes longer than the sampling period, the rows come at the pace of the
  // rounds. Set before Prepare; without it the record has the one unit's
  // columns and rows come at the sampling period, as the window's record.
  void SetUnitAddresses(std::vector<int32_t> addresses);
  // Ticks with every unit's texts, in the order of SetUnitAddresses.
  void Tick(std::span<const UnitReading> units);
  // Every unit of the bus has been polled once more.
  void RoundComplete() { roundComplete_ = true; }

  // Monitoring stops: status empty, progress 0, an open record is finished.
  void Stop();
  // The window closes: an open record is finished.
  void Close();

  bool Recording() const { return recording_; }
  bool FileOpen() const { return fileOpen_; }
  int RowsWritten() const { return rowsWritten_; }
  int ExpectedRows() const { return plan_.expectedRows; }
  int Progress() const { return progress_; }
  const std::string& Status() const { return status_; }
  // The record as it stands (header and rows), saved or not.
  const std::string& Contents() const { return contents_; }
  // The last save failed; the rows wait in memory for the next one.
  bool Unsaved() const { return unsaved_; }
  // The system's reason why the last save, or the file's creation, failed.
  const std::string& SaveError() const { return saveError_; }

 private:
  PrepareOutcome CreateFile(const std::filesystem::path& path);
  void Save();
  bool WritePending(std::string& error);
  void Finish();
  std::string SettingsStatus() const;

  Clock& clock_;
  Language language_;
  std::filesystem::path path_;
  RecordPlan plan_;
  int32_t storedSampling_ = 10;
  int32_t storedRecordTime_ = 600;
  bool recording_ = false;
  bool fileOpen_ = false;
  bool unsaved_ = false;
  int sampleCounter_ = 0;
  int elapsedCounter_ = 0;
  int rowsWritten_ = 0;
  int progress_ = 0;
  // The second seen at the previous tick; kept from one recording to the next.
  int previousSecond_ = 0;
  std::string status_;
  std::string contents_;
  // How much of contents_ is on disk.
  std::size_t savedLength_ = 0;
  AppendFileFactory files_;
  std::unique_ptr<AppendFile> file_;  // open while the file matches savedLength_
  std::string saveError_;
  // Several units: their addresses; a row is due, and a round has ended since the last row.
  std::vector<int32_t> unitAddresses_;
  bool rowDue_ = false;
  bool roundComplete_ = false;
};

}  // namespace klv
