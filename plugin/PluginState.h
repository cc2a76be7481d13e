// The plug-in's process-wide state: the globals the entry points keep, and the
// host's callback.
#pragma once

#include <cstdint>
#include <string>

#include "receiver/HostLink.h"

namespace tessel {

// The host's callback: (count, status, iqOffset, samples), C calling convention,
// caller removes the arguments.
using HostCallbackFn = void(__cdecl*)(int32_t count, int32_t status, float iq_offset,
                                      int16_t* samples);

// HardwareStatus while the first InitHW waits for the receiver's first status.
inline constexpr int32_t kStatusWaiting = -99;

// One instance lives in the plug-in for as long as the library is loaded. The
// receiver's part is what the window's handlers write.
struct PluginState : ReceiverState {
  bool InitPending = true;
  HostCallbackFn HostCallback = nullptr;
  std::wstring SettingsFilePath;

  // Depth of plug-in code currently running on the stack (entry points, window
  // messages, component events). The window is destroyed only when this is zero.
  int BusyDepth = 0;
  // CloseHW arrived while BusyDepth was non-zero: destroy the window when it unwinds.
  bool ClosePending = false;
  // Destroys the window; set by the plug-in, run when a pending close unwinds.
  void (*DeferredClose)() = nullptr;
  // Queues a message whose handling carries out a pending close.
  void (*PostClose)() = nullptr;
};

// Calls the host's callback if one is set and no close is pending. Nothing thrown by
// the host gets past it.
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

// The window's way to the plug-in's state and the host.
class PluginHostLink final : public HostLink {
 public:
  explicit PluginHostLink(PluginState& state) : state_(state) {}
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override {
    return state_.HostCallback != nullptr && !state_.ClosePending;
  }
  void Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) override {
    NotifyHost(state_, count, status, iq_offset, samples);
  }
  void Enter() override { ++state_.BusyDepth; }
  void Leave() override;
  void LeaveEvent() override;

 private:
  PluginState& state_;
};

}  // namespace tessel
