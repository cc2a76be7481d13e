// The behaviour of the settings window's controls that the handlers depend on,
// kept apart from any drawing so that it can be exercised directly.
#pragma once

#include <cstddef>
#include <functional>

namespace tessel {

// A radio group of buttons of which exactly one is down. Click marks the button
// down and always raises OnClick, also for the button that is already down.
class RadioGroup {
 public:
  RadioGroup(std::size_t size, std::size_t initially_down) : size_(size), down_(initially_down) {}

  // Ignores an index outside the group.
  void Click(std::size_t index) {
    if (index >= size_) return;
    down_ = index;
    if (OnClick) OnClick(index);
  }
  std::size_t Down() const { return down_; }

  std::function<void(std::size_t)> OnClick;

 private:
  std::size_t size_;
  std::size_t down_;
};

// A pair of standard radio buttons: selecting the unselected one deselects the other
// and raises OnClick for it; selecting the selected one raises nothing.
class RadioPair {
 public:
  explicit RadioPair(int initially_selected) : selected_(initially_selected) {}

  void Select(int which) {
    if (which != 0 && which != 1) return;
    if (which == selected_) return;
    selected_ = which;
    if (OnClick) OnClick(which);
  }
  int Selected() const { return selected_; }

  std::function<void(int)> OnClick;

 private:
  int selected_;
};

// A slider's position within Min..Max. A position outside the range is not taken
// (no clamping), but OnChange is raised on every SetPosition.
class SliderRange {
 public:
  SliderRange(int min, int max, int position) : min_(min), max_(max), position_(position) {}

  void SetPosition(int value) {
    if (value >= min_ && value <= max_) position_ = value;
    if (OnChange) OnChange();
  }
  int Position() const { return position_; }
  int Min() const { return min_; }
  int Max() const { return max_; }

  std::function<void()> OnChange;

 private:
  int min_;
  int max_;
  int position_;
};

}  // namespace tessel
