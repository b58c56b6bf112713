// Whole-file saving and reading and the data folder on Windows, on the real
// file system (under Wine in the build).
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/file_store.h"
#include "platform/windows_data_folder.h"

namespace klv {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

class WindowsFileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("klv-win-store-" + std::to_string(::GetCurrentProcessId()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  fs::path folder_;
};

TEST_F(WindowsFileStoreTest, SavesNewAndReplacesOldFilesLeavingNothingElse) {
  const fs::path file = folder_ / "KlvTool.ini";
  // New, longer, shorter, empty: each time exactly the new bytes.
  for (const std::string& bytes :
       {std::string("\x01\x00\x80\x25", 4), std::string(500, 'x'), std::string("ab\r\nc"), std::string()}) {
    const SaveOutcome saved = SaveFileAtomically(file, bytes);
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(ReadAll(file), bytes);
    EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KlvTool.ini"});
  }
}

TEST_F(WindowsFileStoreTest, AFailedSaveLeavesTheOldFileAndSaysWhy) {
  const fs::path file = folder_ / "a.klv";
  ASSERT_TRUE(SaveFileAtomically(file, "old").ok);

  // The target is held open without sharing: the move over it must fail.
  const HANDLE held = ::CreateFileW(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const SaveOutcome locked = SaveFileAtomically(file, "new");
  ::CloseHandle(held);
  EXPECT_FALSE(locked.ok);
  EXPECT_FALSE(locked.error.empty());
  EXPECT_EQ(ReadAll(file), "old");
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"a.klv"});

  // A folder that does not exist.
  const SaveOutcome missing = SaveFileAtomically(folder_ / "no" / "a.klv", "new");
  EXPECT_FALSE(missing.ok);
  EXPECT_FALSE(missing.error.empty());
}

TEST_F(WindowsFileStoreTest, ReadsAPrefixOfRegularFilesOnly) {
  const fs::path file = folder_ / "b.klv";
  ASSERT_TRUE(SaveFileAtomically(file, std::string(300, 'q')).ok);
  struct Case {
    fs::path path;
    std::size_t limit;
    ReadOutcome::Status status;
    std::size_t size;
  };
  const Case cases[] = {
      {file, 260, ReadOutcome::Status::Ok, 260},
      {file, 1000, ReadOutcome::Status::Ok, 300},
      {folder_, 260, ReadOutcome::Status::CannotOpen, 0},               // a folder
      {folder_ / "missing.klv", 260, ReadOutcome::Status::CannotOpen, 0},
      {"NUL", 260, ReadOutcome::Status::CannotOpen, 0},  // a device never blocks the program
  };
  for (const Case& c : cases) {
    const ReadOutcome read = ReadFilePrefix(c.path, c.limit);
    EXPECT_EQ(read.status, c.status) << c.path.string();
    EXPECT_EQ(read.bytes.size(), c.size) << c.path.string();
    EXPECT_EQ(read.error.empty(), c.status == ReadOutcome::Status::Ok) << c.path.string() << ": " << read.error;
  }
}

TEST_F(WindowsFileStoreTest, TheDataFolderIsTheGivenFolderMadeWhenMissing) {
  const fs::path documents = folder_ / "Public" / "Documents";
  const DataFolderOutcome made = DataFolderAt(documents);
  ASSERT_TRUE(made.ok) << made.error;
  EXPECT_EQ(made.path, documents);
  EXPECT_TRUE(fs::is_directory(documents));
  EXPECT_FALSE(fs::exists(documents / "ports"));  // COM numbers need no links here

  ASSERT_TRUE(SaveFileAtomically(folder_ / "file", "x").ok);
  const DataFolderOutcome refused = DataFolderAt(folder_ / "file");
  EXPECT_FALSE(refused.ok);
  EXPECT_EQ(refused.error.rfind((folder_ / "file").string() + ": ", 0), 0u) << refused.error;
}

TEST(WindowsDataFolder, IsTheAllUsersDocumentsFolder) {
  PWSTR known = nullptr;
  ASSERT_TRUE(SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_PublicDocuments, 0, nullptr, &known)));
  const fs::path expected(known);
  ::CoTaskMemFree(known);
  const DataFolderOutcome folder = DataFolder();
  ASSERT_TRUE(folder.ok) << folder.error;
  EXPECT_EQ(folder.path, expected);
  EXPECT_TRUE(fs::is_directory(folder.path));
}

}  // namespace
}  // namespace klv
