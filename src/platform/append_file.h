#pragma once
// A file that grows at its end, a few bytes at a time, each piece on the disk
// before the call returns: the data record's rows. The file is created (with
// its first line) by SaveFileAtomically; this only continues it, so opening
// never creates a file.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/file_store.h"

namespace klv {

class AppendFile {
 public:
  virtual ~AppendFile() = default;

  // Opens the existing file at path for writing at its end. Whatever follows
  // its last line end (a line torn by a crash or by a write that failed part
  // way) is cut first, so the next line starts on a line of its own.
  virtual SaveOutcome Open(const std::filesystem::path& path) = 0;
  // The file's length: after Open, the length left by the cut; then grown by
  // every good Append.
  virtual uint64_t Length() const = 0;
  // Writes bytes at the end and flushes them to the disk (fdatasync,
  // FlushFileBuffers). On failure the file is cut back to its length before
  // the call, as far as the system lets it, and the reason is returned. A
  // file removed from its folder while open counts as a failure: what is
  // written to it is lost.
  virtual SaveOutcome Append(std::string_view bytes) = 0;
};

using AppendFileFactory = std::function<std::unique_ptr<AppendFile>()>;

// The system's files (POSIX or Windows, one file each).
std::unique_ptr<AppendFile> MakeSystemAppendFile();

// Reads up to count bytes at offset into buffer: the count read, or -1.
using ReadAt = std::function<int64_t(uint64_t offset, char* buffer, std::size_t count)>;
// The length of a file of `length` bytes up to and including its last '\n'
// (0 without one), read backwards from the end; -1 when a read fails.
int64_t WholeLinesLength(uint64_t length, const ReadAt& readAt);

}  // namespace klv
