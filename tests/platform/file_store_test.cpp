#include "platform/file_store.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

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

class FileStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() /
              ("klv-file-store-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    fs::remove_all(folder_);
  }
  // A tiny file system of its own, so a full disk or a read-only folder can
  // be made for real. Needs root; elsewhere the test is skipped.
  bool MountTmpfs(const char* options) {
    mounted_ = ::mount("tmpfs", folder_.c_str(), "tmpfs", 0, options) == 0;
    return mounted_;
  }

  fs::path folder_;
  bool mounted_ = false;
};

TEST_F(FileStoreTest, ReplacesALongerFileWithExactlyTheNewBytes) {
  const fs::path file = folder_ / "a.klv";
  ASSERT_TRUE(SaveFileAtomically(file, std::string(500, 'x')).ok);
  ::chmod(file.c_str(), 0640);

  const SaveOutcome outcome = SaveFileAtomically(file, "new");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(ReadAll(file), "new");
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read)
      << "a replaced file keeps its permissions";
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"a.klv"});
}

TEST_F(FileStoreTest, MissingFolderFailsWithTheSystemReason) {
  const SaveOutcome outcome = SaveFileAtomically(folder_ / "no-such" / "a.klv", "x");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.error, SystemErrorText(ENOENT));
}

TEST_F(FileStoreTest, FullDiskKeepsTheOldFileAndLeavesNoTemporary) {
  if (!MountTmpfs("size=16k")) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  const fs::path file = folder_ / "KlvTool.ini";
  const std::string old(24, '\x01');
  ASSERT_TRUE(SaveFileAtomically(file, old).ok);

  const SaveOutcome outcome = SaveFileAtomically(file, std::string(64 * 1024, 'y'));
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.error, SystemErrorText(ENOSPC));
  EXPECT_EQ(ReadAll(file), old);
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"KlvTool.ini"});
}

TEST_F(FileStoreTest, ReadOnlyFolderKeepsTheOldFile) {
  if (!MountTmpfs("size=64k")) GTEST_SKIP() << "cannot mount a tmpfs here (needs root)";
  const fs::path file = folder_ / "comlog.txt";
  ASSERT_TRUE(SaveFileAtomically(file, "old log").ok);
  ASSERT_EQ(::mount("tmpfs", folder_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY, "size=64k"), 0);

  const SaveOutcome outcome = SaveFileAtomically(file, "new log");
  EXPECT_FALSE(outcome.ok);
  EXPECT_EQ(outcome.error, SystemErrorText(EROFS));
  EXPECT_EQ(ReadAll(file), "old log");
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"comlog.txt"});
}

// True when the process has a file of the folder open (the file being saved).
bool HasFileOpenIn(pid_t pid, const fs::path& folder) {
  std::error_code error;
  for (const auto& entry : fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const fs::path target = fs::read_symlink(entry.path(), error);
    if (!error && target.string().rfind(folder.string() + "/", 0) == 0) return true;
  }
  return false;
}

TEST_F(FileStoreTest, KillWhileSavingKeepsTheOldFileAndLeavesNoTemporary) {
  const fs::path file = folder_ / "a.klv";
  const std::string old = "old parameter file";
  ASSERT_TRUE(SaveFileAtomically(file, old).ok);

  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Large enough that the parent catches it in the middle of writing.
    const std::string big(512u << 20, 'z');
    SaveFileAtomically(file, big);
    ::_exit(0);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!HasFileOpenIn(child, folder_) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  ::kill(child, SIGKILL);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "the save finished before it could be interrupted";

  EXPECT_EQ(ReadAll(file), old);
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{"a.klv"});
}

