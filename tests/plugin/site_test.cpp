// A component that is an OLE control is sited, sized and activated in the window,
// and closed and unsited when it goes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "common/DispatchObject.h"
#include "receiver/ReceiverControl.h"

namespace tessel {
namespace {

class FakeOleControl final : public common::DispatchObject<IOleObject> {
 public:
  std::vector<std::string> calls;
  ComPtr<IOleClientSite> site;
  SIZEL extent{};
  RECT activated_at{};
  HWND activated_in = nullptr;

  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE SetClientSite(IOleClientSite* client) override {
    calls.push_back(client ? "SetClientSite" : "SetClientSite(null)");
    site = client;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetClientSite(IOleClientSite**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Close(DWORD option) override {
    calls.push_back(option == OLECLOSE_NOSAVE ? "Close(nosave)" : "Close");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetClipboardData(DWORD, IDataObject**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DoVerb(LONG verb, LPMSG, IOleClientSite* active_site, LONG, HWND parent,
                                   LPCRECT rect) override {
    calls.push_back(verb == OLEIVERB_INPLACEACTIVATE ? "DoVerb(inplace)" : "DoVerb");
    activated_in = parent;
    if (rect != nullptr) activated_at = *rect;
    // A real control asks its site for the window it lives in.
    ComPtr<IOleInPlaceSite> in_place;
    if (active_site != nullptr &&
        SUCCEEDED(active_site->QueryInterface(IID_IOleInPlaceSite,
                                              reinterpret_cast<void**>(in_place.GetAddressOf())))) {
      HWND window = nullptr;
      in_place->GetWindow(&window);
      EXPECT_EQ(window, parent);
      EXPECT_EQ(in_place->CanInPlaceActivate(), S_OK);
    } else {
      ADD_FAILURE() << "the site offers no in-place interface";
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE EnumVerbs(IEnumOLEVERB**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Update() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE IsUpToDate() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE GetUserClassID(CLSID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetUserType(DWORD, LPOLESTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetExtent(DWORD, SIZEL* size) override {
    extent = *size;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Advise(IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetMiscStatus(DWORD, DWORD* status) override {
    *status = OLEMISC_SETCLIENTSITEFIRST;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

  ULONG references() const { return References(); }

 private:
  // Lives on the test's stack: the count never deletes it.
  void LastReferenceGone() override {}
};

TEST(ControlSite, AnOleControlIsSitedActivatedInItsAreaAndClosedWithTheClient) {
  HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 100, 300, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
  ASSERT_NE(parent, nullptr);
  FakeOleControl control;
  {
    auto client = ReceiverControl::Attach(ComPtr<IDispatch>(static_cast<IDispatch*>(&control)),
                                          nullptr, parent, RECT{2, 242, 34, 274});
    EXPECT_EQ(control.calls, (std::vector<std::string>{"SetClientSite", "DoVerb(inplace)"}));
    EXPECT_EQ(control.extent.cx, 847);
    EXPECT_EQ(control.extent.cy, 847);
    EXPECT_EQ(control.activated_in, parent);
    EXPECT_EQ(control.activated_at.left, 2);
    EXPECT_EQ(control.activated_at.bottom, 274);
  }
  EXPECT_EQ(control.calls.back(), "SetClientSite(null)");
  EXPECT_EQ(control.calls[control.calls.size() - 2], "Close(nosave)");
  EXPECT_EQ(control.references(), 1u) << "the client keeps no reference";
  DestroyWindow(parent);
}

}  // namespace
}  // namespace tessel
