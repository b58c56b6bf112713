#include "platform/file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string_view>

namespace klv {
namespace {

// Closes a descriptor on every path out of a function unless released.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd = -1) : fd_(fd) {}
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and reports the result: close can report a delayed write error.
  int CloseChecked() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

SaveOutcome Failure(int error) { return SaveOutcome{false, SystemErrorText(error)}; }

bool WriteAll(int fd, std::string_view bytes, int& error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      return false;
    }
    if (n == 0) {
      error = ENOSPC;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// The permission bits a newly created file would get: the old file's when it
// exists, otherwise 0666 less the process's umask (read without changing it).
mode_t NewFileMode(const std::filesystem::path& path) {
  struct stat old {};
  if (::stat(path.c_str(), &old) == 0) return old.st_mode & 07777;
  mode_t mask = 022;
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      mask = static_cast<mode_t>(std::strtoul(line.c_str() + 6, nullptr, 8));
      break;
    }
  }
  return 0666 & ~mask;
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 16;

// ".NAME.tmp-" and 16 lower-case hex digits.
std::string TemporaryName(const std::filesystem::path& path) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[kTemporarySuffixLength + 1];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  return "." + path.filename().string() + std::string(kTemporaryMark) + suffix;
}

bool IsTemporaryNameOf(std::string_view name, const std::string& target) {
  const std::string prefix = "." + target + std::string(kTemporaryMark);
  if (!name.starts_with(prefix) || name.size() != prefix.size() + kTemporarySuffixLength) return false;
  for (const char c : name.substr(prefix.size())) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  }
  return true;
}

// A save between the link of its temporary and the rename takes
// milliseconds; a temporary untouched for this long belongs to a save that
// died (killed, power lost) and will never be renamed.
constexpr std::chrono::seconds kStaleAfter{60};

// Removes the temporaries a dead save of the same target left in the folder.
// Age is measured against the file just saved, so both times come from the
// same file system's clock (right on a network share whose clock differs from
// ours). The name carries no pid on purpose: a pid says nothing about a
// process on another machine saving into a shared folder, and pids are
// reused. Were a live save frozen for a minute between link and rename, the
// removal would make its rename fail and report it: its old file stays, so
// nothing is lost. Best effort; a failure here never fails the save.
void RemoveStaleTemporaries(int folderFd, const std::string& target) {
  struct stat saved {};
  if (::fstatat(folderFd, target.c_str(), &saved, AT_SYMLINK_NOFOLLOW) != 0) return;
  const int listFd = ::dup(folderFd);
  if (listFd < 0) return;
  DIR* folder = ::fdopendir(listFd);
  if (folder == nullptr) {
    ::close(listFd);
    return;
  }
  ::rewinddir(folder);
  while (const dirent* entry = ::readdir(folder)) {
    if (!IsTemporaryNameOf(entry->d_name, target)) continue;
    struct stat info {};
    if (::fstatat(folderFd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)) continue;
    if (saved.st_mtim.tv_sec - info.st_mtim.tv_sec < kStaleAfter.count()) continue;
    ::unlinkat(folderFd, entry->d_name, 0);
  }
  ::closedir(folder);
}

}  // namespace

std::string SystemErrorText(int error) { return std::strerror(error); }

SaveOutcome SaveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.get() < 0) return Failure(errno);

  const mode_t mode = NewFileMode(path);

  // An unnamed file first: if the process dies while writing, the kernel
  // drops it and nothing is left behind. File systems without O_TMPFILE get a
  // named temporary file instead.
  FileDescriptor file(::openat(folderFd.get(), ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, mode));
  std::string temporary;
  if (file.get() < 0) {
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) return Failure(errno);
    temporary = TemporaryName(path);
    file.Reset(::openat(folderFd.get(), temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode));
    if (file.get() < 0) return Failure(errno);
  }

  auto removeTemporary = [&] {
    if (!temporary.empty()) ::unlinkat(folderFd.get(), temporary.c_str(), 0);
  };

  int error = 0;
  if (!WriteAll(file.get(), bytes, error) || ::fsync(file.get()) != 0) {
    if (error == 0) error = errno;
    removeTemporary();
    return Failure(error);
  }

  if (temporary.empty()) {
    // Give the unnamed file a name beside the target, then rename it over.
    temporary = TemporaryName(path);
    const std::string procPath = "/proc/self/fd/" + std::to_string(file.get());
    if (::linkat(AT_FDCWD, procPath.c_str(), folderFd.get(), temporary.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      error = errno;
      temporary.clear();
      return Failure(error);
    }
  }
  if (file.CloseChecked() != 0) {
    error = errno;
    removeTemporary();
    return Failure(error);
  }
  if (::renameat(folderFd.get(), temporary.c_str(), folderFd.get(), path.filename().c_str()) != 0) {
    error = errno;
    removeTemporary();
    return Failure(error);
  }
  // The rename is only durable once the folder itself is on the disk.
  if (::fsync(folderFd.get()) != 0 && errno != EINVAL) return Failure(errno);
  RemoveStaleTemporaries(folderFd.get(), path.filename().string());
  return SaveOutcome{true, {}};
}

ReadOutcome ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes) {
  ReadOutcome outcome;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
  if (file.get() < 0) {
    outcome.error = SystemErrorText(errno);
    return outcome;
  }
  struct stat info {};
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    outcome.error = S_ISDIR(info.st_mode) ? SystemErrorText(EISDIR) : "not a regular file";
    return outcome;
  }
  outcome.bytes.resize(maxBytes);
  std::size_t done = 0;
  while (done < maxBytes) {
    const ssize_t n = ::read(file.get(), outcome.bytes.data() + done, maxBytes - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      outcome.status = ReadOutcome::Status::ReadError;
      outcome.error = SystemErrorText(errno);
      outcome.bytes.clear();
      return outcome;
    }
    if (n == 0) break;
    done += static_cast<std::size_t>(n);
  }
  outcome.bytes.resize(done);
  outcome.status = ReadOutcome::Status::Ok;
  return outcome;
}

}  // namespace klv