// What a save killed between link and rename leaves, and look-alikes that
// are not ours to remove.
TEST_F(FileStoreTest, ASaveRemovesOnlyStaleTemporariesOfItsOwnTarget) {
  const fs::path file = folder_ / "a.klv";
  ASSERT_TRUE(SaveFileAtomically(file, "old").ok);
  const auto now = fs::file_time_type::clock::now();
  const auto stale = now - std::chrono::minutes(2);
  struct Planted {
    const char* name;
    fs::file_time_type written;
    bool removed;
  } planted[] = {
      {".a.klv.tmp-0123456789abcdef", stale, true},   // a dead save of a.klv
      {".a.klv.tmp-fedcba9876543210", now, false},    // a save that may still be running
      {".b.klv.tmp-0123456789abcdef", stale, false},  // another target's
      {".a.klv.tmp-0123456789ABCDEF", stale, false},  // not our digits
      {".a.klv.tmp-0123456789abcde", stale, false},   // one digit short
      {".a.klv.tmp-0123456789abcdef0", stale, false}, // one digit more
      {"a.klv.tmp-0123456789abcdef", stale, false},   // not hidden
      {".a.klv.tmp-notes", stale, false},
  };
  for (const Planted& p : planted) {
    std::ofstream(folder_ / p.name) << "partial";
    fs::last_write_time(folder_ / p.name, p.written);
  }
  // A folder and a link by our pattern, however old, are never ours either.
  fs::create_directory(folder_ / ".a.klv.tmp-aaaaaaaaaaaaaaaa");
  fs::last_write_time(folder_ / ".a.klv.tmp-aaaaaaaaaaaaaaaa", stale);
  fs::create_symlink("a.klv", folder_ / ".a.klv.tmp-bbbbbbbbbbbbbbbb");
  const timespec linkTimes[2] = {{::time(nullptr) - 120, 0}, {::time(nullptr) - 120, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, (folder_ / ".a.klv.tmp-bbbbbbbbbbbbbbbb").c_str(), linkTimes,
                        AT_SYMLINK_NOFOLLOW), 0);

  const SaveOutcome outcome = SaveFileAtomically(file, "new");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(ReadAll(file), "new");
  for (const Planted& p : planted) {
    EXPECT_EQ(fs::exists(folder_ / p.name), !p.removed) << p.name;
  }
  EXPECT_TRUE(fs::is_directory(folder_ / ".a.klv.tmp-aaaaaaaaaaaaaaaa"));
  EXPECT_TRUE(fs::is_symlink(folder_ / ".a.klv.tmp-bbbbbbbbbbbbbbbb"));
}

TEST_F(FileStoreTest, ReadPrefixReadsAtMostTheLimitAndRefusesFolders) {
  const fs::path file = folder_ / "f.bin";
  ASSERT_TRUE(SaveFileAtomically(file, std::string(300, 'q')).ok);

  const ReadOutcome prefix = ReadFilePrefix(file, 260);
  ASSERT_EQ(prefix.status, ReadOutcome::Status::Ok);
  EXPECT_EQ(prefix.bytes.size(), 260u);

  EXPECT_EQ(ReadFilePrefix(folder_, 10).status, ReadOutcome::Status::CannotOpen);
  EXPECT_EQ(ReadFilePrefix(folder_ / "missing", 10).status, ReadOutcome::Status::CannotOpen);
}

TEST_F(FileStoreTest, SavingToALinkReplacesItsFinalTargetAndKeepsTheLinks) {
  fs::create_directory(folder_ / "elsewhere");
  const fs::path target = folder_ / "elsewhere" / "values.klv";
  std::ofstream(target) << "old";
  // link -> ../folder/hop -> elsewhere/values.klv: relative links, resolved
  // from the folder each one sits in.
  fs::create_directory(folder_ / "links");
  fs::create_symlink("elsewhere/values.klv", folder_ / "hop");
  fs::create_symlink("../hop", folder_ / "links" / "link");

  const SaveOutcome outcome = SaveFileAtomically(folder_ / "links" / "link", "new");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_TRUE(fs::is_symlink(folder_ / "links" / "link"));
  EXPECT_TRUE(fs::is_symlink(folder_ / "hop"));
  EXPECT_EQ(ReadAll(target), "new");
  EXPECT_EQ(Entries(folder_ / "links"), std::vector<std::string>{"link"});
  EXPECT_EQ(Entries(folder_ / "elsewhere"), std::vector<std::string>{"values.klv"});

  // A link to a file not there yet makes that file.
  fs::create_symlink("made.klv", folder_ / "dangling");
  ASSERT_TRUE(SaveFileAtomically(folder_ / "dangling", "made").ok);
  EXPECT_TRUE(fs::is_symlink(folder_ / "dangling"));
  EXPECT_EQ(ReadAll(folder_ / "made.klv"), "made");
}

