// Test and benchmark support for the stand-in component: creating it by class
// id, an event sink that records what arrives, message pumping and typed
// IDispatch calls.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "common/DispatchObject.h"
#include "contract/CalderContract.h"

namespace calder::sim::testing {

using Microsoft::WRL::ComPtr;

// Joins the single-threaded apartment for its lifetime.
class Apartment {
 public:
  Apartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
  Apartment(const Apartment&) = delete;
  Apartment& operator=(const Apartment&) = delete;
  ~Apartment() {
    if (SUCCEEDED(hr_)) CoUninitialize();
  }
  HRESULT result() const { return hr_; }

 private:
  HRESULT hr_;
};

// Clears every CALDER_SIM_* variable, so that each test states what it needs.
void ClearSimEnvironment();
void SetSimVariable(const wchar_t* name, const wchar_t* value);

// The built component DLL as a Windows path.
std::wstring SimDllPath();

// Creates the component by class id; registers the built DLL first if the
// class is not registered yet.
HRESULT CreateSim(ComPtr<IDispatch>* sim);

// One event as a sink received it.
struct Event {
  DISPID id;
  int32_t status;
  DWORD thread;
  uint64_t dispatch_serial;  // which pumped message it arrived in
};

// An event sink that records every event; `on_event` runs after recording.
class RecordingSink final
    : public common::DispatchObject<common::AlsoAnswers<IDispatch, kEventsIid>> {
 public:
  static ComPtr<RecordingSink> Make();

  std::vector<Event> events;
  std::function<void(const Event&)> on_event;
  size_t failed_fetches = 0;  // see FetchBlocksInHandler
  bool QueryInterfaceWasAskedForEvents() const { return asked_for_events_; }

  size_t Count(DISPID id) const;

  // Notes whether the event interface was asked for.
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* arg_error) override;

 private:
  RecordingSink() = default;
  ~RecordingSink() override = default;
  bool asked_for_events_ = false;
};

// Makes `sink` fetch each block into `buffer` from inside its data event, as the
// plug-in does; a failed call or a count other than one block is counted in
// `failed_fetches`. `sim` and `buffer` are borrowed.
void FetchBlocksInHandler(RecordingSink* sink, IDispatch* sim, std::vector<int16_t>* buffer);

// Advises `sink` on the component's event connection point; unadvises when it goes.
class Connection {
 public:
  Connection(IDispatch* sim, IUnknown* sink);
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() { Disconnect(); }
  HRESULT result() const { return hr_; }
  DWORD cookie() const { return cookie_; }
  void Disconnect();

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
  HRESULT hr_ = E_FAIL;
};

// Serial number of the message being dispatched by PumpFor/PumpUntil.
uint64_t DispatchSerial();
// Dispatches the thread's messages for `ms` milliseconds.
void PumpFor(int ms);
// Dispatches messages until `done` holds or `timeout_ms` pass; returns `done()`.
bool PumpUntil(const std::function<bool()>& done, int timeout_ms);

// Typed IDispatch calls by dispatch id. Arguments are given first one first.
HRESULT GetProperty(IDispatch* sim, DISPID id, VARIANT* value, EXCEPINFO* exception = nullptr);
HRESULT PutProperty(IDispatch* sim, DISPID id, VARIANT value, EXCEPINFO* exception = nullptr);
HRESULT CallMethod(IDispatch* sim, DISPID id, std::vector<VARIANT> args, VARIANT* result = nullptr,
                   EXCEPINFO* exception = nullptr, UINT* arg_error = nullptr);
VARIANT I4(int32_t value);
VARIANT I2(int16_t value);
// Puts an int32 value as VT_I4.
HRESULT PutInt(IDispatch* sim, DISPID id, int32_t value);
HRESULT Start(IDispatch* sim);

// Frees the strings of an EXCEPINFO after a test has looked at them.
void ClearException(EXCEPINFO* exception);

// Magnitudes of the DFT of `pairs` interleaved I/Q values read as I + jQ; bin k
// is the frequency k * rate / pairs, bins above pairs / 2 the negative ones.
std::vector<double> Spectrum(const int16_t* iq, size_t pairs);
// The bin where a tone at `offset_hz` falls at `rate_hz`.
size_t BinOf(double offset_hz, int rate_hz, size_t pairs);

// Seconds on the performance counter.
double NowSeconds();

}  // namespace calder::sim::testing
