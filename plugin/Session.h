// The plug-in's one session: the settings window and the component it holds, the
// OLE scope and the thread they belong to, the settings in effect, the host's
// callback, and the library's hold on its own image.
//
// The session's life is one value with one owner thread and a generation number,
// all changed only by Move. Each claim starts a new generation; whatever was handed
// to an older one (a command, a deferred close, a timer) does nothing.
//
//   kClosed ──InitHW──► kStarting ──window made, first status──► kOpen
//      ▲                   │  │                                       │
//      │                   │  └──CloseHW (saves)──► kClosing ◄────────┘ CloseHW (saves)
//      │                   │ nothing made             │ the owner thread takes the close:
//      │                   ▼                          ▼ hides the window
//      │                   kUnwinding ◄───────────── kDeferred
//      │                       │  the session code on        ▲  the component's code that
//      │                       │  the owner's stack has      │  fired an event, or the
//      │                       ▼  unwound                    │  sender of a message, is
//      └─────────────────── kReleasing                       │  still beneath: the window's
//        the window and the component go;                    │  timer or the close's message
//        only the owner thread may claim meanwhile           │  ends it outside both
//   kStarting/kOpen ──owner thread ended──► kOrphaned ──CloseHW (saves) or InitHW──► kClosed
//   kClosing/kUnwinding/kDeferred ──owner thread ended──► kClosed
//
// - kClosed: no window, no owner. Before the first InitHW and after a close.
// - kStarting: the InitHW that claimed the session (its thread is the owner from now
//   until the window is destroyed) makes the window and the component and waits for
//   the receiver's first status, handling the thread's messages meanwhile. Calls
//   from other threads wait in order and are carried out when the start-up ends.
// - kOpen: the window exists on the owner thread; the host hears reports.
// - kClosing: CloseHW has come and has saved the settings in effect. The host hears
//   nothing more. The owner thread has yet to take the close; what was handed to it
//   before still runs.
// - kUnwinding: the owner thread has hidden the window; it destroys it once the
//   session code on its stack has unwound (a close from inside a callback, handler
//   or command).
// - kDeferred: as kUnwinding, but the destroy waits for a message that only the
//   thread's own loop hands the window: the window's timer (armed until the destroy)
//   or the close's own message, outside any message another thread has sent.
// - kReleasing: the session has ended; the window and the component go on the owner
//   thread. That thread alone may start a new session meanwhile (the host's code
//   that destroying the window runs); others wait for kClosed.
// - kOrphaned: the owner thread ended without a close; its windows went with it. Its
//   objects belong to a dead apartment and are never called or released again.
//
// The teardown moves the session to kReleasing before it destroys the window or
// releases the component (which may run the host's code: destroying the window
// activates the host's): an InitHW made there starts a new session, and the old
// teardown touches nothing of it.
//
// Any thread may call any entry point. A thread other than the owner first notices
// an owner thread that has ended: kStarting and kOpen become kOrphaned; a closing
// session becomes kClosed. Then, by state ("carried" = run on the owner thread as a
// command; the caller handles the messages sent to its thread while it waits):
//
// InitHW
//   kClosed     claims the session for the calling thread and starts up there: up to
//               10 s for the first status, handling the thread's messages.
//   kStarting   fails at once: "still starting" (also when re-entered from the wait).
//   kOpen       judges the latest status and, on success, configures; from another
//               thread carried, waiting up to 5 s (and 5 s more once it has begun).
//   kClosing,   on the owner: finishes the close, then starts afresh (from a callback
//   kUnwinding, inside the close, or inside a message another thread sent while the
//   kDeferred,  close waits: "plug-in closed"; kReleasing: starts afresh at once);
//   kReleasing  elsewhere: waits up to 5 s for the owner to finish it, then starts
//               afresh on the calling thread (inside a message that the owner's
//               callback sent, which the close cannot outlast: "plug-in closed" at
//               once).
//   kOrphaned   forgets the dead thread's session and starts afresh.
// StartHW       kStarting/kOpen: carried (up to 5 s + 5 s); 0 when not taken in time,
//               or when its caller gave up or a StopHW came before it commits.
//               Otherwise 0.
// StopHW        kStarting/kOpen: closes the stream gate at once on the calling thread
//               and returns once the owner thread is not between the gate's check and
//               the callback's start; Stop is carried without waiting. Otherwise
//               nothing.
// CloseHW       kStarting/kOpen: kClosing and the gate closed at once, as StopHW; the
//               settings in effect are saved before it returns; the teardown is
//               carried without waiting. While another close is under way: returns
//               once the owner is past the gate and the settings are written.
//               kOrphaned: saves here, kClosed. Otherwise nothing.
// OpenHW, ShowGUI, HideGUI, SetHWLO
//               kStarting/kOpen: carried without waiting. Otherwise nothing (OpenHW
//               false).
// GetHWLO       kStarting/kOpen: carried (up to 5 s + 5 s), else the frequency the
//               component last took or reported. Otherwise 0.
// SetCallback   any state, any thread, at once; from another thread it returns once
//               the owner is not between the gate and the callback it replaces.
// GetStatus, GetHWSR, TuneChanged
//               published values: any state, any thread, at once.
//
// The host's callback is called only on the owner thread, never again while it runs
// (a nested message loop inside it gets no blocks), and never begins after a StopHW
// or CloseHW has returned; one already running may finish.
#pragma once

