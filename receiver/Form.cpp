#include "receiver/Form.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

#include "common/ScopeExit.h"
#include "contract/CalderContract.h"
#include "framework/DisplayDpi.h"
#include "framework/LayoutReader.h"
#include "framework/StageTimes.h"
#include "framework/Window.h"
#include "receiver/OleError.h"
#include "receiver/ReceiverFacts.h"
#include "receiver/SampleBuffer.h"
#include "widgets/DRLabel.h"
#include "widgets/FreeButton.h"

namespace tessel {
namespace {

// The names of the rate buttons in the layout, in the order of RateButton.
constexpr const char* kRateNames[kRateButtonCount] = {
    "Rate8138", "Rate16276", "Rate37793", "Rate55555", "Rate111111", "Rate158730", "Rate196078"};

// Every class the layout names; made once, never changed.
const fw::ComponentClasses& LayoutClasses() {
  static const fw::ComponentClasses classes = fw::ComponentClasses()
                                                  .Add<fw::TPanel>("TPanel")
                                                  .Add<fw::TLabel>("TLabel")
                                                  .Add<fw::TRadioButton>("TRadioButton")
                                                  .Add<widgets::TDRLabel>("TDRLabel")
                                                  .Add<widgets::TZupButt>("TZupButt")
                                                  .Add<widgets::TFreeButton>("TFreeButton")
                                                  .Add<widgets::TSlideBar>("TSlideBar")
                                                  .Add<TCalderX>("TCalderX");
  return classes;
}

}  // namespace

std::string RateButtonName(std::string_view caption, std::string_view bandwidth) {
  // The labels line their texts up with runs of blanks, which are not read.
  auto words = [](std::string_view text) {
    std::string out;
    for (char c : text) {
      if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
      out += c;
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
  };
  std::string name = words(caption);
  std::string band = words(bandwidth);
  return band.empty() ? name : name + ", " + band;
}

std::string GainCaption(int gain) {
  char text[32];
  std::snprintf(text, sizeof text, "%d dB", gain);
  return text;
}

std::string ModelTextOf(const std::wstring& device_name, const std::wstring& serial_number) {
  std::wstring joined = device_name + L"   -   " + serial_number;
  int size = WideCharToMultiByte(CP_ACP, 0, joined.data(), static_cast<int>(joined.size()), nullptr,
                                 0, nullptr, nullptr);
  if (size <= 0) return {};
  std::string text(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, joined.data(), static_cast<int>(joined.size()), text.data(), size,
                      nullptr, nullptr);
  return text;
}

TF::TF(SessionLink& session) : fw::TForm(nullptr), session_(session), dpi_source_(&fw::WindowDpi) {
  SetDispatchObserver(this);
  // The start-up shows the window off the screen and hides it again: its child
  // windows and its drawing wait until it is first shown where it can be seen.
  WaitForScreen();
}

std::unique_ptr<TF> TF::Create(SessionLink& session, FormFailure* failure,
                               const ComponentFactory& factory, std::optional<int> left) {
  *failure = FormFailure::kNone;
  fw::EnterStagePhase(fw::Stage::kWindowOther);
  const common::ScopeExit built([] { fw::EnterStagePhase(fw::Stage::kShow); });
  std::unique_ptr<TF> form(new TF(session));
  try {
    form->Build(left);
  } catch (const fw::Exception&) {
    *failure = FormFailure::kWindow;
    return nullptr;
  }
  // The component goes into the window as it finally is: the border and icons the
  // layout sets recreate the window.
  if (form->Handle() == nullptr) {
    *failure = FormFailure::kWindow;
    return nullptr;
  }
  CreateFailure component_failure = CreateFailure::kNone;
  fw::StageScope stage(fw::Stage::kComponent);
  if (!form->sdr_->Open(session, factory, &component_failure)) {
    *failure = component_failure == CreateFailure::kNotInstalled ? FormFailure::kNotInstalled
                                                                 : FormFailure::kCannotCreate;
    return nullptr;
  }
  return form;
}

TF::~TF() {
  SetDispatchObserver(nullptr);
  fw::FlushStageTimes();
  // The component goes first, while the window it lives in is still whole.
  delete std::exchange(sdr_, nullptr);
}

template <class T>
T* TF::Find(const char* name) {
  auto* c = dynamic_cast<T*>(FindComponent(name));
  if (c == nullptr) throw fw::Exception(std::string("settings window: no control ") + name);
  return c;
}

void TF::Build(std::optional<int> left) {
  {
    fw::StageScope stage(fw::Stage::kLayoutParse);
    layout_ = fw::ParseLayout(fw::LoadLayoutResource(L"TF"));
  }
  {
    // Laid out at the screen's DPI first; once the window exists, at its monitor's.
    fw::StageScope stage(fw::Stage::kControls);
    fw::ReadLayout(
        *this, layout_, LayoutClasses(), [this](const std::string& name) { return Handler(name); },
        fw::DpiScale(fw::WindowDpi(nullptr)));
  }
  // Made where it is first wanted: each later move of a window costs the display a
  // round trip.
  if (left) SetLeft(*left);
  if (HWND window = Handle()) {
    fw::StageScope stage(fw::Stage::kDpiLayout);
    Rescale(fw::DpiScale(fw::WindowDpi(window)));
  }
  for (std::size_t i = 0; i < kRateButtonCount; ++i)
    rates_[i] = Find<widgets::TZupButt>(kRateNames[i]);
  pre_on_ = Find<fw::TRadioButton>("PreON");
  pre_off_ = Find<fw::TRadioButton>("PreOFF");
  slider_hf_ = Find<widgets::TSlideBar>("SliderHFGain");
  slider_if_ = Find<widgets::TSlideBar>("SliderIFGain");
  lpreamp_ = Find<fw::TControl>("LPreamp");
  preamp_panel_ = Find<fw::TControl>("PreampPanel");
  lmodel_ = Find<fw::TControl>("LModel");
  lifgain_ = Find<fw::TControl>("LIFgain");
  lhfgain_ = Find<fw::TControl>("LHFgain");
  sdr_ = Find<TCalderX>("SDR");
  fw::StageScope stage(fw::Stage::kAccessible);
  NameControls();
}

// Names for a screen reader what the window says of a control beside it: each rate
// button with the bandwidth label on its row ("158,730 Hz, 150 kHz BW"), the sliders
// with the heads above them.
void TF::NameControls() {
  for (widgets::TZupButt* button : rates_) {
    std::string name = RateButtonName(button->Caption(), "");
    fw::TWinControl* panel = button->Parent();
    for (int i = 0; panel != nullptr && i < panel->ControlCount(); ++i) {
      auto* label = dynamic_cast<fw::TLabel*>(panel->Controls(i));
      if (label != nullptr && std::abs(label->Top() - button->Top()) <= kSameRowPixels)
        name = RateButtonName(button->Caption(), label->Caption());
    }
    button->SetAccessibleName(name);
  }
  slider_hf_->SetAccessibleName("HF gain");
  slider_if_->SetAccessibleName("IF gain");
  // The two groups take the heads above them.
  rates_[0]->Parent()->SetAccessibleName(Find<fw::TControl>("LSampRate")->Caption());
  preamp_panel_->SetAccessibleName(lpreamp_->Caption());
}

fw::TNotifyEvent TF::Handler(const std::string& name) {
  using Method = void (TF::*)(fw::TObject*);
  static const std::pair<const char*, Method> kHandlers[] = {
      {"HideButtClick", &TF::HideButtClick},
      {"Rate8138Click", &TF::Rate8138Click},
      {"Rate16276Click", &TF::Rate16276Click},
      {"Rate37793Click", &TF::Rate37793Click},
      {"Rate55555Click", &TF::Rate55555Click},
      {"Rate111111Click", &TF::Rate111111Click},
      {"Rate158730Click", &TF::Rate158730Click},
      {"Rate196078Click", &TF::Rate196078Click},
      {"PreONClick", &TF::PreONClick},
      {"PreOFFClick", &TF::PreOFFClick},
      {"SliderIFGainChange", &TF::SliderIFGainChange},
      {"SliderHFGainChange", &TF::SliderHFGainChange},
  };
  for (const auto& [handler_name, method] : kHandlers) {
    if (name == handler_name)
      return [this, m = method](fw::TObject* sender) { (this->*m)(sender); };
  }
  if (name == "SDRStatusChange") {
    return [this](fw::TObject* sender) {
      SDRStatusChange(static_cast<TCalderX*>(sender)->EventStatus());
    };
  }
  if (name == "SDRDataRdy") {
    return
        [this](fw::TObject* sender) { SDRDataRdy(static_cast<TCalderX*>(sender)->EventStatus()); };
  }
  return {};
}

fw::TControl& TF::Control(const std::string& name) {
  return *Find<fw::TControl>(name.c_str());
}

void TF::Rescale(fw::DpiScale scale) {
  if (scale == Scale()) return;
  fw::RescaleLayout(*this, layout_, scale);
}

LRESULT TF::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != 0 && msg == session_.CommandMessage()) {
    session_.RunCommands(static_cast<uintptr_t>(wp), lp);
    return 0;
  }
  if (msg == WM_TIMER && wp == kDeferredCloseTimer) {
    session_.DeferredCloseTimer();
    return 0;
  }
  if (msg == kDpiChangedMessage) {
    // Only a hint to look again: anyone may post this number, with a scale and a
    // rectangle pointer of their choosing, so neither parameter is taken.
    DpiChanged();
    return 0;
  }
  return fw::TForm::WndProc(msg, wp, lp);
}

