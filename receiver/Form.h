// TF, the plug-in's settings window: a form built from its stored layout, hosting
// the receiver component SDR, with the handlers of its controls.
#pragma once

#include <windows.h>

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "framework/Forms.h"
#include "framework/LayoutText.h"
#include "framework/StdCtrls.h"
#include "receiver/CalderX.h"
#include "receiver/GainSteps.h"
#include "receiver/SessionLink.h"
#include "receiver/RateTable.h"
#include "receiver/SampleBuffer.h"
#include "widgets/SlideBar.h"
#include "widgets/ZupButt.h"

namespace tessel {

// Why the window could not be made.
enum class FormFailure { kNone, kWindow, kNotInstalled, kCannotCreate, kWrongApartment };

class TF final : public fw::TForm, private fw::DispatchObserver {
 public:
  // Builds the window from its layout (hidden, at the layout's position, or with
  // `left` as its left edge) and creates the component in it. `session` is borrowed
  // and outlives the window. Null with `failure` set when the window or the
  // component cannot be made.
  static std::unique_ptr<TF> Create(SessionLink& session, FormFailure* failure,
                                    const ComponentFactory& factory = {},
                                    std::optional<int> left = std::nullopt);
  // Releases the component, then the controls and the window.
  ~TF() override;

  ReceiverControl& SDR() { return sdr_->Control(); }

  // Makes the window visible without activating it (the off-screen start-up show).
  void ShowInactive();
  // Makes the window visible and brings it to the front.
  void ShowOnTop();
  // Makes the window topmost without moving or resizing it.
  void MakeTopmost();

  // Where the window's DPI is read when the system says it may have changed
  // (fw::WindowDpi unless a test gives another).
  void SetDpiSource(std::function<int(HWND)> source) { dpi_source_ = std::move(source); }

  // Gives the component and the controls `settings` (read before any handler runs):
  // the clock, the gains and the input to the component, then the input selector
  // (Calder only), the rate button and the sliders, whose handlers run as a user's
  // action would run them. A setting whose value the component refuses is given its
  // value in `defaults` instead, from then on; when the component refuses that too,
  // or refuses the clock, OleError ends it there.
  void ApplySettings(const ReceiverSettings& settings, const ReceiverSettings& defaults);

  // After ApplySettings ended part-way: each of the session's settings becomes the
  // value the component last took (a setting it never took keeps its value), and
  // the controls show them without running their handlers, so that the component,
  // the window and the settings agree.
  void SettleOnTaken();

  // What ApplySettings does to the controls; each runs the handlers a user's action
  // would, and says false when the handler's write to the component was refused.
  void ShowInputSelector();
  // Selects PreON or PreOFF; the handler runs only when the selection changes.
  bool SelectInput(bool preamp);
  // Marks the rate button as the chosen one and runs its handler.
  bool ClickRate(RateButton button);
  // Sets a slider position (not taken outside its range); its handler runs either way.
  bool SetGainPosition(GainSlider slider, int position);

  // The controls, for the entry points and tests.
  widgets::TZupButt& RateButtonControl(RateButton button) { return *rates_[Index(button)]; }
  fw::TRadioButton& PreON() { return *pre_on_; }
  fw::TRadioButton& PreOFF() { return *pre_off_; }
  widgets::TSlideBar& Slider(GainSlider slider) {
    return slider == GainSlider::kSliderHFGain ? *slider_hf_ : *slider_if_;
  }
  fw::TControl& Control(const std::string& name);
  // The sample buffer each block is delivered in.
  const int16_t* Samples() { return samples_.Data(); }

