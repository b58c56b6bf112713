// The data record on a fake clock: rows per sampling period counted in
// changes of the wall-clock second at five ticks a second, completion,
// stopping, rows appended (not the file rewritten), a file that cannot be
// created or appended to, a new file mid-record, and settings outside the
// settings screen's choices.
#include "monitor/data_recorder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "monitor/dated_log_name.h"
#include "monitor/monitor_rig.h"
#include "platform/file_store.h"
#include "support/fake_clock.h"

namespace klv {
namespace {

using testing::FakeClock;

// What the recorder's appends meet: failures on demand, each writing the
// first half of its bytes before it fails when torn (a write cut short).
struct AppendTrouble {
  int failures = 0;
  bool torn = false;
  std::size_t appended = 0;  // bytes of the appends that went through
};

// The system's file, with the trouble asked for.
class TroubledAppendFile final : public AppendFile {
 public:
  explicit TroubledAppendFile(AppendTrouble& trouble) : trouble_(trouble) {}
  SaveOutcome Open(const std::filesystem::path& path) override { return file_->Open(path); }
  uint64_t Length() const override { return file_->Length(); }
  SaveOutcome Append(std::string_view bytes) override {
    if (trouble_.failures > 0) {
      --trouble_.failures;
      if (trouble_.torn) file_->Append(bytes.substr(0, bytes.size() / 2));
      return {false, SystemErrorText(EIO)};
    }
    const SaveOutcome outcome = file_->Append(bytes);
    if (outcome.ok) trouble_.appended += bytes.size();
    return outcome;
  }

 private:
  AppendTrouble& trouble_;
  std::unique_ptr<AppendFile> file_ = MakeSystemAppendFile();
};

ino_t InodeOf(const std::filesystem::path& path) {
  struct stat info {};
  return ::stat(path.string().c_str(), &info) == 0 ? info.st_ino : 0;
}

class DataRecorderTest : public ::testing::Test {
 protected:
  DataRecorderTest() { path_ = folder_.Path() / "datalog.csv"; }

  void Prepare(int32_t sampling, int32_t recordTime, bool armed = true) {
    settings_.samplingInterval = sampling;
    settings_.recordDuration = recordTime;
    outcome_ = recorder_.Prepare(armed, settings_, path_);
  }

  // Lets `seconds` wall-clock seconds pass, with the monitor's five ticks in
  // each of them.
  void RunSeconds(int seconds) {
    for (int s = 0; s < seconds; ++s) {
      ++wall_;
      clock_.SetLocalTime(LocalTime{2026, 12, 9, static_cast<int>(wall_ / 3600 % 24),
                                    static_cast<int>(wall_ / 60 % 60), static_cast<int>(wall_ % 60)});
      for (int tick = 0; tick < 5; ++tick) recorder_.Tick(input_, output_);
    }
  }

