#include "plugin/Session.h"

#include <ole2.h>

#include <algorithm>

#include "common/ScopeExit.h"
#include "contract/CalderContract.h"
#include "framework/Window.h"
#include "plugin/GateProbe.h"
#include "plugin/HostText.h"
#include "plugin/SentWait.h"
#include "plugin/Settings.h"
#include "receiver/OleError.h"
#include "receiver/RateTable.h"

namespace tessel {
namespace {

InitOutcome Fail(std::string_view text) {
  return {false, std::string(text), kModelUnknown};
}

const char* FailureText(FormFailure failure) {
  switch (failure) {
    case FormFailure::kNotInstalled:
      return kTextNotInstalled;
    case FormFailure::kWrongApartment:
      return kTextWrongApartment;
    case FormFailure::kWindow:
      return kTextWindowFailed;
    default:
      return kTextCannotCreate;
  }
}

// The stream gate's word: the session's generation in the high half; in the low
// half, bit 0 set while stopped and the count of StopHW calls above it.
constexpr uint64_t kStoppedBit = 1;
constexpr uint64_t kStopCount = 2;
constexpr uint64_t kLowHalf = 0xFFFFFFFFu;
static_assert(std::atomic<uint64_t>::is_always_lock_free);

uint32_t GenerationOf(uint64_t gate) {
  return static_cast<uint32_t>(gate >> 32);
}

// The thread is handling a message that another thread sent (and may be waiting
// for), or a notice another thread sent without waiting: whatever this thread was
// doing when it took it is still on its stack.
bool InsideMessageFromElsewhere() {
  return ::InSendMessageEx(nullptr) != ISMEX_NOSEND;
}

}  // namespace

Session::~Session() {
  // The library is unloaded only once its window is gone (it holds its own image
  // until then), or when the process ends: what is left then is the system's.
  (void)form_.release();
  (void)ole_.release();
  module_hold_.Forget();
}

// --- the life ---

bool Session::Move(std::initializer_list<Life> from, Life to, std::optional<uint32_t> generation) {
  std::lock_guard<std::mutex> lock(life_mutex_);
  if (generation && generation_.load() != *generation) return false;
  return MoveLocked(from, to);
}

bool Session::MoveLocked(std::initializer_list<Life> from, Life to) {
  const Life now = life_.load();
  if (std::find(from.begin(), from.end(), now) == from.end()) return false;
  // A session is claimed once the last one has gone; while its window and component
  // go, only by the thread they go on (the host's code run by that teardown).
  const bool claim = to == Life::kStarting &&
                     (now == Life::kClosed ||
                      (now == Life::kReleasing && owner_id_.load() == ::GetCurrentThreadId()));
  if (to == Life::kStarting && !claim) return false;
  if (claim) {
    // The claim: the calling thread owns the session until its window is destroyed.
    HANDLE self = nullptr;
    // Without a handle to watch, an owner that ends could not be noticed.
    if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                           &self, SYNCHRONIZE, FALSE, 0))
      return false;
    owner_thread_.reset(self);
    owner_id_ = ::GetCurrentThreadId();
    const uint32_t generation = ++generation_;
    // A session that starts afresh: the host registers its callback after this
    // InitHW, and the stream is open. Reset with the claim, so that a SetCallback or
    // StopHW from another thread after it is not undone. Calls from other threads
    // are taken from now on and wait for the window.
    callback_ = nullptr;
    gate_ = uint64_t{generation} << 32;
    commands_.Open();
  }
  if (to == Life::kClosed) {
    owner_thread_.reset();
    owner_id_ = 0;
  }
  if (to == Life::kOrphaned) Abandon();
  life_ = to;
  return true;
}

common::ScopedHandle Session::OwnerHandle() {
  std::lock_guard<std::mutex> lock(life_mutex_);
  HANDLE copy = nullptr;
  if (owner_thread_) {
    ::DuplicateHandle(::GetCurrentProcess(), owner_thread_.get(), ::GetCurrentProcess(), &copy, 0,
                      FALSE, DUPLICATE_SAME_ACCESS);
  }
  return common::ScopedHandle(copy);
}

