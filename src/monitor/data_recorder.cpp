#include "monitor/data_recorder.h"

#include <cstdio>

#include "platform/file_store.h"

namespace klv {
namespace {


// A sampling period that cannot count (0 or negative) becomes the settings
// screen's own default.
constexpr int32_t kFallbackSamplingPeriod = 10;

// "HH:MM:SS,input,output" and CR LF.
std::string Row(const LocalTime& time, std::string_view input, std::string_view output) {
  char stamp[16];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d", time.hour, time.minute, time.second);
  std::string row(stamp);
  row += ',';
  row += input;
  row += ',';
  row += output;
  row += "\r\n";
  return row;
}

}  // namespace

std::string_view SamplingText(int32_t samplingPeriod, Language language) {
  const bool japanese = language == Language::Japanese;
  switch (samplingPeriod) {
    case 10: return japanese ? "10秒周期 " : "10sec-sample ";
    case 60: return japanese ? "1分周期 " : "1min-sample ";
    case 300: return japanese ? "5分周期 " : "5min-sample ";
    default: return japanese ? "\?\?周期 " : "\?\?-sample ";
  }
}

std::string_view RecordTimeText(int32_t recordTime, Language language) {
  const bool japanese = language == Language::Japanese;
  switch (recordTime) {
    case 600: return japanese ? "10分記録 " : "10min-log ";
    case 3600: return japanese ? "1時間記録 " : "1hour-log ";
    case 86400: return japanese ? "24時間記録 " : "24hour-log ";
    default: return japanese ? "\?\?記録 " : "\?\?-log ";
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
  storedSampling_ = settings.samplingInterval;
  storedRecordTime_ = settings.recordDuration;
  plan_ = PlanRecording(settings.samplingInterval, settings.recordDuration);
  status_.clear();
  contents_.clear();
  if (!recording_) return {};

  status_ = SettingsStatus();
  path_ = path;
  if (path_.empty()) {
    saveError_ = "no data folder";
    return {true, saveError_};
  }
  const std::string header(kDataLogHeader);
  const SaveOutcome saved = SaveFileAtomically(path_, header);
  if (!saved.ok) {
    saveError_ = saved.error;
    return {true, saved.error};
  }
  contents_ = header;
  fileOpen_ = true;
  return {};
}

DataRecorder::PrepareOutcome DataRecorder::ContinueInNewFile(const std::filesystem::path& path) {
  if (!recording_) return {};
  if (fileOpen_) Finish();
  path_ = path;
  unsaved_ = false;
  saveError_.clear();
  const std::string header(kDataLogHeader);
  const SaveOutcome saved = SaveFileAtomically(path_, header);
  if (!saved.ok) {
    saveError_ = saved.error;
    status_ = Text(TextId::LogFileCannotBeCreated, language_);
    return {true, saved.error};
  }
  contents_ = header;
  fileOpen_ = true;
  return {};
}

void DataRecorder::Tick(std::string_view lastInput, std::string_view lastOutput) {
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
  if (write && fileOpen_) {
    contents_ += Row(now, lastInput, lastOutput);
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
  const SaveOutcome saved = SaveFileAtomically(path_, contents_);
  if (saved.ok) {
    if (unsaved_ && recording_) status_ = SettingsStatus();
    unsaved_ = false;
    saveError_.clear();
    return;
  }
  unsaved_ = true;
  saveError_ = saved.error;
  status_ = Text(TextId::LogFileCannotBeCreated, language_);
}

void DataRecorder::Finish() {
  if (unsaved_) Save();
  fileOpen_ = false;
}

std::string DataRecorder::SettingsStatus() const {
  std::string status(SamplingText(storedSampling_, language_));
  status += RecordTimeText(storedRecordTime_, language_);
  return status;
}

}  // namespace klv
