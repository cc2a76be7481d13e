#include "sim/VariantArgs.h"

#include "common/Handles.h"

namespace calder::sim {

namespace {

HRESULT Coerce(const VARIANT& arg, LCID lcid, VARTYPE type, VARIANT* out) {
  // VariantChangeTypeEx follows VT_BYREF itself.
  const HRESULT hr = VariantChangeTypeEx(out, const_cast<VARIANT*>(&arg), lcid, 0, type);
  if (SUCCEEDED(hr)) return S_OK;
  return hr == DISP_E_OVERFLOW ? DISP_E_OVERFLOW : DISP_E_TYPEMISMATCH;
}

std::string Utf8(const wchar_t* text, UINT length) {
  if (length == 0) return {};
  const int size =
      WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0, nullptr, nullptr);
  std::string out(size > 0 ? size : 0, '\0');
  if (size > 0) {
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), out.data(), size, nullptr,
                        nullptr);
  }
  for (char& c : out) {
    if (c == '\r' || c == '\n') c = ' ';
  }
  return out;
}

}  // namespace

HRESULT ArgToInt32(const VARIANT& arg, LCID lcid, int32_t* out) {
  common::ScopedVariant value;
  const HRESULT hr = Coerce(arg, lcid, VT_I4, value.Receive());
  if (SUCCEEDED(hr)) *out = V_I4(&value.get());
  return hr;
}

HRESULT ArgToInt16(const VARIANT& arg, LCID lcid, int16_t* out) {
  common::ScopedVariant value;
  const HRESULT hr = Coerce(arg, lcid, VT_I2, value.Receive());
  if (SUCCEEDED(hr)) *out = V_I2(&value.get());
  return hr;
}

HRESULT Int16ArrayArg(const VARIANT& arg, SAFEARRAY** out) {
  *out = nullptr;
  switch (V_VT(&arg)) {
    case VT_ARRAY | VT_I2:
      *out = V_ARRAY(&arg);
      return S_OK;
    case VT_ARRAY | VT_I2 | VT_BYREF:
      *out = V_ARRAYREF(&arg) ? *V_ARRAYREF(&arg) : nullptr;
      return S_OK;
    case VT_VARIANT | VT_BYREF: {
      const VARIANT* inner = V_VARIANTREF(&arg);
      // One level only: a variant inside a variant inside a variant is no array.
      if (inner && V_VT(inner) != (VT_VARIANT | VT_BYREF)) return Int16ArrayArg(*inner, out);
      return DISP_E_TYPEMISMATCH;
    }
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

ULONG ElementCount(const SAFEARRAY& array) {
  if (array.cDims == 0) return 0;
  ULONGLONG total = 1;
  for (USHORT d = 0; d < array.cDims; ++d) {
    total *= array.rgsabound[d].cElements;
    if (total > 0xFFFFFFFFull) return 0;
  }
  return static_cast<ULONG>(total);
}

std::string ArgText(const VARIANT& arg) {
  if (V_VT(&arg) & VT_ARRAY) {
    SAFEARRAY* array = nullptr;
    if (V_VT(&arg) & VT_BYREF) {
      array = V_ARRAYREF(&arg) ? *V_ARRAYREF(&arg) : nullptr;
    } else {
      array = V_ARRAY(&arg);
    }
    return "array(" + std::to_string(array ? ElementCount(*array) : 0) + ")";
  }
  common::ScopedVariant text;
  // The invariant locale writes reals with a point whatever the user's settings.
  const LCID invariant = MAKELCID(MAKELANGID(LANG_INVARIANT, SUBLANG_NEUTRAL), SORT_DEFAULT);
  if (FAILED(
          VariantChangeTypeEx(text.Receive(), const_cast<VARIANT*>(&arg), invariant, 0, VT_BSTR))) {
    return "?";
  }
  const BSTR value = V_BSTR(&text.get());
  return Utf8(value, SysStringLen(value));
}

}  // namespace calder::sim
