// The plug-in's one session: the settings window and the component it holds, the
// OLE scope and the thread they belong to, the settings in effect, the host's
// callback, and the library's hold on its own image.
//
// The session's life is one state with one owner thread, both changed only by Move:
//
//   kClosed ──InitHW──► kStarting ──window made, first status──► kOpen
//      ▲                   │  │                                       │
//      │                   │  └──────CloseHW──► kClosing ◄──CloseHW───┘
//      │                   │ nothing made         │ the owner thread takes the close:
//      │                   ▼                      ▼ saves, hides
//      └──────────────── kUnwinding ◄─────────────┘
//        window destroyed once no session code is on the owner thread's stack
//   kStarting/kOpen ──owner thread ended──► kOrphaned ──CloseHW (saves) or InitHW──► kClosed
//   kClosing/kUnwinding ──owner thread ended──► (saved) kClosed
//
// - kClosed: no window, no owner. Before the first InitHW and after a close.
// - kStarting: the InitHW that claimed the session (its thread is the owner from now
//   until the window is destroyed) makes the window and the component and waits for
//   the receiver's first status, handling the thread's messages meanwhile.
// - kOpen: the window exists on the owner thread; the host hears reports.
// - kClosing: CloseHW has come. The host hears nothing more from that moment. The
//   owner thread has yet to take the close; what was handed to it before still runs.
// - kUnwinding: the owner thread has saved the settings and hidden the window. It
//   destroys it once the session code on its stack has unwound (a close from inside
//   a callback or handler) and the component's code that fired an event has
//   returned (then from a timer).
// - kOrphaned: the owner thread ended without a close; its windows went with it. Its
//   objects belong to a dead apartment and are never called or released again.
//
// Any thread may call any entry point. A thread other than the owner first notices
// an owner thread that has ended: kStarting and kOpen become kOrphaned, and a
// kClosing or kUnwinding session is saved and closed. Then, by state:
//
// InitHW
//   kClosed     claims the session for the calling thread and starts up there.
//   kStarting   fails at once: "still starting" (also when re-entered from the wait).
//   kOpen       judges the latest status and, on success, configures; on another
//               thread carried to the owner with a bounded wait.
//   kClosing,   on the owner: finishes the close, then starts afresh (from a callback
//   kUnwinding  inside the close: "plug-in closed"); elsewhere: waits a bounded time
//               for the owner to finish it, then starts afresh on the calling thread.
//   kOrphaned   forgets the dead thread's session and starts afresh.
// StartHW       kStarting/kOpen: carried to the owner (bounded wait); 0 when not taken
//               in time, or when its caller gave up or a StopHW came before it commits.
//               Otherwise 0.
// StopHW        kStarting/kOpen: gates the blocks at once on the calling thread, then
//               Stop is carried to the owner. Otherwise nothing.
// CloseHW       kStarting/kOpen: kClosing at once (the host hears nothing more); the
//               owner saves and tears down. kOrphaned: saves here, kClosed. Otherwise
//               nothing.
// OpenHW, ShowGUI, HideGUI, SetHWLO
//               kStarting/kOpen: carried to the owner without waiting. Otherwise
//               nothing (OpenHW false).
// GetHWLO       kStarting/kOpen: asked of the owner (bounded wait), else the frequency
//               the component last took or reported. Otherwise 0.
// GetStatus, GetHWSR, SetCallback, TuneChanged
//               published values: any state, any thread, at once.
#pragma once