  // Handlers of the controls.
  void HideButtClick(fw::TObject* sender);
  void Rate8138Click(fw::TObject*) { RateClick(RateButton::kRate8138); }
  void Rate16276Click(fw::TObject*) { RateClick(RateButton::kRate16276); }
  void Rate37793Click(fw::TObject*) { RateClick(RateButton::kRate37793); }
  void Rate55555Click(fw::TObject*) { RateClick(RateButton::kRate55555); }
  void Rate111111Click(fw::TObject*) { RateClick(RateButton::kRate111111); }
  void Rate158730Click(fw::TObject*) { RateClick(RateButton::kRate158730); }
  void Rate196078Click(fw::TObject*) { RateClick(RateButton::kRate196078); }
  void PreONClick(fw::TObject* sender);
  void PreOFFClick(fw::TObject* sender);
  void SliderIFGainChange(fw::TObject* sender);
  void SliderHFGainChange(fw::TObject* sender);

  // Handlers of the component's events.
  void SDRStatusChange(int32_t status);
  void SDRDataRdy(int32_t status);

 private:
  explicit TF(SessionLink& session);
  // Every message of the window's controls runs inside the session's busy bracket, so a
  // close the host asks for from a handler waits until the handler has returned.
  void EnterMessage() override { session_.Enter(); }
  void LeaveMessage() override { session_.Leave(); }
  // Runs the commands other threads queued, named by the session's registered message,
  // inside the bracket.
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp) override;
  static constexpr std::size_t Index(RateButton b) { return static_cast<std::size_t>(b); }
  // Reads the stored layout at the window's display scale and finds the controls
  // the handlers use.
  void Build(std::optional<int> left);
  // Lays the window out again from the stored layout at `scale`.
  void Rescale(fw::DpiScale scale);
  // Lays the window out again at the DPI it reports now, its centre kept in place.
  void DpiChanged();
  // The message the system sends when the window's DPI changes (not in older headers).
  static constexpr UINT kDpiChangedMessage = 0x02E0;
  // The DPIs a monitor may report: 50 % to 1000 % of the design DPI.
  static constexpr int kLowestDpi = 48;
  static constexpr int kHighestDpi = 960;
  void NameControls();
  // How far a label's top may lie from a rate button's to be on its row.
  static constexpr int kSameRowPixels = 6;
  template <class T>
  T* Find(const char* name);
  fw::TNotifyEvent Handler(const std::string& name);
  void RateClick(RateButton button);
  // Runs `step` with `value`; when the component refuses it (OleError, or the step says
  // false), `value` becomes `fallback` and the step runs once more, whose refusal
  // throws OleError for `dispid`.
  template <class T, class Step>
  static void WithFallback(DISPID dispid, T& value, T fallback, Step step);
  void InputClick(bool preamp);
  void GainChange(GainSlider slider);

  SessionLink& session_;
  // The stored layout, kept to lay the window out again at another scale.
  fw::LayoutObject layout_;
  std::function<int(HWND)> dpi_source_;
  std::array<widgets::TZupButt*, kRateButtonCount> rates_{};
  fw::TRadioButton* pre_on_ = nullptr;
  fw::TRadioButton* pre_off_ = nullptr;
  widgets::TSlideBar* slider_hf_ = nullptr;
  widgets::TSlideBar* slider_if_ = nullptr;
  fw::TControl* lpreamp_ = nullptr;
  fw::TControl* preamp_panel_ = nullptr;
  fw::TControl* lmodel_ = nullptr;
  fw::TControl* lifgain_ = nullptr;
  fw::TControl* lhfgain_ = nullptr;
  TCalderX* sdr_ = nullptr;
  // Set by a handler whose write the component refused.
  bool refused_ = false;
  // The block the component fills and the host's callback reads.
  SampleBlock samples_;
};

// A rate button's name for a screen reader: its caption and the bandwidth label of
// its row, each with runs of blanks made one ("158,730 Hz, 150 kHz BW").
std::string RateButtonName(std::string_view caption, std::string_view bandwidth);

// Formats a gain caption: "%d dB".
std::string GainCaption(int gain);

// The model text: DeviceName, "   -   ", SerialNumber, in the system code page.
std::string ModelTextOf(const std::wstring& device_name, const std::wstring& serial_number);

}  // namespace tessel
