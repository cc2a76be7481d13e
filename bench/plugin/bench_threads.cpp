// Thread figures of two builds of the plug-in side by side, in one run: an "old" and a
// "new" DLL (Windows paths; both default to this build's DLL). Every sample runs in a
// process of its own, which is killed if it outlives its time limit; a killed or failed
// sample is reported as such, since a hang is a valid result for a faulty build.
//   a. StopHW from a worker, with the window's thread idle and with the host's callback
//      running on it;
//   b. the latency of the host's own messages, posted to the window's thread every
//      millisecond or so, while a worker sends 5,000 SetHWLO (and, as the machine's own
//      figure, for a second with no worker calling);
//   c. the data path, plug-in / direct (bench_datapath for each DLL);
//   d. the first InitHW / a bare window and the component (bench_init for each DLL);
//   e. GetHWLO and StartHW from the host's main thread while the callback, on the
//      window's thread (a worker), sends a message to that main thread.
// Usage: bench_threads [--old PATH] [--new PATH] [--rounds N] [--parts abcde]
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/plugin/ChildProcess.h"
#include "bench/plugin/ThreadScenarios.h"

namespace {

namespace threads = bench::threads;

// Child programs that measure a whole figure themselves.
constexpr DWORD kProgramTimeoutMs = 300000;

std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string out(n > 0 ? n - 1 : 0, '\0');
  if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr);
  return out;
}

// A path of the build (as CMake gives it) as a Windows path on Wine's Z: drive.
std::wstring WindowsPath(const char* unix_path) {
  std::string path = std::string("Z:") + unix_path;
  std::replace(path.begin(), path.end(), '/', '\\');
  const int n = MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, nullptr, 0);
  std::wstring out(n > 0 ? n - 1 : 0, L'\0');
  if (n > 1) MultiByteToWideChar(CP_UTF8, 0, path.c_str(), -1, out.data(), n);
  return out;
}

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// What the samples of one build gave for one figure or scenario.
struct Samples {
  std::map<std::string, std::vector<double>> values;  // by key, from the runs that finished
  int runs = 0;
  int failed = 0;  // no figures: killed, or ended with an error
  std::vector<std::string> problems;
};

struct Build {
  const char* label;
  std::wstring dll;
  std::map<std::string, Samples> by_part;
};

// The first "error=..." line of a child's output, or a note on how it ended.
std::string Problem(const bench::ChildOutcome& outcome) {
  std::string problem;
  const size_t at = outcome.output.find("error=");
  if (at != std::string::npos) {
    problem = outcome.output.substr(at + 6, outcome.output.find('\n', at) - at - 6);
  }
  if (outcome.killed) {
    char note[64];
    std::snprintf(note, sizeof note, "killed after %.0f s", outcome.seconds);
    problem = problem.empty() ? note : std::string(note) + ": " + problem;
  } else if (problem.empty()) {
    char note[32];
    std::snprintf(note, sizeof note, "exit code 0x%lx", outcome.exit_code);
    problem = note;
  }
  return problem;
}

// Records the "key=value" lines of a finished scenario, or the run's problem.
void Record(const bench::ChildOutcome& outcome, const std::string& what, Samples* samples) {
  ++samples->runs;
  const std::string& text = outcome.output;
  if (!outcome.started || text.find("ok=") == std::string::npos) {
    ++samples->failed;
    samples->problems.push_back(what + ": " + (outcome.started ? Problem(outcome) : "not started"));
    return;
  }
  size_t line = 0;
  while (line < text.size()) {
    const size_t end = std::min(text.find('\n', line), text.size());
    const size_t equals = text.find('=', line);
    if (equals < end) {
      double value = 0;
      if (bench::ValueAfter(text.substr(equals, end - equals), "=", &value)) {
        samples->values[text.substr(line, equals - line)].push_back(value);
      }
    }
    line = end + 1;
  }
  // Figures in, but the session's teardown or the process's exit went wrong.
  if (outcome.killed || outcome.exit_code != 0) {
    samples->problems.push_back(what + ": figures in, then " + Problem(outcome));
  }
}

void RunScenario(const std::wstring& self, const char* scenario, int round, Build* build) {
  const std::string name = scenario;
  const std::wstring command = L"\"" + self + L"\" --child " +
                               std::wstring(name.begin(), name.end()) + L" --dll \"" + build->dll +
                               L"\"";
  const bench::ChildOutcome outcome = bench::RunChild(command, threads::TimeoutMs(scenario));
  const std::string what =
      std::string(build->label) + " " + scenario + " run " + std::to_string(round + 1);
  Record(outcome, what, &build->by_part[scenario]);
  std::printf("  %s: %s\n", what.c_str(),
              outcome.output.find("ok=") != std::string::npos ? "done" : Problem(outcome).c_str());
  std::fflush(stdout);
}

