#pragma once
// Reading and writing whole files. Every file the program writes goes through
// SaveFileAtomically, so a crash, a full disk or a pulled stick leaves either
// the old file or the new one, never a broken or empty one.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace klv {

struct SaveOutcome {
  bool ok = false;
  std::string error;  // the system's reason when !ok, e.g. "No space left on device"
};

// Writes bytes to a new file beside path, flushes it to the disk, renames it
// over path and flushes the folder. On any failure the new file is removed,
// the old file is left byte for byte, and the reason is returned. After a
// good save, temporaries of path that a killed save left in the folder (older
// than a minute) are removed.
SaveOutcome SaveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

struct ReadOutcome {
  enum class Status { Ok, CannotOpen, ReadError };
  Status status = Status::CannotOpen;
  std::vector<uint8_t> bytes;  // at most maxBytes, when status is Ok
  std::string error;           // the system's reason otherwise
};

// Reads at most maxBytes from the start of a regular file. A folder, a device
// or a FIFO is refused as CannotOpen, so a stray path never blocks the program.
ReadOutcome ReadFilePrefix(const std::filesystem::path& path, std::size_t maxBytes);

// The system's message for an errno value.
std::string SystemErrorText(int error);

}  // namespace klv
