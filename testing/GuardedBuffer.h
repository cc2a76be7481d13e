// Host memory that ends where a no-access page begins, so that a write past its
// end faults at once instead of quietly overwriting the host's other data.
#pragma once

#include <cstddef>

namespace tessel::testing {

class GuardedBuffer {
 public:
  // `size` bytes (at most one page) flush against the guard page, filled with '#'.
  explicit GuardedBuffer(std::size_t size);
  ~GuardedBuffer();
  GuardedBuffer(const GuardedBuffer&) = delete;
  GuardedBuffer& operator=(const GuardedBuffer&) = delete;

  char* data() const { return data_; }
  std::size_t size() const { return size_; }
  // Fills the buffer with '#' again.
  void Reset();
  // True when the buffer holds a terminating zero.
  bool Terminated() const;

 private:
  void* block_ = nullptr;
  char* data_ = nullptr;
  std::size_t size_ = 0;
};

}  // namespace tessel::testing
