#include "receiver/SampleBuffer.h"

#include <cstring>

namespace tessel {

FixedI2Array::FixedI2Array(int16_t* data, ULONG count) : data_(data), count_(count) {
  Reset();
}

void FixedI2Array::Reset() {
  storage_.vartype = VT_I2;
  SAFEARRAY& a = storage_.array;
  a.cDims = 1;
  a.fFeatures = FADF_STATIC | FADF_FIXEDSIZE | FADF_HAVEVARTYPE;
  a.cbElements = sizeof(int16_t);
  a.cLocks = 0;
  a.pvData = data_;
  a.rgsabound[0].cElements = count_;
  a.rgsabound[0].lLbound = 0;
  pointer_ = &a;
  VariantInit(&argument_);
  argument_.vt = VT_ARRAY | VT_I2 | VT_BYREF;
  argument_.pparray = &pointer_;
}

VARIANT* FixedI2Array::Argument() {
  Reset();
  return &argument_;
}

ULONG FixedI2Array::Reclaim() {
  SAFEARRAY* returned = pointer_;
  ULONG valid = count_;
  if (returned != &storage_.array) {
    // The callee handed back an array of its own (by-reference rules make it ours to
    // free): what the caller's buffer holds is only what is copied out of it now.
    valid = returned != nullptr ? CopyOut(returned) : 0;
    if (returned != nullptr) SafeArrayDestroy(returned);
  }
  Reset();
  return valid;
}

ULONG FixedI2Array::CopyOut(SAFEARRAY* array) {
  VARTYPE type = VT_EMPTY;
  if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetVartype(array, &type)) || type != VT_I2)
    return 0;
  LONG lower = 0;
  LONG upper = -1;
  if (FAILED(SafeArrayGetLBound(array, 1, &lower)) || FAILED(SafeArrayGetUBound(array, 1, &upper)))
    return 0;
  if (upper < lower) return 0;
  ULONG have = static_cast<ULONG>(static_cast<int64_t>(upper) - lower + 1);
  ULONG copied = have < count_ ? have : count_;
  void* data = nullptr;
  if (FAILED(SafeArrayAccessData(array, &data))) return 0;
  std::memcpy(data_, data, copied * sizeof(int16_t));
  SafeArrayUnaccessData(array);
  return copied;
}

}  // namespace tessel
