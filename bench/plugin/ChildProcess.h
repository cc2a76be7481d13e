// Runs a program as a child process with a time limit and collects what it prints.
#pragma once

#include <windows.h>

#include <string>

namespace bench {

struct ChildOutcome {
  bool started = false;
  // The child (and what it started) was killed when the time ran out.
  bool killed = false;
  DWORD exit_code = 0;
  double seconds = 0;
  // Its standard output and error, as far as it wrote them before it ended.
  std::string output;
};

// Starts `command_line` (program and arguments, quoted as CreateProcess takes them)
// with its standard output and error going to a temporary file, waits up to
// `timeout_ms` for it to end, and kills it and the processes it started if it has not.
// The child inherits this process's environment.
ChildOutcome RunChild(const std::wstring& command_line, DWORD timeout_ms);

// The value after the first `key` in `text` (e.g. "ratio: 0.98" for key "ratio:"),
// or false when the key is missing or no number follows it.
bool ValueAfter(const std::string& text, const char* key, double* value);

}  // namespace bench
