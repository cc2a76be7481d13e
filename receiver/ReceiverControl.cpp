#include "receiver/ReceiverControl.h"

#include "contract/CalderContract.h"
#include "framework/HandleNames.h"
#include "framework/StageTimes.h"
#include "receiver/ControlSite.h"
#include "receiver/EventSink.h"
#include "receiver/OleError.h"

namespace tessel {
namespace {

// The component's persisted extent: 847 x 847 hundredths of a millimetre.
constexpr SIZEL kControlExtent = {847, 847};

}  // namespace

ReceiverControl::ReceiverControl(ComPtr<IDispatch> dispatch) : dispatch_(std::move(dispatch)) {}

std::unique_ptr<ReceiverControl> ReceiverControl::Create(HWND parent, const RECT& area,
                                                         ReceiverEvents* events,
                                                         CreateFailure* failure) {
  *failure = CreateFailure::kNone;
  ComPtr<IDispatch> dispatch;
  HRESULT hr =
      CoCreateInstance(calder::kClassId, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                       IID_IDispatch, reinterpret_cast<void**>(dispatch.GetAddressOf()));
  if (hr == REGDB_E_CLASSNOTREG || hr == CO_E_DLLNOTFOUND || hr == CO_E_APPNOTFOUND) {
    *failure = CreateFailure::kNotInstalled;
    return nullptr;
  }
  if (FAILED(hr) || dispatch == nullptr) {
    *failure = CreateFailure::kCannotCreate;
    return nullptr;
  }
  std::unique_ptr<ReceiverControl> control(new ReceiverControl(std::move(dispatch)));
  control->Activate(parent, area);
  if (!control->Connect(events)) {
    *failure = CreateFailure::kCannotCreate;
    return nullptr;
  }
  return control;
}

std::unique_ptr<ReceiverControl> ReceiverControl::Attach(ComPtr<IDispatch> dispatch,
                                                         ReceiverEvents* events, HWND parent,
                                                         const RECT& area) {
  std::unique_ptr<ReceiverControl> control(new ReceiverControl(std::move(dispatch)));
  if (parent != nullptr) control->Activate(parent, area);
  if (events != nullptr) control->Connect(events);
  return control;
}

// Connects the event sink through the component's connection point.
bool ReceiverControl::Connect(ReceiverEvents* events) {
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(dispatch_.As(&container))) return false;
  ComPtr<IConnectionPoint> point;
  if (FAILED(container->FindConnectionPoint(calder::kEventsIid, &point))) return false;
  ComPtr<EventSink> sink = common::Adopt(new EventSink(events));
  DWORD cookie = 0;
  if (FAILED(point->Advise(sink.Get(), &cookie))) {
    sink->Disconnect();
    return false;
  }
  connection_ = std::move(point);
  cookie_ = cookie;
  sink_ = std::move(sink);
  return true;
}

// Sites and in-place activates the component when it is an OLE control; a plain
// automation object is left as it is.
void ReceiverControl::Activate(HWND parent, const RECT& area) {
  ComPtr<IOleObject> ole;
  if (FAILED(dispatch_.As(&ole))) return;
  ComPtr<ControlSite> site = common::Adopt(new ControlSite(parent, area));
  DWORD misc = 0;
  ole->GetMiscStatus(DVASPECT_CONTENT, &misc);
  bool site_first = (misc & OLEMISC_SETCLIENTSITEFIRST) != 0;
  if (site_first) ole->SetClientSite(site.Get());
  ComPtr<IPersistStreamInit> persist;
  if (SUCCEEDED(dispatch_.As(&persist))) persist->InitNew();
  if (!site_first) ole->SetClientSite(site.Get());
  SIZEL extent = kControlExtent;
  ole->SetExtent(DVASPECT_CONTENT, &extent);
  RECT position = area;
  ole->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site.Get(), 0, parent, &position);
  ole_object_ = std::move(ole);
  site_ = std::move(site);
}