// Runs a whole benchmark program with TESSEL_DLL naming the build's DLL, and keeps the
// numbers after `keys` (stored under the same names).
void RunProgram(const std::wstring& program, const char* part, std::vector<const char*> keys,
                Build* build) {
  SetEnvironmentVariableW(L"TESSEL_DLL", build->dll.c_str());
  const bench::ChildOutcome outcome = bench::RunChild(L"\"" + program + L"\"", kProgramTimeoutMs);
  SetEnvironmentVariableW(L"TESSEL_DLL", nullptr);
  Samples& samples = build->by_part[part];
  ++samples.runs;
  const std::string what = std::string(build->label) + " " + part;
  bool all = outcome.started && !outcome.killed;
  for (const char* key : keys) {
    double value = 0;
    if (bench::ValueAfter(outcome.output, key, &value)) {
      samples.values[key].push_back(value);
    } else {
      all = false;
    }
  }
  if (!all) {
    ++samples.failed;
    samples.problems.push_back(what + ": " + Problem(outcome));
  }
  std::printf("  %s: %s\n", what.c_str(), all ? "done" : Problem(outcome).c_str());
  std::fflush(stdout);
}

// The median of one figure of one build, or false when no run gave it.
bool Figure(const Build& build, const char* part, const char* key, double* value) {
  const auto p = build.by_part.find(part);
  if (p == build.by_part.end()) return false;
  const auto v = p->second.values.find(key);
  if (v == p->second.values.end() || v->second.empty()) return false;
  *value = Median(v->second);
  return true;
}

// The column text of one figure: its median, and how many runs gave none.
std::string Cell(const Build& build, const char* part, const char* key, const char* format) {
  double value = 0;
  std::string cell = "none";
  if (Figure(build, part, key, &value)) {
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    cell = text;
  }
  const auto p = build.by_part.find(part);
  if (p != build.by_part.end() && p->second.failed > 0) {
    cell +=
        " (" + std::to_string(p->second.failed) + "/" + std::to_string(p->second.runs) + " failed)";
  }
  return cell;
}

// One line of the table: the figure for each build and new / old.
void Row(const char* label, const Build& old_build, const Build& new_build, const char* part,
         const char* key, const char* format = "%.2f", bool ratio = true) {
  if (old_build.by_part.count(part) == 0) return;
  double o = 0, n = 0;
  std::string r = "-";
  if (ratio && Figure(old_build, part, key, &o) && Figure(new_build, part, key, &n) && o != 0) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", n / o);
    r = text;
  }
  std::printf("  %-46s %22s %22s %8s\n", label, Cell(old_build, part, key, format).c_str(),
              Cell(new_build, part, key, format).c_str(), r.c_str());
}

// The largest value of one figure over all runs of a build, as text.
std::string Worst(const Build& build, const char* part, const char* key) {
  const auto p = build.by_part.find(part);
  if (p == build.by_part.end()) return "none";
  const auto v = p->second.values.find(key);
  if (v == p->second.values.end() || v->second.empty()) return "none";
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", *std::max_element(v->second.begin(), v->second.end()));
  return text;
}

// How many runs of a build gave `expected` for `key`, as "k of n".
std::string CountOf(const Build& build, const char* part, const char* key, double expected) {
  const auto p = build.by_part.find(part);
  if (p == build.by_part.end()) return "none";
  int hits = 0;
  const auto v = p->second.values.find(key);
  if (v != p->second.values.end()) hits = std::count(v->second.begin(), v->second.end(), expected);
  return std::to_string(hits) + " of " + std::to_string(p->second.runs);
}

int Usage() {
  std::printf("usage: bench_threads [--old PATH] [--new PATH] [--rounds N] [--parts abcde]\n");
  return 2;
}

}  // namespace

