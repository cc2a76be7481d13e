#include "sim/SimControl.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>

#include <olectl.h>

#include "common/Handles.h"
#include "contract/CalderContract.h"
#include "sim/Enumerators.h"
#include "sim/Module.h"
#include "sim/VariantArgs.h"

namespace calder::sim {

namespace {

constexpr UINT kInitMessage = WM_APP + 1;     // wparam: InitControl generation
constexpr UINT kUnpacedMessage = WM_APP + 2;  // wparam: Start generation
constexpr UINT_PTR kStatusTimer = 1;
constexpr UINT_PTR kDataTimer = 2;
constexpr UINT kTimerPeriodMs = 10;  // the shortest period SetTimer gives

constexpr int32_t kFirmwareRevisionValue = 112;
constexpr int32_t kInterfaceVersionValue = 3;
constexpr int16_t kBootRevisionValue = 5;

constexpr int kPairsPerBlock = kBlockValues / 2;

// Fails an Invoke the way an automation server reports a rejected call.
HRESULT Raise(EXCEPINFO* exception, HRESULT code, const std::wstring& description) {
  if (exception) {
    std::memset(exception, 0, sizeof(*exception));
    exception->scode = code;
    exception->bstrSource = SysAllocString(L"CalderSim");
    exception->bstrDescription = SysAllocString(description.c_str());
  }
  return DISP_E_EXCEPTION;
}

std::optional<int> RateOfFilter(int32_t index) {
  for (const FilterRate& entry : kFilterRates) {
    if (entry.index == index) return entry.rate;
  }
  return std::nullopt;
}

void SetInt32(VARIANT* result, int32_t value) {
  if (!result) return;
  V_VT(result) = VT_I4;
  V_I4(result) = value;
}

}  // namespace

HRESULT SimControl::Create(SimConfig config, REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  SimControl* control = new (std::nothrow) SimControl(std::move(config));
  if (!control) return E_OUTOFMEMORY;
  HRESULT hr = control->Initialize();
  if (SUCCEEDED(hr)) hr = control->QueryInterface(iid, object);
  control->Release();
  return hr;
}

SimControl::SimControl(SimConfig config)
    // The COM library keeps this server loaded while LockModule counts the object.
    : ComObject(common::ImageHolding::kNotHeld),
      config_(std::move(config)),
      events_(this),
      status_script_(config_.status_steps),
      block_(kBlockValues) {
  LockModule();
}

SimControl::~SimControl() {
  events_.DisconnectAll();
  UnlockModule();
}

HRESULT SimControl::Initialize() {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  ticks_per_second_ = std::max<int64_t>(frequency.QuadPart, 1);
  generator_.SetCarrierOffset(config_.carrier_offset_hz);
  generator_.SetRate(CurrentRate());
  generator_.SetGains(hf_gain_, if_gain_);
  generator_.Fill(block_.data(), kPairsPerBlock);
  const HRESULT hr = log_.Open(config_.log_path);
  if (FAILED(hr)) return hr;
  if (!config_.fail_switch.empty()) {
    // The test that names the switch has made it; a name nobody made is a mistake.
    fail_switch_.reset(OpenEventW(SYNCHRONIZE, FALSE, config_.fail_switch.c_str()));
    if (!fail_switch_) return E_INVALIDARG;
  }
  return window_.Create(ModuleInstance(), this);
}

STDMETHODIMP SimControl::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP SimControl::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return DISP_E_BADINDEX;
}

STDMETHODIMP SimControl::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
  if (!names || !ids || count == 0) return E_INVALIDARG;
  // Only the member's own name resolves; names of arguments are not known.
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  const Member* member = FindMemberByName(names[0]);
  if (!member) return DISP_E_UNKNOWNNAME;
  ids[0] = member->id;
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

