// The base of our COM objects: a reference count and a QueryInterface that answers
// from the list of interfaces the object implements, and a hold on the image for the
// object's life. The object's class implements the interfaces' own methods and
// nothing of IUnknown.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <atomic>
#include <type_traits>

#include "common/ImageHold.h"

namespace common {

// Whether an object holds the image its class is linked into while it lives.
enum class ImageHolding {
  kHeld,
  // For objects in static storage, which live as long as the image, and for those of
  // an in-process server, which the COM library unloads only when its DllCanUnloadNow
  // says that none is left.
  kNotHeld,
};

// An entry of a ComObject's list that answers one more interface id with one of the
// listed interfaces: an event interface id that a sink answers with its IDispatch,
// or the id of a base interface such as IOleWindow.
template <class Interface, const IID& Iid>
struct AlsoAnswers {};

namespace com_detail {

template <class Entry>
struct Alias : std::false_type {};
template <class Interface, const IID& Iid>
struct Alias<AlsoAnswers<Interface, Iid>> : std::true_type {
  using Answer = Interface;
  static const IID& Id() { return Iid; }
};

template <class First, class... Rest>
struct FirstOf {
  using Type = First;
};

}  // namespace com_detail

// Implements IUnknown for the interfaces in `Entries` (interfaces, and AlsoAnswers
// entries for more ids). IUnknown is answered with the first entry, which must be
// an interface. The count starts at one, the creator's reference (hand it to an
// owner with Adopt); the last Release calls LastReferenceGone, which deletes the object
// unless a class whose objects live elsewhere (on a stack, in static storage)
// overrides it. The count may be changed from any thread.
//
// An object holds the image (common/ImageHold.h) until it is destroyed, so that a
// client that calls it or lets it go late, after the host has unloaded the library,
// still finds its code; a last Release holds it to its own end.
template <class... Entries>
class ComObject : public Entries... {
  using Primary = typename com_detail::FirstOf<Entries...>::Type;
  static_assert(!com_detail::Alias<Primary>::value, "IUnknown is answered by an interface");

 public:
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (IsEqualIID(iid, IID_IUnknown)) {
      *object = static_cast<Primary*>(this);
    } else {
      (Match<Entries>(iid, object) || ...);
    }
    if (*object == nullptr) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      if (holds_image_) {
        // The object's own hold goes with it; this one lasts until this call returns,
        // which may be the last of the image's code to run.
        const ScopedImageHold call;
        LastReferenceGone();
      } else {
        LastReferenceGone();
      }
    }
    return left;
  }

 protected:
  ComObject() noexcept { image_hold::Take(); }
  explicit ComObject(ImageHolding holding) noexcept : holds_image_(holding == ImageHolding::kHeld) {
    if (holds_image_) image_hold::Take();
  }
  virtual ~ComObject() {
    // Destroyed within its last Release, which holds the image itself; an object on a
    // stack, by code that runs under a hold of its own.
    if (holds_image_) image_hold::Drop();
  }

  // Runs when the count reaches zero; deletes the object.
  virtual void LastReferenceGone() { delete this; }
  // References held now, for tests and diagnostics.
  ULONG References() const { return references_; }

 private:
  template <class Entry>
  bool Match(REFIID iid, void** object) {
    using Found = com_detail::Alias<Entry>;
    if constexpr (Found::value) {
      if (!IsEqualIID(iid, Found::Id())) return false;
      *object = static_cast<typename Found::Answer*>(this);
    } else {
      if (!IsEqualIID(iid, __uuidof(Entry))) return false;
      *object = static_cast<Entry*>(this);
    }
    return true;
  }

  std::atomic<ULONG> references_{1};
  const bool holds_image_ = true;
};

// An owner for an object just made with new, holding the creator's reference. This
// toolchain's ComPtr::Attach takes a reference of its own, so an object handed to
// it would never go.
template <class T>
Microsoft::WRL::ComPtr<T> Adopt(T* created) {
  Microsoft::WRL::ComPtr<T> owner;
  *owner.GetAddressOf() = created;
  return owner;
}

}  // namespace common