Session::Life Session::NoticeOwner() {
  const Life life = Now();
  if (life == Life::kClosed || life == Life::kOrphaned || OnOwnerThread()) return life;
  std::lock_guard<std::mutex> lock(life_mutex_);
  if (!owner_thread_ || ::WaitForSingleObject(owner_thread_.get(), 0) != WAIT_OBJECT_0)
    return life_.load();
  // The owner thread has ended, and with it every use of what it owned.
  if (Closing()) {
    // CloseHW saved before the thread ended; the close itself never ran there.
    MoveLocked({Life::kClosing, Life::kUnwinding, Life::kDeferred, Life::kReleasing},
               Life::kOrphaned);
    MoveLocked({Life::kOrphaned}, Life::kClosed);
  } else {
    MoveLocked({Life::kStarting, Life::kOpen}, Life::kOrphaned);
  }
  return life_.load();
}

void Session::Abandon() {
  // The window went with its thread. The form, the component and the OLE scope belong
  // to that thread's dead apartment: they are left as they are, and so is the image
  // that holds their code.
  commands_.Detach();
  (void)form_.release();
  (void)ole_.release();
  module_hold_.Forget();
  start_failed_ = false;
  settings_before_configure_.reset();
  busy_depth_ = 0;
  in_callback_ = 0;
  calling_ = false;
  frequency_ = 0;
}

std::optional<uint32_t> Session::ListeningGeneration() {
  const uint32_t generation = generation_.load();
  const Life life = NoticeOwner();
  if (life != Life::kStarting && life != Life::kOpen) return std::nullopt;
  return generation;
}

// --- the stream gate and the host ---

bool Session::OpenGate(uint64_t asked) {
  // Clears the stopped bit only if no StopHW has counted since the start was asked,
  // and the session is the one it was asked of.
  return gate_.compare_exchange_strong(asked, asked & ~kStoppedBit);
}

void Session::CloseGate(uint32_t generation) {
  uint64_t gate = gate_.load();
  do {
    // A late call for a session that has gone leaves the new one's stream alone.
    if (GenerationOf(gate) != generation) break;
  } while (!gate_.compare_exchange_weak(
      gate, (gate & ~kLowHalf) | (((gate & kLowHalf) + kStopCount) & kLowHalf) | kStoppedBit));
  WaitOutCalling();
}

void Session::SetCallback(HostCallbackFn callback) {
  callback_ = callback;
  // The callback it replaces begins no more once this returns.
  WaitOutCalling();
}

void Session::WaitOutCalling() {
  if (OnOwnerThread() || !calling_) return;
  // The owner thread has checked the gate and not yet called the host: it is a few
  // instructions from either, unless it is held there; it is waited for as long as
  // it is there and alive, however long that is.
  common::ScopedHandle owner = OwnerHandle();
  for (int spin = 0; calling_ && spin < 1000; ++spin) ::SwitchToThread();
  while (calling_ && !(owner && ::WaitForSingleObject(owner.get(), 0) == WAIT_OBJECT_0))
    WaitHandlingSent([this] { return !calling_; }, 1000, {owner.get()}, 1);
}

