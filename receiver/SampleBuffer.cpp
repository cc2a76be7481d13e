#include "receiver/SampleBuffer.h"

namespace tessel {

alignas(16) int16_t SampleBuffer[kSampleBufferValues];

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

void FixedI2Array::Reclaim() {
  SAFEARRAY* returned = pointer_;
  if (returned != nullptr && returned != &storage_.array) {
    // The callee handed back an array of its own; by-reference rules make it ours to free.
    SafeArrayDestroy(returned);
  }
  Reset();
}

FixedI2Array& SampleBufferArray() {
  static FixedI2Array array(SampleBuffer, kSampleBufferValues);
  return array;
}

}  // namespace tessel
