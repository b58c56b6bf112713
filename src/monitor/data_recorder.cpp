#include "monitor/data_recorder.h"

#include <cstdio>

#include "monitor/monitor_values.h"
#include "platform/file_store.h"
#include "text/texts.h"

namespace klv {
namespace {

// A sampling period that cannot count (0 or negative) becomes the settings
// screen's own default.
constexpr int32_t kFallbackSamplingPeriod = 10;

// A value as the file holds it: a quantity not read is written as one that
// did not answer.
std::string RecordedValue(std::string_view text) {
  return text == kNoReadingText ? std::to_string(kNoReplyValue) : std::string(text);
}

// "HH:MM:SS,input,output" (a pair per unit) and CR LF.
std::string Row(const LocalTime& time, std::span<const DataRecorder::UnitReading> units) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  std::string row(stamp);
  for (const DataRecorder::UnitReading& unit : units) {
    row += ',';
    row += RecordedValue(unit.input);
    row += ',';
    row += RecordedValue(unit.output);
  }
  row += "\r\n";
  return row;
}

}  // namespace

std::string DataLogHeader(std::span<const int32_t> addresses) {
  if (addresses.size() < 2) return std::string(kDataLogHeader);
  std::string header = "Time";
  for (const int32_t address : addresses) {
    const std::string unit = "U" + std::to_string(address);
    header += ", " + unit + " Input, " + unit + " Output";
  }
  return header + "\r\n";
}

void DataRecorder::SetUnitAddresses(std::vector<int32_t> addresses) { unitAddresses_ = std::move(addresses); }

std::string_view SamplingText(int32_t samplingPeriod, Language language) {
  switch (samplingPeriod) {
    case 10: return Text(TextId::Sampling10Seconds, language);
    case 60: return Text(TextId::Sampling1Minute, language);
    case 300: return Text(TextId::Sampling5Minutes, language);
    default: return Text(TextId::SamplingUnknown, language);
  }
}

std::string_view RecordTimeText(int32_t recordTime, Language language) {
  switch (recordTime) {
    case 600: return Text(TextId::Recording10Minutes, language);
    case 3600: return Text(TextId::Recording1Hour, language);
    case 86400: return Text(TextId::Recording24Hours, language);
    default: return Text(TextId::RecordingUnknown, language);
  }
}

RecordPlan PlanRecording(int32_t samplingPeriod, int32_t recordTime) {
  RecordPlan plan;
  plan.samplingPeriod = samplingPeriod >= 1 ? samplingPeriod : kFallbackSamplingPeriod;
  plan.recordTime = recordTime >= plan.samplingPeriod ? recordTime : plan.samplingPeriod;
  plan.expectedRows = plan.recordTime / plan.samplingPeriod;
  return plan;
}

DataRecorder::PrepareOutcome DataRecorder::Prepare(bool armed, const CommSettings& settings,
                                                   const std::filesystem::path& path) {
  if (fileOpen_) Finish();
  recording_ = armed;
  fileOpen_ = false;
  unsaved_ = false;
  saveError_.clear();
  sampleCounter_ = 0;
  elapsedCounter_ = 0;
  rowsWritten_ = 0;
  progress_ = 0;
  rowDue_ = false;
  roundComplete_ = false;
  storedSampling_ = settings.samplingInterval;
  storedRecordTime_ = settings.recordDuration;
  plan_ = PlanRecording(settings.samplingInterval, settings.recordDuration);
  status_.clear();
  contents_.clear();
  savedLength_ = 0;
  file_.reset();
  if (!recording_) return {};

  status_ = SettingsStatus();
  return CreateFile(path);
}

DataRecorder::PrepareOutcome DataRecorder::ContinueInNewFile(const std::filesystem::path& path) {
  if (!recording_) return {};
  if (fileOpen_) Finish();
  status_ = SettingsStatus();
  const PrepareOutcome created = CreateFile(path);
  // Nobody shows a message mid-record: the status line says it.
  if (created.fileFailed) status_ = Text(TextId::LogFileCannotBeCreated, language_);
  return created;
}