void Session::Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) {
  // Never again while the callback runs: a message loop inside it gets nothing.
  if (in_callback_ > 0) return;
  // What the host hears of (a rate it is told of, say) is what a close on another
  // thread saves from now on.
  Publish();
  // A host that has closed the plug-in hears nothing more, and one that has stopped
  // it gets no more blocks, whatever is still queued on the window's thread. From the
  // check to the call, a StopHW or CloseHW on another thread waits.
  calling_ = true;
  HostCallbackFn callback = callback_;
  const bool go =
      callback != nullptr && Listening() && (count < 0 || (gate_.load() & kStoppedBit) == 0);
  if (go) GateProbePause();
  if (!go) {
    calling_ = false;
    return;
  }
  ++in_callback_;
  const common::ScopeExit done([this] { --in_callback_; });
  calling_ = false;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

// --- carrying calls to the owner thread ---

template <class Result, class Body>
Result Session::Answer(uint32_t generation, Result fallback, Result committed, Body body) {
  // The body runs only for the session it was meant for.
  auto guarded = [this, generation, fallback, body]() mutable -> Result {
    return generation_ == generation ? body() : fallback;
  };
  if (OnOwnerThread()) {
    commands_.RunAll();
    const CommandQueue::DirectCall direct;
    return guarded();
  }
  common::ScopedHandle owner = OwnerHandle();
  auto result = std::make_shared<Result>(fallback);
  CommandQueue::CommandRef command =
      commands_.Post([result, guarded]() mutable { *result = guarded(); });
  if (command == nullptr) return fallback;
  switch (commands_.Wait(command, kCrossThreadWaitMs, owner.get())) {
    case CommandQueue::Outcome::kDone:
      return *result;
    case CommandQueue::Outcome::kLate:
      return committed;
    default:
      return fallback;
  }
}

template <class Body>
bool Session::Hand(uint32_t generation, Body body) {
  auto guarded = [this, generation, body]() mutable { return generation_ == generation && body(); };
  if (OnOwnerThread()) {
    commands_.RunAll();
    const CommandQueue::DirectCall direct;
    return guarded();
  }
  return commands_.Post([guarded]() mutable { guarded(); }) != nullptr;
}

// --- the window's bracket ---

void Session::Leave() {
  Publish();
  if (--busy_depth_ != 0 || Now() != Life::kUnwinding) return;
  if (form_ != nullptr && InsideMessageFromElsewhere()) {
    // Its sender's code (the component's among it, perhaps) is still on the stack.
    DeferClose(false);
    return;
  }
  try {
    TearDown();
  } catch (...) {
  }
}

void Session::DeferClose(bool post_message) {
  if (form_ == nullptr) return;
  const HWND window = form_->Handle();
  // The timer stays armed until the teardown: a loop that takes a tick where the
  // close cannot go yet (inside a message another thread sent) leaves it for the next.
  bool armed = ::SetTimer(window, kDeferredCloseTimer, USER_TIMER_MINIMUM, nullptr) != 0;
  if (post_message) {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    close_token_ = static_cast<LPARAM>(now.LowPart | 1);
    armed = ::PostMessageW(window, command_message_, 0, close_token_) || armed;
  }
  if (armed) Move({Life::kUnwinding}, Life::kDeferred);
}

void Session::LeaveEvent() {
  if (busy_depth_ == 1 && Now() == Life::kUnwinding) {
    // The component that fired the event is still on the stack, and may yet send the
    // window messages of its own: the close waits for a message that only a message
    // loop outside the component's code hands the window. The command message with
    // the close's token, in order behind what the component has posted; and the
    // window's timer, which no full queue or draining loop can lose.
    DeferClose(true);
  }
  Leave();
}

bool Session::OutsideOtherCode() const {
  // This message's own bracket is the only session code on the stack, and no other
  // thread's message is being handled beneath it.
  return busy_depth_ == 1 && !InsideMessageFromElsewhere();
}

void Session::RunCommands(uintptr_t ticket, LPARAM token) {
  if (ticket != 0) {
    commands_.RunUpTo(ticket);
  } else if (Now() == Life::kDeferred && token == close_token_ && OutsideOtherCode()) {
    // The message's own bracket ends the close when it ends.
    Move({Life::kDeferred}, Life::kUnwinding);
  }
}

void Session::DeferredCloseTimer() {
  if (Now() != Life::kDeferred) {
    // A tick left from a close that has gone another way.
    if (form_ != nullptr && !Closing()) ::KillTimer(form_->Handle(), kDeferredCloseTimer);
    return;
  }
  if (OutsideOtherCode()) Move({Life::kDeferred}, Life::kUnwinding);
}

// --- InitHW and the start-up ---

InitOutcome Session::InitHW() {
  // A call that finds the session closing, or left by a thread that ended, tries
  // again once it is closed.
  for (int attempt = 0; attempt < 3; ++attempt) {
    const uint32_t generation = generation_.load();
    switch (NoticeOwner()) {
      case Life::kClosed:
        if (Move({Life::kClosed}, Life::kStarting)) {
          const CommandQueue::DirectCall direct;
          return StartUp();
        }
        continue;  // another thread claimed it first
      case Life::kOrphaned: {
        // Nothing of the dead thread's session is kept: the new one reads the
        // settings file afresh, as any later InitHW does. (The life's lock first, as
        // everywhere.)
        std::lock_guard<std::mutex> life_lock(life_mutex_);
        if (MoveLocked({Life::kOrphaned}, Life::kClosed)) {
          std::lock_guard<std::mutex> settings_lock(settings_mutex_);
          published_.reset();
        }
        continue;
      }
      case Life::kStarting:
        return Fail(kTextStarting);
      case Life::kReleasing:
        // The host's code run by a teardown on this thread: a new session here, while
        // the old window and component go.
        if (OnOwnerThread() && Move({Life::kReleasing}, Life::kStarting)) {
          const CommandQueue::DirectCall direct;
          return StartUp();
        }
        [[fallthrough]];
      case Life::kClosing:
      case Life::kUnwinding:
      case Life::kDeferred:
        if (OnOwnerThread()) {
          // A close handed over by another thread and not yet run: run it now. From
          // a callback made inside the close it cannot end yet.
          commands_.RunAll();
          CloseHere();
          // The close waited for the component's code to return; called from the
          // host's own code outside any message of another thread's, it has.
          if (busy_depth_ == 0 && !InsideMessageFromElsewhere()) {
            Move({Life::kDeferred}, Life::kUnwinding);
            if (Now() == Life::kUnwinding) TearDown();
          }
          if (Closing()) return Fail(kTextClosed);
        } else {
          // The owner thread finishes the close first.
          common::ScopedHandle owner = OwnerHandle();
          auto owner_ended = [&] {
            return owner && WaitForSingleObject(owner.get(), 0) == WAIT_OBJECT_0;
          };
          // Inside a message that the owner thread's callback sent (a host that reconnects
          // from its handler of it), the close cannot end before this call returns:
          // it fails at once, as on the owner thread.
          auto sent_by_callback = [&] {
            return in_callback_ > 0 && (::InSendMessageEx(nullptr) & ISMEX_SEND) != 0;
          };
          WaitHandlingSent([&] { return !Closing() || owner_ended() || sent_by_callback(); },
                           kCrossThreadWaitMs, {owner.get()}, 5);
          if (Closing() && !owner_ended())
            return Fail(sent_by_callback() ? kTextClosed : kTextNotResponding);
        }
        continue;
      case Life::kOpen:
        break;
    }
    if (OnOwnerThread()) {
      commands_.RunAll();
      if (Now() != Life::kOpen || generation_ != generation) continue;
      const CommandQueue::DirectCall direct;
      return InitHere();
    }
    auto result = std::make_shared<std::optional<InitOutcome>>();
    CommandQueue::CommandRef command = commands_.Post([this, result, generation] {
      // A close queued before this call has yet to finish: the call starts afresh
      // once it has.
      if (Now() == Life::kOpen && generation_ == generation) *result = InitHere();
    });
    if (command == nullptr) continue;  // the window has just gone
    common::ScopedHandle owner = OwnerHandle();
    CommandQueue::Outcome outcome = commands_.Wait(command, kCrossThreadWaitMs, owner.get());
    if (outcome == CommandQueue::Outcome::kDone && result->has_value()) return **result;
    if (outcome != CommandQueue::Outcome::kDone && outcome != CommandQueue::Outcome::kOrphaned)
      return Fail(kTextNotResponding);
  }
  return Fail(kTextNotResponding);
}

// The start-up of a session on the thread that has just claimed it: the window, the
// component and the wait for its first status, then what every InitHW does.
InitOutcome Session::StartUp() {
  // The receiver is asked for its model again.
  state_.ModelText.clear();
  state_.ModelTextPending = true;
  start_failed_ = false;
  creation_failure_ = FormFailure::kNone;
  // A close of the last session that has not written its settings yet (its caller is
  // still on its way) writes them now, before this session reads the file.
  SaveOnce();
  // From here on the library's code is on this thread's stack, and soon in its window
  // procedure: it stays loaded, whenever the host unloads it, until the session ends.
  module_hold_.Take();
  Busy busy(*this);
  if (command_message_ == 0) command_message_ = RegisterWindowMessageW(L"Tessel_Calder.command");
  HRESULT com = OleInitialize(nullptr);
  ole_ = fw::ScopedOleInitialize(SUCCEEDED(com));
  if (com == RPC_E_CHANGED_MODE) {
    // The thread is in the multi-threaded apartment: the component's events could
    // not reach this thread's queue, so nothing is created.
    creation_failure_ = FormFailure::kWrongApartment;
  } else {
    form_ = TF::Create(*this, &creation_failure_, {}, kOffScreenLeft);
  }
  if (form_ == nullptr) {
    // Nothing was made: the session ends once this call unwinds, and the next InitHW
    // tries again.
    Move({Life::kStarting, Life::kClosing}, Life::kUnwinding);
    return Fail(FailureText(creation_failure_));
  }
  // The window is made there; a layout at its monitor's DPI may have moved it.
  form_->SetLeft(kOffScreenLeft);
  form_->ShowInactive();
  state_.HardwareStatus = kStatusWaiting;
  if (FAILED(form_->SDR().InitControl())) {
    start_failed_ = true;
  } else {
    WaitForFirstStatus();
  }
  if (!Move({Life::kStarting}, Life::kOpen)) {
    // Closed from a callback or another thread while the window was being made.
    CloseHere();
    return Fail(kTextClosed);
  }
  // However the rest of the start-up ends, the commands of other threads are taken
  // from then on.
  const common::ScopeExit take_commands([this] {
    const Life now = Now();
    if (now == Life::kClosing) {
      // Closed from another thread while configuring: the close it handed over waits
      // for a window that takes no commands yet.
      CloseHere();
    } else if (now == Life::kOpen && form_ != nullptr) {
      // What other threads asked for meanwhile is carried out now, in order, after
      // the start-up has placed and hidden the window (a close among it too).
      commands_.Attach(form_->Handle(), command_message_);
    }
  });
  return InitHere();
}

// Pumps the thread's queue until the first status arrives, at most kInitWaitMs. Each
// pass handles everything queued before it looks at the status again, so statuses
// that arrive together are all taken in and the latest one is judged.
void Session::WaitForFirstStatus() {
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The host's quit request: give it back to the host's own loop and stop.
        PostQuitMessage(static_cast<int>(message.wParam));
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      // A queue that never runs dry must not hold the host past the bound.
      if (GetTickCount() - start >= kInitWaitMs) break;
    }
    if (state_.HardwareStatus != kStatusWaiting || Now() != Life::kStarting) return;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kInitWaitMs) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, kInitWaitMs - elapsed, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
}