#include <windows.h>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <mutex>
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
  enum class Life { kClosed, kStarting, kOpen, kClosing, kUnwinding, kOrphaned };

  Session() = default;
  // Tears nothing down: the library is unloaded only once its window is gone (it
  // holds its own image until then), and at process exit what is left is the system's.
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // The entry points; what each does in each state is in the table above.
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

  // The window's way to the settings, the status and the host; on its thread.
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override { return callback_ != nullptr && Listening(); }
  void Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) override;
  void Enter() override { ++busy_depth_; }
  void Leave() override;
  void LeaveEvent() override;
  void DeferredCloseTimer() override;
  // Runs the commands queued up to `ticket`; the ticket 0 with the token of the close
  // that waits marks it due.
  void RunCommands(uintptr_t ticket, LPARAM token) override;
  UINT CommandMessage() const override { return command_message_; }

 private:
  // Marks session code on the owner thread's stack; the outermost end carries out a
  // close that is due.
  class Busy {
   public:
    explicit Busy(Session& session) : session_(session) { session_.Enter(); }
    ~Busy() { session_.Leave(); }
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Session& session_;
  };

  // --- the life ---
  // The one place the life changes: to `to` when it is one of `from`. Claiming
  // (kClosed → kStarting) records the calling thread as the owner; reaching kClosed
  // clears it. False when the life was in none of `from`.
  bool Move(std::initializer_list<Life> from, Life to);
  // Move with life_mutex_ held; the caller wakes the waiters.
  bool MoveLocked(std::initializer_list<Life> from, Life to);
  Life Now() const { return life_.load(); }
  bool OnOwnerThread() const { return owner_id_.load() == GetCurrentThreadId(); }
  // On a thread other than the owner's: when the owner thread has ended, the session
  // becomes orphaned (or, closing, is saved and closed). Returns the life then.
  Life NoticeOwner();
  // A duplicate of the owner thread's handle, for a waiter to watch.
  common::ScopedHandle OwnerHandle();
  // The host hears reports: an InitHW has begun and no CloseHW has followed.
  bool Listening() const {
    const Life life = Now();
    return life == Life::kStarting || life == Life::kOpen;
  }

  // Runs `body` (which returns a Result) on the owner thread: here when this is that
  // thread (after the commands queued before it), else as a command with a bounded
  // wait. `fallback` when there is no window, or when its thread does not take the
  // command in time or gives up before the body commits; `committed` when the body
  // has committed to its effect but not ended within the wait.
  template <class Result, class Body>
  Result Answer(Result fallback, Result committed, Body body);
  // Runs `body` here when this is the owner thread, else queues it for that thread
  // without waiting. False when there is no window to queue it for.
  template <class Body>
  bool Hand(Body body);

  InitOutcome InitHere();
  InitOutcome StartUp();
  void WaitForFirstStatus();
  InitOutcome Configure(TF& form);
  // The close, on the owner thread: saves once, hides the window, and destroys it
  // now or once the session code on the stack has unwound.
  void CloseHere();
  // Writes the settings file, once per successful InitHW.
  void SaveOnce();
  // Destroys the window and the component, leaves OLE, gives up the library's hold
  // on its image, and ends the session (kClosed).
  void TearDown();
  // The owner thread has ended: its objects are left, never called or released
  // (part of the move to kOrphaned).
  void Abandon();
  // The window, or null when there is none or the owner thread has taken the close.
  TF* Window() const { return Now() == Life::kUnwinding ? nullptr : form_.get(); }
  // CloseHW has come, and the session has not ended yet.
  bool Closing() const {
    const Life life = Now();
    return life == Life::kClosing || life == Life::kUnwinding;
  }
  // Opens the stream gate for a start asked for when the gate read `asked`; false
  // when a StopHW has come since.
  bool OpenGate(uint32_t asked);

  // --- published: read by any thread ---
  ReceiverState state_;  // HardwareStatus and the rate; the rest is the owner's
  std::atomic<HostCallbackFn> callback_{nullptr};
  std::atomic<Life> life_{Life::kClosed};
  std::atomic<DWORD> owner_id_{0};
  // The stream gate: bit 0 set while stopped (no block reaches the host), the rest
  // counts the StopHW calls, so that a start asked for before a StopHW cannot open
  // the gate after it.
  std::atomic<uint32_t> gate_{0};
  // The tuning frequency the component last took or reported; 0 without a window.
  std::atomic<int32_t> frequency_{0};
  CommandQueue commands_;
  UINT command_message_ = 0;

  // --- the life's own lock: Move, the owner's handle, and waits for a change ---
  std::mutex life_mutex_;
  std::condition_variable life_changed_;
  common::ScopedHandle owner_thread_;

  // --- the owner thread's own (any thread's once the owner has ended) ---
  std::unique_ptr<TF> form_;
  fw::ScopedOleInitialize ole_;
  ModuleHold module_hold_;
  std::wstring settings_path_;
  // Why the start-up made no window, or kNone.
  FormFailure creation_failure_ = FormFailure::kNone;
  // The component would not start (InitControl failed).
  bool start_failed_ = false;
  // An InitHW has succeeded, so the settings are the receiver's and may be saved.
  bool settings_usable_ = false;
  // While a later InitHW configures: the settings in effect before it began.
  std::optional<ReceiverSettings> settings_before_configure_;
  // Depth of session code on the stack (entry points, window messages, component
  // events). The window is destroyed only when it is zero.
  int busy_depth_ = 0;
  // A close waits for the message (or timer) that follows a component event, so
  // that the component's own code that fired the event has returned first; the
  // message carries this token, which no one else knows.
  bool close_waits_for_timer_ = false;
  LPARAM close_token_ = 0;
  // The owner thread is between checking the callback's gate and calling it: a
  // StopHW or CloseHW on another thread returns only once it is not.
  std::atomic<bool> notifying_{false};
  // Waits until the owner thread is not between the gate and the callback.
  void WaitOutNotify() const;
  // Defers a close that is due to the window's timer (and, given a token, a message).
  void DeferClose(bool post_message);
};

}  // namespace tessel
