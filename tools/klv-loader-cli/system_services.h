#pragma once
// What the tool needs from the system it runs on, one file per system:
// posix_system.cpp and windows_system.cpp.
#include <cstdio>

namespace klv::cli {

// Prepares the console before anything is printed: on Windows its output
// code page becomes UTF-8, so the Japanese messages show as they are.
void PrepareConsole();

// Whether the stream is a terminal (a console window on Windows), where a
// progress bar may be drawn.
bool IsTerminal(std::FILE* stream);

// Ctrl+C (and on POSIX a polite kill) from now on only asks the tool to
// stop: StopRequested turns true, and the tool ends as it would at the end.
void CatchStopRequests();
bool StopRequested();

}  // namespace klv::cli