// What every InitHW does once the window exists: places it, judges the latest status
// and, on success, gives the settings to the component and the window.
InitOutcome Session::InitHere() {
  Busy busy(*this);
  TF* form = Window();
  if (form == nullptr) return Fail(kTextClosed);
  form->Hide();
  // One move to the bottom-right corner: each move of the window costs the display a
  // round trip.
  form->SetBounds(GetSystemMetrics(SM_CXSCREEN) - form->Width(),
                  GetSystemMetrics(SM_CYSCREEN) - form->Height(), form->Width(), form->Height());

  if (state_.HardwareStatus == kStatusWaiting)
    return Fail(start_failed_ ? kTextStartFailed : kTextNotResponding);
  // The receiver has answered: the host hears of a rate from now on, the default one
  // until another is in effect.
  if (RateOf(ButtonForRate(state_.Settings.SampleRate)) != state_.Settings.SampleRate) {
    ReceiverSettings defaults;
    ApplySettingDefaults(defaults);
    state_.Settings.SampleRate = defaults.SampleRate;
  }
  if (state_.HardwareStatus == calder::kStatusNotConnected) return Fail(kTextNotConnected);
  if (state_.HardwareStatus == calder::kStatusError) return Fail(kTextErrorState);

  // A later InitHW replaces the settings in effect with the file's raw values until
  // the receiver and the window have taken them in. Meanwhile a close saves the ones
  // in effect.
  // A caller on another thread that has given up hears "not responding": nothing is
  // configured for it.
  if (!commands_.CommitCurrent()) return Fail(kTextNotResponding);
  bool usable = false;
  {
    std::lock_guard<std::mutex> lock(settings_mutex_);
    usable = published_.has_value();
  }
  if (usable) settings_before_configure_.emplace(state_.Settings);
  const common::ScopeExit forget([this] {
    settings_before_configure_.reset();
    Publish();
  });
  InitOutcome outcome;
  try {
    outcome = Configure(*form);
  } catch (const OleError&) {
    // The receiver stopped taking the settings part-way: what it took is in effect,
    // and the window and the settings say so.
    form->SettleOnTaken();
    return Fail(kTextRejected);
  }
  // Only now is what the settings hold worth keeping: CloseHW writes the file. Under
  // the lock that a close's save takes, so that a close either finds them or has
  // come first (from a callback made while configuring, or another thread), and
  // this InitHW fails.
  std::lock_guard<std::mutex> lock(settings_mutex_);
  if (Now() != Life::kOpen) return Fail(kTextClosed);
  published_.emplace(Published{settings_path_, state_.Settings});
  return outcome;
}

