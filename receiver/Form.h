// TF, the plug-in's settings window: a top-level window that hosts the receiver
// component, keeps the state of its controls and runs their handlers.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "framework/Handles.h"
#include "receiver/PluginState.h"
#include "receiver/ReceiverControl.h"
#include "receiver/SettingsControls.h"

namespace tessel {

// Why the window could not be made.
enum class FormFailure { kNone, kWindow, kNotInstalled, kCannotCreate };

// Makes the component for a new window: (parent, area, events, failure).
using ComponentFactory = std::function<std::unique_ptr<ReceiverControl>(
    HWND, const RECT&, ReceiverEvents*, CreateFailure*)>;

// 19 blanks, then the title.
inline constexpr char kFormCaption[] = "                   Calder/Marlo Hardware Settings";
inline constexpr int kFormClientWidth = 363;
inline constexpr int kFormClientHeight = 324;
inline constexpr COLORREF kFormColor = RGB(60, 60, 60);

class TF final : public SettingsHandlers, public ReceiverEvents {
 public:
  // Creates the window, hidden, at its layout position, and the component inside
  // it. `state` is borrowed and outlives the window. Null with `failure` set when
  // the window or the component cannot be made.
  static std::unique_ptr<TF> Create(PluginState& state, FormFailure* failure,
                                    const ComponentFactory& factory = {});
  // Destroys the component, then the window.
  ~TF();
  TF(const TF&) = delete;
  TF& operator=(const TF&) = delete;

  HWND Handle() const { return window_; }
  ReceiverControl& SDR() { return *sdr_; }
  SettingsControls& Controls() { return *controls_; }

  // Outer size and position of the window.
  int Width() const;
  int Height() const;
  void SetLeft(int left);
  void SetTop(int top);
  // Makes the window visible without activating it (the off-screen start-up show).
  void ShowInactive();
  // Makes the window visible and brings it to the front.
  void Show();
  void Hide();
  // Makes the window topmost without moving or resizing it.
  void MakeTopmost();

  // Handlers of the controls.
  void RateClick(RateButton button) override;
  void Rate8138Click() { RateClick(RateButton::kRate8138); }
  void Rate16276Click() { RateClick(RateButton::kRate16276); }
  void Rate37793Click() { RateClick(RateButton::kRate37793); }
  void Rate55555Click() { RateClick(RateButton::kRate55555); }
  void Rate111111Click() { RateClick(RateButton::kRate111111); }
  void Rate158730Click() { RateClick(RateButton::kRate158730); }
  void Rate196078Click() { RateClick(RateButton::kRate196078); }
  void PreONClick() override;
  void PreOFFClick() override;
  void SliderIFGainChange() override;
  void SliderHFGainChange() override;
  void HideButtClick() override;

  // Handlers of the component's events.
  void SDRStatusChange(int32_t status);
  void SDRDataRdy(int32_t status);

 private:
  explicit TF(PluginState& state);
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void SelectInput(bool preamp);

  // ReceiverEvents: the entries from the component.
  void OnStatusChange(int32_t status) override;
  void OnDataRdy(int32_t status) override;

  PluginState& state_;
  HWND window_ = nullptr;
  fw::ScopedBrush background_;
  std::unique_ptr<SettingsControls> controls_;
  std::unique_ptr<ReceiverControl> sdr_;
};

// Formats a gain caption: "%d dB".
std::string GainCaption(int gain);

// The model text: DeviceName, "   -   ", SerialNumber, in the system code page.
std::string ModelTextOf(const std::wstring& device_name, const std::wstring& serial_number);

}  // namespace tessel
