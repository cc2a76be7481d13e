// The COM object base: what QueryInterface answers, and when the object goes.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <oleidl.h>

#include "common/ComObject.h"
#include "common/DispatchObject.h"
#include "common/Handles.h"

namespace common {
namespace {

// {0A1B2C3D-1111-4222-8333-444455556666}: an event interface id answered as IDispatch.
constexpr IID kEventsId = {
    0x0a1b2c3d, 0x1111, 0x4222, {0x83, 0x33, 0x44, 0x44, 0x55, 0x55, 0x66, 0x66}};

// Two interfaces and two extra ids; counts its destructions.
class Probe final : public DispatchObject<IOleWindow, AlsoAnswers<IDispatch, kEventsId>,
                                          AlsoAnswers<IOleWindow, IID_IOleInPlaceSite>> {
 public:
  explicit Probe(int* destroyed) : destroyed_(destroyed) {}
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetWindow(HWND* window) override {
    *window = nullptr;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  ULONG references() const { return References(); }

 private:
  ~Probe() override { ++*destroyed_; }
  int* destroyed_;
};

TEST(ComObject, AnswersEachListedInterfaceAndEachExtraIdWithTheRightPointer) {
  int destroyed = 0;
  ComPtr<Probe> probe = Adopt(new Probe(&destroyed));
  IDispatch* as_dispatch = probe.Get();
  IOleWindow* as_window = probe.Get();
  struct Row {
    const IID& iid;
    void* expected;
  } rows[] = {
      {IID_IUnknown, as_dispatch}, {IID_IDispatch, as_dispatch},     {kEventsId, as_dispatch},
      {IID_IOleWindow, as_window}, {IID_IOleInPlaceSite, as_window},
  };
  for (const Row& row : rows) {
    void* object = nullptr;
    ASSERT_EQ(probe->QueryInterface(row.iid, &object), S_OK);
    EXPECT_EQ(object, row.expected);
    EXPECT_EQ(probe->references(), 2u);
    static_cast<IUnknown*>(object)->Release();
  }
  // IUnknown is one pointer whichever interface is asked.
  ComPtr<IUnknown> from_dispatch, from_window;
  ASSERT_EQ(as_dispatch->QueryInterface(IID_PPV_ARGS(&from_dispatch)), S_OK);
  ASSERT_EQ(as_window->QueryInterface(IID_PPV_ARGS(&from_window)), S_OK);
  EXPECT_EQ(from_dispatch.Get(), from_window.Get());
}

TEST(ComObject, RefusesOtherIdsAndANullOutPointerWithoutTakingAReference) {
  int destroyed = 0;
  ComPtr<Probe> probe = Adopt(new Probe(&destroyed));
  void* object = reinterpret_cast<void*>(1);
  EXPECT_EQ(probe->QueryInterface(IID_IConnectionPointContainer, &object), E_NOINTERFACE);
  EXPECT_EQ(object, nullptr);
  EXPECT_EQ(probe->QueryInterface(IID_IDispatch, nullptr), E_POINTER);
  EXPECT_EQ(probe->references(), 1u);
}

TEST(ComObject, AnAdoptedObjectGoesWithItsLastOwner) {
  int destroyed = 0;
  ComPtr<Probe> owner = Adopt(new Probe(&destroyed));
  EXPECT_EQ(owner->references(), 1u);
  ComPtr<IDispatch> other;
  ASSERT_EQ(owner.As(&other), S_OK);
  owner.Reset();
  EXPECT_EQ(destroyed, 0);
  other.Reset();
  EXPECT_EQ(destroyed, 1);
}

TEST(ComObject, TheLastReleaseDeletesTheObjectOnce) {
  int destroyed = 0;
  auto* probe = new Probe(&destroyed);
  probe->AddRef();
  EXPECT_EQ(probe->Release(), 1u);
  EXPECT_EQ(destroyed, 0);
  EXPECT_EQ(probe->Release(), 0u);
  EXPECT_EQ(destroyed, 1);
}

// An object in static or stack storage keeps its count but is never deleted.
class Resident final : public ComObject<IUnknown> {
 public:
  int gone = 0;
  ULONG references() const { return References(); }

 private:
  void LastReferenceGone() override { ++gone; }
};

TEST(ComObject, AnObjectThatOverridesTheLastReleaseIsNotDeleted) {
  Resident resident;
  resident.AddRef();
  resident.Release();
  EXPECT_EQ(resident.gone, 0);
  EXPECT_EQ(resident.Release(), 0u);
  EXPECT_EQ(resident.gone, 1);
  EXPECT_EQ(resident.references(), 0u);
}

TEST(DispatchObject, OffersNoTypeInformation) {
  int destroyed = 0;
  ComPtr<Probe> probe = Adopt(new Probe(&destroyed));
  UINT count = 7;
  EXPECT_EQ(probe->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(probe->GetTypeInfoCount(nullptr), E_POINTER);
  ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
  EXPECT_EQ(probe->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  EXPECT_EQ(info, nullptr);
}

}  // namespace
}  // namespace common
