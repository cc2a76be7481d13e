#include "plugin/Session.h"

#include <ole2.h>

#include <algorithm>

#include "common/ScopeExit.h"
#include "contract/CalderContract.h"
#include "framework/Window.h"
#include "plugin/HostText.h"
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

constexpr uint32_t kStoppedBit = 1;
constexpr uint32_t kStopCount = 2;

}  // namespace

Session::~Session() {
  // The library is unloaded only once its window is gone (it holds its own image
  // until then), or when the process ends: what is left then is the system's.
  (void)form_.release();
  (void)ole_.release();
  module_hold_.Forget();
}

// --- the life ---

bool Session::Move(std::initializer_list<Life> from, Life to) {
  bool moved = false;
  {
    std::lock_guard<std::mutex> lock(life_mutex_);
    moved = MoveLocked(from, to);
  }
  if (moved) life_changed_.notify_all();
  return moved;
}

bool Session::MoveLocked(std::initializer_list<Life> from, Life to) {
  const Life now = life_.load();
  if (std::find(from.begin(), from.end(), now) == from.end()) return false;
  {
    if (now == Life::kClosed && to == Life::kStarting) {
      // The claim: the calling thread owns the session until its window is destroyed.
      HANDLE self = nullptr;
      // Without a handle to watch, an owner that ends could not be noticed.
      if (!::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentThread(), ::GetCurrentProcess(),
                             &self, SYNCHRONIZE, FALSE, 0))
        return false;
      owner_thread_.reset(self);
      owner_id_ = ::GetCurrentThreadId();
      // A session that starts afresh: the host registers its callback after this
      // InitHW, and the stream is open. Reset with the claim, so that a SetCallback or
      // StopHW from another thread after it is not undone.
      callback_ = nullptr;
      gate_ = 0;
    }
    if (to == Life::kClosed) {
      owner_thread_.reset();
      owner_id_ = 0;
    }
    if (to == Life::kOrphaned) Abandon();
    life_ = to;
  }
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
  {
    std::lock_guard<std::mutex> lock(life_mutex_);
    if (!owner_thread_ || ::WaitForSingleObject(owner_thread_.get(), 0) != WAIT_OBJECT_0)
      return life_.load();
    // The owner thread has ended, and with it every use of what it owned: from here
    // on this thread may read the session's settings.
    const Life now = life_.load();
    if (now == Life::kClosing || now == Life::kUnwinding) {
      // The host closed before the thread ended, and the close never ran there.
      SaveOnce();
      MoveLocked({Life::kClosing, Life::kUnwinding}, Life::kOrphaned);
      MoveLocked({Life::kOrphaned}, Life::kClosed);
    } else {
      MoveLocked({Life::kStarting, Life::kOpen}, Life::kOrphaned);
    }
  }
  life_changed_.notify_all();
  return Now();
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
  close_waits_for_timer_ = false;
  frequency_ = 0;
}

bool Session::OpenGate(uint32_t asked) {
  // Clears the stopped bit only if no StopHW has counted since the start was asked.
  return gate_.compare_exchange_strong(asked, asked & ~kStoppedBit);
}

// --- carrying calls to the owner thread ---

