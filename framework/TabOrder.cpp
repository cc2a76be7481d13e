#include "framework/TabOrder.h"

#include <algorithm>

#include "framework/WinControl.h"

namespace fw {
namespace {

void Collect(TWinControl& parent, std::vector<TWinControl*>& out) {
  std::vector<TWinControl*> children;
  for (int i = 0; i < parent.ControlCount(); ++i) {
    auto* w = dynamic_cast<TWinControl*>(parent.Controls(i));
    if (w && w->Visible() && w->Enabled()) children.push_back(w);
  }
  // A negative order (never set) sorts after every set one.
  auto key = [](const TWinControl* w) { return w->TabOrder() < 0 ? INT32_MAX : w->TabOrder(); };
  std::stable_sort(children.begin(), children.end(),
                   [&](const TWinControl* a, const TWinControl* b) { return key(a) < key(b); });
  for (TWinControl* w : children) {
    if (w->TabStop()) out.push_back(w);
    Collect(*w, out);
  }
}

}  // namespace

std::vector<TWinControl*> TabStops(TWinControl& root) {
  std::vector<TWinControl*> out;
  Collect(root, out);
  return out;
}

TWinControl* NextTabStop(TWinControl& root, TWinControl* current, bool forward) {
  std::vector<TWinControl*> stops = TabStops(root);
  if (stops.empty()) return nullptr;
  auto it = std::find(stops.begin(), stops.end(), current);
  if (it == stops.end()) return forward ? stops.front() : stops.back();
  size_t i = static_cast<size_t>(it - stops.begin());
  size_t n = stops.size();
  return stops[forward ? (i + 1) % n : (i + n - 1) % n];
}

}  // namespace fw
