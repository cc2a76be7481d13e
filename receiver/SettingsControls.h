// The controls of the settings window as the entry points and the handlers see them.
#pragma once

#include <cstddef>
#include <string>

namespace tessel {

// Indexes of the seven rate buttons, in the order of the rate table.
enum class RateButton : std::size_t {
  kRate8138,
  kRate16276,
  kRate37793,
  kRate55555,
  kRate111111,
  kRate158730,
  kRate196078,
};
inline constexpr std::size_t kRateButtonCount = 7;

// The two input buttons of PreampPanel.
enum class InputButton { kPreON = 0, kPreOFF = 1 };

enum class GainSlider { kSliderHFGain, kSliderIFGain };

// Labels whose caption the plug-in sets.
enum class CaptionLabel { kLModel, kLIFgain, kLHFgain };

// What the window's handlers are told by its controls.
class SettingsHandlers {
 public:
  virtual void RateClick(RateButton button) = 0;
  virtual void PreONClick() = 0;
  virtual void PreOFFClick() = 0;
  virtual void SliderHFGainChange() = 0;
  virtual void SliderIFGainChange() = 0;
  virtual void HideButtClick() = 0;

 protected:
  ~SettingsHandlers() = default;
};

// The state the controls hold and the operations the plug-in performs on them.
// Each operation raises the handlers a user's action on that control would.
class SettingsControls {
 public:
  virtual ~SettingsControls() = default;

  // Marks the button as the chosen rate and runs its click handler.
  virtual void ClickRate(RateButton button) = 0;
  virtual RateButton ChosenRate() const = 0;

  // Selects the input button; its click handler runs only if it was not selected.
  virtual void SelectInput(InputButton button) = 0;
  virtual InputButton SelectedInput() const = 0;

  // Sets a slider position (not taken outside the slider's range); its change
  // handler runs either way.
  virtual void SetSliderPosition(GainSlider slider, int position) = 0;
  virtual int SliderPosition(GainSlider slider) const = 0;

  // Shows or hides the label LPreamp together with the panel PreampPanel.
  virtual void SetInputSelectorVisible(bool visible) = 0;
  virtual bool InputSelectorVisible() const = 0;

  virtual void SetCaption(CaptionLabel label, const std::string& caption) = 0;
  virtual std::string Caption(CaptionLabel label) const = 0;

  // What a click on the Hide button does.
  virtual void ClickHide() = 0;
};

}  // namespace tessel