#include <windows.h>

#include <atomic>
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
  enum class Life {
    kClosed,
    kStarting,
    kOpen,
    kClosing,
    kUnwinding,
    kDeferred,
    kReleasing,
    kOrphaned
  };

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
  void SetCallback(HostCallbackFn callback);
  void SetHWLO(int32_t frequency);
  int32_t GetHWLO();
  int32_t GetHWSR() const { return state_.Settings.SampleRate; }
  void ShowGUI();
  void HideGUI();
  void TuneChanged(int32_t) {}

  // The window's way to the settings, the status and the host; on its thread.
  ReceiverState& State() override { return state_; }
  bool HasCallback() const override { return callback_ != nullptr && Listening() && !InCallback(); }
  bool InCallback() const override { return in_callback_ > 0; }
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
  // (kClosed → kStarting) records the calling thread as the owner and begins a new
  // generation; reaching kClosed clears the owner. False when the life was in none
  // of `from`.
  // Given a generation, only while the session is that one.
  bool Move(std::initializer_list<Life> from, Life to,
            std::optional<uint32_t> generation = std::nullopt);
  // Move with life_mutex_ held.
  bool MoveLocked(std::initializer_list<Life> from, Life to);
  Life Now() const { return life_.load(); }
  bool OnOwnerThread() const { return owner_id_.load() == GetCurrentThreadId(); }
  // On a thread other than the owner's: when the owner thread has ended, the session
  // becomes orphaned (or, closing, is closed). Returns the life then.
  Life NoticeOwner();
  // A duplicate of the owner thread's handle, for a waiter to watch.
  common::ScopedHandle OwnerHandle();
  // The host hears reports: an InitHW has begun and no CloseHW has followed.
  bool Listening() const {
    const Life life = Now();
    return life == Life::kStarting || life == Life::kOpen;
  }
  // CloseHW has come, and the session has not ended yet.
  bool Closing() const {
    const Life life = Now();
    return life == Life::kClosing || life == Life::kUnwinding || life == Life::kDeferred ||
           life == Life::kReleasing;
  }

  // Runs `body` (which returns a Result) on the owner thread for the session of
  // generation `generation`: here when this is that thread (after the commands queued
  // before it), else as a command with a bounded wait. `fallback` when that session
  // has gone, when its thread does not take the command in time or when its caller
  // gives up before the body commits; `committed` when the body has committed to its
  // effect but not ended within the wait.
  template <class Result, class Body>
  Result Answer(uint32_t generation, Result fallback, Result committed, Body body);
  // Runs `body` for the session of `generation` here when this is the owner thread,
  // else queues it for that thread without waiting. False when there is nothing to
  // queue it for.
  template <class Body>
  bool Hand(uint32_t generation, Body body);
  // The generation of a session that listens, after noticing a dead owner; nullopt
  // when the session does not listen.
  std::optional<uint32_t> ListeningGeneration();

  InitOutcome InitHere();
  InitOutcome StartUp();
  void WaitForFirstStatus();
  InitOutcome Configure(TF& form);
  // The close, on the owner thread: hides the window, and destroys it now or once
  // the session code on the stack has unwound.
  void CloseHere();
  // Writes the settings file with the settings last published, once per
  // successful InitHW. Any thread.
  void SaveOnce();
  // On the owner thread: makes the settings in effect the ones a close saves.
  void Publish();
  // Ends the session (kClosed), then destroys the window and the component, leaves
  // OLE and gives up the library's hold on its image.
  void TearDown();
  // The owner thread has ended: its objects are left, never called or released
  // (part of the move to kOrphaned).
  void Abandon();
  // The window, or null when there is none or the owner thread has taken the close.
  TF* Window() const {
    const Life life = Now();
    return life == Life::kUnwinding || life == Life::kDeferred ? nullptr : form_.get();
  }
  // Opens the stream gate for a start asked for when the gate read `asked`; false
  // when a StopHW has come since.
  bool OpenGate(uint64_t asked);
  // Closes the stream gate of the session of `generation` at once (another's it
  // leaves alone); then WaitOutCalling.
  void CloseGate(uint32_t generation);
  // On a thread other than the owner: waits until the owner thread is not between
  // the gate's check and the callback's start, as long as it is there and alive.
  void WaitOutCalling();
  // Defers a due close to the window's timer (and, given a token, a message).
  void DeferClose(bool post_message);
  // The owner thread's own loop hands a message to the window: a deferred close may
  // go now.
  bool OutsideOtherCode() const;

  // --- published: read by any thread ---
  ReceiverState state_;  // HardwareStatus and the rate; the rest is the owner's
  std::atomic<HostCallbackFn> callback_{nullptr};
  std::atomic<Life> life_{Life::kClosed};
  std::atomic<uint32_t> generation_{0};
  std::atomic<DWORD> owner_id_{0};
  // The stream gate: the generation of the session it belongs to in the high half;
  // in the low half, bit 0 set while stopped (no block reaches the host) and above
  // it a count of the StopHW calls, so that a start asked for before a StopHW cannot
  // open the gate after it.
  std::atomic<uint64_t> gate_{0};
  // Set by the owner thread from before it checks the gate until just before it
  // calls the host: a StopHW or CloseHW on another thread returns once it is clear.
  std::atomic<bool> calling_{false};
  // The tuning frequency the component last took or reported; 0 without a window.
  std::atomic<int32_t> frequency_{0};
  CommandQueue commands_;
  UINT command_message_ = 0;

  // --- the life's own lock: Move and the owner's handle ---
  std::mutex life_mutex_;
  common::ScopedHandle owner_thread_;

  // --- the settings a close saves: written by the owner, saved by any thread ---
  struct Published {
    std::wstring Path;
    ReceiverSettings Settings;
  };
  std::mutex settings_mutex_;
  // Nothing until an InitHW has succeeded, and again once saved.
  std::optional<Published> published_;

  // --- the owner thread's own (any thread's once the owner has ended) ---
  std::unique_ptr<TF> form_;
  fw::ScopedOleInitialize ole_;
  ModuleHold module_hold_;
  std::wstring settings_path_;
  // Why the start-up made no window, or kNone.
  FormFailure creation_failure_ = FormFailure::kNone;
  // The component would not start (InitControl failed).
  bool start_failed_ = false;
  // While a later InitHW configures: the settings in effect before it began.
  std::optional<ReceiverSettings> settings_before_configure_;
  // Depth of session code on the stack (entry points, window messages, component
  // events). The window is destroyed only when it is zero.
  int busy_depth_ = 0;
  // The host's callback is running on the owner thread (written there; read by
  // others to tell a message that callback sent).
  std::atomic<int> in_callback_{0};
  // The token of the message a deferred close waits for, which no one else knows.
  LPARAM close_token_ = 0;
};

}  // namespace tessel
