// The plug-in's process-wide state, shared by the entry points and the window's handlers.
#pragma once

#include <cstdint>
#include <string>

namespace tessel {

// The host's callback: (count, status, iqOffset, samples), C calling convention,
// caller removes the arguments.
using HostCallbackFn = void(__cdecl*)(int32_t count, int32_t status, float iq_offset,
                                      int16_t* samples);

// HardwareStatus while the first InitHW waits for the receiver's first status.
inline constexpr int32_t kStatusWaiting = -99;
// The status argument of the call that announces a rate or input change.
inline constexpr int32_t kStatusSettingsChanged = 100;
// InputSource codes: preamplified input (PreON) and direct input (PreOFF).
inline constexpr int16_t kInputPreamp = 129;
inline constexpr int16_t kInputDirect = 128;
// Values the sample buffer holds; a block count is kept within 0..kSampleBufferValues.
inline constexpr int32_t kSampleBufferValues = 8192;

// One instance lives in the plug-in for as long as the library is loaded.
struct PluginState {
  bool InitPending = true;
  int32_t HardwareStatus = 0;
  int32_t CurrentSampleRate = 0;
  int32_t HfGain = 0;
  int32_t IfGain = 0;
  bool PreampOn = false;
  int16_t InputSource = 0;
  std::string ModelText;
  bool ModelTextPending = true;
  HostCallbackFn HostCallback = nullptr;
  std::string SettingsFilePath;

  // Depth of plug-in code currently running on the stack (entry points, window
  // messages, component events). The window is destroyed only when this is zero.
  int BusyDepth = 0;
  // CloseHW arrived while BusyDepth was non-zero: destroy the window when it unwinds.
  bool ClosePending = false;
  // Destroys the window; set by the plug-in, run when a pending close unwinds.
  void (*DeferredClose)() = nullptr;
};

// Calls the host's callback if one is set. Nothing thrown by the host gets past it.
void NotifyHost(const PluginState& state, int32_t count, int32_t status, float iq_offset,
                int16_t* samples) noexcept;

// Marks plug-in code on the stack; runs a pending close when the outermost scope ends.
class BusyScope {
 public:
  explicit BusyScope(PluginState& state) : state_(state) { ++state_.BusyDepth; }
  ~BusyScope();
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;

 private:
  PluginState& state_;
};

}  // namespace tessel
