// The connection point through which sinks advise for the receiver's events.
// It lives inside its container and shares the container's reference count.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <map>
#include <vector>

namespace calder::sim {

class EventConnectionPoint final : public IConnectionPoint {
 public:
  // `container` is the owner; this object lives and dies with it.
  explicit EventConnectionPoint(IConnectionPointContainer* container) : container_(container) {}
  EventConnectionPoint(const EventConnectionPoint&) = delete;
  EventConnectionPoint& operator=(const EventConnectionPoint&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return container_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return container_->Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) override;
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** container) override;
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
  STDMETHODIMP Unadvise(DWORD cookie) override;
  STDMETHODIMP EnumConnections(IEnumConnections** connections) override;

  // The advised sinks in the order they advised, each with a reference of its own,
  // so that a sink may unadvise while the events are being fired.
  std::vector<Microsoft::WRL::ComPtr<IDispatch>> Sinks() const;
  // Drops every connection, when the container goes.
  void DisconnectAll() { sinks_.clear(); }

 private:
  IConnectionPointContainer* container_;
  std::map<DWORD, Microsoft::WRL::ComPtr<IDispatch>> sinks_;
  DWORD next_cookie_ = 1;
};

}  // namespace calder::sim
