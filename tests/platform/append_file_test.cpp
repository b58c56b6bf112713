// Appending to the system's files: a torn last line cut at opening, a full
// disk leaving whole lines only, and a file removed while open.
#include "platform/append_file.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace klv {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }

class AppendFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("klv-append-" + std::to_string(::getpid()) + "-" +
                                           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    path_ = folder_ / "datalog.csv";
  }
  void TearDown() override {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    fs::remove_all(folder_);
  }

  fs::path folder_;
  fs::path path_;
  bool mounted_ = false;
};

TEST_F(AppendFileTest, OpeningCutsWhatFollowsTheLastLineEndThenAppendsAfterIt) {
  const std::string longTail(5000, 'x');  // longer than one piece read backwards
  struct Case {
    std::string before;
    std::string kept;
  };
  const Case cases[] = {
      {"", ""},
      {"Time, Input, Output\r\n", "Time, Input, Output\r\n"},
      {"Time, Input, Output\r\n08:05:13,52", "Time, Input, Output\r\n"},
      {"Time, Input, Output\r\n08:05:13,523,498\r", "Time, Input, Output\r\n"},
      {"no line end", ""},
      {"head\r\n" + longTail, "head\r\n"},
  };
  for (const Case& c : cases) {
    WriteAll(path_, c.before);
    const std::unique_ptr<AppendFile> file = MakeSystemAppendFile();
    ASSERT_TRUE(file->Open(path_).ok) << c.before.substr(0, 40);
    EXPECT_EQ(file->Length(), c.kept.size()) << c.before.substr(0, 40);
    EXPECT_EQ(ReadAll(path_), c.kept);
    ASSERT_TRUE(file->Append("08:05:23,1,2\r\n").ok);
    EXPECT_EQ(ReadAll(path_), c.kept + "08:05:23,1,2\r\n");
    EXPECT_EQ(file->Length(), c.kept.size() + 14);
  }
}

TEST_F(AppendFileTest, OnlyAnExistingRegularFileIsOpened) {
  EXPECT_EQ(MakeSystemAppendFile()->Open(path_).error, SystemErrorText(ENOENT));
  EXPECT_FALSE(fs::exists(path_));
  EXPECT_FALSE(MakeSystemAppendFile()->Open(folder_).ok);
}

TEST_F(AppendFileTest, AFullDiskFailsTheAppendAndLeavesTheFileAsItWas) {
  if (::mount("tmpfs", folder_.c_str(), "tmpfs", 0, "size=16k") != 0) {
    GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  }
  mounted_ = true;
  WriteAll(path_, "Time, Input, Output\r\n");
  const std::unique_ptr<AppendFile> file = MakeSystemAppendFile();
  ASSERT_TRUE(file->Open(path_).ok);
  WriteAll(folder_ / "filler", std::string(16 * 1024 - 4096, 'f'));  // the rest of the disk but the file's page

  const std::string big(8192, 'r');  // more than the page the file has
  const SaveOutcome failed = file->Append(big + "\r\n");
  EXPECT_FALSE(failed.ok);
  EXPECT_EQ(failed.error, SystemErrorText(ENOSPC));
  EXPECT_EQ(ReadAll(path_), "Time, Input, Output\r\n");
  EXPECT_EQ(file->Length(), 21u);

  // Room again: the next append goes on right after the header.
  fs::remove(folder_ / "filler");
  ASSERT_TRUE(file->Append("08:05:13,523,498\r\n").ok);
  EXPECT_EQ(ReadAll(path_), "Time, Input, Output\r\n08:05:13,523,498\r\n");
}

TEST_F(AppendFileTest, AFileRemovedWhileOpenFailsTheAppend) {
  WriteAll(path_, "Time, Input, Output\r\n");
  const std::unique_ptr<AppendFile> file = MakeSystemAppendFile();
  ASSERT_TRUE(file->Open(path_).ok);
  fs::remove(path_);
  const SaveOutcome outcome = file->Append("08:05:13,523,498\r\n");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.error, SystemErrorText(ENOENT));
}

}  // namespace
}  // namespace klv
