// Drives the built plug-in DLL from a test process the way a host does: loaded by
// path, entry points resolved by plain name, callbacks recorded.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tools/host/PluginApi.h"

namespace tessel::testing {

using host::PluginApi;

// One call of the host callback as the test host saw it.
struct HostCall {
  int32_t count;
  int32_t status;
  float iq_offset;
  int16_t* samples;
};

// Loads the plug-in (once, or again after UnloadPlugin) and returns its entry
// points; fails the test when the DLL or an entry point is missing.
PluginApi& Plugin();

// Frees the plug-in as a host that unloads it does, then handles this thread's
// messages until the DLL is gone (at most `wait_ms`); the next Plugin() loads it
// afresh, with its globals as at first load. True when the DLL is gone.
bool UnloadPlugin(unsigned wait_ms = 3000);

// The loaded plug-in's module, or null.
HMODULE PluginModule();

// Windows path of a file of the build, from the unix path CMake knows.
std::string WinePath(const std::string& unix_path);

// Every call of RecordingCallback so far, and an optional action run inside it.
std::vector<HostCall>& HostCalls();
void __cdecl RecordingCallback(int32_t count, int32_t status, float iq_offset, int16_t* samples);
void SetCallbackAction(std::function<void(const HostCall&)> action);

// Processes the thread's messages for `ms` milliseconds, or until `done` is true.
void Pump(unsigned ms, const std::function<bool()>& done = {});

// Starts `command` as a process of its own and handles this thread's messages (a
// probe's calls into this process are answered here) until it ends, at most
// `wait_ms`. Its exit code: 98 when it could not start, 99 when it did not end.
DWORD RunProcessWhilePumping(const std::string& command, DWORD wait_ms);

// Runs `body` on a thread of its own while this thread handles its messages (or,
// with `pump` false, waits without handling any); true when it ended within 30 s.
bool RunOnThread(const std::function<void()>& body, bool pump = true);

// The stand-in as most scenarios want it: `device` with the serial T-1001, answering
// `status` at once, logging to a fresh log.
void UseReceiver(const wchar_t* device = L"Calder", const wchar_t* status = L"1");

// Sets a variable the stand-in reads when it is created.
void SetEnv(const wchar_t* name, const wchar_t* value);

// The settings file beside this test executable (the host program here).
std::string SettingsPath();
void RemoveSettings();
void WriteFileText(const std::string& path, const std::string& text);
std::string ReadFileText(const std::string& path);
bool FileExists(const std::string& path);

// A fresh log of the stand-in's Invokes for this process; returns its path.
std::string StartSimLog();
// The log's lines so far.
std::vector<std::string> SimLog();
// The log's lines from `from` on that begin with "put " or "call ".
std::vector<std::string> SimActions(std::size_t from = 0);

// The plug-in's window, found by its caption among this process's windows.
HWND FindSettingsWindow();
int CountSettingsWindows();

// Runs InitHW and returns its result with the two texts.
struct InitResult {
  bool ok;
  std::string name;
  std::string model;
  int32_t type;
};
InitResult Init();

}  // namespace tessel::testing
