// Owners of Windows handles, GDI objects and OLE resources for every folder: one
// move-only template, Scoped<T, Traits>, and one short name per release function.
// `.get()` lends the handle for a call; there is no implicit conversion. `.release()`
// gives up ownership at a documented hand-off only, with a comment saying who owns it
// now. COM interface pointers are held in ComPtr.
#pragma once

#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <initializer_list>
#include <utility>

namespace common {

using Microsoft::WRL::ComPtr;

// Owns one T and releases it through Traits when it goes or is replaced. Traits
// give `static T InvalidValue()`, the value that owns nothing, and `Free(T)`, which
// releases a valid value (a static or a const member function); a traits type with
// `static bool IsValid(T)` can name more than one empty value. A traits object may
// carry what its release needs besides the value (the window of a DC from GetDC); it
// moves with the value.
template <class T, class Traits>
class Scoped {
 public:
  Scoped() = default;
  explicit Scoped(T value, Traits traits = Traits()) : value_(value), traits_(std::move(traits)) {}
  Scoped(Scoped&& other) noexcept
      : value_(std::exchange(other.value_, Traits::InvalidValue())),
        traits_(std::move(other.traits_)) {}
  Scoped& operator=(Scoped&& other) noexcept {
    if (this != &other) {
      T value = std::exchange(other.value_, Traits::InvalidValue());
      reset(value, std::move(other.traits_));
    }
    return *this;
  }
  Scoped(const Scoped&) = delete;
  Scoped& operator=(const Scoped&) = delete;
  ~Scoped() { reset(); }

  T get() const { return value_; }
  explicit operator bool() const { return IsValid(value_); }
  const Traits& traits() const { return traits_; }

  // Releases what is owned and takes `value` instead; taking the value already
  // owned changes nothing.
  void reset(T value = Traits::InvalidValue()) { reset(value, Traits(traits_)); }
  void reset(T value, Traits traits) {
    if (value == value_ && IsValid(value)) {
      traits_ = std::move(traits);
      return;
    }
    // The new value is in place before the release runs, so that a release that
    // calls back into this owner (a window's destroy notification) never finds the
    // old value there to release twice.
    T old_value = std::exchange(value_, value);
    Traits old_traits = std::exchange(traits_, std::move(traits));
    if (IsValid(old_value)) old_traits.Free(old_value);
  }
  // Gives the value to a new owner; this one is left empty.
  [[nodiscard]] T release() { return std::exchange(value_, Traits::InvalidValue()); }
  // Releases what is owned and returns where a function that creates the resource
  // writes it (an out-parameter).
  [[nodiscard]] T* Receive() {
    reset();
    return &value_;
  }

 private:
  static bool IsValid(T value) {
    if constexpr (requires { Traits::IsValid(value); }) {
      return Traits::IsValid(value);
    } else {
      return value != Traits::InvalidValue();
    }
  }

