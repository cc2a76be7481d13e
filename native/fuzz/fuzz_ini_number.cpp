// The settings file's number rule against the C library's decimal conversion: the
// same white space, one sign, digits up to the first other character, and the
// 32-bit range as the limit on both sides.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "plugin/IniNumber.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const int32_t got = tessel::ReadIniNumber(text);

  // strtoll stops at a NUL as the rule stops at any non-digit; its 64-bit
  // saturation, clamped to 32 bits, is the rule's saturation.
  const std::string copy(text.substr(0, text.find('\0')));
  errno = 0;
  long long reference = std::strtoll(copy.c_str(), nullptr, 10);
  if (reference > std::numeric_limits<int32_t>::max())
    reference = std::numeric_limits<int32_t>::max();
  if (reference < std::numeric_limits<int32_t>::min())
    reference = std::numeric_limits<int32_t>::min();
  if (got != reference) {
    std::fprintf(stderr, "ReadIniNumber gave %d, the reference %lld\n", got, reference);
    std::abort();
  }
  return 0;
}
