// The dispatch interface through which the component fires its events.
#pragma once

#include <windows.h>

#include "receiver/ReceiverControl.h"

namespace tessel {

// Accepts IUnknown, IDispatch and the component's event interface and forwards
// status and data-ready events. Nothing thrown behind it leaves Invoke.
class EventSink final : public IDispatch {
 public:
  // `events` is borrowed and may be cleared with Disconnect before it goes away.
  explicit EventSink(ReceiverEvents* events) : events_(events) {}
  void Disconnect() { events_ = nullptr; }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override;
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* arg_error) override;

 private:
  ~EventSink() = default;

  ULONG references_ = 1;
  ReceiverEvents* events_;
};

}  // namespace tessel