  std::string FileText() const {
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::vector<std::string> FileRows() const {
    std::vector<std::string> rows;
    const std::string text = FileText();
    std::size_t start = 0;
    while (start < text.size()) {
      const std::size_t end = text.find("\r\n", start);
      if (end == std::string::npos) {
        rows.push_back(text.substr(start) + "<no CR LF>");
        break;
      }
      rows.push_back(text.substr(start, end - start));
      start = end + 2;
    }
    return rows;
  }

  testing::MonitorTempFolder folder_;
  std::filesystem::path path_;
  FakeClock clock_;
  AppendTrouble trouble_;
  DataRecorder recorder_{clock_, Language::English, [this] { return std::make_unique<TroubledAppendFile>(trouble_); }};
  CommSettings settings_;
  DataRecorder::PrepareOutcome outcome_;
  long long wall_ = 8 * 3600 + 5 * 60 + 3;  // the fake clock's 08:05:03
  std::string input_ = "523";
  std::string output_ = "498";
};

TEST_F(DataRecorderTest, TenSecondsForTenMinutesWritesSixtyRowsThenCompletes) {
  Prepare(10, 600);
  ASSERT_FALSE(outcome_.fileFailed);
  EXPECT_EQ(recorder_.Status(), "10sec-sample 10min-log ");
  EXPECT_EQ(FileText(), "Time, Input, Output\r\n");

  RunSeconds(9);
  EXPECT_EQ(recorder_.RowsWritten(), 0);
  RunSeconds(1);
  ASSERT_EQ(recorder_.RowsWritten(), 1);
  EXPECT_EQ(FileRows().at(1), "08:05:13,523,498");  // after 10 counted seconds
  EXPECT_EQ(recorder_.Progress(), 16);              // 1 x 1000 / 60

  output_ = "-32768";
  RunSeconds(590);
  EXPECT_EQ(recorder_.RowsWritten(), 60);
  EXPECT_EQ(recorder_.Progress(), 1000);
  EXPECT_TRUE(recorder_.Recording());
  EXPECT_EQ(recorder_.Status(), "10sec-sample 10min-log ");

  RunSeconds(1);  // one counted second after the last row
  EXPECT_FALSE(recorder_.Recording());
  EXPECT_FALSE(recorder_.FileOpen());
  EXPECT_EQ(recorder_.Status(), "Data record complete");
  EXPECT_EQ(recorder_.Progress(), 1000);

  RunSeconds(30);
  const std::vector<std::string> rows = FileRows();
  ASSERT_EQ(rows.size(), 61u);
  EXPECT_EQ(rows.front(), "Time, Input, Output");
  EXPECT_EQ(rows.back(), "08:15:03,523,-32768");
}

TEST_F(DataRecorderTest, FiveMinutesForTenMinutesWritesTwoRows) {
  Prepare(300, 600);
  EXPECT_EQ(recorder_.Status(), "5min-sample 10min-log ");
  RunSeconds(300);
  EXPECT_EQ(recorder_.RowsWritten(), 1);
  EXPECT_EQ(recorder_.Progress(), 500);
  RunSeconds(301);
  EXPECT_EQ(recorder_.RowsWritten(), 2);
  EXPECT_EQ(recorder_.Progress(), 1000);
  EXPECT_EQ(recorder_.Status(), "Data record complete");
  EXPECT_EQ(FileRows().size(), 3u);
}

TEST_F(DataRecorderTest, StoppingAfter35SecondsKeepsHeaderAndThreeRows) {
  Prepare(10, 600);
  RunSeconds(35);
  recorder_.Stop();
  EXPECT_FALSE(recorder_.Recording());
  EXPECT_EQ(recorder_.Status(), "");
  EXPECT_EQ(recorder_.Progress(), 0);
  const std::vector<std::string> rows = FileRows();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[3], "08:05:33,523,498");
  RunSeconds(20);
  EXPECT_EQ(FileRows().size(), 4u);
}

TEST_F(DataRecorderTest, EveryRowIsOnDiskAsSoonAsItIsWrittenAndIsWrittenOnce) {
  Prepare(10, 600);
  const ino_t created = InodeOf(path_);
  RunSeconds(20);
  // What a crash now would leave: the header and both rows, whole.
  EXPECT_EQ(FileText(), "Time, Input, Output\r\n08:05:13,523,498\r\n08:05:23,523,498\r\n");
  RunSeconds(581);
  ASSERT_EQ(recorder_.Status(), "Data record complete");
  // The rows went onto the end of the file the start created; none was
  // written twice.
  EXPECT_EQ(InodeOf(path_), created);
  EXPECT_EQ(trouble_.appended + kDataLogHeader.size(), FileText().size());
  EXPECT_EQ(FileRows().size(), 61u);
}

TEST_F(DataRecorderTest, AFailedAppendIsReportedAndItsRowGoesWithTheNextAfterTheTornLineIsCut) {
  Prepare(10, 600);
  RunSeconds(10);
  trouble_ = {1, true};
  RunSeconds(10);
  EXPECT_TRUE(recorder_.Unsaved());
  EXPECT_EQ(recorder_.Status(), "Log file cannot be created");
  EXPECT_EQ(recorder_.SaveError(), SystemErrorText(EIO));
  // The write broke off in the middle of the second row.
  EXPECT_EQ(FileText(), "Time, Input, Output\r\n08:05:13,523,498\r\n08:05:23,");

  output_ = "-32768";
  RunSeconds(10);
  EXPECT_FALSE(recorder_.Unsaved());
  EXPECT_EQ(recorder_.Status(), "10sec-sample 10min-log ");
  EXPECT_EQ(FileText(),
            "Time, Input, Output\r\n08:05:13,523,498\r\n08:05:23,523,498\r\n08:05:33,523,-32768\r\n");
  EXPECT_EQ(recorder_.RowsWritten(), 3);
  EXPECT_EQ(recorder_.Progress(), 50);
}

TEST_F(DataRecorderTest, AQuantityNotReadIsRecordedLikeOneThatDidNotAnswer) {
  Prepare(10, 600);
  input_ = "xxxx";
  output_ = "xxxx";
  RunSeconds(10);
  input_ = "-32768";
  output_ = "0";
  RunSeconds(10);
  const std::vector<std::string> rows = FileRows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1], "08:05:13,-32768,-32768");
  EXPECT_EQ(rows[2], "08:05:23,-32768,0");
}

