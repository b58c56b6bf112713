#pragma once
// One run of a command-line tool as a script runs it: a process of its own
// with its own data folder and locale, standard input empty, standard output
// and error kept in files and read back once it has ended.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/cli_tool.h"

extern char** environ;

namespace klv::testing {

struct ToolRun {
  int status = -1;  // the exit status; -1 when it did not exit
  std::string out;
  std::string err;
};

// Runs tool with args, its data folder and home in folder (which also takes
// the files of its standard output and error).
inline ToolRun RunTool(const std::filesystem::path& tool, std::vector<std::string> args,
                       const std::filesystem::path& folder, const std::string& locale = "C") {
  const std::filesystem::path out = folder / "stdout";
  const std::filesystem::path err = folder / "stderr";
  std::vector<std::string> env = {"XDG_DATA_HOME=" + (folder / "data").string(), "HOME=" + folder.string(),
                                  "LANG=" + locale};
  args.insert(args.begin(), tool.string());
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (std::string& entry : env) envp.push_back(entry.data());
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, tool.c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  ToolRun run;
  if (spawned != 0) {
    ADD_FAILURE() << "cannot start " << tool;
    return run;
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  run.out = ReadFile(out);
  run.err = ReadFile(err);
  return run;
}

}  // namespace klv::testing
