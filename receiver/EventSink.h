// The dispatch interface through which the component fires its events.
#pragma once

#include <windows.h>

#include "common/DispatchObject.h"
#include "contract/CalderContract.h"
#include "receiver/ReceiverControl.h"

namespace tessel {

// Accepts IUnknown, IDispatch and the component's event interface and forwards
// status and data-ready events. Nothing thrown behind it leaves Invoke.
class EventSink final
    : public common::DispatchObject<common::AlsoAnswers<IDispatch, calder::kEventsIid>> {
 public:
  // `events` is borrowed and may be cleared with Disconnect before it goes away.
  explicit EventSink(ReceiverEvents* events) : events_(events) {}
  void Disconnect() { events_ = nullptr; }

  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* arg_error) override;

 private:
  ~EventSink() override = default;

  ReceiverEvents* events_;
};

}  // namespace tessel
