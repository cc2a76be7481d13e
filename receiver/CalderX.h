// TCalderX: the receiver component's place on the settings window. The layout gives
// it an area, a tab order and its two event handlers; Open creates the component
// there once the window is final.
#pragma once

#include <windows.h>

#include <functional>
#include <memory>

#include "framework/Control.h"
#include "framework/Properties.h"
#include "receiver/SessionLink.h"
#include "receiver/ReceiverControl.h"

namespace tessel {

// Makes the component for a window: (parent, area, events, failure).
using ComponentFactory = std::function<std::unique_ptr<ReceiverControl>(
    HWND, const RECT&, ReceiverEvents*, CreateFailure*)>;

class TCalderX final : public fw::TControl {
 public:
  explicit TCalderX(fw::TComponent* owner);
  // Disconnects and releases the component.
  ~TCalderX() override;

  // The component's site is nothing a screen reader reads.
  bool AccessibleShown() const override { return false; }

  int TabOrder() const { return tab_order_; }
  void SetTabOrder(int order) { tab_order_ = order; }

  // Creates the component in this control's area of the parent's window, by
  // `factory` or else by its class id. Events are raised inside `session`'s busy
  // bracket (`session` is borrowed and outlives this control). False with `failure`
  // set when it cannot be made.
  bool Open(SessionLink& session, const ComponentFactory& factory, CreateFailure* failure);
  bool IsOpen() const { return control_ != nullptr; }
  // The component; only after a successful Open.
  ReceiverControl& Control() { return *control_; }

  // The status argument of the event being raised.
  int32_t EventStatus() const { return event_status_; }
  fw::TNotifyEvent OnStatusChange;
  fw::TNotifyEvent OnDataRdy;

  const fw::PropertyTable& Properties() const override { return ClassProperties(); }
  static const fw::PropertyTable& ClassProperties();

 private:
  // Turns the component's events into this control's, in the session's busy bracket.
  class Events final : public ReceiverEvents {
   public:
    explicit Events(TCalderX& owner) : owner_(owner) {}
    void OnStatusChange(int32_t status) override { owner_.Raise(owner_.OnStatusChange, status); }
    void OnDataRdy(int32_t status) override { owner_.Raise(owner_.OnDataRdy, status); }

   private:
    TCalderX& owner_;
  };
  void Raise(const fw::TNotifyEvent& event, int32_t status);

  Events events_{*this};
  std::unique_ptr<ReceiverControl> control_;
  SessionLink* session_ = nullptr;
  int tab_order_ = -1;
  int32_t event_status_ = 0;
};

}  // namespace tessel
