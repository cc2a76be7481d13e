// The plug-in's one session: the settings window and the component it holds, the
// OLE scope and the thread they belong to, the settings in effect, the host's
// callback, the busy and close gate, and the library's hold on its own image.
//
// The window's thread owns the window, the component and everything the session
// keeps about them. Other threads never touch those: they hand that thread commands
// (through the command queue) and read only the published values: the status, the
// rate, the tuning frequency, the callback and the flags that gate the callback.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "framework/HandleNames.h"
#include "plugin/CommandQueue.h"
#include "plugin/ModuleHold.h"
#include "receiver/Form.h"
#include "receiver/SessionLink.h"

namespace tessel {

// The host's callback: (count, status, iqOffset, samples), C calling convention,
// caller removes the arguments.
using HostCallbackFn = void(__cdecl*)(int32_t count, int32_t status, float iq_offset,
                                      int16_t* samples);

// HardwareStatus while the first InitHW waits for the receiver's first status.
inline constexpr int32_t kStatusWaiting = -99;
// How long the first InitHW waits for the receiver's first status.
inline constexpr unsigned kInitWaitMs = 10000;
// How long a call from another thread that needs an answer waits for the window's
// thread to take it (and, once taken, to finish it).
inline constexpr unsigned kCrossThreadWaitMs = 5000;
inline constexpr int32_t kBlockLength = 2048;
inline constexpr int kOffScreenLeft = -9999;

// What InitHW hands the host: its result and the texts for its two buffers.
struct InitOutcome {
  bool Ok = false;
  std::string Name;
  std::string Model;
};

class Session final : public SessionLink {
 public:
  Session() = default;
  // At unload nothing is torn down (the library is unloaded only once its windows
  // are gone); at process exit what is left is left to the system.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The entry points. On the window's thread each acts at once. On another thread,
  // StopHW and CloseHW take effect at once (the callback is gated) and finish on
  // the window's thread; OpenHW, SetHWLO, ShowGUI and HideGUI are queued for it;
  // InitHW, StartHW and GetHWLO wait a bounded time for its answer.
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

  // The window's way to the settings, the status and the host; on its thread.
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override { return callback_ != nullptr && Listening(); }
  void Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) override;
  void Enter() override { ++busy_depth_; }
  void Leave() override;
  void LeaveEvent() override;
  void RunCommands(uintptr_t ticket) override { commands_.RunUpTo(ticket); }
  UINT CommandMessage() const override { return command_message_; }

 private:
  // Marks session code on the window's thread's stack; the outermost end carries out
  // a pending close.
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
  // that thread (after the commands queued before it), else as a command with a
  // bounded wait. `fallback` when there is no window, or when its thread does not
  // take the command in time (it then never runs).
  template <class Result, class Body>
  Result Answer(Result fallback, Body body);
  // Runs `body` here when this is the window's thread, else queues it for that
  // thread without waiting. False when there is no window to queue it for.
  template <class Body>
  bool Hand(Body body);

  InitOutcome InitHere();
  void StartUp();
  void WaitForFirstStatus();
  InitOutcome Configure(TF& form);
  void CloseHere();
  // Destroys the window and the component, leaves OLE, gives up the library's hold
  // on its image and then the thread.
  void TearDown();
  // The window, or null before the first InitHW, after CloseHW and while a close
  // waits for the session code on the stack to unwind.
  TF* Window() const { return close_pending_ ? nullptr : form_.get(); }
  bool OnOwnerThread() const { return owner_thread_ == GetCurrentThreadId(); }
  // The host hears reports: the plug-in is open, and no close is under way.
  bool Listening() const { return open_ && !close_pending_; }

  // --- published: read by any thread ---
  ReceiverState state_;  // HardwareStatus and the rate; the rest is the window's
  std::atomic<HostCallbackFn> callback_{nullptr};
  // An InitHW has begun and no CloseHW has followed: the host hears reports. The
  // next InitHW after it is cleared starts afresh.
  std::atomic<bool> open_{false};
  // StopHW has come after the last StartHW: no block reaches the host.
  std::atomic<bool> stopped_{false};
  // The tuning frequency the component last took or reported; 0 without a window.
  std::atomic<int32_t> frequency_{0};
  // The thread that owns the session (0: none; the next InitHW takes it).
  std::atomic<DWORD> owner_thread_{0};
  // Why the last start-up made no window, for InitHW on any thread.
  std::atomic<FormFailure> creation_failure_{FormFailure::kNone};
  CommandQueue commands_;
  UINT command_message_ = 0;

  // --- the window's thread's own ---
  std::unique_ptr<TF> form_;
  fw::ScopedOleInitialize ole_;
  ModuleHold module_hold_;
  std::wstring settings_path_;
  // The start-up of this session has been made (whatever came of it).
  bool started_ = false;
  bool start_failed_ = false;
  // The first InitHW is waiting for the receiver's first status.
  bool waiting_ = false;
  // An InitHW has succeeded, so the settings are the receiver's and may be saved.
  bool settings_usable_ = false;
  // While a later InitHW configures: the settings in effect before it began.
  std::optional<ReceiverSettings> settings_before_configure_;
  // Depth of session code on the stack (entry points, window messages, component
  // events). The window is destroyed only when it is zero.
  int busy_depth_ = 0;
  // CloseHW arrived while busy_depth_ was non-zero: destroy the window when it unwinds.
  bool close_pending_ = false;
  bool process_terminating_ = false;
};

}  // namespace tessel
