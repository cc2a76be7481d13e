#include "tests/host/ToolRun.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>

namespace tessel::host {

ToolRun RunProgram(const std::wstring& program, const std::wstring& args,
                   const std::wstring& folder) {
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  // A file of its own per run: the previous run's file may still be held open for a
  // moment after its process has ended, and must never be read as this run's output.
  static int runs = 0;
  std::wstring out_path = L"host-tool-output-" + std::to_wstring(++runs) + L".txt";
  HANDLE out = CreateFileW(out_path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                           &inherit, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  EXPECT_NE(out, INVALID_HANDLE_VALUE) << "cannot create the output file";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  std::wstring command = L"\"" + program + L"\" " + args;
  BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                folder.empty() ? nullptr : folder.c_str(), &startup, &process);
  CloseHandle(out);
  EXPECT_TRUE(started);
  if (!started) return {~0u, ""};
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0);
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  std::string text;
  {
    std::ifstream in(out_path.c_str(), std::ios::binary);
    text.assign(std::istreambuf_iterator<char>(in), {});
  }
  DeleteFileW(out_path.c_str());
  return {code, text};
}

std::wstring OwnCopy(const char* unix_path) {
  const std::wstring built = BuildPath(unix_path);
  const std::wstring name = built.substr(built.find_last_of(L'\\') + 1);
  wchar_t folder[MAX_PATH];
  const DWORD n = GetCurrentDirectoryW(MAX_PATH, folder);
  const std::wstring copy = std::wstring(folder, n) + L"\\" + name;
  static std::set<std::wstring> made;
  if (made.count(copy) == 0) {
    EXPECT_TRUE(CopyFileW(built.c_str(), copy.c_str(), FALSE)) << "cannot copy " << unix_path;
    made.insert(copy);
  }
  return copy;
}

std::wstring BuildPath(const char* unix_path) {
  std::wstring path = L"Z:";
  for (const char* c = unix_path; *c != '\0'; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

}  // namespace tessel::host
