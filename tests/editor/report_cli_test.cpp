// klv-loader-cli report as a script runs it: a separate process with a clean
// environment and no display, whose PDF is read back with pdftotext.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "editor/parameter_file.h"
#include "model/register_catalogue.h"
#include "support/cli_tool.h"
#include "support/pdf_text.h"

namespace klv::testing {
namespace {

namespace fs = std::filesystem;

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

struct CliResult {
  int status = -1;
  std::string out;
  std::string err;
};

class ReportCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifndef KLV_CLI_REPORT
    GTEST_SKIP() << "this build's klv-loader-cli has no PDF report (built without Qt)";
#endif
    cli_ = CliPath();
    if (cli_.empty()) GTEST_SKIP() << "klv-loader-cli is not built beside the tests";
    folder_ = fs::temp_directory_path() / ("klv-report-" + std::to_string(getpid()));
    fs::create_directories(folder_);
    // A KLV40 file with values that stand out, all four options.
    ParameterSet set;
    LoadDefaults(set, ModelKind::Klv40);
    set.rampLowerLimit = 57;
    set.heaterBreakCurrent = 43;
    set.optionFlags = 0x000F;
    ASSERT_TRUE(WriteParameterFile(folder_ / "oven7.klv", set, ModelKind::Klv40).ok);
  }
  void TearDown() override {
    std::error_code error;
    if (!folder_.empty()) fs::remove_all(folder_, error);
  }

  // No DISPLAY and no runtime folder: the tool must manage on its own.
  CliResult Report(std::vector<std::string> args, const std::string& locale) {
    args.insert(args.begin(), {cli_.string(), "report"});
    std::vector<std::string> env = {"HOME=" + folder_.string(), "XDG_DATA_HOME=" + (folder_ / "data").string(),
                                    "LANG=" + locale, "PATH=/usr/bin:/bin"};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& entry : env) envp.push_back(entry.data());
    envp.push_back(nullptr);
    const fs::path out = folder_ / "stdout";
    const fs::path err = folder_ / "stderr";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    CliResult run;
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, cli_.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return run;
    int status = 0;
    waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadFile(out);
    run.err = ReadFile(err);
    return run;
  }

  fs::path cli_;
  fs::path folder_;
};

TEST_F(ReportCliTest, PdfTextShowsTheValuesInTheLocaleLanguage) {
  struct Case {
    std::string locale;
    std::string note;
    std::string saved;
    std::vector<std::string> words;  // each found in the PDF's text
  };
  const Case cases[] = {
      {"C", "SN 12345", "Report saved: ",
       {"Parameter report", "Model", "KLV40", "Analog auxiliary input", "Alarm output 2", "Serial number or note",
        "SN 12345", "oven7.klv", "Ramp lower limit", "5.7 %", "Heater break alarm current", "43 %",
        "not verified", "Checked by", "Register"}},
      {"ja_JP.UTF-8", "製番 12345", "レポートを保存しました: ",
       {"パラメータ設定レポート", "機種", "KLV40", "アナログ補助入力", "警報出力２", "製造番号・メモ", "製番 12345",
        "oven7.klv", "勾配下限", "5.7 %", "ヒータ断線警報電流", "43 %", "アナログ出力", "照合していません"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.locale);
    const fs::path pdf = folder_ / ("unit7-" + c.locale + ".pdf");
    const CliResult run = Report({(folder_ / "oven7.klv").string(), "--output", pdf.string(), "--note", c.note}, c.locale);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.saved + pdf.string() + "\n");
    EXPECT_EQ(run.err, "");
    const std::optional<std::string> text = PdfText(pdf);
    ASSERT_TRUE(text) << "pdftotext (poppler-utils) could not read " << pdf;
    for (const std::string& word : c.words) EXPECT_NE(text->find(word), std::string::npos) << word << "\n" << *text;
  }
}

TEST_F(ReportCliTest, RefusalsLeaveNoFileAndKeepAnOldOne) {
  const std::string klv = (folder_ / "oven7.klv").string();
  const fs::path old = folder_ / "old.pdf";
  WriteFileBytes(old, "old report");
  fs::create_directories(folder_ / "short");
  WriteFileBytes(folder_ / "short" / "short.klv", std::string(119, '\0'));
  struct Case {
    std::vector<std::string> args;
    std::string error;
  };
  const Case cases[] = {
      {{klv}, "klv-loader-cli: report needs --output FILE.pdf\n"},
      {{"--output", old.string()}, "klv-loader-cli: report needs exactly one parameter file\n"},
      {{klv, "--output", old.string(), "--port", "COM1"}, "klv-loader-cli: unknown option --port for 'report'\n"},
      {{klv, "--output"}, "klv-loader-cli: --output needs a value\n"},
      {{(folder_ / "short" / "short.klv").string(), "--output", old.string()},
       "klv-loader-cli: " + (folder_ / "short" / "short.klv").string() + ": File data is unauthorized\n"},
      {{klv, "--output", (folder_ / "missing" / "r.pdf").string()},
       "klv-loader-cli: Report cannot be saved: " + (folder_ / "missing" / "r.pdf").string()},
  };
  for (const Case& c : cases) {
    const CliResult run = Report(c.args, "C");
    EXPECT_EQ(run.status, 2) << c.error;
    EXPECT_EQ(run.err.substr(0, c.error.size()), c.error);
    EXPECT_EQ(ReadFile(old), "old report");
  }
  EXPECT_FALSE(fs::exists(folder_ / "missing"));
}

TEST_F(ReportCliTest, UsageInBothLanguages) {
  EXPECT_NE(Report({"--help"}, "C").out.find("Usage: klv-loader-cli report FILE.klv --output FILE.pdf [--note TEXT]"),
            std::string::npos);
  EXPECT_NE(Report({"--help"}, "ja_JP.UTF-8").out.find("使い方: klv-loader-cli report"), std::string::npos);
}

}  // namespace
}  // namespace klv::testing
