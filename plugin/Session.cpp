#include "plugin/Session.h"

#include <ole2.h>

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

}  // namespace

template <class Result, class Body>
Result Session::Answer(Result fallback, Body body) {
  if (OnOwnerThread()) {
    commands_.RunAll();
    return body();
  }
  auto result = std::make_shared<Result>(fallback);
  CommandQueue::CommandRef command = commands_.Post([result, body]() mutable { *result = body(); });
  if (command == nullptr) return fallback;
  if (commands_.Wait(command, kCrossThreadWaitMs) != CommandQueue::Outcome::kDone) return fallback;
  return *result;
}

template <class Body>
bool Session::Hand(Body body) {
  if (OnOwnerThread()) {
    commands_.RunAll();
    return body();
  }
  return commands_.Post([body]() mutable { body(); }) != nullptr;
}

Session::~Session() {
  // The library is unloaded only once its window is gone (it holds its own image
  // until then), or when the process ends: what is left then is the system's.
  (void)form_.release();
  (void)ole_.release();
  module_hold_.Forget();
}

void Session::Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) {
  HostCallbackFn callback = callback_;
  // A host that has closed the plug-in hears nothing more, and one that has stopped
  // it gets no more blocks, whatever is still queued on the window's thread.
  if (callback == nullptr || !Listening()) return;
  if (count >= 0 && stopped_) return;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

void Session::Leave() {
  if (--busy_depth_ == 0 && close_pending_) {
    try {
      TearDown();
    } catch (...) {
    }
  }
}

void Session::LeaveEvent() {
  if (busy_depth_ == 1 && close_pending_ && form_ != nullptr) {
    // The component that fired the event is still on the stack: the close is carried
    // out by the handling of a message posted now, inside its busy bracket.
    busy_depth_ = 0;
    PostMessageW(form_->Handle(), WM_NULL, 0, 0);
    return;
  }
  Leave();
}

void Session::TearDown() {
  close_pending_ = false;
  // Commands still queued find no window: their callers hear so at once.
  commands_.Detach();
  // The window goes first: the component it holds needs OLE until it is released.
  form_.reset();
  ole_.reset();
  fw::UnregisterWindowClass();
  started_ = false;
  start_failed_ = false;
  settings_before_configure_.reset();
  frequency_ = 0;
  module_hold_.Release();
  // Last: from here on another thread may take the session.
  owner_thread_ = 0;
}

InitOutcome Session::InitHW() {
  // A call that finds the window gone before its thread took it tries again, and
  // then makes the session on its own thread.
  for (int attempt = 0; attempt < 3; ++attempt) {
    DWORD owner = 0;
    const DWORD self = GetCurrentThreadId();
    if (owner_thread_.compare_exchange_strong(owner, self) || owner == self) {
      commands_.RunAll();
      return InitHere();
    }
    auto result = std::make_shared<std::optional<InitOutcome>>();
    CommandQueue::CommandRef command = commands_.Post([this, result] {
      // A close queued before this call has yet to finish: the call starts afresh
      // once the window's thread has let the session go.
      if (!close_pending_) *result = InitHere();
    });
    // The thread that owns the session has no window yet: it is still making it.
    if (command == nullptr) return Fail(kTextStarting);
    CommandQueue::Outcome outcome = commands_.Wait(command, kCrossThreadWaitMs);
    if (outcome == CommandQueue::Outcome::kDone && result->has_value()) return **result;
    if (outcome != CommandQueue::Outcome::kDone && outcome != CommandQueue::Outcome::kOrphaned)
      return Fail(kTextNotResponding);
    // The window's thread is giving the session up; it lets go of it last.
    for (DWORD since = GetTickCount(); owner_thread_ == owner && GetTickCount() - since < 1000;)
      Sleep(1);
  }
  return Fail(kTextNotResponding);
}

InitOutcome Session::InitHere() {
  // Re-entered from a message dispatched while the first call waits.
  if (waiting_) return Fail(kTextStarting);
  // Called from a callback after CloseHW, before the window has gone.
  if (close_pending_) return Fail(kTextClosed);
  Busy busy(*this);
  if (!started_) {
    started_ = true;
    StartUp();
    if (!open_) {
      // Closed from another thread while the window was being made.
      CloseHere();
      return Fail(kTextClosed);
    }
    if (form_ == nullptr) {
      // Nothing was made: the session is given up once this call unwinds, and the
      // next InitHW tries again.
      close_pending_ = true;
      return Fail(FailureText(creation_failure_));
    }
  }

  TF* form = Window();
  if (form == nullptr) return Fail(kTextClosed);
  form->Hide();
  form->SetLeft(GetSystemMetrics(SM_CXSCREEN) - form->Width());
  form->SetTop(GetSystemMetrics(SM_CYSCREEN) - form->Height());

  switch (state_.HardwareStatus) {
    case kStatusWaiting:
      return Fail(start_failed_ ? kTextStartFailed : kTextNotResponding);
    case calder::kStatusNotConnected:
      return Fail(kTextNotConnected);
    case calder::kStatusError:
      return Fail(kTextErrorState);
    default:
      break;
  }
  // A later InitHW replaces the settings in effect with the file's raw values until
  // the receiver and the window have taken them in. Meanwhile a close saves the ones
  // in effect, and a failure puts them back.
  if (settings_usable_) settings_before_configure_.emplace(state_.Settings);
  const common::ScopeExit restore([this] {
    if (settings_before_configure_) state_.Settings = *settings_before_configure_;
    settings_before_configure_.reset();
  });
  InitOutcome outcome;
  try {
    outcome = Configure(*form);
  } catch (const OleError&) {
    return Fail(kTextRejected);
  }
  settings_before_configure_.reset();
  // The host closed the plug-in from a callback made while configuring.
  if (!open_ || close_pending_) return Fail(kTextClosed);
  // Only now is what the settings hold worth keeping: CloseHW writes the file.
  settings_usable_ = true;
  return outcome;
}

// The start-up of a session: the window, the component and the wait for its first
// status. This thread is the window's.
void Session::StartUp() {
  if (!open_.exchange(true)) {
    // A session that starts afresh, first or after a CloseHW: the host registers its
    // callback after this InitHW, and the receiver is asked for its model again.
    callback_ = nullptr;
    state_.ModelText.clear();
    state_.ModelTextPending = true;
    stopped_ = false;
  }
  // From here on the library's code is on this thread's stack, and soon in its window
  // procedure: it stays loaded, whenever the host unloads it, until the session is
  // given up.
  module_hold_.Take();
  if (command_message_ == 0) command_message_ = RegisterWindowMessageW(L"Tessel_Calder.command");
  HRESULT com = OleInitialize(nullptr);
  ole_ = fw::ScopedOleInitialize(SUCCEEDED(com));
  if (com == RPC_E_CHANGED_MODE) {
    // The thread is in the multi-threaded apartment: the component's events could
    // not reach this thread's queue, so nothing is created.
    creation_failure_ = FormFailure::kWrongApartment;
    return;
  }
  FormFailure failure = FormFailure::kNone;
  form_ = TF::Create(*this, &failure);
  creation_failure_ = failure;
  if (form_ == nullptr) return;
  commands_.Attach(form_->Handle(), command_message_);
  form_->SetLeft(kOffScreenLeft);
  form_->ShowInactive();
  state_.HardwareStatus = kStatusWaiting;
  if (FAILED(form_->SDR().InitControl())) {
    start_failed_ = true;
    return;
  }
  WaitForFirstStatus();
}

// Pumps the thread's queue until the first status arrives, at most kInitWaitMs. Each
// pass handles everything queued before it looks at the status again, so statuses
// that arrive together are all taken in and the latest one is judged.
void Session::WaitForFirstStatus() {
  waiting_ = true;
  const common::ScopeExit done([this] { waiting_ = false; });
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
    if (state_.HardwareStatus != kStatusWaiting || close_pending_ || !open_) return;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kInitWaitMs) return;
    MsgWaitForMultipleObjectsEx(0, nullptr, kInitWaitMs - elapsed, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
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
  // Until a rate is in effect the host hears of the default one, never of the file's.
  const int32_t rate = state_.Settings.SampleRate;
  if (RateOf(ButtonForRate(rate)) != rate) state_.Settings.SampleRate = defaults.SampleRate;
  // A model without the input selector keeps the file's choice for the next save.
  state_.Settings.PreampOn = wanted.PreampOn;
  form.ApplySettings(wanted, defaults);
  return {true, state_.ModelText, kModelFound};
}

bool Session::OpenHW() {
  if (!open_) return false;
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
// once it is pending.
int32_t Session::StartHW(int32_t frequency) {
  if (!open_) return 0;
  return Answer(int32_t{0}, [this, frequency]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    form->SDR().PutInt(calder::kNCOfrequency, frequency);
    frequency_ = frequency;
    if (Window() == nullptr) return 0;
    stopped_ = false;
    form->SDR().Start(1, 0);
    return kBlockLength;
  });
}

void Session::StopHW() {
  if (!open_) return;
  // At once, on any thread: no block reaches the host from now on. The component
  // is stopped when the window's thread takes the command.
  stopped_ = true;
  Hand([this]() {
    Busy busy(*this);
    if (TF* form = Window()) form->SDR().Stop();
    return true;
  });
}

void Session::CloseHW() {
  // At once, on any thread: the host hears nothing from now on. The settings are
  // saved and the window goes when the window's thread takes the command.
  if (!open_.exchange(false)) return;
  Hand([this]() {
    CloseHere();
    return true;
  });
}

void Session::CloseHere() {
  open_ = false;
  if (close_pending_) return;
  if (settings_usable_) {
    // Closed from a callback while an InitHW configures: the settings in effect are
    // the ones from before it.
    SaveSettings(settings_path_,
                 settings_before_configure_ ? *settings_before_configure_ : state_.Settings);
    settings_usable_ = false;
  }
  if (busy_depth_ > 0) {
    // Session code is on the stack (the host closed from a callback, or the close
    // came from another thread through a message): hide now, destroy when it unwinds.
    if (form_ != nullptr) form_->Hide();
    close_pending_ = true;
    return;
  }
  TearDown();
}

void Session::SetHWLO(int32_t frequency) {
  if (!open_) return;
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
  if (!open_) return 0;
  // Another thread that gets no answer in time has the frequency the component
  // last took or reported.
  return Answer(frequency_.load(), [this]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    int32_t frequency = form->SDR().GetInt(calder::kNCOfrequency);
    frequency_ = frequency;
    return frequency;
  });
}

void Session::ShowGUI() {
  if (!open_) return;
  Hand([this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->ShowOnTop();
    return form != nullptr;
  });
}

void Session::HideGUI() {
  if (!open_) return;
  Hand([this]() {
    Busy busy(*this);
    TF* form = Window();
    if (form != nullptr) form->Hide();
    return form != nullptr;
  });
}

}  // namespace tessel
