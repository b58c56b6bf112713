#include "platform/program_options.h"

#include <algorithm>

#include "platform/utf8_path.h"

namespace klv {
namespace {

constexpr std::string_view kVerifyAfterWrite = "verify-after-write";
constexpr std::string_view kLocalEcho = "local-echo";
constexpr std::string_view kWriteChangedOnly = "write-changed-only";
constexpr std::string_view kParameterFolder = "parameter-folder";
constexpr std::string_view kReportFolder = "report-folder";
constexpr std::string_view kPictureFolder = "picture-folder";
constexpr std::string_view kRecordFolder = "record-folder";
constexpr std::string_view kRecentFile = "recent-file";
// Far more than the file ever holds (eleven paths); a stray large file is not read whole.
constexpr std::size_t kLargestFile = 64 * 1024;

// A path the file can hold on one line and that means the same from any working folder.
bool Storable(const std::filesystem::path& path) {
  const std::string text = Utf8FromPath(path);
  return path.is_absolute() && text.find_first_of(std::string_view("\0\n\r", 3)) == std::string::npos;
}

void AddPath(std::string& text, std::string_view name, const std::filesystem::path& path) {
  if (Storable(path)) text += std::string(name) + "=" + Utf8FromPath(path) + "\n";
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string ProgramOptionsText(const ProgramOptions& options) {
  std::string text = "# KLV Loader's own settings (the communication settings are in KlvTool.ini)\n" +
                     std::string(kVerifyAfterWrite) + "=" + (options.verifyAfterWrite ? "1" : "0") + "\n" +
                     std::string(kLocalEcho) + "=" + (options.localEcho ? "1" : "0") + "\n" +
                     std::string(kWriteChangedOnly) + "=" + (options.writeChangedOnly ? "1" : "0") + "\n";
  AddPath(text, kParameterFolder, options.parameterFolder);
  AddPath(text, kReportFolder, options.reportFolder);
  AddPath(text, kPictureFolder, options.pictureFolder);
  AddPath(text, kRecordFolder, options.recordFolder);
  for (std::size_t i = 0; i < options.recentFiles.size() && i < kRecentFileCount; ++i) {
    AddPath(text, kRecentFile, options.recentFiles[i]);
  }
  return text;
}

void RememberRecentFile(ProgramOptions& options, const std::filesystem::path& file) {
  std::vector<std::filesystem::path>& files = options.recentFiles;
  std::erase(files, file);
  files.insert(files.begin(), file);
  if (files.size() > kRecentFileCount) files.resize(kRecentFileCount);
}

std::string RecentFileMenuText(std::size_t index, const std::filesystem::path& file) {
  constexpr std::size_t kLongestShown = 60;
  const std::string whole = Utf8FromPath(file);
  // Characters, not bytes: a UTF-8 character starts with any byte but 10xxxxxx.
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if ((static_cast<unsigned char>(whole[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  std::string shown = whole;
  if (starts.size() > kLongestShown) shown = "\u2026" + whole.substr(starts[starts.size() - (kLongestShown - 1)]);
  std::string text = "&" + std::to_string(index + 1) + " ";
  for (const char c : shown) text += c == '&' ? std::string("&&") : std::string(1, c);
  return text;
}

ProgramOptions ParseProgramOptions(std::string_view text) {
  ProgramOptions options;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    const std::string_view raw = text.substr(0, end);
    const std::string_view line = Trimmed(raw);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    const std::string_view name = Trimmed(line.substr(0, equals));
    const std::string_view value = Trimmed(line.substr(equals + 1));
    if (name == kVerifyAfterWrite && (value == "0" || value == "1")) options.verifyAfterWrite = value == "1";
    if (name == kLocalEcho && (value == "0" || value == "1")) options.localEcho = value == "1";
    if (name == kWriteChangedOnly && (value == "0" || value == "1")) options.writeChangedOnly = value == "1";
    // A path is taken as written: blanks at its ends may be part of a name.
    std::string_view written = raw.substr(raw.find('=') + 1);
    if (!written.empty() && written.back() == '\r') written.remove_suffix(1);
    const std::filesystem::path path = PathFromUtf8(written);
    if (!Storable(path)) continue;
    if (name == kParameterFolder) options.parameterFolder = path;
    if (name == kReportFolder) options.reportFolder = path;
    if (name == kPictureFolder) options.pictureFolder = path;
    if (name == kRecordFolder) options.recordFolder = path;
    if (name == kRecentFile && options.recentFiles.size() < kRecentFileCount &&
        std::find(options.recentFiles.begin(), options.recentFiles.end(), path) == options.recentFiles.end()) {
      options.recentFiles.push_back(path);
    }
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