TEST_F(DataRecorderTest, ARecordGoesOnInANewFileWithItsCountersAndProgress) {
  Prepare(10, 600);
  RunSeconds(25);
  const std::filesystem::path next = folder_.Path() / "datalog-2.csv";
  const DataRecorder::PrepareOutcome moved = recorder_.ContinueInNewFile(next);
  EXPECT_FALSE(moved.fileFailed);
  EXPECT_EQ(FileRows().size(), 3u);  // the first file keeps its two rows
  RunSeconds(5);                     // the sampling period goes on where it was
  const std::filesystem::path first = path_;
  path_ = next;
  EXPECT_EQ(FileText(), "Time, Input, Output\r\n08:05:33,523,498\r\n");
  EXPECT_EQ(recorder_.RowsWritten(), 3);
  EXPECT_EQ(recorder_.Progress(), 50);
  EXPECT_EQ(recorder_.Status(), "10sec-sample 10min-log ");

  // A new file that cannot be created: reported as at the start; the
  // recording goes on armed, writing nowhere, and ends on time.
  const std::filesystem::path missing = folder_.Path() / "missing" / "datalog.csv";
  const DataRecorder::PrepareOutcome failed = recorder_.ContinueInNewFile(missing);
  EXPECT_TRUE(failed.fileFailed);
  EXPECT_EQ(failed.error, SaveFileAtomically(missing, "x").error);  // the system's own reason
  EXPECT_TRUE(recorder_.Recording());
  EXPECT_FALSE(recorder_.FileOpen());
  RunSeconds(600 - 30 + 1);
  EXPECT_FALSE(recorder_.Recording());
  EXPECT_EQ(recorder_.RowsWritten(), 3);
  EXPECT_EQ(FileRows().size(), 2u);

  // Nothing to continue once the recording is over.
  EXPECT_FALSE(recorder_.ContinueInNewFile(first).fileFailed);
  EXPECT_EQ(FileRows().size(), 2u);
  path_ = first;
  EXPECT_EQ(FileRows().size(), 3u);
}

TEST_F(DataRecorderTest, ARowThatCannotBeSavedWaitsForTheNextSave) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows keeps a file that is open for the record from being removed";
#endif
  Prepare(10, 600);
  RunSeconds(10);
  std::filesystem::remove_all(folder_.Path());
  RunSeconds(10);
  EXPECT_EQ(recorder_.RowsWritten(), 2);
  EXPECT_TRUE(recorder_.Unsaved());
  EXPECT_EQ(recorder_.Status(), "Log file cannot be created");

  std::filesystem::create_directories(folder_.Path());
  RunSeconds(10);
  EXPECT_FALSE(recorder_.Unsaved());
  EXPECT_EQ(recorder_.Status(), "10sec-sample 10min-log ");
  EXPECT_EQ(FileRows().size(), 4u);  // all three rows
}

