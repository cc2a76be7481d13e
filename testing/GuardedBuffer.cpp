#include "testing/GuardedBuffer.h"

#include <windows.h>

#include <cstring>

namespace tessel::testing {
namespace {

std::size_t PageSize() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwPageSize;
}

}  // namespace

GuardedBuffer::GuardedBuffer(std::size_t size) : size_(size) {
  const std::size_t page = PageSize();
  if (size_ > page) size_ = page;
  block_ = VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block_ == nullptr) return;
  DWORD old = 0;
  VirtualProtect(static_cast<char*>(block_) + page, page, PAGE_NOACCESS, &old);
  data_ = static_cast<char*>(block_) + page - size_;
  Reset();
}

GuardedBuffer::~GuardedBuffer() {
  if (block_ != nullptr) VirtualFree(block_, 0, MEM_RELEASE);
}

void GuardedBuffer::Reset() {
  if (data_ != nullptr) std::memset(data_, '#', size_);
}

bool GuardedBuffer::Terminated() const {
  return data_ != nullptr && std::memchr(data_, '\0', size_) != nullptr;
}

}  // namespace tessel::testing
