// Reading Invoke arguments the way an automation server does: by-reference
// forms are followed and numbers are coerced where they fit.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <string>

namespace calder::sim {

// The argument as int32: DISP_E_TYPEMISMATCH or DISP_E_OVERFLOW when it is not one.
HRESULT ArgToInt32(const VARIANT& arg, LCID lcid, int32_t* out);
// The argument as int16, with the same failures.
HRESULT ArgToInt16(const VARIANT& arg, LCID lcid, int16_t* out);

// The int16 SAFEARRAY an argument carries, by value (VT_ARRAY|VT_I2), by
// reference (VT_ARRAY|VT_I2|VT_BYREF) or inside a VARIANT passed by reference.
// DISP_E_TYPEMISMATCH for any other type; `*out` may be null when the caller
// passed no array. The array stays the caller's.
HRESULT Int16ArrayArg(const VARIANT& arg, SAFEARRAY** out);

// Elements in all dimensions of `array` together; 0 if the count would overflow.
ULONG ElementCount(const SAFEARRAY& array);

// The argument as one word of the invoke log: integers in decimal, reals with
// a point, strings as they are (line breaks as blanks), arrays as array(<elements>).
std::string ArgText(const VARIANT& arg);

}  // namespace calder::sim
