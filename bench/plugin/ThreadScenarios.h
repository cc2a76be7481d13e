// The thread measurements of bench_threads, each made in a process of its own: the
// plug-in has one session per process, and a sample must not inherit the state that
// an earlier one left (or a wedge it left behind).
#pragma once

#include <string>

namespace bench::threads {

// StopHW from a worker while the window's thread is idle in its message loop.
inline constexpr char kStopIdle[] = "stop-idle";
// StopHW from a worker while the host's callback is running on the window's thread.
inline constexpr char kStopBusy[] = "stop-busy";
// Latency of the host's own posted messages while a worker sends SetHWLO calls.
inline constexpr char kHostMessages[] = "host-messages";
// The same host messages with the session open and streaming but no worker calling:
// the latency that the machine itself gives, measured in the same run.
inline constexpr char kHostMessagesQuiet[] = "host-messages-quiet";
// GetHWLO and StartHW from the host's main thread while the callback, on the window's
// thread (a worker), sends a message to that main thread.
inline constexpr char kCallbackSends[] = "callback-sends";

// How long the parent lets each scenario's process run before it kills it.
unsigned TimeoutMs(const std::string& scenario);

// Runs `scenario` against the plug-in DLL at `dll` (a Windows path) in this process and
// prints its figures as "key=value" lines on standard output, then "ok=1" once they
// are all in (before the session's teardown, which may hang in a faulty build).
// Returns the process's exit code: 0 when the scenario ran, 1 when it could not.
int RunScenario(const std::string& scenario, const std::wstring& dll);

}  // namespace bench::threads
