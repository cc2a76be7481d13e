// The base of our IDispatch objects that carry no type information: event sinks
// and fakes of the component, reached by dispatch id only.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/ComObject.h"

namespace common {

// A ComObject answering IDispatch first, then the `More` entries (interfaces or
// AlsoAnswers). It offers no type information and knows no names: the class gives
// Invoke.
template <class... More>
class DispatchObject : public ComObject<IDispatch, More...> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
    return E_NOTIMPL;
  }

 protected:
  DispatchObject() = default;
};

}  // namespace common