TEST_F(DataRecorderTest, UnarmedTouchesNoFile) {
  {
    std::ofstream(path_, std::ios::binary) << "previous record\r\n";
  }
  Prepare(10, 600, false);
  RunSeconds(30);
  EXPECT_FALSE(recorder_.Recording());
  EXPECT_EQ(recorder_.Status(), "");
  EXPECT_EQ(FileText(), "previous record\r\n");
}

TEST_F(DataRecorderTest, AFileThatCannotBeCreatedLeavesTheRecordingArmedWithoutRows) {
  path_ = folder_.Path() / "missing" / "datalog.csv";
  Prepare(60, 600);
  EXPECT_TRUE(outcome_.fileFailed);
  // The system's own reason for a file in a missing folder, whatever the system.
  const std::string reason = SaveFileAtomically(path_, "x").error;
  ASSERT_FALSE(reason.empty());
  EXPECT_EQ(outcome_.error, reason);
  EXPECT_EQ(recorder_.SaveError(), reason);  // for callers that only see the text
  EXPECT_TRUE(recorder_.Recording());
  EXPECT_EQ(recorder_.Status(), "1min-sample 10min-log ");
  RunSeconds(601);
  EXPECT_FALSE(recorder_.Recording());  // cleared without a message
  EXPECT_EQ(recorder_.RowsWritten(), 0);
  EXPECT_EQ(recorder_.Status(), "1min-sample 10min-log ");
  EXPECT_FALSE(std::filesystem::exists(path_));

  DataRecorder noFolder{clock_, Language::Japanese};
  EXPECT_TRUE(noFolder.Prepare(true, settings_, {}).fileFailed);
  EXPECT_EQ(noFolder.SaveError(), "no data folder");
}

