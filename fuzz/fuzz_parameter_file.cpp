// Any bytes fed to the parameter file reader: it must never crash, and a file
// it accepts must come back byte for byte when written again, apart from the
// words it ignores (reserved word, record addresses, markers), which are
// written with their fixed values.
#include <cstddef>
#include <cstdint>
#include <span>

#include "editor/parameter_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  const auto decoded = klv::DecodeParameterFile(input);
  if (!decoded) {
    // Refused: must be because of the size or the model code.
    if (size == klv::kParameterFileSize && klv::ModelFromCode(static_cast<uint16_t>(data[0] | (data[1] << 8))))
      __builtin_trap();
    return 0;
  }
  if (size != klv::kParameterFileSize) __builtin_trap();

  const klv::ParameterFileBytes again = klv::EncodeParameterFile(decoded->parameters, decoded->model);
  for (std::size_t offset = 0; offset < klv::kParameterFileSize; offset += 2) {
    const bool ignored = offset == 2 || (offset >= 4 && offset < 112 && offset % 4 == 0) || offset == 114 ||
                         offset == 118;
    if (ignored) continue;
    if (again[offset] != data[offset] || again[offset + 1] != data[offset + 1]) __builtin_trap();
  }
  const auto decodedAgain = klv::DecodeParameterFile(again);
  if (!decodedAgain || decodedAgain->model != decoded->model || !(decodedAgain->parameters == decoded->parameters))
    __builtin_trap();
  return 0;
}