int main() {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::vector<std::wstring> args(argv, argv + argc);
  LocalFree(argv);
  if (args.size() == 5 && args[1] == L"--child" && args[3] == L"--dll") {
    return threads::RunScenario(Utf8(args[2]), args[4]);
  }

  Build old_build{"old", WindowsPath(TESSEL_DLL_PATH), {}};
  Build new_build{"new", old_build.dll, {}};
  int rounds = 5;
  std::wstring parts = L"abcde";
  for (size_t i = 1; i < args.size(); ++i) {
    if (i + 1 >= args.size()) return Usage();
    if (args[i] == L"--old") {
      old_build.dll = args[++i];
    } else if (args[i] == L"--new") {
      new_build.dll = args[++i];
    } else if (args[i] == L"--rounds" && _wtoi(args[i + 1].c_str()) > 0) {
      rounds = _wtoi(args[++i].c_str());
    } else if (args[i] == L"--parts") {
      parts = args[++i];
    } else {
      return Usage();
    }
  }
  auto part = [&](wchar_t p) { return parts.find(p) != std::wstring::npos; };
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);

  std::printf("thread figures, %d processes per figure and build\n  old: %s\n  new: %s\n", rounds,
              Utf8(old_build.dll).c_str(), Utf8(new_build.dll).c_str());
  std::vector<const char*> scenarios;
  if (part(L'a')) scenarios.insert(scenarios.end(), {threads::kStopIdle, threads::kStopBusy});
  if (part(L'b')) {
    scenarios.insert(scenarios.end(), {threads::kHostMessages, threads::kHostMessagesQuiet});
  }
  if (part(L'e')) scenarios.push_back(threads::kCallbackSends);
  for (int round = 0; round < rounds; ++round) {
    for (const char* scenario : scenarios) {
      // Alternate which build goes first, so that neither always runs on a warmer machine.
      Build* first = round % 2 == 0 ? &old_build : &new_build;
      Build* second = round % 2 == 0 ? &new_build : &old_build;
      RunScenario(self, scenario, round, first);
      RunScenario(self, scenario, round, second);
    }
  }
  for (Build* build : {&old_build, &new_build}) {
    if (part(L'c')) {
      RunProgram(WindowsPath(BENCH_DATAPATH_EXE), "datapath",
                 {"ratio plug-in/direct:", "by processor time"}, build);
    }
    if (part(L'd')) {
      RunProgram(WindowsPath(BENCH_INIT_EXE), "init",
                 {"ratio to baseline", "plug-in InitHW:", "to first status:"}, build);
    }
  }

  const Build& o = old_build;
  const Build& n = new_build;
  std::printf(
      "\nmedians over the runs; \"failed\": runs killed at their time limit or ended in an "
      "error\n");
  std::printf("  %-46s %22s %22s %8s\n", "", "old", "new", "new/old");
  Row("a. StopHW from a worker, thread idle (ms)", o, n, threads::kStopIdle, "stop_ms", "%.3f");
  Row("a. StopHW, callback running 200 ms (ms)", o, n, threads::kStopBusy, "stop_ms", "%.1f");
  Row("   blocks begun after StopHW returned, idle", o, n, threads::kStopIdle, "late_blocks",
      "%.0f", false);
  Row("   blocks begun after StopHW returned, busy", o, n, threads::kStopBusy, "late_blocks",
      "%.0f", false);
  Row("b. host messages during 5,000 SetHWLO, max (ms)", o, n, threads::kHostMessages,
      "message_max_ms", "%.1f");
  if (o.by_part.count(threads::kHostMessages) != 0) {
    std::printf("  %-46s %22s %22s\n", "   worst max over the runs (ms)",
                Worst(o, threads::kHostMessages, "message_max_ms").c_str(),
                Worst(n, threads::kHostMessages, "message_max_ms").c_str());
  }
  Row("b. host messages, 99th percentile (ms)", o, n, threads::kHostMessages, "message_p99_ms",
      "%.1f");
  Row("b. host messages, median (ms)", o, n, threads::kHostMessages, "message_median_ms", "%.2f");
  Row("   the same with no worker calling, max (ms)", o, n, threads::kHostMessagesQuiet,
      "message_max_ms", "%.1f");
  Row("   the same with no worker calling, p99 (ms)", o, n, threads::kHostMessagesQuiet,
      "message_p99_ms", "%.1f");
  Row("   host messages never handled", o, n, threads::kHostMessages, "lost", "%.0f", false);
  Row("   the 5,000 SetHWLO calls took (ms)", o, n, threads::kHostMessages, "tuning_ms", "%.0f");
  Row("c. data path, plug-in / direct", o, n, "datapath", "ratio plug-in/direct:", "%.3f");
  Row("   by processor time", o, n, "datapath", "by processor time", "%.3f");
  Row("d. first InitHW / bare window and component", o, n, "init", "ratio to baseline");
  Row("   first InitHW (ms)", o, n, "init", "plug-in InitHW:", "%.1f");
  Row("   bare window and component (ms)", o, n, "init", "to first status:", "%.1f", false);
  Row("e. GetHWLO while the callback sends (ms)", o, n, threads::kCallbackSends, "getlo_ms",
      "%.1f");
  Row("   GetHWLO's value", o, n, threads::kCallbackSends, "getlo_value", "%.0f", false);
  Row("e. StartHW while the callback sends (ms)", o, n, threads::kCallbackSends, "start_ms",
      "%.1f");
  if (o.by_part.count(threads::kCallbackSends) != 0) {
    std::printf("  %-46s %22s %22s\n", "   StartHW returned 2048",
                CountOf(o, threads::kCallbackSends, "start_result", 2048).c_str(),
                CountOf(n, threads::kCallbackSends, "start_result", 2048).c_str());
  }

  bool any = false;
  for (const Build* build : {&old_build, &new_build}) {
    for (const auto& [name, samples] : build->by_part) {
      for (const std::string& problem : samples.problems) {
        if (!any) std::printf("\nruns that failed or hung:\n");
        any = true;
        std::printf("  %s\n", problem.c_str());
      }
    }
  }
  return 0;
}
