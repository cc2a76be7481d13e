#include "testing/PluginHost.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <utility>

#include "testing/MessagePump.h"

namespace tessel::testing {
namespace {

constexpr char kCaption[] = "                   Calder/Marlo Hardware Settings";

std::string ExeFolder() {
  char path[MAX_PATH * 4];
  DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
  std::string s(path, n);
  return s.substr(0, s.find_last_of('\\') + 1);
}

std::function<void(const HostCall&)>& Action() {
  static std::function<void(const HostCall&)> action;
  return action;
}

std::string log_path;

}  // namespace

std::string WinePath(const std::string& unix_path) {
  std::string path = "Z:" + unix_path;
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  return path;
}

namespace {
HMODULE plugin_module = nullptr;
}  // namespace

PluginApi& Plugin() {
  static PluginApi api{};
  if (plugin_module == nullptr) {
    // TESSEL_DLL (a Windows path) names another build of the plug-in, e.g. for a
    // long benchmark run while this build folder is rebuilt.
    const char* other = std::getenv("TESSEL_DLL");
    std::string path = other != nullptr ? other : WinePath(TESSEL_DLL_PATH);
    HMODULE module = LoadLibraryA(path.c_str());
    EXPECT_NE(module, nullptr) << "cannot load " << path;
    if (module == nullptr) std::abort();
    std::string missing;
    EXPECT_TRUE(host::ResolvePluginApi(module, &api, &missing))
        << "missing entry point " << missing;
    plugin_module = module;
  }
  return api;
}

bool UnloadPlugin(unsigned wait_ms) {
  if (plugin_module == nullptr) return true;
  HMODULE module = std::exchange(plugin_module, nullptr);
  if (!FreeLibrary(module)) return false;
  // A plug-in whose window went from inside one of its messages lets go of its own
  // image once the window's thread handles messages outside it.
  auto gone = [] { return GetModuleHandleA("Tessel_Calder.dll") == nullptr; };
  // The library goes on a thread of its own, which sends no message when it is done:
  // look again every few milliseconds.
  for (DWORD start = GetTickCount(); !gone() && GetTickCount() - start < wait_ms;) Pump(5);
  return gone();
}

HMODULE PluginModule() {
  return plugin_module;
}

std::vector<HostCall>& HostCalls() {
  static std::vector<HostCall> calls;
  return calls;
}

void __cdecl RecordingCallback(int32_t count, int32_t status, float iq_offset, int16_t* samples) {
  HostCall call{count, status, iq_offset, samples};
  HostCalls().push_back(call);
  if (Action()) Action()(call);
}

void SetCallbackAction(std::function<void(const HostCall&)> action) {
  Action() = std::move(action);
}

void Pump(unsigned ms, const std::function<bool()>& done) {
  PumpMessagesUntil(ms, [&] { return done && done(); });
}

void SetEnv(const wchar_t* name, const wchar_t* value) {
  SetEnvironmentVariableW(name, value);
}

std::string SettingsPath() {
  return ExeFolder() + "Tessel-Calder_Marlo.ini";
}

void RemoveSettings() {
  std::string path = SettingsPath();
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
  RemoveDirectoryA(path.c_str());
}

void WriteFileText(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << text;
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool FileExists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string StartSimLog() {
  log_path = ExeFolder() + "sim-" + std::to_string(GetCurrentProcessId()) + ".log";
  DeleteFileA(log_path.c_str());
  std::wstring wide(log_path.begin(), log_path.end());
  SetEnv(L"CALDER_SIM_LOG", wide.c_str());
  return log_path;
}

std::vector<std::string> SimLog() {
  std::vector<std::string> lines;
  std::istringstream in(ReadFileText(log_path));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SimActions(std::size_t from) {
  std::vector<std::string> lines = SimLog();
  std::vector<std::string> actions;
  for (std::size_t i = from; i < lines.size(); ++i) {
    if (lines[i].rfind("put ", 0) == 0 || lines[i].rfind("call ", 0) == 0) {
      actions.push_back(lines[i]);
    }
  }
  return actions;
}

namespace {

struct WindowSearch {
  int count = 0;
  HWND first = nullptr;
};

// Counts this process's windows that carry the settings window's caption; other
// test processes may have theirs open at the same time.
BOOL CALLBACK CountWindow(HWND window, LPARAM search) {
  char text[128] = {};
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  GetWindowTextA(window, text, sizeof text);
  if (process == GetCurrentProcessId() && std::string(text) == kCaption) {
    auto* s = reinterpret_cast<WindowSearch*>(search);
    if (s->count++ == 0) s->first = window;
  }
  return TRUE;
}

WindowSearch SearchWindows() {
  WindowSearch search;
  EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&search));
  return search;
}

}  // namespace

HWND FindSettingsWindow() {
  return SearchWindows().first;
}

int CountSettingsWindows() {
  return SearchWindows().count;
}

InitResult Init() {
  char name[128];
  char model[128];
  std::memset(name, '#', sizeof name);
  std::memset(model, '#', sizeof model);
  int32_t type = 0;
  bool ok = Plugin().InitHW(name, model, &type);
  return {ok, std::string(name, strnlen(name, sizeof name)),
          std::string(model, strnlen(model, sizeof model)), type};
}

namespace {
DWORD WINAPI RunBody(void* body) {
  (*static_cast<const std::function<void()>*>(body))();
  return 0;
}
}  // namespace

bool RunOnThread(const std::function<void()>& body, bool pump) {
  HANDLE thread =
      CreateThread(nullptr, 0, &RunBody, const_cast<std::function<void()>*>(&body), 0, nullptr);
  if (thread == nullptr) return false;
  DWORD begin = GetTickCount();
  bool ended = false;
  while (GetTickCount() - begin < 30000) {
    DWORD wait = pump ? MsgWaitForMultipleObjects(1, &thread, FALSE, 100, QS_ALLINPUT)
                      : WaitForSingleObject(thread, 100);
    if (wait == WAIT_OBJECT_0) {
      ended = true;
      break;
    }
    MSG message;
    while (pump && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
  CloseHandle(thread);
  return ended;
}

void UseReceiver(const wchar_t* device, const wchar_t* status) {
  SetEnv(L"CALDER_SIM_DEVICE", device);
  SetEnv(L"CALDER_SIM_SERIAL", L"T-1001");
  SetEnv(L"CALDER_SIM_STATUS", status);
  StartSimLog();
}

DWORD RunProcessWhilePumping(const std::string& command, DWORD wait_ms) {
  std::string line = command;
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 98;
  DWORD begin = GetTickCount();
  while (MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, 100, QS_ALLINPUT) !=
             WAIT_OBJECT_0 &&
         GetTickCount() - begin < wait_ms) {
    Pump(10);
  }
  DWORD code = 99;
  if (WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  return code;
}

}  // namespace tessel::testing
