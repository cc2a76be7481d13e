// A timer that ticks through the thread's message queue.
#pragma once

#include "framework/Component.h"
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

  // True while the system timer is set.
  bool Running() const { return running_; }

 private:
  LRESULT HandleMessage(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) override;
  void WindowDestroyed() override { window_ = nullptr; }
  void UpdateTimer();

  HWND window_ = nullptr;
  bool enabled_ = true;
  unsigned interval_ = 1000;
  TNotifyEvent on_timer_;
  bool running_ = false;
};

}  // namespace fw