template <class Result, class Body>
Result Session::Answer(Result fallback, Result committed, Body body) {
  if (OnOwnerThread()) {
    commands_.RunAll();
    const CommandQueue::DirectCall direct;
    return body();
  }
  common::ScopedHandle owner = OwnerHandle();
  auto result = std::make_shared<Result>(fallback);
  CommandQueue::CommandRef command = commands_.Post([result, body]() mutable { *result = body(); });
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
bool Session::Hand(Body body) {
  if (OnOwnerThread()) {
    commands_.RunAll();
    const CommandQueue::DirectCall direct;
    return body();
  }
  return commands_.Post([body]() mutable { body(); }) != nullptr;
}

// --- the window's bracket and the host ---

void Session::Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) {
  // A host that has closed the plug-in hears nothing more, and one that has stopped
  // it gets no more blocks, whatever is still queued on the window's thread. The
  // flag covers the check, never the host's code: a StopHW or CloseHW on another
  // thread returns once this thread has either seen it or gone past the check.
  notifying_ = true;
  HostCallbackFn callback = callback_;
  const bool go =
      callback != nullptr && Listening() && (count < 0 || (gate_.load() & kStoppedBit) == 0);
  notifying_ = false;
  if (!go) return;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

void Session::WaitOutNotify() const {
  if (OnOwnerThread()) return;
  // The flag covers a few instructions with no wait in them.
  for (DWORD start = GetTickCount(); notifying_ && GetTickCount() - start < 100;) SwitchToThread();
}

void Session::Leave() {
  if (--busy_depth_ != 0 || Now() != Life::kUnwinding || close_waits_for_timer_) return;
  if (form_ != nullptr && (::InSendMessageEx(nullptr) & ISMEX_SEND) != 0) {
    // Handling a message another thread sent: whatever this thread was doing when it
    // took it (the component's own code among it) is still on the stack.
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
  bool armed = ::SetTimer(window, kDeferredCloseTimer, USER_TIMER_MINIMUM, nullptr) != 0;
  if (post_message) {
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    close_token_ = static_cast<LPARAM>(now.LowPart | 1);
    armed = ::PostMessageW(window, command_message_, 0, close_token_) || armed;
  }
  if (armed) close_waits_for_timer_ = true;
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

void Session::RunCommands(uintptr_t ticket, LPARAM token) {
  if (ticket != 0) {
    commands_.RunUpTo(ticket);
  } else if (close_waits_for_timer_ && token == close_token_ &&
             (::InSendMessageEx(nullptr) & ISMEX_SEND) == 0) {
    // Inside the message's own bracket: its end carries the close out.
    close_waits_for_timer_ = false;
  }
}

void Session::DeferredCloseTimer() {
  if (form_ != nullptr) ::KillTimer(form_->Handle(), kDeferredCloseTimer);
  if ((::InSendMessageEx(nullptr) & ISMEX_SEND) != 0) return;
  close_waits_for_timer_ = false;
}

// --- InitHW and the start-up ---

InitOutcome Session::InitHW() {
  // A call that finds the session closing, or left by a thread that ended, tries
  // again once it is closed.
  for (int attempt = 0; attempt < 3; ++attempt) {
    switch (NoticeOwner()) {
      case Life::kClosed:
        if (Move({Life::kClosed}, Life::kStarting)) {
          const CommandQueue::DirectCall direct;
          return StartUp();
        }
        continue;  // another thread claimed it first
      case Life::kOrphaned:
        // Nothing of the dead thread's session is kept: the new one reads the
        // settings file afresh, as any later InitHW does.
        Move({Life::kOrphaned}, Life::kClosed);
        continue;
      case Life::kStarting:
        return Fail(kTextStarting);
      case Life::kClosing:
      case Life::kUnwinding:
        if (OnOwnerThread()) {
          // A close handed over by another thread and not yet run: run it now. From
          // a callback made inside the close it cannot end yet.
          commands_.RunAll();
          // A close that could not be handed over (its window went unseen) is
          // carried out here.
          CloseHere();
          if (Now() == Life::kUnwinding && busy_depth_ == 0) {
            // The close waited for the component's code to return; called from the
            // host's own code, it has.
            close_waits_for_timer_ = false;
            TearDown();
          }
          if (Closing()) return Fail(kTextClosed);
        } else {
          // The owner thread finishes the close first.
          common::ScopedHandle owner = OwnerHandle();
          std::unique_lock<std::mutex> lock(life_mutex_);
          const DWORD start = GetTickCount();
          auto owner_ended = [&] {
            return owner && WaitForSingleObject(owner.get(), 0) == WAIT_OBJECT_0;
          };
          while (Closing() && !owner_ended() && GetTickCount() - start < kCrossThreadWaitMs)
            life_changed_.wait_for(lock, std::chrono::milliseconds(20));
          if (Closing() && !owner_ended()) return Fail(kTextNotResponding);
        }
        continue;
      case Life::kOpen:
        break;
    }
    if (OnOwnerThread()) {
      commands_.RunAll();
      if (Now() != Life::kOpen) continue;
      const CommandQueue::DirectCall direct;
      return InitHere();
    }
    auto result = std::make_shared<std::optional<InitOutcome>>();
    CommandQueue::CommandRef command = commands_.Post([this, result] {
      // A close queued before this call has yet to finish: the call starts afresh
      // once it has.
      if (Now() == Life::kOpen) *result = InitHere();
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
  settings_usable_ = false;
  creation_failure_ = FormFailure::kNone;
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
    form_ = TF::Create(*this, &creation_failure_);
  }
  if (form_ == nullptr) {
    // Nothing was made: the session ends once this call unwinds, and the next InitHW
    // tries again.
    Move({Life::kStarting, Life::kClosing}, Life::kUnwinding);
    return Fail(FailureText(creation_failure_));
  }
  commands_.Attach(form_->Handle(), command_message_);
  form_->SetLeft(kOffScreenLeft);
  form_->ShowInactive();
  state_.HardwareStatus = kStatusWaiting;
  if (FAILED(form_->SDR().InitControl())) {
    start_failed_ = true;
  } else {
    WaitForFirstStatus();
  }
  if (!Move({Life::kStarting}, Life::kOpen)) {
    // Closed from a callback or another thread while the window was being made; a
    // close from another thread may have come before there was a window to hand it to.
    CloseHere();
    return Fail(kTextClosed);
  }
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
  form->SetLeft(GetSystemMetrics(SM_CXSCREEN) - form->Width());
  form->SetTop(GetSystemMetrics(SM_CYSCREEN) - form->Height());

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
  if (settings_usable_) settings_before_configure_.emplace(state_.Settings);
  const common::ScopeExit forget([this] { settings_before_configure_.reset(); });
  InitOutcome outcome;
  try {
    outcome = Configure(*form);
  } catch (const OleError&) {
    // The receiver stopped taking the settings part-way: what it took is in effect,
    // and the window and the settings say so.
    form->SettleOnTaken();
    return Fail(kTextRejected);
  }
  // The host closed the plug-in from a callback made while configuring.
  if (Now() != Life::kOpen) return Fail(kTextClosed);
  // Only now is what the settings hold worth keeping: CloseHW writes the file.
  settings_usable_ = true;
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

void Session::CloseHW() {
  switch (NoticeOwner()) {
    case Life::kOrphaned: {
      // Saved once, whichever thread closes first.
      std::lock_guard<std::mutex> lock(life_mutex_);
      if (life_.load() != Life::kOrphaned) return;
      SaveOnce();
      MoveLocked({Life::kOrphaned}, Life::kClosed);
    }
      life_changed_.notify_all();
      return;
    case Life::kStarting:
    case Life::kOpen:
      break;
    default:
      return;
  }
  // At once, on any thread: the host hears nothing from now on. The settings are
  // saved and the window goes when the owner thread takes the command.
  if (!Move({Life::kStarting, Life::kOpen}, Life::kClosing)) return;
  WaitOutNotify();
  if (!Hand([this] {
        CloseHere();
        return true;
      })) {
    // The window has gone without its thread taking the close: that thread has ended.
    NoticeOwner();
  }
}

void Session::CloseHere() {
  if (!Move({Life::kClosing}, Life::kUnwinding)) return;
  SaveOnce();
  if (busy_depth_ > 0) {
    // Session code is on the stack (the host closed from a callback, or the close
    // came from another thread through a message): hide now, destroy when it unwinds.
    if (form_ != nullptr) form_->Hide();
    return;
  }
  TearDown();
}

void Session::SaveOnce() {
  if (!settings_usable_) return;
  settings_usable_ = false;
  // Closed from a callback while an InitHW configures: the settings in effect are
  // the ones from before it.
  SaveSettings(settings_path_,
               settings_before_configure_ ? *settings_before_configure_ : state_.Settings);
}

void Session::TearDown() {
  // Commands still queued find no window: their callers hear so at once.
  commands_.Detach();
  if (form_ != nullptr) ::KillTimer(form_->Handle(), kDeferredCloseTimer);
  close_waits_for_timer_ = false;
  // The window goes first: the component it holds needs OLE until it is released.
  form_.reset();
  ole_.reset();
  fw::UnregisterWindowClass();
  start_failed_ = false;
  settings_before_configure_.reset();
  frequency_ = 0;
  module_hold_.Release();
  // Last: from here on another thread may claim the session.
  Move({Life::kUnwinding}, Life::kClosed);
}

// --- the rest of the entry points ---

bool Session::OpenHW() {
  if (!Listening() || NoticeOwner() == Life::kOrphaned) return false;
  return Hand([this]() {
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
  const Life life = NoticeOwner();
  if (life != Life::kStarting && life != Life::kOpen) return 0;
  // A StopHW after this call wins over it, wherever the start is carried out.
  const uint32_t asked = gate_.load();
  return Answer(int32_t{0}, kBlockLength, [this, frequency, asked]() -> int32_t {
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
  const Life life = NoticeOwner();
  if (life != Life::kStarting && life != Life::kOpen) return;
  // At once, on any thread: no block reaches the host from now on, and no start
  // asked for before opens the gate again. The component is stopped when the owner
  // thread takes the command.
  uint32_t gate = gate_.load();
  while (!gate_.compare_exchange_weak(gate, (gate + kStopCount) | kStoppedBit)) {
  }
  WaitOutNotify();
  Hand([this]() {
    Busy busy(*this);
    if (TF* form = Window()) form->SDR().Stop();
    return true;
  });
}

void Session::SetHWLO(int32_t frequency) {
  if (!Listening() || NoticeOwner() == Life::kOrphaned) return;
  Hand([this, frequency]() {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return false;
    form->SDR().PutInt(calder::kNCOfrequency, frequency);
    frequency_ = frequency;
    return true;
  });
}

int32_t Session::GetHWLO() {
  const Life life = NoticeOwner();
  if (life != Life::kStarting && life != Life::kOpen) return 0;
  // Another thread that gets no answer in time has the frequency the component
  // last took or reported.
  const int32_t last = frequency_.load();
  return Answer(last, last, [this]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    int32_t frequency = form->SDR().GetInt(calder::kNCOfrequency);
    frequency_ = frequency;
    return frequency;
  });
}

void Session::ShowGUI() {
  if (!Listening() || NoticeOwner() == Life::kOrphaned) return;
  Hand([this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->ShowOnTop();
    return form != nullptr;
  });
}

void Session::HideGUI() {
  if (!Listening() || NoticeOwner() == Life::kOrphaned) return;
  Hand([this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->Hide();
    return form != nullptr;
  });
}

}  // namespace tessel
