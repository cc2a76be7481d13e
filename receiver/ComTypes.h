// Owners for the OLE automation resources the component client handles.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <utility>

namespace tessel {

// Owns a VARIANT and clears it on scope exit. Not copyable.
class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* Receive() {
    VariantClear(&value_);
    return &value_;
  }
  const VARIANT& get() const { return value_; }

 private:
  VARIANT value_;
};

// Owns a BSTR and frees it on scope exit. Move-only.
class ScopedBstr {
 public:
  ScopedBstr() = default;
  explicit ScopedBstr(const wchar_t* text) : value_(SysAllocString(text)) {}
  ~ScopedBstr() { SysFreeString(value_); }
  ScopedBstr(ScopedBstr&& other) noexcept : value_(std::exchange(other.value_, nullptr)) {}
  ScopedBstr& operator=(ScopedBstr&& other) noexcept {
    std::swap(value_, other.value_);
    return *this;
  }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;

  BSTR get() const { return value_; }

 private:
  BSTR value_ = nullptr;
};

}  // namespace tessel