STDMETHODIMP SimControl::Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* exception, UINT* arg_error) {
  try {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (!params || (params->cArgs > 0 && !params->rgvarg) ||
        (params->cNamedArgs > 0 && !params->rgdispidNamedArgs) ||
        params->cNamedArgs > params->cArgs) {
      return E_INVALIDARG;
    }
    if (result) VariantInit(result);
    UINT ignored_arg_error = 0;
    if (!arg_error) arg_error = &ignored_arg_error;

    // Keeps the object alive should a caller release it from inside a call.
    const Microsoft::WRL::ComPtr<IDispatch> keep_alive(static_cast<IDispatch*>(this));
    const Member* member = FindMember(id);
    HRESULT hr;
    const bool wrong_thread = config_.own_thread_only && GetCurrentThreadId() != creator_thread_;
    if (wrong_thread) {
      hr = RPC_E_WRONG_THREAD;
    } else if (config_.failing_dispids.count(id) && FailuresOn()) {
      hr = Raise(exception, E_FAIL,
                 L"Member " + std::to_wstring(id) + L" is configured to fail (CALDER_SIM_FAIL)");
    } else if (RefusesPut(id, flags, *params)) {
      hr = Raise(exception, E_INVALIDARG,
                 L"Member " + std::to_wstring(id) + L" refuses this value (CALDER_SIM_REFUSE)");
    } else if (!member) {
      hr = DISP_E_MEMBERNOTFOUND;
    } else {
      hr = InvokeMember(*member, flags, *params, lcid, result, exception, arg_error);
    }
    LogInvoke(id, flags, *params, member, hr, wrong_thread);
    if (wrong_thread) return hr;
    if (config_.fire_inside_dispids.count(id)) FireEvent(kOnStatusChange, kStatusPresent);
    return hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

bool SimControl::RefusesPut(DISPID id, WORD flags, const DISPPARAMS& params) const {
  if (config_.refused_puts.empty() || !(flags & DISPATCH_PROPERTYPUT) || params.cArgs != 1)
    return false;
  VARIANT value;
  VariantInit(&value);
  if (FAILED(VariantChangeType(&value, &params.rgvarg[0], 0, VT_I4))) return false;
  return config_.refused_puts.count({id, V_I4(&value)}) > 0;
}

HRESULT SimControl::InvokeMember(const Member& member, WORD flags, const DISPPARAMS& params,
                                 LCID lcid, VARIANT* result, EXCEPINFO* exception,
                                 UINT* arg_error) {
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  if (member.kind == MemberKind::kProperty) {
    if (put) {
      if (!member.writable) return DISP_E_MEMBERNOTFOUND;
      if (params.cNamedArgs > 1 ||
          (params.cNamedArgs == 1 && params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)) {
        return DISP_E_NONAMEDARGS;
      }
      if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
      return PutProperty(member.id, params.rgvarg[0], lcid, exception, arg_error);
    }
    if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs > 0) return DISP_E_NONAMEDARGS;
    if (params.cArgs != 0) return DISP_E_BADPARAMCOUNT;
    return GetProperty(member.id, result);
  }
  if (put || !(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (params.cNamedArgs > 0) return DISP_E_NONAMEDARGS;
  if (params.cArgs != member.arg_count) return DISP_E_BADPARAMCOUNT;
  return CallMethod(member.id, params, lcid, result, exception, arg_error);
}

HRESULT SimControl::GetProperty(DISPID id, VARIANT* result) const {
  if (!result) return S_OK;
  switch (id) {
    case kClockFrequency:
      SetInt32(result, clock_frequency_);
      return S_OK;
    case kDeviceName:
    case kSerialNumber: {
      const std::wstring& text = id == kDeviceName ? config_.device_name : config_.serial_number;
      const BSTR value = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!value) return E_OUTOFMEMORY;
      V_VT(result) = VT_BSTR;
      V_BSTR(result) = value;
      return S_OK;
    }
    case kFirmwareRevision:
      SetInt32(result, kFirmwareRevisionValue);
      return S_OK;
    case kHFgain:
      SetInt32(result, hf_gain_);
      return S_OK;
    case kIFfilter:
      SetInt32(result, filter_index_);
      return S_OK;
    case kInputSource:
      SetInt32(result, input_source_);
      return S_OK;
    case kInterfaceVersion:
      SetInt32(result, kInterfaceVersionValue);
      return S_OK;
    case kNCOfrequency:
      SetInt32(result, nco_frequency_);
      return S_OK;
    case kIFgain:
      SetInt32(result, if_gain_);
      return S_OK;
    case kSampleRate:
      SetInt32(result, CurrentRate());
      return S_OK;
    case kBootRevision:
      V_VT(result) = VT_I2;
      V_I2(result) = kBootRevisionValue;
      return S_OK;
    case kIQOffset:
      V_VT(result) = VT_R8;
      V_R8(result) = config_.iq_offset;
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT SimControl::PutProperty(DISPID id, const VARIANT& value, LCID lcid, EXCEPINFO* exception,
                                UINT* arg_error) {
  int32_t number = 0;
  if (const HRESULT hr = ArgToInt32(value, lcid, &number); FAILED(hr)) {
    *arg_error = 0;
    return hr;
  }
  switch (id) {
    case kClockFrequency:
      if (number <= 0) {
        return Raise(exception, E_INVALIDARG,
                     L"ClockFrequency " + std::to_wstring(number) + L" Hz is not a clock rate");
      }
      clock_frequency_ = number;
      return S_OK;
    case kHFgain:
    case kIFgain:
      // Any gain is taken and read back; the signal follows it within the
      // stages' real range.
      (id == kHFgain ? hf_gain_ : if_gain_) = number;
      generator_.SetGains(hf_gain_, if_gain_);
      return S_OK;
    case kIFfilter: {
      const auto rate = RateOfFilter(number);
      if (!rate) {
        return Raise(exception, E_INVALIDARG,
                     L"IFfilter index " + std::to_wstring(number) + L" is not supported");
      }
      filter_index_ = number;
      generator_.SetRate(*rate);
      // A running stream goes on at the new rate from now.
      if (streaming_ && config_.unpaced_batch == 0) {
        pacer_.Start(Now(), ticks_per_second_, *rate, kPairsPerBlock);
      }
      return S_OK;
    }
    case kInputSource:
      input_source_ = number;
      return S_OK;
    case kNCOfrequency:
      nco_frequency_ = number;
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT SimControl::CallMethod(DISPID id, const DISPPARAMS& params, LCID lcid, VARIANT* result,
                               EXCEPINFO* exception, UINT* arg_error) {
  switch (id) {
    case kInitControl:
      return InitControl(exception);
    case kStart: {
      // Arguments arrive last first: rgvarg[1] is the first one.
      int16_t mode = 0;
      int16_t option = 0;
      for (UINT i = 0; i < 2; ++i) {
        const HRESULT hr = ArgToInt16(params.rgvarg[i], lcid, i == 1 ? &mode : &option);
        if (FAILED(hr)) {
          *arg_error = i;
          return hr;
        }
      }
      return StartStream(exception);
    }
    case kStop:
      StopStream();
      return S_OK;
    case kGetIntegerData:
      return GetIntegerData(params.rgvarg[0], result, exception, arg_error);
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

HRESULT SimControl::GetIntegerData(const VARIANT& arg, VARIANT* result, EXCEPINFO* exception,
                                   UINT* arg_error) {
  SAFEARRAY* array = nullptr;
  if (FAILED(Int16ArrayArg(arg, &array)) || (array && array->cbElements != sizeof(int16_t))) {
    *arg_error = 0;
    return DISP_E_TYPEMISMATCH;
  }
  if (!array) return Raise(exception, E_POINTER, L"GetIntegerData was given no array");
  if (config_.replacement_values) return ReplaceArray(arg, *config_.replacement_values, result);
  // Never more than the caller's array holds, whatever its bounds say about
  // where it starts.
  const ULONG count = std::min<ULONG>(ElementCount(*array), kBlockValues);
  void* data = nullptr;
  if (const HRESULT hr = SafeArrayAccessData(array, &data); FAILED(hr)) {
    return Raise(exception, hr, L"GetIntegerData cannot reach the array's data");
  }
  if (count > 0 && data) std::memcpy(data, block_.data(), count * sizeof(int16_t));
  SafeArrayUnaccessData(array);
  SetInt32(result, config_.reported_count.value_or(static_cast<int32_t>(count)));
  return S_OK;
}

// Hands back an array of its own with `values` of the block, in place of the
// caller's (allowed for an array passed by reference; the caller frees it).
HRESULT SimControl::ReplaceArray(const VARIANT& arg, int values, VARIANT* result) {
  if (!(V_VT(&arg) & VT_BYREF)) return DISP_E_TYPEMISMATCH;
  SAFEARRAY* fresh = SafeArrayCreateVector(VT_I2, 0, static_cast<ULONG>(values));
  if (!fresh) return E_OUTOFMEMORY;
  void* data = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(fresh, &data))) {
    if (values > 0) std::memcpy(data, block_.data(), values * sizeof(int16_t));
    SafeArrayUnaccessData(fresh);
  }
  *V_ARRAYREF(&arg) = fresh;
  SetInt32(result, config_.reported_count.value_or(values));
  return S_OK;
}

HRESULT SimControl::InitControl(EXCEPINFO* exception) {
  ++init_generation_;
  window_.StopTimer(kStatusTimer);
  status_script_.Restart();
  init_time_ = Now();
  // The answer comes through the queue, never from inside this call.
  if (!window_.Post(kInitMessage, init_generation_)) {
    return Raise(exception, HRESULT_FROM_WIN32(GetLastError()),
                 L"InitControl could not queue its answer");
  }
  return S_OK;
}

HRESULT SimControl::StartStream(EXCEPINFO* exception) {
  ++stream_generation_;
  streaming_ = true;
  if (config_.unpaced_batch > 0) {
    window_.StopTimer(kDataTimer);
    if (!window_.Post(kUnpacedMessage, stream_generation_)) {
      streaming_ = false;
      return Raise(exception, HRESULT_FROM_WIN32(GetLastError()), L"Start could not queue data");
    }
    return S_OK;
  }
  pacer_.Start(Now(), ticks_per_second_, CurrentRate(), kPairsPerBlock);
  window_.StartTimer(kDataTimer, kTimerPeriodMs);
  return S_OK;
}

void SimControl::StopStream() {
  ++stream_generation_;
  streaming_ = false;
  window_.StopTimer(kDataTimer);
}

bool SimControl::OnWindowMessage(UINT message, WPARAM wparam, LPARAM) {
  if (message != kInitMessage && message != kUnpacedMessage && message != WM_TIMER) return false;
  // A sink may release the last reference from inside an event. The fragile mode
  // holds none, so that a client doing so is caught.
  Microsoft::WRL::ComPtr<IDispatch> keep_alive;
  if (!config_.fragile) keep_alive = static_cast<IDispatch*>(this);
  if (message == kInitMessage) {
    if (wparam == init_generation_) {
      status_script_.MessageHandled();
      FireDueStatuses();
    }
  } else if (message == kUnpacedMessage) {
    OnUnpacedMessage(wparam);
  } else if (wparam == kStatusTimer) {
    FireDueStatuses();
  } else if (wparam == kDataTimer) {
    OnDataTimer();
  }
  return true;
}

void SimControl::FireDueStatuses() {
  const uint32_t generation = init_generation_;
  const int64_t elapsed_ms = (Now() - init_time_) * 1000 / ticks_per_second_;
  for (const int32_t status : status_script_.TakeDue(elapsed_ms)) {
    FireEvent(kOnStatusChange, status);
    // A sink that called InitControl again has started a new script.
    if (generation != init_generation_) return;
  }
  if (status_script_.Done()) {
    window_.StopTimer(kStatusTimer);
  } else {
    window_.StartTimer(kStatusTimer, kTimerPeriodMs);
  }
}

void SimControl::OnDataTimer() {
  // A sink that pumps messages inside an event gets no nested blocks; the
  // backlog waits for the next tick.
  if (!streaming_ || firing_blocks_ || config_.unpaced_batch > 0) return;
  FireBlocks(pacer_.TakeDue(Now()), stream_generation_);
}

void SimControl::OnUnpacedMessage(WPARAM generation) {
  if (!streaming_ || generation != stream_generation_) return;
  if (firing_blocks_) {
    // A sink restarted the stream and pumps inside an event: the new stream's
    // batch follows when the current one has ended.
    resume_unpaced_ = true;
    return;
  }
  FireBlocks(config_.unpaced_batch, stream_generation_);
  if (streaming_ && generation == stream_generation_) window_.Post(kUnpacedMessage, generation);
}

void SimControl::FireBlocks(int count, uint32_t generation) {
  firing_blocks_ = true;
  for (int i = 0; i < count; ++i) {
    // Stop, or a new Start, from inside an event ends this batch.
    if (!streaming_ || generation != stream_generation_) break;
    generator_.Fill(block_.data(), kPairsPerBlock);
    if (config_.stamp_blocks) {
      // The block's number in place of its first I/Q pair, low half first.
      block_[0] = static_cast<int16_t>(blocks_fired_ & 0xFFFF);
      block_[1] = static_cast<int16_t>(blocks_fired_ >> 16);
    }
    ++blocks_fired_;
    FireEvent(kOnDataRdy, kStatusStreaming);
  }
  firing_blocks_ = false;
  if (std::exchange(resume_unpaced_, false) && streaming_) {
    window_.Post(kUnpacedMessage, stream_generation_);
  }
}

void SimControl::FireEvent(DISPID id, int32_t status) {
  for (const auto& sink : events_.Sinks()) {
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = status;
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    common::ScopedVariant result;
    EXCEPINFO exception = {};
    common::ExcepInfoStrings texts(&exception);
    UINT arg_error = 0;
    // A sink's failure is its own business; the others still get the event.
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Receive(),
                 &exception, &arg_error);
  }
}

STDMETHODIMP SimControl::EnumConnectionPoints(IEnumConnectionPoints** points) {
  try {
    return MakeConnectionPointsEnum({&events_}, points);
  } catch (...) {
    return E_OUTOFMEMORY;
  }
}

STDMETHODIMP SimControl::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != kEventsIid) return CONNECT_E_NOCONNECTION;
  *point = &events_;
  events_.AddRef();
  return S_OK;
}

// The configured failures apply while their switch is set, or always without one.
bool SimControl::FailuresOn() const {
  return !fail_switch_ || WaitForSingleObject(fail_switch_.get(), 0) == WAIT_OBJECT_0;
}

int64_t SimControl::Now() const {
  LARGE_INTEGER now;
  QueryPerformanceCounter(&now);
  return now.QuadPart;
}

int SimControl::CurrentRate() const {
  return RateOfFilter(filter_index_).value_or(0);
}

void SimControl::LogInvoke(DISPID id, WORD flags, const DISPPARAMS& params, const Member* member,
                           HRESULT result, bool wrong_thread) {
  if (!log_.enabled()) return;
  const bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  const bool property = member ? member->kind == MemberKind::kProperty : !(flags & DISPATCH_METHOD);
  std::string line = put ? "put " : property ? "get " : "call ";
  line += std::to_string(id);
  // A put logs its value; a call its arguments, first one first.
  const UINT shown = put ? std::min<UINT>(params.cArgs, 1) : property ? 0 : params.cArgs;
  for (UINT i = shown; i > 0; --i) {
    line += ' ';
    line += ArgText(params.rgvarg[put ? 0 : i - 1]);
  }
  if (FAILED(result)) line += " FAIL";
  if (wrong_thread) line += " WRONG-THREAD";
  log_.Write(line);
}

}  // namespace calder::sim
