#pragma once
// The text of a PDF as pdftotext (poppler-utils) extracts it, for tests that
// check that a report's words can be found and copied from the file.
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace klv::testing {

// Nothing when pdftotext could not run or refused the file.
inline std::optional<std::string> PdfText(const std::filesystem::path& pdf) {
  const std::string command = "pdftotext -enc UTF-8 '" + pdf.string() + "' - 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return std::nullopt;
  std::string text;
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) text.append(buffer, n);
  if (pclose(pipe) != 0) return std::nullopt;
  return text;
}

}  // namespace klv::testing
