// The block of samples the component fills and the host reads.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <limits>

#include "receiver/SessionLink.h"

namespace tessel {

// A SAFEARRAY descriptor of VT_I2 lying over a caller's fixed buffer, for passing it
// by reference (VT_ARRAY|VT_I2|VT_BYREF) without allocating or copying. The
// descriptor is static and fixed-size, so a well-behaved callee can neither free
// nor resize it.
class FixedI2Array {
 public:
  // Borrows `data` (count values); it must outlive this object.
  FixedI2Array(int16_t* data, ULONG count);
  FixedI2Array(const FixedI2Array&) = delete;
  FixedI2Array& operator=(const FixedI2Array&) = delete;

  // Prepares the by-reference argument: resets the descriptor in case a callee
  // disturbed it and returns the VARIANT to pass.
  VARIANT* Argument();
  // After the call: puts the descriptor back if a callee replaced the pointer, and
  // returns how many values at the start of the buffer are the callee's (all of
  // them unless it handed back an array of its own, whose values are copied in).
  ULONG Reclaim();

 private:
  void Reset();
  // Copies a returned VT_I2 vector into the buffer, as much as fits; the count.
  ULONG CopyOut(SAFEARRAY* array);

  // FADF_HAVEVARTYPE keeps the element type in the four bytes before the descriptor.
  struct Storage {
    DWORD vartype;
    SAFEARRAY array;
  } storage_;
  int16_t* data_;
  ULONG count_;
  SAFEARRAY* pointer_;
  VARIANT argument_;
};

// The offset as the single-precision float the host receives; values beyond the
// float range become the largest float of their sign (NaN stays NaN).
constexpr float OffsetToFloat(double offset) {
  constexpr float kLargest = std::numeric_limits<float>::max();
  if (offset > kLargest) return kLargest;
  if (offset < -kLargest) return -kLargest;
  return static_cast<float>(offset);
}

// The window's sample buffer: overwritten by every block, valid until the host's
// callback returns; with the array descriptor that lies over it.
class SampleBlock {
 public:
  SampleBlock() = default;
  SampleBlock(const SampleBlock&) = delete;
  SampleBlock& operator=(const SampleBlock&) = delete;
  int16_t* Data() { return data_; }
  FixedI2Array& Array() { return array_; }

 private:
  alignas(16) int16_t data_[kSampleBufferValues] = {};
  FixedI2Array array_{data_, kSampleBufferValues};
};

}  // namespace tessel