// After a usable first status: loads the settings and gives them to the component
// and the window.
InitOutcome Session::Configure(TF& form) {
  settings_path_ = SettingsFilePath();
  ReceiverSettings defaults;
  ApplySettingDefaults(defaults);
  defaults.InputSource = kInputPreamp;
  // The file's values reach the settings in effect only as the component and the
  // window take them in; a value the component refuses gives way to its default.
  ReceiverSettings wanted = state_.Settings;
  if (!LoadSettings(settings_path_, wanted)) wanted = defaults;
  // A model without the input selector keeps the file's choice for the next save.
  state_.Settings.PreampOn = wanted.PreampOn;
  form.ApplySettings(wanted, defaults);
  return {true, state_.ModelText, kModelFound};
}

// --- the close ---

void Session::Publish() {
  if (!OnOwnerThread()) return;
  std::lock_guard<std::mutex> lock(settings_mutex_);
  // Only while the host may still change them, and only once they are usable: a
  // close has saved them, or no InitHW has succeeded yet.
  if (!published_ || !Listening()) return;
  // While a later InitHW configures, the settings in effect are the ones from before.
  published_->Settings = settings_before_configure_ ? *settings_before_configure_ : state_.Settings;
}

void Session::SaveOnce() {
  // Written under the lock: a second close that finds nothing left to save returns
  // only once the first one's file is written.
  std::lock_guard<std::mutex> lock(settings_mutex_);
  if (!published_) return;
  const Published saving = std::move(*published_);
  published_.reset();
  SaveSettings(saving.Path, saving.Settings);
}