  T value_ = Traits::InvalidValue();
  [[no_unique_address]] Traits traits_{};
};

// GDI objects: pens, brushes, fonts, bitmaps, regions. The object must not be
// selected into a DC when it is released.
template <class H>
struct DeleteObjectTraits {
  static H InvalidValue() { return nullptr; }
  static void Free(H object) { ::DeleteObject(object); }
};
using ScopedBitmap = Scoped<HBITMAP, DeleteObjectTraits<HBITMAP>>;
using ScopedFont = Scoped<HFONT, DeleteObjectTraits<HFONT>>;
using ScopedPen = Scoped<HPEN, DeleteObjectTraits<HPEN>>;
using ScopedBrush = Scoped<HBRUSH, DeleteObjectTraits<HBRUSH>>;
using ScopedRegion = Scoped<HRGN, DeleteObjectTraits<HRGN>>;

// A memory DC from CreateCompatibleDC, deleted with DeleteDC.
struct DeleteDCTraits {
  static HDC InvalidValue() { return nullptr; }
  static void Free(HDC dc) { ::DeleteDC(dc); }
};
class MemoryDC : public Scoped<HDC, DeleteDCTraits> {
 public:
  MemoryDC() = default;
  // Creates a memory DC compatible with `reference` (null: the screen).
  explicit MemoryDC(HDC reference) : Scoped(::CreateCompatibleDC(reference)) {}
};

// A DC from GetDC, given back with ReleaseDC to the window it came from. Only for
// DCs that GetDC returned.
struct ReleaseDCTraits {
  HWND window = nullptr;
  static HDC InvalidValue() { return nullptr; }
  void Free(HDC dc) const { ::ReleaseDC(window, dc); }
};
class WindowDC : public Scoped<HDC, ReleaseDCTraits> {
 public:
  WindowDC() = default;
  // Takes the DC of `window`'s client area (null: the whole screen).
  explicit WindowDC(HWND window) : Scoped(::GetDC(window), ReleaseDCTraits{window}) {}
};

// A paint begun with BeginPaint, ended with EndPaint; the value is the paint's DC.
struct EndPaintTraits {
  HWND window = nullptr;
  PAINTSTRUCT paint{};
  static HDC InvalidValue() { return nullptr; }
  void Free(HDC) const { ::EndPaint(window, &paint); }
};
class PaintDC : public Scoped<HDC, EndPaintTraits> {
 public:
  // Begins painting `window`; the paint ends when the owner goes.
  explicit PaintDC(HWND window) : PaintDC(Begin(window)) {}

