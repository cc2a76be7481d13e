#include "receiver/Form.h"

#include <cstdio>

#include "receiver/CalderContract.h"
#include "receiver/InterimControls.h"
#include "receiver/OleError.h"
#include "receiver/RateTable.h"
#include "receiver/SampleBuffer.h"

namespace tessel {
namespace {

constexpr wchar_t kClassName[] = L"TF";
constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_CLIPCHILDREN;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE | WS_EX_TOPMOST;
// The layout's position; InitHW moves the window before it is ever seen.
constexpr int kLayoutLeft = 416;
constexpr int kLayoutTop = 370;
// Where the component sits in the window: 2, 242, 32 x 32.
constexpr RECT kComponentArea = {2, 242, 34, 274};

HINSTANCE ModuleInstance() {
  HMODULE module = nullptr;
  GetModuleHandleExW(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
  return module;
}

}  // namespace

std::string GainCaption(int gain) {
  char text[32];
  std::snprintf(text, sizeof text, "%d dB", gain);
  return text;
}

std::string ModelTextOf(const std::wstring& device_name, const std::wstring& serial_number) {
  std::wstring joined = device_name + L"   -   " + serial_number;
  if (joined.empty()) return {};
  int size = WideCharToMultiByte(CP_ACP, 0, joined.data(), static_cast<int>(joined.size()), nullptr,
                                 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, joined.data(), static_cast<int>(joined.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

TF::TF(PluginState& state) : state_(state) {}

std::unique_ptr<TF> TF::Create(PluginState& state, FormFailure* failure,
                               const ComponentFactory& factory) {
  *failure = FormFailure::kNone;
  HINSTANCE instance = ModuleInstance();
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = &TF::WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kClassName;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    *failure = FormFailure::kWindow;
    return nullptr;
  }

  std::unique_ptr<TF> form(new TF(state));
  form->background_.reset(CreateSolidBrush(kFormColor));
  form->controls_ = std::make_unique<InterimControls>(*form);
  RECT outer = {0, 0, kFormClientWidth, kFormClientHeight};
  AdjustWindowRectEx(&outer, kStyle, FALSE, kExStyle);
  HWND window = CreateWindowExA(kExStyle, "TF", kFormCaption, kStyle, kLayoutLeft, kLayoutTop,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr,
                                nullptr, instance, form.get());
  if (window == nullptr) {
    *failure = FormFailure::kWindow;
    return nullptr;
  }

  CreateFailure component_failure = CreateFailure::kNone;
  ReceiverEvents* events = form.get();
  form->sdr_ = factory
                   ? factory(window, kComponentArea, events, &component_failure)
                   : ReceiverControl::Create(window, kComponentArea, events, &component_failure);
  if (form->sdr_ == nullptr) {
    *failure = component_failure == CreateFailure::kNotInstalled ? FormFailure::kNotInstalled
                                                                 : FormFailure::kCannotCreate;
    return nullptr;
  }
  return form;
}

TF::~TF() {
  sdr_.reset();
  if (window_ != nullptr) DestroyWindow(window_);
  // Fails harmlessly while another window of the class exists.
  UnregisterClassW(kClassName, ModuleInstance());
}

LRESULT CALLBACK TF::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lparam);
    auto* form = static_cast<TF*>(create->lpCreateParams);
    form->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<TF*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (form == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(window, GWLP_USERDATA, 0);
    form->window_ = nullptr;
    return DefWindowProcW(window, message, wparam, lparam);
  }
  try {
    return form->HandleMessage(message, wparam, lparam);
  } catch (...) {
    return DefWindowProcW(window, message, wparam, lparam);
  }
}

LRESULT TF::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND: {
      RECT client;
      GetClientRect(window_, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, background_.get());
      return 1;
    }
    case WM_CLOSE:
      // The window has no close box; a close request (Alt+F4) only hides it, so the
      // window and the component live until CloseHW.
      Hide();
      return 0;
    default:
      return DefWindowProcW(window_, message, wparam, lparam);
  }
}

int TF::Width() const {
  RECT r;
  GetWindowRect(window_, &r);
  return r.right - r.left;
}