void Session::CloseHW() {
  switch (NoticeOwner()) {
    case Life::kOrphaned: {
      // Saved once, whichever thread closes first.
      std::lock_guard<std::mutex> lock(life_mutex_);
      if (life_.load() != Life::kOrphaned) return;
      SaveOnce();
      MoveLocked({Life::kOrphaned}, Life::kClosed);
      return;
    }
    case Life::kStarting:
    case Life::kOpen:
      break;
    case Life::kClosing:
    case Life::kUnwinding:
    case Life::kDeferred:
    case Life::kReleasing:
      // Another CloseHW has come first: this one too returns only once no callback
      // can begin and the settings are written (saved here, or waited for).
      WaitOutCalling();
      SaveOnce();
      return;
    default:
      return;
  }
  // The session this call found open (a late call for one that has gone since closes
  // nothing of the next).
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return;
  Publish();
  // At once, on any thread: the host hears nothing from now on.
  if (!Move({Life::kStarting, Life::kOpen}, Life::kClosing, generation)) return;
  CloseGate(*generation);
  // The settings in effect are written before the call returns, whatever the owner
  // thread is doing; the window goes when that thread takes the close.
  SaveOnce();
  if (!Hand(*generation, [this] {
        CloseHere();
        return true;
      })) {
    // The window has gone without its thread taking the close: that thread has ended.
    NoticeOwner();
  }
}

