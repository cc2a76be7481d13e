// A timer that ticks through the thread's message queue.
#pragma once

#include "framework/Component.h"
#include "framework/HandleNames.h"
#include "framework/Window.h"

namespace fw {

// Runs while Enabled, Interval > 0 and OnTimer is assigned; each tick calls OnTimer
// from the message loop of the thread that made the timer.
class TTimer : public TComponent, private MessageTarget {
 public:
  explicit TTimer(TComponent* owner);
  ~TTimer() override;

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // Milliseconds.
  unsigned Interval() const { return interval_; }
  void SetInterval(unsigned ms);
  const TNotifyEvent& OnTimer() const { return on_timer_; }
  void SetOnTimer(TNotifyEvent handler);

  // True while the system timer is set (it goes with its window, which its thread's
  // end or someone else's DestroyWindow may take without telling the timer).
  bool Running() const { return running_ && ::IsWindow(window_.get()); }

 private:
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
  // The window is gone (destroyed by this timer): there is nothing left to destroy,
  // and its system timer went with it.
  void WindowDestroyed() override {
    (void)window_.release();
    running_ = false;
  }
  // The bookkeeping of the window tree of the control that owns the timer, else its own.
  DispatchStateRef Dispatching() override;
  void UpdateTimer();

  // The message-only window whose queue the ticks come through.
  ScopedTargetWindow window_;
  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent on_timer_;
  bool running_ = false;
  DispatchStateRef own_dispatch_;
};

}  // namespace fw
