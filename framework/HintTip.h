// Hints: the system's tooltip control shows the Hint of each control whose ShowHint
// is true, one tooltip per window tree, made when the first hint needs it.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "framework/HandleNames.h"
#include "framework/Properties.h"

namespace fw {

class TControl;

class HintTip {
 public:
  // A tooltip window owned by `owner`, the top-level window of the tree.
  explicit HintTip(HWND owner);
  HintTip(const HintTip&) = delete;
  HintTip& operator=(const HintTip&) = delete;

  // The tooltip window, or null when it could not be made.
  HWND Handle() const { return tip_.get(); }
  // Adds or replaces the tool of `control`: its window (or its place in its parent's
  // window, for a windowless control) shows `text`.
  void Set(const TControl& control, const std::wstring& text);
  // Removes the tool of `control`, if it has one.
  void Remove(const TControl& control);
  // Forgets the tooltip window without destroying it: the system has destroyed it
  // with its owner.
  void Abandon() {
    (void)tip_.release();
    tools_.clear();
  }

 private:
  struct Tool {
    HWND Window;
    UINT_PTR Id;
  };
  ScopedWindow tip_;
  std::map<const TControl*, Tool> tools_;
};

// Brings the tooltip of `control`'s tree up to date for `control` and for every
// control below it that follows its ShowHint. Nothing happens before the tree's
// window exists; making the windows calls this again.
void UpdateHints(TControl& control);
// Removes the tool of `control` from its tree's tooltip.
void ForgetHint(TControl& control);

// The published Hint, ParentShowHint and ShowHint of a control class, in that order.
// ShowHint is stored only while the control does not follow its parent.
std::vector<PropertyInfo> HintProperties();

}  // namespace fw
