// The plug-in's client of the receiver control component: creation, events and
// every property access and method call by dispatch id.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>

#include "receiver/SampleBuffer.h"

namespace tessel {

using Microsoft::WRL::ComPtr;

// What the component reports. Called on the thread that pumps the messages of the
// thread that created the component.
class ReceiverEvents {
 public:
  virtual void OnStatusChange(int32_t status) = 0;
  virtual void OnDataRdy(int32_t status) = 0;

 protected:
  ~ReceiverEvents() = default;
};

// Why the component could not be brought up.
enum class CreateFailure {
  kNone,
  kNotInstalled,  // its class is not registered
  kCannotCreate,  // registered, but creating it or connecting its events failed
};

class EventSink;
class ControlSite;

class ReceiverControl {
 public:
  // Creates the component by its class id and connects `events` (borrowed; must
  // outlive the result). With OLE control interfaces present, the component is
  // sited and activated in `area` of `parent`. Null with `failure` set on error.
  static std::unique_ptr<ReceiverControl> Create(HWND parent, const RECT& area,
                                                 ReceiverEvents* events, CreateFailure* failure);
  // Wraps a dispatch interface that the caller created, with events connected
  // when it offers them, and sited in `area` of `parent` when one is given.
  static std::unique_ptr<ReceiverControl> Attach(ComPtr<IDispatch> dispatch, ReceiverEvents* events,
                                                 HWND parent = nullptr, const RECT& area = {});

  // Disconnects the events, deactivates the control and releases it.
  ~ReceiverControl();
  ReceiverControl(const ReceiverControl&) = delete;
  ReceiverControl& operator=(const ReceiverControl&) = delete;

  // Property access; each throws OleError when the component rejects it.
  void PutInt(DISPID dispid, int32_t value);
  // The last value the component took through PutInt for `dispid`, if any.
  std::optional<int32_t> Taken(DISPID dispid) const;
  int32_t GetInt(DISPID dispid);
  double GetDouble(DISPID dispid);
  std::wstring GetString(DISPID dispid);

  // Methods. Their results are the caller's to ignore.
  HRESULT InitControl();
  HRESULT Start(int16_t a, int16_t b);
  HRESULT Stop();
  // Has the component fill `array`; its count (never more than the values it put
  // there when it handed back an array of its own), or 0 when the call fails.
  int32_t GetIntegerData(FixedI2Array& array);

 private:
  explicit ReceiverControl(ComPtr<IDispatch> dispatch);
  bool Connect(ReceiverEvents* events);
  void Activate(HWND parent, const RECT& area);
  HRESULT Invoke(DISPID dispid, WORD flags, VARIANT* args, UINT arg_count, VARIANT* result);
  void Get(DISPID dispid, VARTYPE type, VARIANT* result);

  ComPtr<IDispatch> dispatch_;
  ComPtr<IConnectionPoint> connection_;
  DWORD cookie_ = 0;
  ComPtr<EventSink> sink_;
  ComPtr<IOleObject> ole_object_;
  ComPtr<ControlSite> site_;
  // What the component took, by dispatch id.
  std::map<DISPID, int32_t> taken_;
};

}  // namespace tessel
