#include "plugin/Plugin.h"

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <optional>

#include "framework/Handles.h"
#include "plugin/Settings.h"
#include "receiver/CalderContract.h"
#include "receiver/Form.h"
#include "receiver/OleError.h"
#include "receiver/RateTable.h"

namespace tessel {
namespace {

// Hands a window and its descendants to the system's default procedure, for a
// window whose own procedure is about to be unloaded.
BOOL CALLBACK MakeInert(HWND window, LPARAM) {
  SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcW));
  return TRUE;
}

// The settings window, with what the plug-in must undo when it goes.
class WindowHolder {
 public:
  // Unloaded without CloseHW: takes the window and the component down with the
  // library, whose code they would otherwise call into.
  ~WindowHolder();

  // The window goes first: the component it holds needs OLE until it is released.
  void Destroy() {
    form.reset();
    ole.reset();
  }

  std::unique_ptr<TF> form;
  fw::ScopedOleInitialize ole;
  DWORD owner_thread = 0;
  bool process_terminating = false;
};

PluginState state;
PluginHostLink host_link(state);
WindowHolder SettingsWindow;
FormFailure creation_failure = FormFailure::kNone;
bool start_failed = false;
bool waiting = false;
bool closed = false;
// An InitHW has succeeded, so the settings are the receiver's and may be saved.
bool settings_usable = false;

// The settings of the receiver and the window, as they stood before a later InitHW
// began to take in the file.
struct SettingsInEffect {
  explicit SettingsInEffect(const PluginState& s)
      : rate(s.CurrentSampleRate),
        hf_gain(s.HfGain),
        if_gain(s.IfGain),
        preamp_on(s.PreampOn),
        input_source(s.InputSource) {}
  void RestoreTo(PluginState& s) const {
    s.CurrentSampleRate = rate;
    s.HfGain = hf_gain;
    s.IfGain = if_gain;
    s.PreampOn = preamp_on;
    s.InputSource = input_source;
  }
  int32_t rate, hf_gain, if_gain;
  bool preamp_on;
  int16_t input_source;
};
// Set while a later InitHW configures.
std::optional<SettingsInEffect> settings_before_configure;

// Puts the settings in effect back when configuring ends early.
struct RestoreUnlessConfigured {
  ~RestoreUnlessConfigured() {
    if (settings_before_configure) settings_before_configure->RestoreTo(state);
    settings_before_configure.reset();
  }
};

void DestroyWindowNow() {
  SettingsWindow.Destroy();
}

// How long an unload on another thread waits for the window's thread to take the
// window down before it gives up on that.
constexpr UINT kOwnerTearDownMs = 2000;

WindowHolder::~WindowHolder() {
  // At process exit everything is left to the system.
  if (process_terminating || form == nullptr) {
    (void)form.release();
    (void)ole.release();
    return;
  }
  // On the window's own thread (the library's code is not on the stack: the host
  // unloads between calls).
  if (GetCurrentThreadId() == owner_thread) {
    Destroy();
    return;
  }
  // Another thread can destroy neither the window nor the component, which belong
  // to the window's thread. It asks that thread, through the close that waits for a
  // message to the window, and waits while the thread handles the message. OLE is
  // left as it is: undoing it there may unload libraries, which needs the loader
  // lock this thread holds.
  (void)ole.release();
  HWND window = form->Handle();
  state.ClosePending = true;
  DWORD_PTR ignored = 0;
  if (SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kOwnerTearDownMs,
                          &ignored) != 0 &&
      form == nullptr) {
    return;
  }
  // The window's thread did not answer in time (it may be waiting for this one, so
  // it runs neither this library's code nor the component's): the window is hidden
  // and handed to the system's default procedure, and the component is cut off from
  // the library and left alive, so that nothing reaches unloaded code.
  EnumChildWindows(window, MakeInert, 0);
  MakeInert(window, 0);
  ShowWindowAsync(window, SW_HIDE);
  form->AbandonComponent();
  (void)form.release();
}

// Any message to the window ends inside the busy bracket of its dispatch, which
// carries out the pending close.
void PostCloseMessage() {
  if (SettingsWindow.form != nullptr) PostMessageW(SettingsWindow.form->Handle(), WM_NULL, 0, 0);
}

// The window, or null before the first InitHW, after CloseHW and while a close waits
// for the plug-in code on the stack to unwind.
TF* Window() {
  if (closed || state.ClosePending) return nullptr;
  return SettingsWindow.form.get();
}

