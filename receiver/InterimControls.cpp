#include "receiver/InterimControls.h"

namespace tessel {

InterimControls::InterimControls(SettingsHandlers& handlers)
    : handlers_(handlers),
      rates_(kRateButtonCount, static_cast<std::size_t>(RateButton::kRate158730)),
      input_(static_cast<int>(InputButton::kPreON)),
      hf_gain_(0, 3, 3),
      if_gain_(0, 4, 4) {
  rates_.OnClick = [this](std::size_t index) {
    handlers_.RateClick(static_cast<RateButton>(index));
  };
  input_.OnClick = [this](int which) {
    if (which == static_cast<int>(InputButton::kPreON)) {
      handlers_.PreONClick();
    } else {
      handlers_.PreOFFClick();
    }
  };
  hf_gain_.OnChange = [this] { handlers_.SliderHFGainChange(); };
  if_gain_.OnChange = [this] { handlers_.SliderIFGainChange(); };
}

void InterimControls::ClickRate(RateButton button) {
  rates_.Click(static_cast<std::size_t>(button));
}

RateButton InterimControls::ChosenRate() const {
  return static_cast<RateButton>(rates_.Down());
}

void InterimControls::SelectInput(InputButton button) {
  input_.Select(static_cast<int>(button));
}

InputButton InterimControls::SelectedInput() const {
  return static_cast<InputButton>(input_.Selected());
}

SliderRange& InterimControls::Slider(GainSlider slider) {
  return slider == GainSlider::kSliderHFGain ? hf_gain_ : if_gain_;
}

const SliderRange& InterimControls::Slider(GainSlider slider) const {
  return slider == GainSlider::kSliderHFGain ? hf_gain_ : if_gain_;
}

void InterimControls::SetSliderPosition(GainSlider slider, int position) {
  Slider(slider).SetPosition(position);
}

int InterimControls::SliderPosition(GainSlider slider) const {
  return Slider(slider).Position();
}

void InterimControls::SetInputSelectorVisible(bool visible) {
  input_selector_visible_ = visible;
}

bool InterimControls::InputSelectorVisible() const {
  return input_selector_visible_;
}

void InterimControls::SetCaption(CaptionLabel label, const std::string& caption) {
  switch (label) {
    case CaptionLabel::kLModel:
      model_caption_ = caption;
      break;
    case CaptionLabel::kLIFgain:
      if_gain_caption_ = caption;
      break;
    case CaptionLabel::kLHFgain:
      hf_gain_caption_ = caption;
      break;
  }
}

std::string InterimControls::Caption(CaptionLabel label) const {
  switch (label) {
    case CaptionLabel::kLModel:
      return model_caption_;
    case CaptionLabel::kLIFgain:
      return if_gain_caption_;
    case CaptionLabel::kLHFgain:
      return hf_gain_caption_;
  }
  return {};
}

void InterimControls::ClickHide() {
  handlers_.HideButtClick();
}

}  // namespace tessel