void TF::DpiChanged() {
  HWND window = Handle();
  const int dpi = dpi_source_ ? dpi_source_(window) : 0;
  // A DPI no monitor has is not taken.
  if (dpi < kLowestDpi || dpi > kHighestDpi || fw::DpiScale(dpi) == Scale()) return;
  RECT before{};
  ::GetWindowRect(window, &before);
  Rescale(fw::DpiScale(dpi));
  RECT after{};
  ::GetWindowRect(window, &after);
  // Grown or shrunk about its centre, the window stays mostly on the monitor whose
  // scale it now has (it moved there by its larger part).
  const int left = after.left + ((before.left + before.right) - (after.left + after.right)) / 2;
  const int top = after.top + ((before.top + before.bottom) - (after.top + after.bottom)) / 2;
  ::SetWindowPos(window, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TF::ShowInactive() {
  ::ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void TF::ShowOnTop() {
  Show();
  ::SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

void TF::MakeTopmost() {
  ::SetWindowPos(Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

template <class T, class Step>
void TF::WithFallback(DISPID dispid, T& value, T fallback, Step step) {
  try {
    if (step(value)) return;
  } catch (const OleError&) {
  }
  value = fallback;
  if (!step(value)) throw OleError(dispid);
}

void TF::ApplySettings(const ReceiverSettings& settings, const ReceiverSettings& defaults) {
  fw::StageScope stage(fw::Stage::kSettings);
  const common::ScopeExit applied([] { fw::EnterStagePhase(fw::Stage::kAfterSettings); });
  // The handlers below write the state, which may be where `settings` lives.
  ReceiverSettings wanted = settings;
  ReceiverControl& sdr = SDR();
  auto put = [&sdr](DISPID dispid) {
    return [&sdr, dispid](int32_t value) {
      sdr.PutInt(dispid, value);
      return true;
    };
  };
  sdr.PutInt(calder::kClockFrequency, kReceiverClock);
  WithFallback(calder::kIFgain, wanted.IfGain, defaults.IfGain, put(calder::kIFgain));
  WithFallback(calder::kHFgain, wanted.HfGain, defaults.HfGain, put(calder::kHFgain));
  WithFallback(calder::kInputSource, wanted.InputSource, defaults.InputSource, [&](int16_t input) {
    sdr.PutInt(calder::kInputSource, input);
    session_.State().Settings.InputSource = input;
    return true;
  });
  if (IsCalderModel(session_.State().ModelText)) {
    ShowInputSelector();
    WithFallback(calder::kInputSource, wanted.PreampOn, defaults.PreampOn, [&](bool preamp) {
      if (!SelectInput(preamp)) return false;
      int16_t& input = session_.State().Settings.InputSource;
      input = preamp ? kInputPreamp : kInputDirect;
      sdr.PutInt(calder::kInputSource, input);
      return true;
    });
  }
  int32_t rate = wanted.SampleRate;
  WithFallback(calder::kIFfilter, rate, defaults.SampleRate.Get(),
               [&](int32_t r) { return ClickRate(ButtonForRate(r)); });
  WithFallback(calder::kIFgain, wanted.IfGain, defaults.IfGain, [&](int32_t gain) {
    return SetGainPosition(GainSlider::kSliderIFGain,
                           PositionOfGain(GainSlider::kSliderIFGain, gain));
  });
  WithFallback(calder::kHFgain, wanted.HfGain, defaults.HfGain, [&](int32_t gain) {
    return SetGainPosition(GainSlider::kSliderHFGain,
                           PositionOfGain(GainSlider::kSliderHFGain, gain));
  });
}

void TF::SettleOnTaken() {
  ReceiverSettings& settings = session_.State().Settings;
  ReceiverControl& sdr = SDR();
  if (std::optional<int32_t> filter = sdr.Taken(calder::kIFfilter)) {
    for (std::size_t i = 0; i < kRateButtonCount; ++i) {
      if (FilterIndexOf(static_cast<RateButton>(i)) == *filter)
        settings.SampleRate = RateOf(static_cast<RateButton>(i));
    }
  }
  if (std::optional<int32_t> gain = sdr.Taken(calder::kIFgain)) settings.IfGain = *gain;
  if (std::optional<int32_t> gain = sdr.Taken(calder::kHFgain)) settings.HfGain = *gain;
  if (std::optional<int32_t> input = sdr.Taken(calder::kInputSource)) {
    settings.InputSource = static_cast<int16_t>(*input);
    if (preamp_panel_->Visible()) settings.PreampOn = *input == kInputPreamp;
  }
  // The controls are set with their handlers out of the way: nothing more is written.
  const std::size_t chosen = Index(ButtonForRate(settings.SampleRate));
  for (std::size_t i = 0; i < kRateButtonCount; ++i) rates_[i]->SetDown(i == chosen);
  for (GainSlider slider : {GainSlider::kSliderIFGain, GainSlider::kSliderHFGain}) {
    const bool hf = slider == GainSlider::kSliderHFGain;
    const int32_t gain = hf ? settings.HfGain : settings.IfGain;
    widgets::TSlideBar& bar = Slider(slider);
    fw::TNotifyEvent handler = std::exchange(bar.OnChange, {});
    bar.SetPosition(PositionOfGain(slider, gain));
    bar.OnChange = std::move(handler);
    bar.SetAccessibleValue(GainCaption(gain));
    (hf ? lhfgain_ : lifgain_)->SetCaption(GainCaption(gain));
  }
  if (preamp_panel_->Visible()) {
    fw::TRadioButton& button = settings.PreampOn ? *pre_on_ : *pre_off_;
    fw::TNotifyEvent handler = std::exchange(button.OnClick, {});
    button.SetChecked(true);
    button.OnClick = std::move(handler);
  }
}

void TF::ShowInputSelector() {
  lpreamp_->Show();
  preamp_panel_->Show();
}

bool TF::SelectInput(bool preamp) {
  refused_ = false;
  (preamp ? pre_on_ : pre_off_)->SetChecked(true);
  return !refused_;
}

bool TF::ClickRate(RateButton button) {
  refused_ = false;
  rates_[Index(button)]->Click();
  return !refused_;
}

bool TF::SetGainPosition(GainSlider slider, int position) {
  refused_ = false;
  Slider(slider).SetPosition(position);
  return !refused_;
}

void TF::HideButtClick(fw::TObject*) {
  Hide();
}

// The handlers act only once the component is there: while the layout is read,
// setting a slider or a radio button is not a user's change.
void TF::RateClick(RateButton button) {
  if (sdr_ == nullptr || !sdr_->IsOpen()) return;
  try {
    session_.State().Settings.SampleRate = RateOf(button);
    SDR().PutInt(calder::kIFfilter, FilterIndexOf(button));
    session_.Notify(-1, kStatusSettingsChanged, 0.0f, nullptr);
  } catch (const OleError&) {
    // The rejected write ends the handler: the rate is kept, the host is not told.
    refused_ = true;
  }
}

void TF::InputClick(bool preamp) {
  if (sdr_ == nullptr || !sdr_->IsOpen()) return;
  try {
    ReceiverSettings& settings = session_.State().Settings;
    settings.PreampOn = preamp;
    settings.InputSource = preamp ? kInputPreamp : kInputDirect;
    SDR().PutInt(calder::kInputSource, settings.InputSource);
    session_.Notify(-1, kStatusSettingsChanged, 0.0f, nullptr);
  } catch (const OleError&) {
    refused_ = true;
  }
}

void TF::PreONClick(fw::TObject*) {
  InputClick(true);
}

void TF::PreOFFClick(fw::TObject*) {
  InputClick(false);
}

void TF::GainChange(GainSlider slider) {
  if (sdr_ == nullptr || !sdr_->IsOpen()) return;
  bool hf = slider == GainSlider::kSliderHFGain;
  try {
    ReceiverSettings& settings = session_.State().Settings;
    int32_t& gain = hf ? settings.HfGain : settings.IfGain;
    gain = GainOfPosition(slider, Slider(slider).Position());
    SDR().PutInt(hf ? calder::kHFgain : calder::kIFgain, gain);
    (hf ? lhfgain_ : lifgain_)->SetCaption(GainCaption(gain));
    Slider(slider).SetAccessibleValue(GainCaption(gain));
  } catch (const OleError&) {
    // The gain is kept; the label is not updated.
    refused_ = true;
  }
}

void TF::SliderIFGainChange(fw::TObject*) {
  GainChange(GainSlider::kSliderIFGain);
}

void TF::SliderHFGainChange(fw::TObject*) {
  GainChange(GainSlider::kSliderHFGain);
}

void TF::SDRStatusChange(int32_t status) {
  fw::EnterStagePhase(fw::Stage::kAfterStatus);
  ReceiverState& state = session_.State();
  try {
    state.HardwareStatus = status;
    if (state.ModelTextPending &&
        (status == calder::kStatusPresent || status == calder::kStatusStreaming)) {
      state.ModelTextPending = false;
      std::wstring serial = SDR().GetString(calder::kSerialNumber);
      std::wstring device = SDR().GetString(calder::kDeviceName);
      state.ModelText = ModelTextOf(device, serial);
      lmodel_->SetCaption(state.ModelText);
    }
    session_.Notify(-1, state.HardwareStatus, 0.0f, nullptr);
  } catch (const OleError&) {
    // The model text stays empty and this status is not forwarded.
  }
}

void TF::SDRDataRdy(int32_t) {
  // From a message loop inside the host's callback: the block stays with the
  // component, and the one the callback reads stays whole.
  if (session_.InCallback()) return;
  ReceiverState& state = session_.State();
  try {
    state.HardwareStatus = calder::kStatusStreaming;
    int32_t count = SDR().GetIntegerData(samples_.Array());
    // A count the buffer cannot back would make the host read past it, and a
    // negative one would read as a status report.
    count = std::clamp(count, int32_t{0}, kSampleBufferValues);
    if (!session_.HasCallback()) return;
    float offset = OffsetToFloat(SDR().GetDouble(calder::kIQOffset));
    session_.Notify(count, state.HardwareStatus, offset, samples_.Data());
  } catch (const OleError&) {
    // A failed IQOffset read drops this block.
  }
}

}  // namespace tessel
