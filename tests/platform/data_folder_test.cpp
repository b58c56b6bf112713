#include "platform/data_folder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace klv {
namespace {

namespace fs = std::filesystem;

class DataFolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "klv-datafolder-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  fs::path root_;
};

TEST(DataFolderLocationTest, PrefersXdgDataHomeAndIgnoresUnusableValues) {
  struct Case {
    const char* xdg;
    const char* home;
    const char* expected;
  };
  const Case cases[] = {
      {"/data", "/home/op", "/data/klv-loader"},
      {nullptr, "/home/op", "/home/op/.local/share/klv-loader"},
      {"", "/home/op", "/home/op/.local/share/klv-loader"},
      {"relative/data", "/home/op", "/home/op/.local/share/klv-loader"},
      {nullptr, nullptr, ""},
      {"", "relative", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DataFolderLocation(c.xdg, c.home), fs::path(c.expected))
        << "xdg=" << (c.xdg ? c.xdg : "(unset)") << " home=" << (c.home ? c.home : "(unset)");
  }
}

TEST_F(DataFolderTest, CreatesTheFolderWithPortsInsideAndFindsItAgain) {
  const std::string xdg = (root_ / "nested" / "share").string();
  const DataFolderOutcome first = DataFolder(xdg.c_str(), "/nonexistent-home");
  ASSERT_TRUE(first.ok) << first.error;
  EXPECT_EQ(first.path, root_ / "nested" / "share" / "klv-loader");
  EXPECT_TRUE(fs::is_directory(first.path / "ports"));

  // A file left in the folder survives the next start.
  std::ofstream(first.path / kSettingsFileName) << "x";
  const DataFolderOutcome second = DataFolder(xdg.c_str(), nullptr);
  ASSERT_TRUE(second.ok) << second.error;
  EXPECT_EQ(second.path, first.path);
  EXPECT_TRUE(fs::exists(second.path / kSettingsFileName));
}

TEST_F(DataFolderTest, FallsBackToHome) {
  const std::string home = root_.string();
  const DataFolderOutcome outcome = DataFolder(nullptr, home.c_str());
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_TRUE(fs::is_directory(root_ / ".local" / "share" / "klv-loader" / "ports"));
}

TEST_F(DataFolderTest, ReportsAFileInThePlaceOfTheFolder) {
  std::ofstream(root_ / "klv-loader") << "not a folder";
  const std::string xdg = root_.string();
  const DataFolderOutcome outcome = DataFolder(xdg.c_str(), nullptr);
  EXPECT_FALSE(outcome.ok);
  EXPECT_TRUE(outcome.path.empty());
  EXPECT_NE(outcome.error.find("klv-loader"), std::string::npos) << outcome.error;
}

TEST(DataFolderNoBaseTest, ReportsWhenNoBaseFolderIsKnown) {
  const DataFolderOutcome outcome = DataFolder(nullptr, nullptr);
  EXPECT_FALSE(outcome.ok);
  EXPECT_FALSE(outcome.error.empty());
}

}  // namespace
}  // namespace klv
