// Runs a program of the build as a user would, its output captured.
#pragma once

#include <windows.h>

#include <string>

namespace tessel::host {

struct ToolRun {
  DWORD exit_code;
  std::string output;  // standard output and error, as the program wrote them
};

// Runs `program` with the command-line arguments `args` (passed as they stand), in
// `folder` (empty: this process's current folder). Fails the test when it cannot
// start or does not end within a minute.
ToolRun RunProgram(const std::wstring& program, const std::wstring& args,
                   const std::wstring& folder = {});

// The Windows path of a file of the build, from the unix path CMake knows.
std::wstring BuildPath(const char* unix_path);

// A copy of the built file `unix_path` in this process's current folder, made at the
// first call; returns its path. A host tool run from there, with the plug-in copied
// beside it, keeps its settings file to itself while other tests run the built one.
// Fails the test when the copy cannot be made.
std::wstring OwnCopy(const char* unix_path);

}  // namespace tessel::host
