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
// A symbolic link at path is followed to its final target, which is replaced
// (its folder takes the temporary), so the link stays a link. Anything there
// that is not a regular file (a device, a FIFO, a folder) is refused with
// "<path> is not a regular file". A replaced file keeps its mode, and its
// owner and group where the process may set them.
SaveOutcome SaveFileAtomically(const std::filesystem::path& path, std::string_view bytes);

// What SaveFileAtomically would refuse without writing anything: a missing
// folder, a name longer than the system allows, something at path (or at the
// end of its links) that is not a regular file. For a long task whose result
// is saved at its end, so a doomed save is refused before the task begins.
SaveOutcome CheckSaveTarget(const std::filesystem::path& path);

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