TEST_F(FileStoreTest, SomethingNotARegularFileIsNeverReplaced) {
  const fs::path fifo = folder_ / "fifo";
  const fs::path device = folder_ / "null";
  const fs::path subfolder = folder_ / "sub";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  fs::create_directory(subfolder);
  const bool hasDevice = ::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)) == 0;
  fs::create_symlink("fifo", folder_ / "to-fifo");

  std::vector<fs::path> refused = {fifo, subfolder, folder_ / "to-fifo"};
  if (hasDevice) refused.push_back(device);
  for (const fs::path& path : refused) {
    EXPECT_EQ(CheckSaveTarget(path).error, path.string() + " is not a regular file");
    const SaveOutcome outcome = SaveFileAtomically(path, "x");
    EXPECT_FALSE(outcome.ok) << path;
    EXPECT_EQ(outcome.error, path.string() + " is not a regular file");
  }
  EXPECT_EQ(fs::status(fifo).type(), fs::file_type::fifo);
  EXPECT_TRUE(fs::is_directory(subfolder));
  if (hasDevice) {
    EXPECT_EQ(fs::status(device).type(), fs::file_type::character);
  }
}

TEST_F(FileStoreTest, AReplacedFileKeepsItsModeOwnerAndGroup) {
  const fs::path file = folder_ / "shared.klv";
  std::ofstream(file) << "old";
  // Wider than the umask lets a new file be: the save must not narrow it.
  const mode_t oldMask = ::umask(077);
  ASSERT_EQ(::chmod(file.c_str(), 0664), 0);
  const bool root = ::geteuid() == 0;
  if (root) {
    ASSERT_EQ(::chown(file.c_str(), 4321, 1234), 0);
  }

  const SaveOutcome outcome = SaveFileAtomically(file, "new");
  ::umask(oldMask);
  ASSERT_TRUE(outcome.ok) << outcome.error;
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0664u);
  if (root) {
    EXPECT_EQ(info.st_uid, 4321u);
    EXPECT_EQ(info.st_gid, 1234u);
  }
}

// The longest name a folder takes still saves, and a temporary a dead save
// of it left is still found and removed; one byte more is refused up front.
TEST_F(FileStoreTest, TheLongestNameSavesAndKeepsItsTemporariesTidy) {
  const std::string name(255, 'n');
  const fs::path file = folder_ / name;
  ASSERT_TRUE(SaveFileAtomically(file, "old").ok);
  const std::string stale = "." + name.substr(0, 233) + ".tmp-0123456789abcdef";
  std::ofstream(folder_ / stale) << "partial";
  fs::last_write_time(folder_ / stale, fs::file_time_type::clock::now() - std::chrono::minutes(2));

  const SaveOutcome outcome = SaveFileAtomically(file, "new");
  ASSERT_TRUE(outcome.ok) << outcome.error;
  EXPECT_EQ(ReadAll(file), "new");
  EXPECT_EQ(Entries(folder_), std::vector<std::string>{name});

  EXPECT_TRUE(CheckSaveTarget(file).ok);
  EXPECT_EQ(CheckSaveTarget(folder_ / (name + "n")).error, SystemErrorText(ENAMETOOLONG));
  EXPECT_EQ(CheckSaveTarget(folder_ / "no-such" / "a.klv").error, SystemErrorText(ENOENT));
}

}  // namespace
}  // namespace klv