bool Fail(char* name, char* model, std::string_view text) {
  CopyHostText(name, text);
  CopyHostText(model, kModelUnknown);
  return false;
}

// Pumps the thread's queue until the first status arrives, at most kInitWaitMs. Each
// pass handles everything queued before it looks at the status again, so statuses
// that arrive together are all taken in and the latest one is judged.
void WaitForFirstStatus() {
  waiting = true;
  DWORD start = GetTickCount();
  for (;;) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      if (message.message == WM_QUIT) {
        // The host's quit request: give it back to the host's own loop and stop.
        PostQuitMessage(static_cast<int>(message.wParam));
        waiting = false;
        return;
      }
      TranslateMessage(&message);
      DispatchMessageW(&message);
      // A queue that never runs dry must not hold the host past the bound.
      if (GetTickCount() - start >= kInitWaitMs) break;
    }
    if (state.HardwareStatus != kStatusWaiting || state.ClosePending) break;
    DWORD elapsed = GetTickCount() - start;
    if (elapsed >= kInitWaitMs) break;
    MsgWaitForMultipleObjectsEx(0, nullptr, kInitWaitMs - elapsed, QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
  }
  waiting = false;
}

// The first InitHW's start-up: the window, the component and the wait for its
// first status.
void StartUp() {
  state.InitPending = false;
  state.HostCallback = nullptr;
  SettingsWindow.owner_thread = GetCurrentThreadId();
  HRESULT com = OleInitialize(nullptr);
  SettingsWindow.ole = fw::ScopedOleInitialize(SUCCEEDED(com));
  if (com == RPC_E_CHANGED_MODE) {
    // The thread is in the multi-threaded apartment: the component's events could
    // not reach this thread's queue, so nothing is created.
    creation_failure = FormFailure::kWrongApartment;
    return;
  }
  state.DeferredClose = &DestroyWindowNow;
  state.PostClose = &PostCloseMessage;
  SettingsWindow.form = TF::Create(host_link, &creation_failure);
  TF* form = SettingsWindow.form.get();
  if (form == nullptr) {
    SettingsWindow.Destroy();
    return;
  }
  form->SetLeft(kOffScreenLeft);
  form->ShowInactive();
  state.HardwareStatus = kStatusWaiting;
  if (FAILED(form->SDR().InitControl())) {
    start_failed = true;
    return;
  }
  WaitForFirstStatus();
}

// After a usable first status: load the settings and push them into the component
// and the window.
void Configure(TF& form, char* name, char* model) {
  if (!LoadSettings(state)) {
    ApplySettingDefaults(state);
    state.InputSource = kInputPreamp;
  }
  ReceiverControl& sdr = form.SDR();
  sdr.PutInt(calder::kClockFrequency, kReceiverClock);
  sdr.PutInt(calder::kIFgain, state.IfGain);
  sdr.PutInt(calder::kHFgain, state.HfGain);
  sdr.PutInt(calder::kInputSource, state.InputSource);

  CopyHostText(name, state.ModelText);
  CopyHostText(model, kModelFound);

  if (IsCalderModel(state.ModelText)) {
    form.ShowInputSelector();
    form.SelectInput(state.PreampOn);
    state.InputSource = state.PreampOn ? kInputPreamp : kInputDirect;
    sdr.PutInt(calder::kInputSource, state.InputSource);
  }

  form.ClickRate(ButtonForRate(state.CurrentSampleRate));
  form.SetGainPosition(GainSlider::kSliderIFGain,
                       PositionOfGain(GainSlider::kSliderIFGain, state.IfGain));
  form.SetGainPosition(GainSlider::kSliderHFGain,
                       PositionOfGain(GainSlider::kSliderHFGain, state.HfGain));
}

}  // namespace

bool IsCalderModel(std::string_view text) {
  constexpr std::string_view kPrefix = "calder";
  if (text.size() < kPrefix.size()) return false;
  for (std::size_t i = 0; i < kPrefix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != kPrefix[i]) return false;
  }
  return true;
}

const PluginState& State() {
  return state;
}

void NoteProcessTerminating() {
  SettingsWindow.process_terminating = true;
}

