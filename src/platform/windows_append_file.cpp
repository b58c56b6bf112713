// Appending on Windows: WriteFile at the known end, FlushFileBuffers, and
// SetEndOfFile back at that end when a write or the flush fails. The file is
// shared for reading only, so nobody else writes to it or removes it while
// the record runs.
#include <windows.h>

#include <algorithm>

#include "platform/append_file.h"
#include "platform/windows_error.h"

namespace klv {
namespace {

class WindowsAppendFile final : public AppendFile {
 public:
  WindowsAppendFile() = default;
  WindowsAppendFile(const WindowsAppendFile&) = delete;
  WindowsAppendFile& operator=(const WindowsAppendFile&) = delete;
  ~WindowsAppendFile() override { CloseFile(); }

  SaveOutcome Open(const std::filesystem::path& path) override {
    CloseFile();
    file_ = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) return Failure(::GetLastError());
    // A COM port, a console or a pipe in the record's place would block.
    if (::GetFileType(file_) != FILE_TYPE_DISK) return FailAndClose(ERROR_INVALID_PARAMETER);
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_, &size)) return FailAndClose(::GetLastError());
    const int64_t whole = WholeLinesLength(static_cast<uint64_t>(size.QuadPart),
                                           [this](uint64_t offset, char* buffer, std::size_t count) -> int64_t {
                                             return ReadAll(offset, buffer, count);
                                           });
    if (whole < 0) return FailAndClose(::GetLastError());
    if (whole != size.QuadPart) {
      if (!SetEnd(static_cast<uint64_t>(whole)) || !::FlushFileBuffers(file_)) return FailAndClose(::GetLastError());
    }
    length_ = static_cast<uint64_t>(whole);
    return {true, {}};
  }

  uint64_t Length() const override { return length_; }

  SaveOutcome Append(std::string_view bytes) override {
    if (file_ == INVALID_HANDLE_VALUE) return Failure(ERROR_INVALID_HANDLE);
    if (!SeekTo(length_)) return CutBack(::GetLastError());
    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
      DWORD written = 0;
      if (!::WriteFile(file_, bytes.data() + done, chunk, &written, nullptr)) return CutBack(::GetLastError());
      if (written == 0) return CutBack(ERROR_DISK_FULL);
      done += written;
    }
    if (!::FlushFileBuffers(file_)) return CutBack(::GetLastError());
    length_ += bytes.size();
    return {true, {}};
  }

 private:
  static SaveOutcome Failure(DWORD error) { return {false, WindowsErrorText(error)}; }

  SaveOutcome FailAndClose(DWORD error) {
    CloseFile();
    return Failure(error);
  }

  // Best effort: a file that cannot be cut is cut at the next Open.
  SaveOutcome CutBack(DWORD error) {
    if (SetEnd(length_)) ::FlushFileBuffers(file_);
    return Failure(error);
  }

  bool SeekTo(uint64_t offset) {
    LARGE_INTEGER at{};
    at.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file_, at, nullptr, FILE_BEGIN) != 0;
  }

  bool SetEnd(uint64_t length) { return SeekTo(length) && ::SetEndOfFile(file_) != 0; }

  int64_t ReadAll(uint64_t offset, char* buffer, std::size_t count) {
    if (!SeekTo(offset)) return -1;
    std::size_t done = 0;
    while (done < count) {
      DWORD n = 0;
      if (!::ReadFile(file_, buffer + done, static_cast<DWORD>(count - done), &n, nullptr) || n == 0) return -1;
      done += n;
    }
    return static_cast<int64_t>(done);
  }

  void CloseFile() {
    if (file_ != INVALID_HANDLE_VALUE) ::CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
    length_ = 0;
  }

  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t length_ = 0;
};

}  // namespace

std::unique_ptr<AppendFile> MakeSystemAppendFile() { return std::make_unique<WindowsAppendFile>(); }

}  // namespace klv
