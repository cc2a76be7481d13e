// Owners of the Windows and OLE resources the stand-in holds: the same move-only
// Scoped<T, Traits> as the plug-in's framework (the stand-in shares no code with it)
// and one short name per release function. `.get()` lends the handle for a call;
// `.release()` gives up ownership at a documented hand-off only.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace calder::sim {

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

// A kernel handle from CreateFile, closed with CloseHandle. CreateFile reports a
// failure as INVALID_HANDLE_VALUE, other calls as null: neither is owned.
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

// A window from CreateWindowEx, destroyed with DestroyWindow.
struct DestroyWindowTraits {
  static HWND InvalidValue() { return nullptr; }
  static void Free(HWND window) { ::DestroyWindow(window); }
};
using ScopedWindow = Scoped<HWND, DestroyWindowTraits>;

// The strings that an IDispatch::Invoke wrote into an EXCEPINFO of the caller's,
// freed (and the fields cleared) on release. The value is the EXCEPINFO's address.
struct ExcepInfoTraits {
  static EXCEPINFO* InvalidValue() { return nullptr; }
  static void Free(EXCEPINFO* info) {
    ::SysFreeString(std::exchange(info->bstrSource, nullptr));
    ::SysFreeString(std::exchange(info->bstrDescription, nullptr));
    ::SysFreeString(std::exchange(info->bstrHelpFile, nullptr));
  }
};
using ExcepInfoStrings = Scoped<EXCEPINFO*, ExcepInfoTraits>;

// A VARIANT of our own, cleared with VariantClear when it goes. Not copyable.
class ScopedVariant {
 public:
  ScopedVariant() { ::VariantInit(&value_); }
  ~ScopedVariant() { ::VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  // Clears the value and returns where a call writes a new one.
  VARIANT* Receive() {
    ::VariantClear(&value_);
    return &value_;
  }
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

}  // namespace calder::sim
