// The settings window's control state without drawn controls: the rules of the
// rate group, the input pair and the sliders, and the captions.
#pragma once

#include <string>

#include "receiver/ControlRules.h"
#include "receiver/SettingsControls.h"

namespace tessel {

class InterimControls final : public SettingsControls {
 public:
  // `handlers` is borrowed and must outlive the controls. The initial state is the
  // window's layout: 158,730 Hz down, PreON selected, sliders at 3 (HF) and 4 (IF),
  // the input selector hidden.
  explicit InterimControls(SettingsHandlers& handlers);

  void ClickRate(RateButton button) override;
  RateButton ChosenRate() const override;
  void SelectInput(InputButton button) override;
  InputButton SelectedInput() const override;
  void SetSliderPosition(GainSlider slider, int position) override;
  int SliderPosition(GainSlider slider) const override;
  void SetInputSelectorVisible(bool visible) override;
  bool InputSelectorVisible() const override;
  void SetCaption(CaptionLabel label, const std::string& caption) override;
  std::string Caption(CaptionLabel label) const override;
  void ClickHide() override;

 private:
  SliderRange& Slider(GainSlider slider);
  const SliderRange& Slider(GainSlider slider) const;

  SettingsHandlers& handlers_;
  RadioGroup rates_;
  RadioPair input_;
  SliderRange hf_gain_;
  SliderRange if_gain_;
  bool input_selector_visible_ = false;
  std::string model_caption_ = "LModel";
  std::string if_gain_caption_ = "24 dB";
  std::string hf_gain_caption_ = "0 dB";
};

}  // namespace tessel