 private:
  explicit PaintDC(std::pair<HDC, EndPaintTraits> begun)
      : Scoped(begun.first, std::move(begun.second)) {}
  static std::pair<HDC, EndPaintTraits> Begin(HWND window) {
    EndPaintTraits traits{window};
    HDC dc = ::BeginPaint(window, &traits.paint);
    return {dc, traits};
  }
};

// An object that a DC had selected before ours, put back into that DC on release:
// the DC's own pen, brush, font or bitmap, which it must hold again before our
// objects are deleted or before the DC is given back.
struct RestoreSelectionTraits {
  HDC dc = nullptr;
  static HGDIOBJ InvalidValue() { return nullptr; }
  static bool IsValid(HGDIOBJ previous) { return previous != nullptr && previous != HGDI_ERROR; }
  void Free(HGDIOBJ previous) const { ::SelectObject(dc, previous); }
};
using SelectedObject = Scoped<HGDIOBJ, RestoreSelectionTraits>;

// Selects an object into a DC and puts the previous one back when it goes. Empty
// when the selection failed.
class SelectObjectScope : public SelectedObject {
 public:
  SelectObjectScope() = default;
  SelectObjectScope(HDC dc, HGDIOBJ object)
      : SelectedObject(::SelectObject(dc, object), RestoreSelectionTraits{dc}) {}
};

// Selects `object` into `dc` and, the first time, keeps in `original` what the DC
// held before, to be put back when `original` goes; later selections displace
// objects of ours, which their owners delete. False when nothing was selected.
inline bool SelectKeepingOriginal(HDC dc, HGDIOBJ object, SelectedObject& original) {
  if (!object) return false;
  HGDIOBJ previous = ::SelectObject(dc, object);
  if (!previous || previous == HGDI_ERROR) return false;
  if (!original) original.reset(previous, RestoreSelectionTraits{dc});
  return true;
}

// A DC state saved with SaveDC, restored with RestoreDC; the value is SaveDC's id.
struct RestoreDCTraits {
  HDC dc = nullptr;
  static int InvalidValue() { return 0; }
  void Free(int id) const { ::RestoreDC(dc, id); }
};
class SavedDCState : public Scoped<int, RestoreDCTraits> {
 public:
  // Saves `dc`'s state; it is restored when the owner goes.
  explicit SavedDCState(HDC dc) : Scoped(::SaveDC(dc), RestoreDCTraits{dc}) {}
};

// A window from CreateWindowEx, destroyed with DestroyWindow.
struct DestroyWindowTraits {
  static HWND InvalidValue() { return nullptr; }
  static void Free(HWND window) { ::DestroyWindow(window); }
};
using ScopedWindow = Scoped<HWND, DestroyWindowTraits>;

// A kernel handle (a file from CreateFile), closed with CloseHandle. CreateFile
// reports a failure as INVALID_HANDLE_VALUE, other calls as null: neither is owned.
struct CloseHandleTraits {
  static HANDLE InvalidValue() { return nullptr; }
  static bool IsValid(HANDLE handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Free(HANDLE handle) { ::CloseHandle(handle); }
};
using ScopedHandle = Scoped<HANDLE, CloseHandleTraits>;

// A registry key, closed with RegCloseKey.
struct RegCloseKeyTraits {
  static HKEY InvalidValue() { return nullptr; }
  static void Free(HKEY key) { ::RegCloseKey(key); }
};
using ScopedKey = Scoped<HKEY, RegCloseKeyTraits>;

// A string from SysAllocString, freed with SysFreeString.
struct SysFreeStringTraits {
  static BSTR InvalidValue() { return nullptr; }
  static void Free(BSTR text) { ::SysFreeString(text); }
};
using ScopedBstr = Scoped<BSTR, SysFreeStringTraits>;

// A new string holding a copy of `text` (empty owner when out of memory).
inline ScopedBstr AllocBstr(const wchar_t* text) {
  return ScopedBstr(::SysAllocString(text));
}

// The strings that an IDispatch::Invoke wrote into an EXCEPINFO of the caller's,
// freed (and the fields cleared) on release. The value is the EXCEPINFO's address.
struct ExcepInfoTraits {
  static EXCEPINFO* InvalidValue() { return nullptr; }
  static void Free(EXCEPINFO* info) {
    // Only a failed call writes texts: a success costs no call into the system.
    for (BSTR* text : {&info->bstrSource, &info->bstrDescription, &info->bstrHelpFile}) {
      if (*text != nullptr) ::SysFreeString(std::exchange(*text, nullptr));
    }
  }
};
using ExcepInfoStrings = Scoped<EXCEPINFO*, ExcepInfoTraits>;

// OLE on the calling thread, from a successful OleInitialize to OleUninitialize.
// The value is whether there is anything to undo.
struct OleUninitializeTraits {
  static bool InvalidValue() { return false; }
  static void Free(bool) { ::OleUninitialize(); }
};
using ScopedOleInitialize = Scoped<bool, OleUninitializeTraits>;

// COM on the calling thread, from a successful CoInitializeEx to CoUninitialize.
// The value is whether there is anything to undo.
struct CoUninitializeTraits {
  static bool InvalidValue() { return false; }
  static void Free(bool) { ::CoUninitialize(); }
};
using ScopedCoInitialize = Scoped<bool, CoUninitializeTraits>;

// Initialises COM on this thread in a single-threaded apartment; the owner is empty
// when that failed (another apartment already there). A thread on which COM already
// ran in this apartment still gets an owner, since every success is counted.
inline ScopedCoInitialize InitializeComApartment() {
  return ScopedCoInitialize(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
}

// A VARIANT of our own, cleared with VariantClear when it goes. Not copyable.
class ScopedVariant {
 public:
  ScopedVariant() { value_.vt = VT_EMPTY; }
  ~ScopedVariant() { Clear(); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  // Clears the value and returns where a call writes a new one.
  VARIANT* Receive() {
    Clear();
    return &value_;
  }
  const VARIANT& get() const { return value_; }

 private:
  // Numbers own nothing: they are emptied here, without a call per block of the
  // data path. Strings, interfaces, arrays and references go through VariantClear.
  static bool OwnsNothing(VARTYPE vt) {
    return vt <= VT_DATE || vt == VT_ERROR || vt == VT_BOOL || (vt >= VT_I1 && vt <= VT_UINT);
  }
  void Clear() {
    if (OwnsNothing(value_.vt)) {
      value_.vt = VT_EMPTY;
    } else {
      ::VariantClear(&value_);
    }
  }

  VARIANT value_;
};

// Converts `value` in place to `type` unless it has that type already; the result
// of VariantChangeType.
inline HRESULT ToType(VARIANT* value, VARTYPE type) {
  return value->vt == type ? S_OK : ::VariantChangeType(value, value, 0, type);
}

}  // namespace common
