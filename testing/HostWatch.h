// What a host would suffer from the plug-in, noticed by the test process itself:
// a fatal processor exception anywhere in the process (even one that the system
// swallows, as it does in timer callbacks), and a call that never returns.
#pragma once

#include <windows.h>

#include <string>

namespace tessel::testing {

// Watches the whole process from construction to destruction; one at a time.
// `context` is printed with any crash or hang, so the failing case can be rerun.
class HostWatch {
 public:
  // A call into the plug-in that has not returned after `hang_ms` ends the process
  // with a message and exit code 3.
  explicit HostWatch(unsigned hang_ms = 30000);
  ~HostWatch();
  HostWatch(const HostWatch&) = delete;
  HostWatch& operator=(const HostWatch&) = delete;

  // Says what the test does now; also tells the hang watch that the test is alive.
  void Note(const std::string& what);

  // Fatal exceptions seen so far (access violations, illegal instructions, stack
  // overflows, divisions by zero), with the first one described.
  int FatalExceptions() const;
  std::string FirstFatal() const;
};

}  // namespace tessel::testing