TEST_F(DataRecorderTest, ContinuingInANewFileLeavesTheFirstWholeAndGoesOnCounting) {
  Prepare(10, 600);
  RunSeconds(20);
  const std::string first = FileText();
  const std::filesystem::path second = folder_.Path() / "datalog-20261209-080523.csv";
  EXPECT_FALSE(recorder_.ContinueInNewFile(second).fileFailed);
  EXPECT_TRUE(recorder_.FileOpen());
  input_ = "700";
  RunSeconds(20);
  EXPECT_EQ(FileText(), first);
  std::ifstream in(second, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  EXPECT_EQ(text.str(), "Time, Input, Output\r\n08:05:33,700,498\r\n08:05:43,700,498\r\n");
  // One recording: its rows, progress and end are counted across both files.
  EXPECT_EQ(recorder_.RowsWritten(), 4);
  EXPECT_EQ(recorder_.Progress(), 4 * kRecordProgressRange / 60);

  // A new file that cannot be created: reported, the recording goes on without one.
  const DataRecorder::PrepareOutcome failed = recorder_.ContinueInNewFile(folder_.Path() / "missing" / "x.csv");
  EXPECT_TRUE(failed.fileFailed);
  EXPECT_FALSE(failed.error.empty());
  EXPECT_TRUE(recorder_.Recording());
  EXPECT_FALSE(recorder_.FileOpen());
  RunSeconds(10);
  EXPECT_EQ(FileText(), first);

  // Nothing recorded, nothing created.
  recorder_.Stop();
  const std::filesystem::path third = folder_.Path() / "third.csv";
  EXPECT_FALSE(recorder_.ContinueInNewFile(third).fileFailed);
  EXPECT_FALSE(std::filesystem::exists(third));
}

TEST(DatedLogPath, TheRecordsNameWithTheLocalDateAndTime) {
  struct Case {
    std::filesystem::path path;
    LocalTime time;
    std::filesystem::path expected;
  };
  const Case cases[] = {
      {"/data/klv-loader/datalog.csv", {2026, 12, 11, 10, 42, 5}, "/data/klv-loader/datalog-20261211-104205.csv"},
      {"run.csv", {2027, 1, 2, 3, 4, 5}, "run-20270102-030405.csv"},
      {"logs/run", {2026, 12, 11, 0, 0, 0}, "logs/run-20261211-000000"},
      {"a.b.csv", {2026, 12, 11, 23, 59, 60}, "a.b-20261211-235960.csv"},
  };
  for (const Case& c : cases) EXPECT_EQ(DatedLogPath(c.path, c.time), c.expected) << c.path;
}

TEST(RecordPlan, SettingsOutsideTheChoicesStillRecord) {
  struct Case {
    int32_t sampling, recordTime;
    RecordPlan plan;
  };
  const Case cases[] = {
      {10, 600, {10, 600, 60}},      {300, 86400, {300, 86400, 288}}, {0, 600, {10, 600, 60}},
      {-5, 600, {10, 600, 60}},      {20, 10, {20, 20, 1}},           {10, 0, {10, 10, 1}},
      {7, 600, {7, 600, 85}},        {0, 0, {10, 10, 1}},
  };
  for (const Case& c : cases) {
    const RecordPlan plan = PlanRecording(c.sampling, c.recordTime);
    EXPECT_EQ(plan.samplingPeriod, c.plan.samplingPeriod) << c.sampling << "/" << c.recordTime;
    EXPECT_EQ(plan.recordTime, c.plan.recordTime) << c.sampling << "/" << c.recordTime;
    EXPECT_EQ(plan.expectedRows, c.plan.expectedRows) << c.sampling << "/" << c.recordTime;
  }
}

TEST(DataRecordStatus, SamplingAndRecordTimeTextsInBothLanguages) {
  struct Case {
    int32_t sampling, recordTime;
    std::string_view english, japanese;
  };
  const Case cases[] = {
      {10, 600, "10sec-sample 10min-log ", "10秒周期 10分記録 "},
      {60, 3600, "1min-sample 1hour-log ", "1分周期 1時間記録 "},
      {300, 86400, "5min-sample 24hour-log ", "5分周期 24時間記録 "},
      {20, 10, "\?\?-sample \?\?-log ", "\?\?周期 \?\?記録 "},
  };
  for (const Case& c : cases) {
    for (const Language language : {Language::English, Language::Japanese}) {
      const std::string_view expected = language == Language::English ? c.english : c.japanese;
      EXPECT_EQ(std::string(SamplingText(c.sampling, language)) + std::string(RecordTimeText(c.recordTime, language)),
                expected);
      // The recorder's status line while armed is the same pair.
      FakeClock clock;
      DataRecorder recorder(clock, language);
      CommSettings settings;
      settings.samplingInterval = c.sampling;
      settings.recordDuration = c.recordTime;
      recorder.Prepare(true, settings, {});  // no file: the status keeps the settings' texts
      EXPECT_EQ(recorder.Status(), expected);
    }
  }
}

TEST_F(DataRecorderTest, ARecordTimeShorterThanTheSamplingWritesOneRow) {
  Prepare(20, 10);
  EXPECT_EQ(recorder_.Status(), "\?\?-sample \?\?-log ");
  RunSeconds(20);
  EXPECT_EQ(recorder_.RowsWritten(), 1);
  EXPECT_EQ(recorder_.Progress(), 1000);
  RunSeconds(1);
  EXPECT_EQ(recorder_.Status(), "Data record complete");

  Prepare(0, 600);  // a sampling period of 0 counts as 10 s
  RunSeconds(20);
  EXPECT_EQ(recorder_.RowsWritten(), 2);
  EXPECT_EQ(recorder_.Progress(), 33);
}

TEST_F(DataRecorderTest, JapaneseCompletionText) {
  DataRecorder recorder{clock_, Language::Japanese};
  settings_.samplingInterval = 10;
  settings_.recordDuration = 10;
  ASSERT_FALSE(recorder.Prepare(true, settings_, path_).fileFailed);
  for (int s = 1; s <= 11; ++s) {
    clock_.SetLocalTime(LocalTime{2026, 12, 9, 9, 0, s});
    recorder.Tick("1", "2");
  }
  EXPECT_EQ(recorder.Status(), "データ記録完了");
}

}  // namespace
}  // namespace klv
