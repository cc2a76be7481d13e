#include "bench/plugin/ChildProcess.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/Clock.h"
#include "common/Handles.h"

namespace bench {
namespace {

// A temporary file that the child writes through an inherited handle; removed when it goes.
class OutputFile {
 public:
  OutputFile() {
    wchar_t folder[MAX_PATH], path[MAX_PATH];
    if (GetTempPathW(MAX_PATH, folder) == 0 || GetTempFileNameW(folder, L"bch", 0, path) == 0) {
      return;
    }
    path_ = path;
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    handle_.reset(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY, nullptr));
  }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() {
    handle_.reset();
    if (!path_.empty()) DeleteFileW(path_.c_str());
  }

  HANDLE handle() const { return handle_.get(); }

  // Everything written to the file so far.
  std::string Read() const {
    common::ScopedHandle file(CreateFileW(path_.c_str(), GENERIC_READ,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file) return text;
    char chunk[4096];
    DWORD got = 0;
    while (ReadFile(file.get(), chunk, sizeof chunk, &got, nullptr) && got > 0) {
      text.append(chunk, got);
    }
    return text;
  }

 private:
  std::wstring path_;
  common::ScopedHandle handle_;
};

}  // namespace

ChildOutcome RunChild(const std::wstring& command_line, DWORD timeout_ms) {
  ChildOutcome outcome;
  OutputFile output;
  if (!output.handle()) return outcome;
  // A job holds the child and whatever it starts, so that a hung child goes whole.
  common::ScopedHandle job(CreateJobObjectW(nullptr, nullptr));
  if (job) {
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    SetInformationJobObject(job.get(), JobObjectExtendedLimitInformation, &limits, sizeof limits);
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = nullptr;
  startup.hStdOutput = output.handle();
  startup.hStdError = output.handle();
  PROCESS_INFORMATION info{};
  std::wstring command = command_line;
  const double t0 = Now();
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_SUSPENDED, nullptr,
                      nullptr, &startup, &info)) {
    return outcome;
  }
  common::ScopedHandle process(info.hProcess), thread(info.hThread);
  outcome.started = true;
  if (job) AssignProcessToJobObject(job.get(), process.get());
  ResumeThread(thread.get());
  if (WaitForSingleObject(process.get(), timeout_ms) != WAIT_OBJECT_0) {
    outcome.killed = true;
    if (job) TerminateJobObject(job.get(), 1);
    TerminateProcess(process.get(), 1);
    WaitForSingleObject(process.get(), 5000);
  }
  outcome.seconds = Now() - t0;
  GetExitCodeProcess(process.get(), &outcome.exit_code);
  outcome.output = output.Read();
  return outcome;
}

bool ValueAfter(const std::string& text, const char* key, double* value) {
  const size_t at = text.find(key);
  if (at == std::string::npos) return false;
  return std::sscanf(text.c_str() + at + std::strlen(key), " %lf", value) == 1;
}

}  // namespace bench
