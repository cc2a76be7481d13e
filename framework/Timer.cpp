#include "framework/Timer.h"

#include "framework/Control.h"

namespace fw {
namespace {
constexpr UINT_PTR kTimerId = 1;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  // Destroying the window kills its timer. It goes here, while WindowDestroyed can
  // still reach this object.
  window_.reset();
}

void TTimer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  UpdateTimer();
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent handler) {
  on_timer_ = std::move(handler);
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  // A window destroyed without this timer's knowledge is only forgotten.
  if (window_ && !::IsWindow(window_.get())) (void)window_.release();
  if (running_ && window_) ::KillTimer(window_.get(), kTimerId);
  running_ = false;
  if (!enabled_ || interval_ == 0 || !on_timer_) return;
  if (!window_) {
    window_.reset(CreateTargetWindow(this, 0, 0, 0, 0, 0, 0, HWND_MESSAGE, L""));
    if (!window_) return;
  }
  running_ = ::SetTimer(window_.get(), kTimerId, interval_, nullptr) != 0;
}

DispatchStateRef TTimer::Dispatching() {
  for (TComponent* owner = Owner(); owner != nullptr; owner = owner->Owner()) {
    if (auto* control = dynamic_cast<TControl*>(owner)) {
      if (DispatchStateRef tree = control->TreeDispatching()) return tree;
    }
  }
  if (!own_dispatch_) own_dispatch_ = std::make_shared<DispatchState>();
  return own_dispatch_;
}

LRESULT TTimer::HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_TIMER && wp == kTimerId) {
    // A tick posted by anyone else while the timer is stopped is not one.
    if (running_) Raise(on_timer_, this);
    return 0;
  }
  return DefaultWindowProc(hwnd, msg, wp, lp);
}

}  // namespace fw
