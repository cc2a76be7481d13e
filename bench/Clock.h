// Wall time for the benches, from the performance counter.
#pragma once

#include <windows.h>

namespace bench {

// Seconds since an arbitrary start, at the counter's resolution.
inline double Now() {
  LARGE_INTEGER t, f;
  QueryPerformanceCounter(&t);
  QueryPerformanceFrequency(&f);
  return static_cast<double>(t.QuadPart) / f.QuadPart;
}

}  // namespace bench
