#include "receiver/CalderX.h"

#include "framework/WinControl.h"

namespace tessel {

TCalderX::TCalderX(fw::TComponent* owner) : fw::TControl(owner) {
  SetBounds(0, 0, 32, 32);
}

TCalderX::~TCalderX() {
  control_.reset();
}

bool TCalderX::Open(SessionLink& session, const ComponentFactory& factory, CreateFailure* failure) {
  *failure = CreateFailure::kNone;
  session_ = &session;
  HWND parent = Parent() ? Parent()->Handle() : nullptr;
  RECT area{Left(), Top(), Left() + Width(), Top() + Height()};
  ReceiverEvents* events = &events_;
  control_ = factory ? factory(parent, area, events, failure)
                     : ReceiverControl::Create(parent, area, events, failure);
  if (control_ == nullptr && *failure == CreateFailure::kNone)
    *failure = CreateFailure::kCannotCreate;
  return control_ != nullptr;
}

// The handlers run inside the session's busy bracket: a close the host asks for from
// its callback takes the window (and this control and the component) down only
// after the component's own call that fired the event has returned.
void TCalderX::Raise(const fw::TNotifyEvent& event, int32_t status) {
  SessionBusy busy(*session_, true);
  event_status_ = status;
  fw::Raise(event, this);
}

const fw::PropertyTable& TCalderX::ClassProperties() {
  static const fw::PropertyTable table(
      &fw::TControl::ClassProperties(),
      {
          fw::Published<TCalderX, int>("TabOrder", &TCalderX::TabOrder, &TCalderX::SetTabOrder, -1,
                                       -1),
          fw::PublishedEvent<TCalderX>("OnStatusChange", &TCalderX::OnStatusChange),
          fw::PublishedEvent<TCalderX>("OnDataRdy", &TCalderX::OnDataRdy),
      });
  return table;
}

}  // namespace tessel