int TF::Height() const {
  RECT r;
  GetWindowRect(window_, &r);
  return r.bottom - r.top;
}

void TF::SetLeft(int left) {
  RECT r;
  GetWindowRect(window_, &r);
  SetWindowPos(window_, nullptr, left, r.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TF::SetTop(int top) {
  RECT r;
  GetWindowRect(window_, &r);
  SetWindowPos(window_, nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TF::ShowInactive() {
  ShowWindow(window_, SW_SHOWNOACTIVATE);
}

void TF::Show() {
  ShowWindow(window_, SW_SHOW);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TF::Hide() {
  ShowWindow(window_, SW_HIDE);
}

void TF::MakeTopmost() {
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TF::RateClick(RateButton button) {
  try {
    state_.CurrentSampleRate = RateOf(button);
    sdr_->PutInt(calder::kIFfilter, FilterIndexOf(button));
    NotifyHost(state_, -1, kStatusSettingsChanged, 0.0f, nullptr);
  } catch (const OleError&) {
    // The rejected write ends the handler: the rate is kept, the host is not told.
  }
}

void TF::SelectInput(bool preamp) {
  try {
    state_.PreampOn = preamp;
    state_.InputSource = preamp ? kInputPreamp : kInputDirect;
    sdr_->PutInt(calder::kInputSource, state_.InputSource);
    NotifyHost(state_, -1, kStatusSettingsChanged, 0.0f, nullptr);
  } catch (const OleError&) {
  }
}

void TF::PreONClick() {
  SelectInput(true);
}

void TF::PreOFFClick() {
  SelectInput(false);
}

void TF::SliderIFGainChange() {
  try {
    state_.IfGain = 6 * controls_->SliderPosition(GainSlider::kSliderIFGain);
    sdr_->PutInt(calder::kIFgain, state_.IfGain);
    controls_->SetCaption(CaptionLabel::kLIFgain, GainCaption(state_.IfGain));
  } catch (const OleError&) {
  }
}

void TF::SliderHFGainChange() {
  try {
    state_.HfGain = 2 * (5 * controls_->SliderPosition(GainSlider::kSliderHFGain) - 15);
    sdr_->PutInt(calder::kHFgain, state_.HfGain);
    controls_->SetCaption(CaptionLabel::kLHFgain, GainCaption(state_.HfGain));
  } catch (const OleError&) {
  }
}

void TF::HideButtClick() {
  Hide();
}

void TF::SDRStatusChange(int32_t status) {
  try {
    state_.HardwareStatus = status;
    if (state_.ModelTextPending && (status == 1 || status == 2)) {
      state_.ModelTextPending = false;
      std::wstring serial = sdr_->GetString(calder::kSerialNumber);
      std::wstring device = sdr_->GetString(calder::kDeviceName);
      state_.ModelText = ModelTextOf(device, serial);
      controls_->SetCaption(CaptionLabel::kLModel, state_.ModelText);
    }
    NotifyHost(state_, -1, state_.HardwareStatus, 0.0f, nullptr);
  } catch (const OleError&) {
    // The model text stays empty and this status is not forwarded.
  }
}

void TF::SDRDataRdy(int32_t) {
  try {
    state_.HardwareStatus = 2;
    int32_t count = sdr_->GetIntegerData(SampleBufferArray());
    // A count the buffer cannot back would make the host read past it, and a
    // negative one would read as a status report.
    if (count < 0) count = 0;
    if (count > kSampleBufferValues) count = kSampleBufferValues;
    if (state_.HostCallback == nullptr) return;
    float offset = static_cast<float>(sdr_->GetDouble(calder::kIQOffset));
    NotifyHost(state_, count, state_.HardwareStatus, offset, SampleBuffer);
  } catch (const OleError&) {
    // A failed IQOffset read drops this block.
  }
}

void TF::OnStatusChange(int32_t status) {
  BusyScope busy(state_);
  SDRStatusChange(status);
  // `busy` may destroy this window on its way out; nothing may follow it.
}

void TF::OnDataRdy(int32_t status) {
  BusyScope busy(state_);
  SDRDataRdy(status);
}

}  // namespace tessel
