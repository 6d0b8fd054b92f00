// The commands of velimg besides the operation chains.
#pragma once

#include <string>

namespace velimg {

// Builds a frame and a title in memory, runs the typical host request on
// them and writes a contact sheet of every family of operations into `outDir`.
int RunDemo(const std::string& outDir);

// The width, height and format of each file.
int RunInfo(int argc, char** argv);

// What processor detection found.
int RunCpu();

// Milliseconds since an arbitrary start, for step timings.
double NowMs();

// Creates a directory (and its parents); true when it exists afterwards.
bool MakeDirectories(const std::string& path);
bool IsDirectory(const std::string& path);

}  // namespace velimg
