// The component's events for a bench that is its only client: a sink with a fixed
// reference count (it lives on the bench's stack for as long as it is advised) that
// hands every event to one function.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "contract/CalderContract.h"

namespace bench {

class FunctionSink final : public IDispatch {
 public:
  using Handler = void (*)(DISPID id, const DISPPARAMS& params);
  explicit FunctionSink(Handler handler) : handler_(handler) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) ||
        IsEqualIID(iid, calder::kEventsIid)) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) override {
    if (params != nullptr) handler_(id, *params);
    return S_OK;
  }

 private:
  Handler handler_;
};

}  // namespace bench
