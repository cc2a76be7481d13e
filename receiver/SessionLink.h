// What the settings window shares with the plug-in's session that made it: the
// settings and status its handlers write, the busy bracket, the commands of other
// threads, and the one way to reach the host program.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace tessel {

// The status argument of the call that announces a rate or input change.
inline constexpr int32_t kStatusSettingsChanged = 100;
// InputSource codes: preamplified input (PreON) and direct input (PreOFF).
inline constexpr int16_t kInputPreamp = 129;
inline constexpr int16_t kInputDirect = 128;
// The window's timer that carries a close deferred past a component event when the
// message queue is too full to take a message: a full queue cannot lose a timer.
inline constexpr UINT_PTR kDeferredCloseTimer = 0x7E55;
// Values the sample buffer holds; a block count is kept within 0..kSampleBufferValues.
inline constexpr int32_t kSampleBufferValues = 8192;

// A value that one thread writes and any thread may read: each access is one atomic
// load or store, and a copy copies the value.
template <class T>
class SharedValue {
 public:
  SharedValue(T value = T{}) : value_(value) {}  // NOLINT: converts like the value
  SharedValue(const SharedValue& other) : value_(other.Get()) {}
  SharedValue& operator=(const SharedValue& other) {
    value_.store(other.Get(), std::memory_order_relaxed);
    return *this;
  }
  SharedValue& operator=(T value) {
    value_.store(value, std::memory_order_relaxed);
    return *this;
  }
  T Get() const { return value_.load(std::memory_order_relaxed); }
  operator T() const { return Get(); }  // NOLINT: reads like the value

 private:
  std::atomic<T> value_;
};

// The receiver's settings in effect: what the settings file keeps (rate, preamplifier,
// gains) and the input the component was given. The rate is read by the host from
// any thread.
struct ReceiverSettings {
  SharedValue<int32_t> SampleRate = 0;
  bool PreampOn = false;
  int32_t HfGain = 0;
  int32_t IfGain = 0;
  int16_t InputSource = 0;
};

// What the window's handlers and the component's events read and write.
struct ReceiverState {
  // The receiver's latest status; the host reads it from any thread.
  SharedValue<int32_t> HardwareStatus = 0;
  ReceiverSettings Settings;
  std::string ModelText;
  bool ModelTextPending = true;
};

// The plug-in's session as the window reaches it (implemented by plugin/Session).
class SessionLink {
 public:
  virtual ReceiverState& State() = 0;
  // True when the host has a callback to receive reports now.
  virtual bool HasCallback() const = 0;
  // True while the host's callback runs: a message loop inside it hands the window
  // events that must not reach the host, nor touch what the callback is reading.
  virtual bool InCallback() const = 0;
  // Passes a report or a sample block to the host's callback, if any. Nothing the
  // host throws gets past it.
  virtual void Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) = 0;
  // Bracket the window's work on behalf of the component or the user: a close the
  // host asks for in between is carried out after the outermost Leave.
  virtual void Enter() = 0;
  virtual void Leave() = 0;
  // Leave for the end of a component event: the component that fired it is still
  // on the stack, so a close that is due now is carried out from a later message:
  // the command message with the ticket 0 and the session's token, or the window's
  // timer kDeferredCloseTimer, which the window hands to DeferredCloseTimer.
  virtual void LeaveEvent() = 0;
  virtual void DeferredCloseTimer() = 0;
  // The registered message by which other threads tell the window's thread to run
  // their commands (0 before there is one), and what the window does with it: runs
  // the commands queued up to the ticket it names. A ticket that is not queued runs
  // nothing; the ticket 0 with the token of a deferred close marks that close due.
  virtual UINT CommandMessage() const = 0;
  virtual void RunCommands(uintptr_t ticket, LPARAM token) = 0;

 protected:
  ~SessionLink() = default;
};

// Enter on construction, Leave (or LeaveEvent) on destruction.
class SessionBusy {
 public:
  explicit SessionBusy(SessionLink& link, bool event = false) : link_(link), event_(event) {
    link_.Enter();
  }
  ~SessionBusy() { event_ ? link_.LeaveEvent() : link_.Leave(); }
  SessionBusy(const SessionBusy&) = delete;
  SessionBusy& operator=(const SessionBusy&) = delete;

 private:
  SessionLink& link_;
  bool event_;
};

}  // namespace tessel
