#include "testing/SimHarness.h"

#include <olectl.h>

#include <cmath>
#include <complex>
#include <numbers>

#include "contract/CalderContract.h"

namespace calder::sim::testing {

namespace {

constexpr const wchar_t* kSimVariables[] = {
    L"CALDER_SIM_STATUS",     L"CALDER_SIM_DEVICE",        L"CALDER_SIM_SERIAL",
    L"CALDER_SIM_CARRIER_HZ", L"CALDER_SIM_IQOFFSET",      L"CALDER_SIM_FAIL",
    L"CALDER_SIM_COUNT",      L"CALDER_SIM_UNPACED",       L"CALDER_SIM_LOG",
    L"CALDER_SIM_FRAGILE",    L"CALDER_SIM_REPLACE_ARRAY", L"CALDER_SIM_FAIL_SWITCH",
    L"CALDER_SIM_STAMP"};

uint64_t g_dispatch_serial = 0;

HRESULT RegisterBuiltDll() {
  const HMODULE module = LoadLibraryW(SimDllPath().c_str());  // stays loaded for the process
  if (!module) return HRESULT_FROM_WIN32(GetLastError());
  using RegisterFunction = HRESULT(STDAPICALLTYPE*)();
  const auto reg = reinterpret_cast<RegisterFunction>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
  return reg ? reg() : HRESULT_FROM_WIN32(GetLastError());
}

// Dispatches one message, or waits up to `wait_ms` for one to arrive. One at a
// time: a component that posts its next message from each one never lets a
// "dispatch all pending" loop end.
void PumpOnce(DWORD wait_ms) {
  MSG msg;
  if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    MsgWaitForMultipleObjectsEx(0, nullptr, wait_ms, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) return;
  }
  ++g_dispatch_serial;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

HRESULT Invoke(IDispatch* sim, DISPID id, WORD flags, std::vector<VARIANT> args, VARIANT* result,
               EXCEPINFO* exception, UINT* arg_error) {
  std::vector<VARIANT> reversed(args.rbegin(), args.rend());
  DISPID put_id = DISPID_PROPERTYPUT;
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & DISPATCH_PROPERTYPUT) {
    params.rgdispidNamedArgs = &put_id;
    params.cNamedArgs = 1;
  }
  UINT ignored = 0;
  return sim->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, result, exception,
                     arg_error ? arg_error : &ignored);
}

}  // namespace

std::wstring SimDllPath() {
  // The build passes the DLL's Unix path; Wine maps / to drive Z:.
  std::wstring path = L"Z:";
  for (const char* c = CALDER_SIM_DLL; *c; ++c) path += *c == '/' ? L'\\' : wchar_t(*c);
  return path;
}

void ClearSimEnvironment() {
  for (const wchar_t* name : kSimVariables) SetEnvironmentVariableW(name, nullptr);
}

void SetSimVariable(const wchar_t* name, const wchar_t* value) {
  SetEnvironmentVariableW(name, value);
}

HRESULT CreateSim(ComPtr<IDispatch>* sim) {
  HRESULT hr = CoCreateInstance(kClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                reinterpret_cast<void**>(sim->ReleaseAndGetAddressOf()));
  if (hr == REGDB_E_CLASSNOTREG) {
    if (const HRESULT reg = RegisterBuiltDll(); FAILED(reg)) return reg;
    hr = CoCreateInstance(kClassId, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                          reinterpret_cast<void**>(sim->ReleaseAndGetAddressOf()));
  }
  return hr;
}

ComPtr<RecordingSink> RecordingSink::Make() {
  return common::Adopt(new RecordingSink());
}

size_t RecordingSink::Count(DISPID id) const {
  size_t n = 0;
  for (const Event& e : events) n += e.id == id;
  return n;
}

STDMETHODIMP RecordingSink::QueryInterface(REFIID iid, void** object) {
  if (iid == kEventsIid) asked_for_events_ = true;
  return DispatchObject::QueryInterface(iid, object);
}

STDMETHODIMP RecordingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                   EXCEPINFO*, UINT*) {
  int32_t status = INT32_MIN;
  if (params && params->cArgs == 1 && V_VT(&params->rgvarg[0]) == VT_I4) {
    status = V_I4(&params->rgvarg[0]);
  }
  events.push_back({id, status, GetCurrentThreadId(), g_dispatch_serial});
  // The handler may release this sink (through Unadvise); keep it for the call.
  ComPtr<RecordingSink> keep(this);
  if (on_event) on_event(events.back());
  return S_OK;
}