ReceiverControl::~ReceiverControl() {
  if (sink_ != nullptr) sink_->Disconnect();
  if (connection_ != nullptr) connection_->Unadvise(cookie_);
  connection_.Reset();
  if (ole_object_ != nullptr) {
    ole_object_->Close(OLECLOSE_NOSAVE);
    ole_object_->SetClientSite(nullptr);
    ole_object_.Reset();
  }
  dispatch_.Reset();
  sink_.Reset();
  site_.Reset();
}

HRESULT ReceiverControl::Invoke(DISPID dispid, WORD flags, VARIANT* args, UINT arg_count,
                                VARIANT* result) {
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params{};
  params.rgvarg = args;
  params.cArgs = arg_count;
  if (flags == DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  EXCEPINFO exception{};
  // The component's error texts are not shown anywhere; they go with this scope.
  fw::ExcepInfoStrings texts(&exception);
  UINT arg_error = 0;
  return dispatch_->Invoke(dispid, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result,
                           &exception, &arg_error);
}

void ReceiverControl::PutInt(DISPID dispid, int32_t value) {
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_I4;
  arg.lVal = value;
  HRESULT hr = Invoke(dispid, DISPATCH_PROPERTYPUT, &arg, 1, nullptr);
  if (FAILED(hr)) throw OleError(dispid);
  taken_[dispid] = value;
}

std::optional<int32_t> ReceiverControl::Taken(DISPID dispid) const {
  auto it = taken_.find(dispid);
  if (it == taken_.end()) return std::nullopt;
  return it->second;
}

void ReceiverControl::Get(DISPID dispid, VARTYPE type, VARIANT* result) {
  HRESULT hr = Invoke(dispid, DISPATCH_PROPERTYGET, nullptr, 0, result);
  if (FAILED(hr)) throw OleError(dispid);
  hr = fw::ToType(result, type);
  if (FAILED(hr)) throw OleError(dispid);
}

int32_t ReceiverControl::GetInt(DISPID dispid) {
  fw::ScopedVariant value;
  Get(dispid, VT_I4, value.Receive());
  return value.get().lVal;
}

double ReceiverControl::GetDouble(DISPID dispid) {
  fw::ScopedVariant value;
  Get(dispid, VT_R8, value.Receive());
  return value.get().dblVal;
}

std::wstring ReceiverControl::GetString(DISPID dispid) {
  fw::ScopedVariant value;
  Get(dispid, VT_BSTR, value.Receive());
  BSTR text = value.get().bstrVal;
  return text == nullptr ? std::wstring() : std::wstring(text, SysStringLen(text));
}

HRESULT ReceiverControl::InitControl() {
  // The start-up waits for the first status from here on.
  fw::EnterStagePhase(fw::Stage::kWaitStatus);
  fw::StageScope stage(fw::Stage::kInitControl);
  return Invoke(calder::kInitControl, DISPATCH_METHOD, nullptr, 0, nullptr);
}

HRESULT ReceiverControl::Start(int16_t a, int16_t b) {
  // Arguments travel last-first.
  VARIANT args[2];
  VariantInit(&args[0]);
  VariantInit(&args[1]);
  args[0].vt = VT_I2;
  args[0].iVal = b;
  args[1].vt = VT_I2;
  args[1].iVal = a;
  return Invoke(calder::kStart, DISPATCH_METHOD, args, 2, nullptr);
}

HRESULT ReceiverControl::Stop() {
  return Invoke(calder::kStop, DISPATCH_METHOD, nullptr, 0, nullptr);
}

int32_t ReceiverControl::GetIntegerData(FixedI2Array& array) {
  fw::ScopedVariant result;
  VARIANT* value = result.Receive();
  HRESULT hr = Invoke(calder::kGetIntegerData, DISPATCH_METHOD, array.Argument(), 1, value);
  ULONG valid = array.Reclaim();
  if (FAILED(hr) || FAILED(fw::ToType(value, VT_I4))) return 0;
  // Never a count over values that are not this block's.
  if (value->lVal > 0 && static_cast<ULONG>(value->lVal) > valid)
    return static_cast<int32_t>(valid);
  return value->lVal;
}

}  // namespace tessel
