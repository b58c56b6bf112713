// Appending on POSIX: pwrite at the known end, fdatasync, and ftruncate back
// to that end when a write or the flush fails.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/append_file.h"

namespace klv {
namespace {

class PosixAppendFile final : public AppendFile {
 public:
  PosixAppendFile() = default;
  PosixAppendFile(const PosixAppendFile&) = delete;
  PosixAppendFile& operator=(const PosixAppendFile&) = delete;
  ~PosixAppendFile() override { CloseFile(); }

  SaveOutcome Open(const std::filesystem::path& path) override {
    CloseFile();
    fd_ = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOCTTY);
    if (fd_ < 0) return Failure(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return FailAndClose(errno);
    // A FIFO or a device in the record's place would block or take rows
    // nowhere; only a regular file is continued.
    if (!S_ISREG(info.st_mode)) return FailAndClose(EINVAL);
    const int64_t whole = WholeLinesLength(static_cast<uint64_t>(info.st_size),
                                           [this](uint64_t offset, char* buffer, std::size_t count) -> int64_t {
                                             return ReadAll(offset, buffer, count);
                                           });
    if (whole < 0) return FailAndClose(errno != 0 ? errno : EIO);
    if (whole != info.st_size) {
      if (::ftruncate(fd_, static_cast<off_t>(whole)) != 0 || ::fdatasync(fd_) != 0) return FailAndClose(errno);
    }
    length_ = static_cast<uint64_t>(whole);
    return {true, {}};
  }

  uint64_t Length() const override { return length_; }

  SaveOutcome Append(std::string_view bytes) override {
    if (fd_ < 0) return Failure(EBADF);
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::pwrite(fd_, bytes.data() + done, bytes.size() - done,
                                 static_cast<off_t>(length_ + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return CutBack(n < 0 ? errno : ENOSPC);
      done += static_cast<std::size_t>(n);
    }
    if (::fdatasync(fd_) != 0) return CutBack(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0) return CutBack(errno);
    // Removed from its folder (or the folder removed): the rows would go
    // into a file nobody can open.
    if (info.st_nlink == 0) return Failure(ENOENT);
    length_ += bytes.size();
    return {true, {}};
  }

 private:
  static SaveOutcome Failure(int error) { return {false, SystemErrorText(error)}; }

  SaveOutcome FailAndClose(int error) {
    CloseFile();
    return Failure(error);
  }

  // Best effort: a file that cannot be cut is cut at the next Open.
  SaveOutcome CutBack(int error) {
    if (::ftruncate(fd_, static_cast<off_t>(length_)) == 0) ::fdatasync(fd_);
    return Failure(error);
  }

  int64_t ReadAll(uint64_t offset, char* buffer, std::size_t count) {
    std::size_t done = 0;
    while (done < count) {
      const ssize_t n = ::pread(fd_, buffer + done, count - done, static_cast<off_t>(offset + done));
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return -1;
      done += static_cast<std::size_t>(n);
    }
    return static_cast<int64_t>(done);
  }

  void CloseFile() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    length_ = 0;
  }

  int fd_ = -1;
  uint64_t length_ = 0;
};

}  // namespace

std::unique_ptr<AppendFile> MakeSystemAppendFile() { return std::make_unique<PosixAppendFile>(); }

}  // namespace klv
