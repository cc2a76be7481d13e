#include "framework/StageTimes.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace fw {
namespace {

constexpr std::size_t kMostSwitches = 100000;

// The process's record; made on the first call, only when asked for.
struct Record {
  std::wstring Path;
  DWORD Thread = 0;
  bool Done = false;
  StageRecorder Recorder{kMostSwitches};
};

Record* TheRecord() {
  // Read once: the answer is the same for the process's whole life.
  static Record* const record = []() -> Record* {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetEnvironmentVariableW(L"TESSEL_STAGE_TIMES", path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return nullptr;
    // Lives as long as the image: never freed, so no exit-time order matters.
    auto* r = new Record;
    r->Path.assign(path, length);
    r->Thread = ::GetCurrentThreadId();
    return r;
  }();
  return record;
}

// The record when this thread may write to it now, else null.
Record* Recording() {
  Record* r = TheRecord();
  return r != nullptr && !r->Done && r->Thread == ::GetCurrentThreadId() ? r : nullptr;
}

double Now() {
  LARGE_INTEGER t, f;
  ::QueryPerformanceCounter(&t);
  ::QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

}  // namespace

void EnterStagePhase(Stage stage) {
  if (Record* r = Recording()) r->Recorder.Phase(stage, Now());
}

StageScope::StageScope(Stage stage) : open_(false) {
  if (Record* r = Recording()) {
    r->Recorder.Open(stage, Now());
    open_ = true;
  }
}

StageScope::~StageScope() {
  if (!open_) return;
  if (Record* r = Recording()) r->Recorder.Close(Now());
}

void FlushStageTimes() {
  Record* r = Recording();
  if (r == nullptr) return;
  r->Done = true;
  FILE* file = _wfopen(r->Path.c_str(), L"w");
  if (file == nullptr) return;
  for (const StageSwitch& s : r->Recorder.Switches())
    std::fprintf(file, "%.9f %d\n", s.At, static_cast<int>(s.To));
  std::fclose(file);
}

}  // namespace fw