DataRecorder::PrepareOutcome DataRecorder::CreateFile(const std::filesystem::path& path) {
  path_ = path;
  fileOpen_ = false;
  unsaved_ = false;
  saveError_.clear();
  contents_.clear();
  savedLength_ = 0;
  file_.reset();
  if (path_.empty()) {
    saveError_ = "no data folder";
    return {true, saveError_};
  }
  const std::string header = DataLogHeader(unitAddresses_);
  const SaveOutcome saved = SaveFileAtomically(path_, header);
  if (!saved.ok) {
    saveError_ = saved.error;
    return {true, saved.error};
  }
  contents_ = header;
  savedLength_ = header.size();
  fileOpen_ = true;
  return {};
}

void DataRecorder::Tick(std::string_view lastInput, std::string_view lastOutput) {
  const UnitReading unit{lastInput, lastOutput};
  Tick(std::span<const UnitReading>(&unit, 1));
}

void DataRecorder::Tick(std::span<const UnitReading> units) {
  if (!recording_) return;
  const LocalTime now = clock_.LocalNow();
  // A time the system could not convert has no day; it counts as second -1.
  const int second = (now.month == 0 || now.day == 0) ? -1 : now.second;
  if (second == previousSecond_) return;
  previousSecond_ = second;

  ++sampleCounter_;
  ++elapsedCounter_;
  bool write = false;
  if (sampleCounter_ >= plan_.samplingPeriod) {
    sampleCounter_ = 0;
    write = true;
  }
  if (elapsedCounter_ > plan_.recordTime) {
    // One counted second after the last row: the record is over.
    recording_ = false;
    if (fileOpen_) {
      Finish();
      sampleCounter_ = 0;
      elapsedCounter_ = 0;
      status_ = Text(unsaved_ ? TextId::LogFileCannotBeCreated : TextId::DataRecordComplete, language_);
    }
    return;
  }
  if (!unitAddresses_.empty()) {
    // A bus: the row waits for the round under way to end.
    rowDue_ = rowDue_ || write;
    write = rowDue_ && roundComplete_;
    if (write) rowDue_ = roundComplete_ = false;
  }
  if (write && fileOpen_) {
    contents_ += Row(now, units);
    ++rowsWritten_;
    Save();
    progress_ = static_cast<int>(int64_t{rowsWritten_} * kRecordProgressRange / plan_.expectedRows);
  }
}

void DataRecorder::Stop() {
  status_.clear();
  progress_ = 0;
  if (recording_) {
    if (fileOpen_) Finish();
    recording_ = false;
  }
}

void DataRecorder::Close() {
  if (fileOpen_) Finish();
}

void DataRecorder::Save() {
  std::string error;
  if (WritePending(error)) {
    if (unsaved_ && recording_) status_ = SettingsStatus();
    unsaved_ = false;
    saveError_.clear();
    return;
  }
  unsaved_ = true;
  saveError_ = error;
  status_ = Text(TextId::LogFileCannotBeCreated, language_);
}

bool DataRecorder::WritePending(std::string& error) {
  if (savedLength_ == contents_.size()) return true;
  if (!file_) {
    // The first row, or the first after a failure: the file is opened again
    // (which cuts a torn last line) and must hold exactly what was saved.
    std::unique_ptr<AppendFile> file = files_();
    const SaveOutcome opened = file->Open(path_);
    if (!opened.ok || file->Length() != savedLength_) {
      // Gone, or not the record any more: the whole record is saved again.
      const SaveOutcome whole = SaveFileAtomically(path_, contents_);
      if (!whole.ok) {
        error = whole.error;
        return false;
      }
      savedLength_ = contents_.size();
      return true;
    }
    file_ = std::move(file);
  }
  const SaveOutcome appended = file_->Append(std::string_view(contents_).substr(savedLength_));
  if (!appended.ok) {
    file_.reset();
    error = appended.error;
    return false;
  }
  savedLength_ = contents_.size();
  return true;
}

void DataRecorder::Finish() {
  if (savedLength_ != contents_.size()) Save();
  file_.reset();
  fileOpen_ = false;
}

std::string DataRecorder::SettingsStatus() const {
  std::string status(SamplingText(storedSampling_, language_));
  status += RecordTimeText(storedRecordTime_, language_);
  return status;
}

}  // namespace klv
