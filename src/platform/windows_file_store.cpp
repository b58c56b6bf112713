// Whole-file reading and saving on Windows. The same guarantees as on POSIX:
// a new file beside the old one, flushed to the disk, then moved over the
// old one in one step that is itself written through.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <random>

#include "platform/file_store.h"
#include "platform/windows_error.h"

namespace klv {
namespace {

// Closes a handle on every path out of a function unless closed before.
class FileHandle {
 public:
  explicit FileHandle(HANDLE handle) : handle_(handle) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (Valid()) ::CloseHandle(handle_);
  }
  bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }
  // Closes now and reports the result.
  bool CloseChecked() {
    const HANDLE handle = handle_;
    handle_ = INVALID_HANDLE_VALUE;
    return ::CloseHandle(handle) != 0;
  }

 private:
  HANDLE handle_;
};

SaveOutcome Failure(DWORD error) { return SaveOutcome{false, WindowsErrorText(error)}; }

std::wstring TemporaryName(const std::filesystem::path& path) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  wchar_t suffix[17];
  std::swprintf(suffix, 17, L"%016llx", static_cast<unsigned long long>(random()));
  return L"." + path.filename().wstring() + L".tmp-" + suffix;
}

bool WriteAll(HANDLE file, std::string_view bytes, DWORD& error) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file, bytes.data() + done, chunk, &written, nullptr)) {
      error = ::GetLastError();
      return false;
    }
    if (written == 0) {
      error = ERROR_DISK_FULL;
      return false;
    }
    done += written;
  }
  return true;
}

// A folder or a device at path is never replaced by a file. (Links are
// rare on Windows and are replaced like files here.)
SaveOutcome RefuseNonRegular(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES &&
      (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return SaveOutcome{false, path.string() + " is not a regular file"};
  }
  return SaveOutcome{true, {}};
}

}  // namespace

std::string SystemErrorText(int error) { return std::strerror(error); }

SaveOutcome CheckSaveTarget(const std::filesystem::path& path) {
  if (SaveOutcome refused = RefuseNonRegular(path); !refused.ok) return refused;
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const DWORD attributes = ::GetFileAttributesW(folder.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return Failure(::GetLastError());
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) return Failure(ERROR_DIRECTORY);
  return SaveOutcome{true, {}};
}

SaveOutcome SaveFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
  if (SaveOutcome refused = RefuseNonRegular(path); !refused.ok) return refused;
  const std::filesystem::path folder =
      path.has_parent_path() ? path.parent_path() : std::filesystem::path(".");
  const std::filesystem::path temporary = folder / TemporaryName(path);

  // CREATE_NEW: never reuses a name that is already there.
  FileHandle file(::CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
  if (!file.Valid()) return Failure(::GetLastError());

  DWORD error = 0;
  if (!WriteAll(file.get(), bytes, error) || !::FlushFileBuffers(file.get())) {
    if (error == 0) error = ::GetLastError();
    file.CloseChecked();
    ::DeleteFileW(temporary.c_str());
    return Failure(error);
  }
  if (!file.CloseChecked()) {
    error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    return Failure(error);
  }
  // WRITE_THROUGH: the call returns only once the move is on the disk, the
  // counterpart of flushing the folder on POSIX.
  if (!::MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    error = ::GetLastError();
    ::DeleteFileW(temporary.c_str());
    return Failure(error);
  }
  return SaveOutcome{true, {}};
}

ReadOutcome ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes) {
  ReadOutcome outcome;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    outcome.error = "Is a directory";
    return outcome;
  }
  FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.Valid()) {
    outcome.error = WindowsErrorText(::GetLastError());
    return outcome;
  }
  // A COM port, a console or a pipe would make the read below wait.
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    outcome.error = "not a regular file";
    return outcome;
  }
  outcome.bytes.resize(maxBytes);
  std::size_t done = 0;
  while (done < maxBytes) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(maxBytes - done, 1u << 20));
    DWORD n = 0;
    if (!::ReadFile(file.get(), outcome.bytes.data() + done, chunk, &n, nullptr)) {
      outcome.status = ReadOutcome::Status::ReadError;
      outcome.error = WindowsErrorText(::GetLastError());
      outcome.bytes.clear();
      return outcome;
    }
    if (n == 0) break;
    done += n;
  }
  outcome.bytes.resize(done);
  outcome.status = ReadOutcome::Status::Ok;
  return outcome;
}

}  // namespace klv
