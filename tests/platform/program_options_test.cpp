// KlvLoader.conf: the choices, the remembered folders and the recent files
// come back as saved, and a damaged file gives what it can and nothing wrong.
#include "platform/program_options.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/utf8_path.h"

namespace klv {
namespace {

// Only absolute paths are kept: on Windows they start with a drive.
#ifdef _WIN32
const std::string kRoot = "C:";
#else
const std::string kRoot;
#endif

TEST(ProgramOptions, FoldersAndRecentFilesComeBackAsSaved) {
  ProgramOptions options;
  options.verifyAfterWrite = true;
  options.parameterFolder = kRoot + "/home/op/ovens";
  options.reportFolder = kRoot + "/home/op/reports ";  // a trailing blank is part of the name
  options.pictureFolder = kRoot + "/home/op/graphs";
  for (int i = 1; i <= 10; ++i) RememberRecentFile(options, kRoot + "/home/op/ovens/unit" + std::to_string(i) + ".klv");
  RememberRecentFile(options, kRoot + "/home/op/ovens/unit5.klv");  // again: moves to the front, once

  ASSERT_EQ(options.recentFiles.size(), kRecentFileCount);
  EXPECT_EQ(options.recentFiles[0], kRoot + "/home/op/ovens/unit5.klv");
  EXPECT_EQ(options.recentFiles[1], kRoot + "/home/op/ovens/unit10.klv");
  EXPECT_EQ(options.recentFiles[7], kRoot + "/home/op/ovens/unit3.klv");
  EXPECT_EQ(ParseProgramOptions(ProgramOptionsText(options)), options);
}

TEST(ProgramOptions, JapaneseFolderNamesAreKeptInUtf8) {
  ProgramOptions options;
  options.parameterFolder = PathFromUtf8(kRoot + "/技術/デスクトップ");
  RememberRecentFile(options, PathFromUtf8(kRoot + "/技術/デスクトップ/設定.klv"));
  const std::string text = ProgramOptionsText(options);
  EXPECT_NE(text.find("parameter-folder=" + kRoot + "/技術/デスクトップ\n"), std::string::npos);
  EXPECT_NE(text.find("recent-file=" + kRoot + "/技術/デスクトップ/設定.klv\n"), std::string::npos);
  EXPECT_EQ(ParseProgramOptions(text), options);
}

struct MenuTextCase {
  std::size_t index;
  std::string path;  // after the root
  std::string shown;
};

class RecentFileMenuTextTest : public ::testing::TestWithParam<MenuTextCase> {};

TEST_P(RecentFileMenuTextTest, NumbersTheItemAndShowsThePathAsItIs) {
  const MenuTextCase c = GetParam();
  EXPECT_EQ(RecentFileMenuText(c.index, PathFromUtf8(kRoot + c.path)), c.shown);
}

std::string Repeated(const std::string& text, int count) {
  std::string all;
  for (int i = 0; i < count; ++i) all += text;
  return all;
}

// 60 characters at most: the start of a longer path gives way to "…" (a
// Japanese character counts as one).
const std::string kLong = "/" + Repeated("a", 40) + "/" + Repeated("b", 30) + ".klv";
const std::string kLongJapanese = "/" + Repeated("a", 20) + "/" + Repeated("炉", 40) + ".klv";

INSTANTIATE_TEST_SUITE_P(
    AsTheFileMenuShowsThem, RecentFileMenuTextTest,
    ::testing::Values(MenuTextCase{0, "/ovens/unit1.klv", "&1 " + kRoot + "/ovens/unit1.klv"},
                      MenuTextCase{7, "/A&B/炉１.klv", "&8 " + kRoot + "/A&&B/炉１.klv"},
                      MenuTextCase{1, kLong, "&2 \u2026" + Repeated("a", 24) + "/" + Repeated("b", 30) + ".klv"},
                      MenuTextCase{2, kLongJapanese, "&3 \u2026" + Repeated("a", 14) + "/" + Repeated("炉", 40) + ".klv"}));

TEST(ProgramOptions, LinesThatMeanNothingChangeNothing) {
  const ProgramOptions options = ParseProgramOptions(
      "verify-after-write=2\n"
      "parameter-folder=relative/folder\n"
      "report-folder=\n"
      "picture-folder=" + kRoot + "/graphs\r\n"
      "recent-file=" + kRoot + "/a.klv\n"
      "recent-file=" + kRoot + "/a.klv\n"
      "recent-file=b.klv\n"
      "unknown=/x\n");
  ProgramOptions expected;
  expected.pictureFolder = kRoot + "/graphs";
  expected.recentFiles = {kRoot + "/a.klv"};
  EXPECT_EQ(options, expected);

  ProgramOptions many;
  for (int i = 0; i < 12; ++i) many.recentFiles.push_back(kRoot + "/f" + std::to_string(i) + ".klv");
  EXPECT_EQ(ParseProgramOptions(ProgramOptionsText(many)).recentFiles.size(), kRecentFileCount);
  // A path with a line break cannot be kept on its line: it is left out.
  ProgramOptions broken;
  broken.parameterFolder = kRoot + "/two\nlines";
  EXPECT_EQ(ProgramOptionsText(broken).find("two"), std::string::npos);
}

// Each choice is a line of its own: set alone, it comes back alone, and a
// value other than 0 or 1 leaves it off.
TEST(ProgramOptions, EachChoiceComesBackOnItsOwn) {
  const struct {
    const char* line;
    bool ProgramOptions::*choice;
  } choices[] = {
      {"verify-after-write=1\n", &ProgramOptions::verifyAfterWrite},
      {"local-echo=1\n", &ProgramOptions::localEcho},
      {"write-changed-only=1\n", &ProgramOptions::writeChangedOnly},
  };
  for (const auto& c : choices) {
    SCOPED_TRACE(c.line);
    ProgramOptions options;
    options.*c.choice = true;
    const std::string text = ProgramOptionsText(options);
    EXPECT_NE(text.find(c.line), std::string::npos) << text;
    EXPECT_EQ(ParseProgramOptions(text), options);
    std::string wrong = c.line;
    wrong[wrong.size() - 2] = '2';
    EXPECT_EQ(ParseProgramOptions(wrong), ProgramOptions{});
  }
}

}  // namespace
}  // namespace klv