void FetchBlocksInHandler(RecordingSink* sink, IDispatch* sim, std::vector<int16_t>* buffer) {
  sink->on_event = [sink, sim, buffer](const Event& e) {
    if (e.id != kOnDataRdy) return;
    SAFEARRAY descriptor = {};
    descriptor.cDims = 1;
    descriptor.cbElements = sizeof(int16_t);
    descriptor.pvData = buffer->data();
    descriptor.rgsabound[0] = {static_cast<ULONG>(buffer->size()), 0};
    SAFEARRAY* pointer = &descriptor;
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_ARRAY | VT_I2 | VT_BYREF;
    V_ARRAYREF(&arg) = &pointer;
    VARIANT count;
    VariantInit(&count);
    const HRESULT hr = CallMethod(sim, kGetIntegerData, {arg}, &count);
    if (FAILED(hr) || V_VT(&count) != VT_I4 || V_I4(&count) != kBlockValues) ++sink->failed_fetches;
  };
}

Connection::Connection(IDispatch* sim, IUnknown* sink) {
  ComPtr<IConnectionPointContainer> container;
  hr_ = sim->QueryInterface(IID_PPV_ARGS(&container));
  if (SUCCEEDED(hr_)) hr_ = container->FindConnectionPoint(kEventsIid, &point_);
  if (SUCCEEDED(hr_)) hr_ = point_->Advise(sink, &cookie_);
}

void Connection::Disconnect() {
  if (point_ && cookie_) point_->Unadvise(cookie_);
  cookie_ = 0;
  point_.Reset();
}

uint64_t DispatchSerial() {
  return g_dispatch_serial;
}

void PumpFor(int ms) {
  const double end = NowSeconds() + ms / 1000.0;
  for (double now = NowSeconds(); now < end; now = NowSeconds()) {
    PumpOnce(static_cast<DWORD>((end - now) * 1000.0) + 1);
  }
}

bool PumpUntil(const std::function<bool()>& done, int timeout_ms) {
  const double end = NowSeconds() + timeout_ms / 1000.0;
  while (!done() && NowSeconds() < end) PumpOnce(5);
  return done();
}

HRESULT GetProperty(IDispatch* sim, DISPID id, VARIANT* value, EXCEPINFO* exception) {
  return Invoke(sim, id, DISPATCH_PROPERTYGET, {}, value, exception, nullptr);
}

HRESULT PutProperty(IDispatch* sim, DISPID id, VARIANT value, EXCEPINFO* exception) {
  return Invoke(sim, id, DISPATCH_PROPERTYPUT, {value}, nullptr, exception, nullptr);
}

HRESULT CallMethod(IDispatch* sim, DISPID id, std::vector<VARIANT> args, VARIANT* result,
                   EXCEPINFO* exception, UINT* arg_error) {
  return Invoke(sim, id, DISPATCH_METHOD, std::move(args), result, exception, arg_error);
}

VARIANT I4(int32_t value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I4;
  V_I4(&v) = value;
  return v;
}

VARIANT I2(int16_t value) {
  VARIANT v;
  VariantInit(&v);
  V_VT(&v) = VT_I2;
  V_I2(&v) = value;
  return v;
}

HRESULT PutInt(IDispatch* sim, DISPID id, int32_t value) {
  return PutProperty(sim, id, I4(value));
}

HRESULT Start(IDispatch* sim) {
  return CallMethod(sim, kStart, {I2(1), I2(0)});
}

void ClearException(EXCEPINFO* exception) {
  SysFreeString(exception->bstrSource);
  SysFreeString(exception->bstrDescription);
  SysFreeString(exception->bstrHelpFile);
  *exception = {};
}

std::vector<double> Spectrum(const int16_t* iq, size_t pairs) {
  // A table of the N roots of unity turns the O(N^2) sum into multiply-adds.
  std::vector<std::complex<double>> roots(pairs);
  for (size_t i = 0; i < pairs; ++i)
    roots[i] = std::polar(1.0, -2.0 * std::numbers::pi * i / pairs);
  std::vector<double> magnitude(pairs);
  for (size_t k = 0; k < pairs; ++k) {
    std::complex<double> sum;
    for (size_t t = 0; t < pairs; ++t) {
      sum += std::complex<double>(iq[2 * t], iq[2 * t + 1]) * roots[(k * t) % pairs];
    }
    magnitude[k] = std::abs(sum);
  }
  return magnitude;
}

size_t BinOf(double offset_hz, int rate_hz, size_t pairs) {
  const long bin = std::lround(offset_hz * static_cast<double>(pairs) / rate_hz);
  const long n = static_cast<long>(pairs);
  return static_cast<size_t>(((bin % n) + n) % n);
}

double NowSeconds() {
  static const double frequency = [] {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(f.QuadPart);
  }();
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart / frequency;
}

}  // namespace calder::sim::testing
