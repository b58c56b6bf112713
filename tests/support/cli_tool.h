#pragma once
// For the tests that run klv-loader-cli as a process: where the tool is in
// the build tree, and whole files read back.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace klv::testing {

// The tool beside this test program in the build tree; empty when missing.
inline std::filesystem::path CliPath() {
  std::error_code error;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  const std::filesystem::path cli = self.parent_path().parent_path() / "tools" / "klv-loader-cli" / "klv-loader-cli";
  return std::filesystem::exists(cli, error) ? cli : std::filesystem::path{};
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace klv::testing
