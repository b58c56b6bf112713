#include "platform/file_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>

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

// The permission bits of a new file: 0666 less the process's umask (read
// without changing it). A replaced file's own bits are set on it afterwards.
mode_t NewFileMode() {
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

// The file a save at path lands in: a chain of symbolic links is followed to
// its end (which need not exist yet), so saving to a link replaces what it
// points to and the link stays. At most 40 links, as the system counts.
struct SaveTarget {
  std::filesystem::path path;
  bool exists = false;
  struct stat info {};
};

SaveOutcome ResolveTarget(const std::filesystem::path& path, SaveTarget& target) {
  std::filesystem::path current = path;
  for (int links = 0; links <= 40; ++links) {
    target = SaveTarget{current, false, {}};
    if (::lstat(current.c_str(), &target.info) != 0) {
      if (errno != ENOENT) return Failure(errno);
      break;
    }
    if (!S_ISLNK(target.info.st_mode)) {
      target.exists = true;
      break;
    }
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(current, error);
    if (error) return Failure(error.value());
    current = next.is_absolute() ? next : current.parent_path() / next;
    if (links == 40) return Failure(ELOOP);
  }
  // A device, a FIFO or a folder is never replaced by a file: saving to
  // /dev/null must not turn it into a regular file.
  if (target.exists && !S_ISREG(target.info.st_mode)) {
    return SaveOutcome{false, path.string() + " is not a regular file"};
  }
  if (target.path.filename().string().size() > NAME_MAX) return Failure(ENAMETOOLONG);
  return SaveOutcome{true, {}};
}

constexpr std::string_view kTemporaryMark = ".tmp-";
constexpr std::size_t kTemporarySuffixLength = 16;

// The part of the target's name a temporary carries: all of it, but cut so
// that the temporary fits in a folder entry (NAME_MAX bytes) however long the
// target's name is.
std::string TemporaryStem(const std::string& target) {
  constexpr std::size_t kLongest = NAME_MAX - 1 - kTemporaryMark.size() - kTemporarySuffixLength;
  return target.substr(0, kLongest);
}

// ".NAME.tmp-" and 16 lower-case hex digits.
std::string TemporaryName(const std::filesystem::path& path) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[kTemporarySuffixLength + 1];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  return "." + TemporaryStem(path.filename().string()) + std::string(kTemporaryMark) + suffix;
}

bool IsTemporaryNameOf(std::string_view name, const std::string& target) {
  const std::string prefix = "." + TemporaryStem(target) + std::string(kTemporaryMark);
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

SaveOutcome CheckSaveTarget(const std::filesystem::path& path) {
  SaveTarget target;
  if (SaveOutcome resolved = ResolveTarget(path, target); !resolved.ok) return resolved;
  const std::filesystem::path folder =
      target.path.has_parent_path() ? target.path.parent_path() : std::filesystem::path(".");
  FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.get() < 0) return Failure(errno);
  return SaveOutcome{true, {}};
}

SaveOutcome SaveFileAtomically(const std::filesystem::path& requested, std::string_view bytes) {
  SaveTarget target;
  if (SaveOutcome resolved = ResolveTarget(requested, target); !resolved.ok) return resolved;
  const std::filesystem::path& path = target.path;
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  FileDescriptor folderFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folderFd.get() < 0) return Failure(errno);

  const mode_t mode = NewFileMode();

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

  // The replaced file's owner and group where this process may give them
  // (the group when it is one of ours, both when we are root), then its
  // mode: the umask must not narrow it, and chown may have cleared set-id bits.
  if (target.exists) {
    if (::fchown(file.get(), target.info.st_uid, target.info.st_gid) != 0) {
      [[maybe_unused]] const int ignored = ::fchown(file.get(), static_cast<uid_t>(-1), target.info.st_gid);
    }
    if (::fchmod(file.get(), target.info.st_mode & 07777) != 0) {
      const int error = errno;
      removeTemporary();
      return Failure(error);
    }
  }

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
