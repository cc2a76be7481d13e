// A stand-in for an IDispatch that tests and benchmarks need in place of the real
// one: a fake component for the handlers, or an event sink that sees every event.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <utility>

#include "common/DispatchObject.h"
#include "contract/CalderContract.h"

namespace tessel::testing {

// Answers IUnknown, IDispatch and the component's event interface id, and hands each
// Invoke to `handler` (none: every call succeeds and returns nothing). It lives where
// its owner puts it, on a stack or in a member: the reference count never deletes it,
// and `references()` lets a test check that what it lent was given back.
class FakeDispatch
    : public common::DispatchObject<common::AlsoAnswers<IDispatch, calder::kEventsIid>> {
 public:
  using Handler =
      std::function<HRESULT(DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result)>;

  FakeDispatch() = default;
  explicit FakeDispatch(Handler handler) : handler_(std::move(handler)) {}
  ~FakeDispatch() override = default;

  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT*) override {
    return handler_ ? handler_(id, flags, params, result) : S_OK;
  }

  ULONG references() const { return References(); }

 private:
  void LastReferenceGone() override {}

  Handler handler_;
};

}  // namespace tessel::testing
