// Texts for the host's buffers, cut to fit without splitting a character.
#pragma once

#include <string_view>

namespace tessel {

// Copies `text`, written in `code_page`, into a host buffer of kHostTextCapacity
// bytes: cut to the longest run of whole characters that leaves room for the
// terminator, always terminated. A null buffer is skipped. CopyHostText does this
// for texts in the system code page.
void CopyHostTextIn(char* buffer, std::string_view text, unsigned code_page);

}  // namespace tessel
