// Cutting UTF-8 text between whole characters, as a plain function of the bytes.
#pragma once

#include <cstddef>
#include <string_view>

namespace fw {

// True for a byte that continues a character rather than beginning one.
constexpr bool IsUtf8Continuation(char byte) {
  return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// How many characters `utf8` holds: every byte that does not continue a character
// begins one (a damaged sequence counts as the characters its bytes begin).
constexpr std::size_t Utf8CharacterCount(std::string_view utf8) {
  std::size_t n = 0;
  for (char byte : utf8) n += IsUtf8Continuation(byte) ? 0 : 1;
  return n;
}

// The longest beginning of `utf8` with at most `count` characters; it ends between
// whole characters, so a character is never split.
constexpr std::string_view FirstCharacters(std::string_view utf8, std::size_t count) {
  std::size_t begun = 0;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (IsUtf8Continuation(utf8[i])) continue;
    if (begun == count) return utf8.substr(0, i);
    ++begun;
  }
  return utf8;
}

}  // namespace fw