namespace entry {
namespace {

bool InitHWSteps(char* name, char* model, int32_t* type) {
  if (type != nullptr) *type = 1;
  if (closed) return Fail(name, model, kTextClosed);
  // Re-entered from a message dispatched while the first call waits.
  if (waiting) return Fail(name, model, kTextStarting);
  BusyScope busy(state);
  if (state.InitPending) StartUp();

  TF* form = Window();
  if (form == nullptr) {
    if (state.ClosePending) return Fail(name, model, kTextClosed);
    switch (creation_failure) {
      case FormFailure::kNotInstalled:
        return Fail(name, model, kTextNotInstalled);
      case FormFailure::kWrongApartment:
        return Fail(name, model, kTextWrongApartment);
      case FormFailure::kWindow:
        return Fail(name, model, kTextWindowFailed);
      default:
        return Fail(name, model, kTextCannotCreate);
    }
  }

  form->Hide();
  form->SetLeft(GetSystemMetrics(SM_CXSCREEN) - form->Width());
  form->SetTop(GetSystemMetrics(SM_CYSCREEN) - form->Height());

  switch (state.HardwareStatus) {
    case kStatusWaiting:
      return Fail(name, model, start_failed ? kTextStartFailed : kTextNotResponding);
    case calder::kStatusNotConnected:
      return Fail(name, model, kTextNotConnected);
    case calder::kStatusError:
      return Fail(name, model, kTextErrorState);
    default:
      break;
  }
  // A later InitHW replaces the settings in effect with the file's raw values until
  // the receiver and the window have taken them in. Meanwhile a close saves the ones
  // in effect, and a failure puts them back.
  if (settings_usable) settings_before_configure.emplace(state);
  RestoreUnlessConfigured restore;
  try {
    Configure(*form, name, model);
  } catch (const OleError&) {
    return Fail(name, model, kTextRejected);
  }
  settings_before_configure.reset();
  // The host closed the plug-in from a callback made while configuring.
  if (state.ClosePending) return Fail(name, model, kTextClosed);
  // Only now is what the settings hold worth keeping: CloseHW writes the file.
  settings_usable = true;
  return true;
}

}  // namespace

bool InitHW(char* name, char* model, int32_t* type) {
  // Whatever goes wrong, the host gets both texts.
  try {
    return InitHWSteps(name, model, type);
  } catch (...) {
    return Fail(name, model, kTextInternal);
  }
}

bool OpenHW() {
  BusyScope busy(state);
  TF* form = Window();
  if (form == nullptr) return false;
  form->ShowOnTop();
  form->MakeTopmost();
  return true;
}

// The entry points that reach the component hold a busy scope: a close the host
// asks for from a callback made meanwhile waits until they return, and they stop
// once it is pending.
int32_t StartHW(int32_t frequency) {
  BusyScope busy(state);
  TF* form = Window();
  if (form == nullptr) return 0;
  form->SDR().PutInt(calder::kNCOfrequency, frequency);
  if (Window() == nullptr) return 0;
  form->SDR().Start(1, 0);
  return kBlockLength;
}

int32_t GetStatus() {
  return state.HardwareStatus;
}

void StopHW() {
  BusyScope busy(state);
  if (TF* form = Window()) form->SDR().Stop();
}

void CloseHW() {
  if (closed) return;
  closed = true;
  if (settings_usable) {
    if (settings_before_configure) {
      // Closed from a callback while an InitHW configures.
      PluginState in_effect = state;
      settings_before_configure->RestoreTo(in_effect);
      SaveSettings(in_effect);
    } else {
      SaveSettings(state);
    }
  }
  if (SettingsWindow.form == nullptr) return;
  if (state.BusyDepth > 0) {
    // Plug-in code is on the stack (the host closed from a callback): hide now,
    // destroy when it unwinds.
    SettingsWindow.form->Hide();
    state.ClosePending = true;
    return;
  }
  SettingsWindow.Destroy();
}

void SetCallback(HostCallbackFn callback) {
  state.HostCallback = callback;
}

void SetHWLO(int32_t frequency) {
  BusyScope busy(state);
  if (TF* form = Window()) form->SDR().PutInt(calder::kNCOfrequency, frequency);
}

int32_t GetHWLO() {
  BusyScope busy(state);
  TF* form = Window();
  return form == nullptr ? 0 : form->SDR().GetInt(calder::kNCOfrequency);
}

int32_t GetHWSR() {
  return state.CurrentSampleRate;
}

void ShowGUI() {
  BusyScope busy(state);
  if (TF* form = Window()) form->ShowOnTop();
}

void HideGUI() {
  BusyScope busy(state);
  if (TF* form = Window()) form->Hide();
}

void TuneChanged(int32_t) {}

}  // namespace entry
}  // namespace tessel
