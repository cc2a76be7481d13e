// The plug-in's one session: the settings window and the component it holds, the
// OLE scope and the thread they belong to, the settings in effect, the host's
// callback, the busy and close gate, and what an unload without CloseHW leaves.
// Every entry point lands here; a call from another thread than the window's is
// carried to the window's thread.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/Handles.h"
#include "framework/ThreadCall.h"
#include "receiver/Form.h"
#include "receiver/HostLink.h"

namespace tessel {

// The host's callback: (count, status, iqOffset, samples), C calling convention,
// caller removes the arguments.
using HostCallbackFn = void(__cdecl*)(int32_t count, int32_t status, float iq_offset,
                                      int16_t* samples);

// HardwareStatus while the first InitHW waits for the receiver's first status.
inline constexpr int32_t kStatusWaiting = -99;
// How long the first InitHW waits for the receiver's first status.
inline constexpr unsigned kInitWaitMs = 10000;
// How long a call from another thread waits for the window's thread to take it.
inline constexpr unsigned kCrossThreadWaitMs = 5000;
// How long an unload on another thread waits for the window's thread to take the
// window down before it gives up on that.
inline constexpr unsigned kOwnerTearDownMs = 2000;
inline constexpr int32_t kBlockLength = 2048;
inline constexpr int kOffScreenLeft = -9999;

// What InitHW hands the host: its result and the texts for its two buffers.
struct InitOutcome {
  bool Ok = false;
  std::string Name;
  std::string Model;
};

class Session final : public HostLink {
 public:
  Session() = default;
  // Unloaded without CloseHW: takes the window and the component down with the
  // library, whose code they would otherwise call into (on another thread than the
  // window's, through that thread, or else leaves them inert).
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The entry points. Those that act on the window or the component run on the
  // window's thread; GetStatus, GetHWSR, SetCallback and TuneChanged answer on any
  // thread at once.
  InitOutcome InitHW();
  bool OpenHW();
  int32_t StartHW(int32_t frequency);
  int32_t GetStatus() const { return state_.HardwareStatus; }
  void StopHW();
  void CloseHW();
  void SetCallback(HostCallbackFn callback) { callback_ = callback; }
  void SetHWLO(int32_t frequency);
  int32_t GetHWLO();
  int32_t GetHWSR() const { return state_.Settings.SampleRate; }
  void ShowGUI();
  void HideGUI();
  void TuneChanged(int32_t) {}

  // The process is ending: at unload the window is left to the system.
  void NoteProcessTerminating() { process_terminating_ = true; }

  // The window's way to the settings, the status and the host.
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override { return callback_ != nullptr && !close_pending_; }
  void Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) override;
  void Enter() override { ++busy_depth_; }
  void Leave() override;
  void LeaveEvent() override;

 private:
  // Marks session code on the stack; the outermost end carries out a pending close.
  class Busy {
   public:
    explicit Busy(Session& session) : session_(session) { session_.Enter(); }
    ~Busy() { session_.Leave(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Session& session_;
  };

  // Runs `body` (which returns a Result) on the window's thread: here when this is
  // that thread, else carried there with a bounded wait. `fallback` when there is no
  // window or its thread does not take the call in time.
  template <class Result, class Body>
  Result OnWindowThread(Result fallback, Body body, fw::LateCall late = fw::LateCall::kDrop);

  InitOutcome InitHere(bool first);
  void StartUp();
  void WaitForFirstStatus();
  InitOutcome Configure(TF& form);
  void CloseHere();
  // Destroys the window and the component, then leaves OLE; on the window's thread.
  void DestroyWindow();
  // The window, or null before the first InitHW, after CloseHW and while a close
  // waits for the session code on the stack to unwind.
  TF* Window() const { return closed_ || close_pending_ ? nullptr : form_.get(); }
  bool OnOwnerThread() const { return GetCurrentThreadId() == owner_thread_; }

  ReceiverState state_;
  std::atomic<HostCallbackFn> callback_{nullptr};
  std::wstring settings_path_;

  std::unique_ptr<TF> form_;
  fw::ScopedOleInitialize ole_;
  // Read by other threads to carry their calls: the window's thread and window.
  std::atomic<DWORD> owner_thread_{0};
  std::atomic<HWND> window_{nullptr};
  // The first InitHW has begun, and has finished making the window (or failed to).
  std::atomic<bool> started_{false};
  std::atomic<bool> startup_done_{false};
  FormFailure creation_failure_ = FormFailure::kNone;
  bool start_failed_ = false;
  // The first InitHW is waiting for the receiver's first status.
  bool waiting_ = false;
  std::atomic<bool> closed_{false};
  // An InitHW has succeeded, so the settings are the receiver's and may be saved.
  bool settings_usable_ = false;
  // While a later InitHW configures: the settings in effect before it began.
  std::optional<ReceiverSettings> settings_before_configure_;

  // Depth of session code on the stack (entry points, window messages, component
  // events). The window is destroyed only when it is zero.
  int busy_depth_ = 0;
  // CloseHW arrived while busy_depth_ was non-zero: destroy the window when it unwinds.
  std::atomic<bool> close_pending_{false};
  bool process_terminating_ = false;
};

}  // namespace tessel
