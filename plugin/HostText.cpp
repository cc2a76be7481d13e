#include "plugin/HostText.h"

namespace tessel {

void CopyHostText(char* buffer, std::string_view text) {
  if (buffer == nullptr) return;
  std::size_t length = text.size() < kHostTextCapacity - 1 ? text.size() : kHostTextCapacity - 1;
  text.copy(buffer, length);
  buffer[length] = '\0';
}

}  // namespace tessel
