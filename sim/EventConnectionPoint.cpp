#include "sim/EventConnectionPoint.h"

#include <olectl.h>

#include "contract/CalderContract.h"
#include "sim/Enumerators.h"

namespace calder::sim {

STDMETHODIMP EventConnectionPoint::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IConnectionPoint) {
    *object = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP EventConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = kEventsIid;
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::GetConnectionPointContainer(
    IConnectionPointContainer** container) {
  if (!container) return E_POINTER;
  *container = container_;
  container_->AddRef();
  return S_OK;
}

STDMETHODIMP EventConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!cookie) return E_POINTER;
  *cookie = 0;
  if (!sink) return E_POINTER;
  try {
    // The sink must speak the event interface; a plain IDispatch sink is taken
    // too, since events reach it only through IDispatch::Invoke anyway.
    Microsoft::WRL::ComPtr<IDispatch> dispatch;
    if (FAILED(
            sink->QueryInterface(kEventsIid, reinterpret_cast<void**>(dispatch.GetAddressOf()))) &&
        FAILED(sink->QueryInterface(IID_IDispatch,
                                    reinterpret_cast<void**>(dispatch.GetAddressOf())))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    if (!dispatch) return CONNECT_E_CANNOTCONNECT;
    const DWORD id = next_cookie_++;
    sinks_.emplace(id, std::move(dispatch));
    *cookie = id;
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP EventConnectionPoint::Unadvise(DWORD cookie) {
  try {
    // The sink's reference goes after the map has forgotten it: its Release may
    // call back into this object.
    const auto found = sinks_.find(cookie);
    if (found == sinks_.end()) return CONNECT_E_NOCONNECTION;
    Microsoft::WRL::ComPtr<IDispatch> sink = std::move(found->second);
    sinks_.erase(found);
    return S_OK;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

STDMETHODIMP EventConnectionPoint::EnumConnections(IEnumConnections** connections) {
  if (!connections) return E_POINTER;
  *connections = nullptr;
  try {
    std::vector<CONNECTDATA> items;
    for (const auto& [cookie, sink] : sinks_) items.push_back({sink.Get(), cookie});
    return MakeConnectionsEnum(std::move(items), connections);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

std::vector<Microsoft::WRL::ComPtr<IDispatch>> EventConnectionPoint::Sinks() const {
  std::vector<Microsoft::WRL::ComPtr<IDispatch>> sinks;
  sinks.reserve(sinks_.size());
  for (const auto& entry : sinks_) sinks.push_back(entry.second);
  return sinks;
}

}  // namespace calder::sim
