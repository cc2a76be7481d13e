#include "receiver/EventSink.h"

#include "contract/CalderContract.h"
#include "framework/HandleNames.h"

namespace tessel {

HRESULT EventSink::Invoke(DISPID dispid, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO*, UINT* arg_error) {
  if (result != nullptr) VariantInit(result);
  if (dispid != calder::kOnStatusChange && dispid != calder::kOnDataRdy) return S_OK;
  // The event's one argument is the status; arguments arrive last-first. The data
  // event's argument is not used, so a missing or odd one does not cost a block.
  bool has_argument = params != nullptr && params->cArgs >= 1 && params->rgvarg != nullptr;
  int32_t status = 0;
  bool converted = false;
  if (has_argument) {
    // An int32 argument, the usual case, is taken as it is: no conversion per block.
    VARIANT& given = params->rgvarg[params->cArgs - 1];
    if (given.vt == VT_I4) {
      status = given.lVal;
      converted = true;
    } else {
      fw::ScopedVariant argument;
      converted = SUCCEEDED(VariantChangeType(argument.Receive(), &given, 0, VT_I4));
      if (converted) status = argument.get().lVal;
    }
  }
  if (dispid == calder::kOnStatusChange && !converted) {
    if (!has_argument) return DISP_E_BADPARAMCOUNT;
    if (arg_error != nullptr) *arg_error = params->cArgs - 1;
    return DISP_E_TYPEMISMATCH;
  }
  // A handler may close the plug-in and release this sink: keep it alive until return.
  ComPtr<EventSink> keep_alive(this);
  ReceiverEvents* events = events_;
  if (events == nullptr) return S_OK;
  try {
    if (dispid == calder::kOnStatusChange) {
      events->OnStatusChange(status);
    } else {
      events->OnDataRdy(status);
    }
  } catch (...) {
    // The handler's failure stays on this side of the component.
  }
  return S_OK;
}

}  // namespace tessel