void Session::CloseHere() {
  if (!Move({Life::kClosing}, Life::kUnwinding)) return;
  if (busy_depth_ > 0 || (form_ != nullptr && InsideMessageFromElsewhere())) {
    // Session code is on the stack (the host closed from a callback, or the close
    // came from another thread through a message): hide now, destroy when it unwinds.
    if (form_ != nullptr) form_->Hide();
    if (busy_depth_ == 0) DeferClose(false);
    return;
  }
  TearDown();
}

void Session::TearDown() {
  // Commands still queued find no window: their callers hear so at once.
  commands_.Detach();
  // Everything the session holds leaves it, and the session is closed, before any
  // of it goes: destroying the window runs the host's code (its own window is
  // activated), and an InitHW made there starts a new session that this teardown
  // never touches.
  std::unique_ptr<TF> form = std::move(form_);
  fw::ScopedOleInitialize ole = std::move(ole_);
  const bool held = module_hold_.Handover();
  start_failed_ = false;
  settings_before_configure_.reset();
  frequency_ = 0;
  if (form != nullptr) ::KillTimer(form->Handle(), kDeferredCloseTimer);
  Move({Life::kUnwinding, Life::kDeferred}, Life::kReleasing);
  // The window goes first: the component it holds needs OLE until it is released.
  form.reset();
  ole.reset();
  fw::UnregisterWindowClass();
  // Last: from here on another thread may claim the session (a new one started
  // meanwhile on this thread has it already).
  Move({Life::kReleasing}, Life::kClosed);
  if (held) ModuleHold::ReleaseHandedOver();
}

// --- the rest of the entry points ---

bool Session::OpenHW() {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return false;
  return Hand(*generation, [this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return false;
    form->ShowOnTop();
    form->MakeTopmost();
    return true;
  });
}

// The entry points that reach the component hold a busy scope: a close the host
// asks for from a callback made meanwhile waits until they return, and they stop
// once it is under way.
int32_t Session::StartHW(int32_t frequency) {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return 0;
  // A StopHW after this call wins over it, wherever the start is carried out.
  const uint64_t asked = gate_.load();
  return Answer(*generation, int32_t{0}, kBlockLength, [this, frequency, asked]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    form->SDR().PutInt(calder::kNCOfrequency, frequency);
    frequency_ = frequency;
    if (Window() == nullptr) return 0;
    // A caller that has been told 0 never sees a start.
    if (!commands_.CommitCurrent() || !OpenGate(asked)) return 0;
    form->SDR().Start(1, 0);
    return kBlockLength;
  });
}

void Session::StopHW() {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return;
  // At once, on any thread: no block reaches the host from now on, and no start
  // asked for before opens the gate again. The component is stopped when the owner
  // thread takes the command.
  CloseGate(*generation);
  Hand(*generation, [this]() {
    Busy busy(*this);
    if (TF* form = Window()) form->SDR().Stop();
    return true;
  });
}

void Session::SetHWLO(int32_t frequency) {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return;
  Hand(*generation, [this, frequency]() {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return false;
    form->SDR().PutInt(calder::kNCOfrequency, frequency);
    frequency_ = frequency;
    return true;
  });
}

int32_t Session::GetHWLO() {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return 0;
  // Another thread that gets no answer in time has the frequency the component
  // last took or reported.
  const int32_t last = frequency_.load();
  return Answer(*generation, last, last, [this]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    int32_t frequency = form->SDR().GetInt(calder::kNCOfrequency);
    frequency_ = frequency;
    return frequency;
  });
}

void Session::ShowGUI() {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return;
  Hand(*generation, [this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->ShowOnTop();
    return form != nullptr;
  });
}

void Session::HideGUI() {
  const std::optional<uint32_t> generation = ListeningGeneration();
  if (!generation) return;
  Hand(*generation, [this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->Hide();
    return form != nullptr;
  });
}

}  // namespace tessel
