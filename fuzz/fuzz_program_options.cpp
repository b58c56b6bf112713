// Any bytes as KlvLoader.conf: parsing never reads past the input, keeps at
// most kRecentFileCount recent files, and what it gives is saved and read
// back unchanged.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/program_options.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const klv::ProgramOptions options =
      klv::ParseProgramOptions(std::string_view(reinterpret_cast<const char*>(data), size));
  if (options.recentFiles.size() > klv::kRecentFileCount) __builtin_trap();
  if (klv::ParseProgramOptions(klv::ProgramOptionsText(options)) != options) __builtin_trap();
  return 0;
}
