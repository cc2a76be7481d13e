#include "plugin/Session.h"

#include <ole2.h>

#include "common/ScopeExit.h"
#include "contract/CalderContract.h"
#include "plugin/HostText.h"
#include "plugin/Settings.h"
#include "receiver/OleError.h"

namespace tessel {
namespace {

// Hands a window and its descendants to the system's default procedure, for a
// window whose own procedure is about to be unloaded.
BOOL CALLBACK MakeInert(HWND window, LPARAM) {
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  return TRUE;
}

InitOutcome Fail(std::string_view text) {
  return {false, std::string(text), kModelUnknown};
}

}  // namespace

template <class Result, class Body>
Result Session::OnWindowThread(Result fallback, Body body, fw::LateCall late) {
  if (OnOwnerThread()) return body();
  HWND window = window_;
  // Nothing to act on; and the window's members belong to its thread.
  if (window == nullptr) return fallback;
  auto result = std::make_shared<Result>(fallback);
  bool ran = fw::RunOnWindowThread(
      window, [result, body]() mutable { *result = body(); }, kCrossThreadWaitMs, late);
  return ran ? *result : fallback;
}

Session::~Session() {
  // At process exit everything is left to the system.
  if (process_terminating_ || form_ == nullptr) {
    (void)form_.release();
    (void)ole_.release();
    return;
  }
  // On the window's own thread (the library's code is not on the stack: the host
  // unloads between calls).
  if (OnOwnerThread()) {
    DestroyWindow();
    return;
  }
  // Another thread can destroy neither the window nor the component, which belong
  // to the window's thread. It asks that thread, through the close that waits for a
  // message to the window, and waits while the thread handles the message. OLE is
  // left as it is: undoing it there may unload libraries, which needs the loader
  // lock this thread holds.
  (void)ole_.release();
  HWND window = form_->Handle();
  close_pending_ = true;
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerTearDownMs,
                          &ignored) != 0 &&
      form_ == nullptr) {
    return;
  }
  // The window's thread did not answer in time (it may be waiting for this one, so
  // it runs neither this library's code nor the component's): the window is hidden
  // and handed to the system's default procedure, and the component is cut off from
  // the library and left alive, so that nothing reaches unloaded code.
  EnumChildWindows(window, MakeInert, 0);
  MakeInert(window, 0);
  ShowWindowAsync(window, SW_HIDE);
  form_->AbandonComponent();
  (void)form_.release();
}

