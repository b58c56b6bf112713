#pragma once
// What the tool needs from the system it runs on, one file per system:
// posix_system.cpp and windows_system.cpp.
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace klv::cli {

// Prepares the console before anything is printed: on Windows its output
// code page becomes UTF-8, so the Japanese messages show as they are.
void PrepareConsole();

// The arguments after the program's name, in UTF-8: on Windows taken from
// the wide command line, so a Japanese folder name reaches the tool whole
// whatever the code page.
std::vector<std::string> CommandArguments(int argc, char** argv);

// Where the data folder belongs, also when it cannot be made; empty when
// unknown (on Windows a folder that cannot be made has no place).
std::filesystem::path DataFolderPlace();

// Whether the stream is a terminal (a console window on Windows), where a
// progress bar may be drawn.
bool IsTerminal(std::FILE* stream);

// Ctrl+C (and on POSIX a polite kill) from now on only asks the tool to
// stop: StopRequested turns true, and the tool ends as it would at the end.
void CatchStopRequests();
bool StopRequested();

// For a transfer: the first Ctrl+C (or SIGTERM) turns the returned flag
// true, so the transfer stops after the exchange in flight and the tool
// reports what got through; a second Ctrl+C ends the tool at once.
const std::atomic<bool>& CatchTransferCancel();
// The exit status after a cancel: 130 for Ctrl+C, 143 for SIGTERM.
int CancelExitStatus();

}  // namespace klv::cli
