// Conversions between the framework's text (UTF-8, as the stored layout and the
// programs' paths are) and the UTF-16 that the wide Windows functions take.
#pragma once

#include <string>
#include <string_view>

namespace fw {

// `utf8` as UTF-16; a byte that begins no valid UTF-8 character becomes U+FFFD.
std::wstring Widen(std::string_view utf8);

// `text` as UTF-8; an unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::wstring_view text);

}  // namespace fw