void Session::Notify(int32_t count, int32_t status, float iq_offset, int16_t* samples) {
  HostCallbackFn callback = callback_;
  // A host that has closed the plug-in hears nothing more, also while the close
  // waits for the component's fire call to return.
  if (callback == nullptr || close_pending_) return;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

void Session::Leave() {
  if (--busy_depth_ == 0 && close_pending_) {
    close_pending_ = false;
    try {
      DestroyWindow();
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

void Session::DestroyWindow() {
  window_ = nullptr;
  // The window goes first: the component it holds needs OLE until it is released.
  form_.reset();
  ole_.reset();
}

InitOutcome Session::InitHW() {
  if (closed_) return Fail(kTextClosed);
  bool first = false;
  if (started_.compare_exchange_strong(first, true)) return InitHere(true);
  // A later InitHW, on a thread that is not the window's while the first one is
  // still making the window: there is nothing to act on yet.
  if (!startup_done_) return Fail(kTextStarting);
  // Without a window (it could not be made) there is nothing on its thread to act on:
  // the answer is the start-up's failure, on any thread.
  if (window_ == nullptr) return InitHere(false);
  return OnWindowThread(Fail(kTextNotResponding), [this] { return InitHere(false); });
}

InitOutcome Session::InitHere(bool first) {
  if (closed_) return Fail(kTextClosed);
  // Re-entered from a message dispatched while the first call waits.
  if (waiting_) return Fail(kTextStarting);
  Busy busy(*this);
  if (first) {
    StartUp();
    startup_done_ = true;
    // Closed from another thread while the window was being made.
    if (closed_ && form_ != nullptr) {
      form_->Hide();
      close_pending_ = true;
    }
  }

  TF* form = Window();
  if (form == nullptr) {
    if (close_pending_ || closed_) return Fail(kTextClosed);
    switch (creation_failure_) {
      case FormFailure::kNotInstalled:
        return Fail(kTextNotInstalled);
      case FormFailure::kWrongApartment:
        return Fail(kTextWrongApartment);
      case FormFailure::kWindow:
        return Fail(kTextWindowFailed);
      default:
        return Fail(kTextCannotCreate);
    }
  }

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
  if (close_pending_ || closed_) return Fail(kTextClosed);
  // Only now is what the settings hold worth keeping: CloseHW writes the file.
  settings_usable_ = true;
  return outcome;
}

// The first InitHW's start-up: the window, the component and the wait for its
// first status. This thread becomes the window's.
void Session::StartUp() {
  callback_ = nullptr;
  owner_thread_ = GetCurrentThreadId();
  HRESULT com = OleInitialize(nullptr);
  ole_ = fw::ScopedOleInitialize(SUCCEEDED(com));
  if (com == RPC_E_CHANGED_MODE) {
    // The thread is in the multi-threaded apartment: the component's events could
    // not reach this thread's queue, so nothing is created.
    creation_failure_ = FormFailure::kWrongApartment;
    return;
  }
  form_ = TF::Create(*this, &creation_failure_);
  if (form_ == nullptr) {
    DestroyWindow();
    return;
  }
  window_ = form_->Handle();
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
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The host's quit request: give it back to the host's own loop and stop.
        PostQuitMessage(static_cast<int>(message.wParam));
        waiting_ = false;
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      // A queue that never runs dry must not hold the host past the bound.
      if (GetTickCount() - start >= kInitWaitMs) break;
    }
    if (state_.HardwareStatus != kStatusWaiting || close_pending_) break;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kInitWaitMs) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, kInitWaitMs - elapsed, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
  waiting_ = false;
}

// After a usable first status: loads the settings and gives them to the component
// and the window.
InitOutcome Session::Configure(TF& form) {
  settings_path_ = SettingsFilePath();
  if (!LoadSettings(settings_path_, state_.Settings)) {
    ApplySettingDefaults(state_.Settings);
    state_.Settings.InputSource = kInputPreamp;
  }
  form.ApplySettings(state_.Settings);
  return {true, state_.ModelText, kModelFound};
}

bool Session::OpenHW() {
  return OnWindowThread(false, [this] {
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
  return OnWindowThread(int32_t{0}, [this, frequency]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    if (form == nullptr) return 0;
    form->SDR().PutInt(calder::kNCOfrequency, frequency);
    if (Window() == nullptr) return 0;
    form->SDR().Start(1, 0);
    return kBlockLength;
  });
}

void Session::StopHW() {
  OnWindowThread(false, [this] {
    Busy busy(*this);
    if (TF* form = Window()) form->SDR().Stop();
    return true;
  });
}

void Session::CloseHW() {
  if (closed_) return;
  if (!OnOwnerThread() && window_ == nullptr) {
    // No window to take down (none was made, or it is gone): nothing is left to do on
    // its thread, and no later call acts.
    closed_ = true;
    return;
  }
  // A close that the window's thread cannot take now is still carried out when it
  // can: the settings are saved then, and the window goes on its own thread.
  OnWindowThread(
      false,
      [this] {
        CloseHere();
        return true;
      },
      fw::LateCall::kRun);
}

void Session::CloseHere() {
  if (closed_) return;
  closed_ = true;
  if (settings_usable_) {
    // Closed from a callback while an InitHW configures: the settings in effect are
    // the ones from before it.
    SaveSettings(settings_path_,
                 settings_before_configure_ ? *settings_before_configure_ : state_.Settings);
  }
  if (form_ == nullptr) return;
  if (busy_depth_ > 0) {
    // Session code is on the stack (the host closed from a callback, or the close
    // came from another thread through a message): hide now, destroy when it unwinds.
    form_->Hide();
    close_pending_ = true;
    return;
  }
  DestroyWindow();
}

void Session::SetHWLO(int32_t frequency) {
  OnWindowThread(false, [this, frequency] {
    Busy busy(*this);
    if (TF* form = Window()) form->SDR().PutInt(calder::kNCOfrequency, frequency);
    return true;
  });
}

int32_t Session::GetHWLO() {
  return OnWindowThread(int32_t{0}, [this]() -> int32_t {
    Busy busy(*this);
    TF* form = Window();
    return form == nullptr ? 0 : form->SDR().GetInt(calder::kNCOfrequency);
  });
}

void Session::ShowGUI() {
  OnWindowThread(false, [this] {
    Busy busy(*this);
    if (TF* form = Window()) form->ShowOnTop();
    return true;
  });
}

void Session::HideGUI() {
  OnWindowThread(false, [this] {
    Busy busy(*this);
    if (TF* form = Window()) form->Hide();
    return true;
  });
}

}  // namespace tessel
