#include "editor/program_options.h"

namespace klv {
namespace {

constexpr std::string_view kVerifyAfterWrite = "verify-after-write";
// Far more than the file ever holds; a stray large file is not read whole.
constexpr std::size_t kLargestFile = 4096;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ProgramOptionsText(const ProgramOptions& options) {
  return "# KLV Loader's own settings (the communication settings are in KlvTool.ini)\n" +
         std::string(kVerifyAfterWrite) + "=" + (options.verifyAfterWrite ? "1" : "0") + "\n";
}

ProgramOptions ParseProgramOptions(std::string_view text) {
  ProgramOptions options;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view line = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    if (name == kVerifyAfterWrite && (value == "0" || value == "1")) options.verifyAfterWrite = value == "1";
  }
  return options;
}

ProgramOptions LoadProgramOptions(const std::filesystem::path& path) {
  if (path.empty()) return {};
  const ReadOutcome read = ReadFilePrefix(path, kLargestFile + 1);
  if (read.status != ReadOutcome::Status::Ok || read.bytes.size() > kLargestFile) return {};
  return ParseProgramOptions(std::string_view(reinterpret_cast<const char*>(read.bytes.data()), read.bytes.size()));
}

SaveOutcome SaveProgramOptions(const std::filesystem::path& path, const ProgramOptions& options) {
  if (path.empty()) return {false, "no data folder"};
  return SaveFileAtomically(path, ProgramOptionsText(options));
}

}  // namespace klv
