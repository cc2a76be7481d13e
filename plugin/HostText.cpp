#include "plugin/HostText.h"

#include <windows.h>

#include "plugin/TextCut.h"

namespace tessel {
namespace {

// The lead bytes of a double-byte code page; none for any other, or for a code page
// the system does not know.
LeadBytes LeadBytesOf(unsigned code_page) {
  LeadBytes lead;
  for (unsigned byte = 0x80; byte < 0x100; ++byte)
    lead[byte] = IsDBCSLeadByteEx(code_page, static_cast<BYTE>(byte)) != FALSE;
  return lead;
}

}  // namespace

void CopyHostTextIn(char* buffer, std::string_view text, unsigned code_page) {
  if (buffer == nullptr) return;
  constexpr std::size_t kLimit = kHostTextCapacity - 1;
  std::size_t length = code_page == CP_UTF8 ? Utf8Cut(text, kLimit)
                                            : DoubleByteCut(text, kLimit, LeadBytesOf(code_page));
  text.copy(buffer, length);
  buffer[length] = '\0';
}

void CopyHostText(char* buffer, std::string_view text) {
  // The model text comes from the receiver in the system code page (ModelTextOf);
  // the failure texts are ASCII, the same in every code page.
  CopyHostTextIn(buffer, text, GetACP());
}

}  // namespace tessel
