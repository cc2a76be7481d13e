#include "framework/TabOrder.h"

#include <algorithm>
#include <type_traits>

#include "framework/WinControl.h"

namespace fw {
namespace {

template <class Stop>
void Collect(TWinControl& parent, std::vector<Stop*>& out) {
  std::vector<TWinControl*> children;
  std::vector<TControl*> windowless;
  for (int i = 0; i < parent.ControlCount(); ++i) {
    TControl* c = parent.Controls(i);
    if (!c->Visible() || !c->Enabled()) continue;
    if (auto* w = c->AsWinControl())
      children.push_back(w);
    else if (c->AccessibleFocusable())
      windowless.push_back(c);
  }
  // A negative order (never set) sorts after every set one.
  auto key = [](const TWinControl* w) { return w->TabOrder() < 0 ? INT32_MAX : w->TabOrder(); };
  std::stable_sort(children.begin(), children.end(),
                   [&](const TWinControl* a, const TWinControl* b) { return key(a) < key(b); });
  for (TWinControl* w : children) {
    if (w->TabStop()) out.push_back(w);
    Collect(*w, out);
  }
  if constexpr (std::is_same_v<Stop, TControl>) {
    std::stable_sort(windowless.begin(), windowless.end(),
                     [](const TControl* a, const TControl* b) {
                       return a->Top() != b->Top() ? a->Top() < b->Top() : a->Left() < b->Left();
                     });
    out.insert(out.end(), windowless.begin(), windowless.end());
  }
}

template <class Stop>
Stop* NextOf(const std::vector<Stop*>& stops, Stop* current, bool forward) {
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), current);
  if (it == stops.end()) return forward ? stops.front() : stops.back();
  size_t i = static_cast<size_t>(it - stops.begin());
  size_t n = stops.size();
  return stops[forward ? (i + 1) % n : (i + n - 1) % n];
}

}  // namespace

std::vector<TWinControl*> TabStops(TWinControl& root) {
  std::vector<TWinControl*> out;
  Collect(root, out);
  return out;
}

TWinControl* NextTabStop(TWinControl& root, TWinControl* current, bool forward) {
  return NextOf(TabStops(root), current, forward);
}

std::vector<TControl*> KeyboardStops(TWinControl& root) {
  std::vector<TControl*> out;
  Collect(root, out);
  return out;
}

TControl* NextKeyboardStop(TWinControl& root, TControl* current, bool forward) {
  return NextOf(KeyboardStops(root), current, forward);
}

}  // namespace fw
