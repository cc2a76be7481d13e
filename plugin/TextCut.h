// Where a text may be cut to fit a buffer without splitting one of its characters.
// Pure: the code page's shape is given, not looked up.
#pragma once

#include <bitset>
#include <cstddef>
#include <string_view>

namespace tessel {

// The bytes that begin a two-byte character in a double-byte code page; none in a
// single-byte one.
using LeadBytes = std::bitset<256>;

// The length of the longest prefix of `text`, at most `limit` bytes, that ends
// between two characters of a double-byte code page with the lead bytes `lead`.
// Characters are counted from the start, since a trail byte may have the value of
// a lead byte. A lead byte that ends the text is a character of its own.
std::size_t DoubleByteCut(std::string_view text, std::size_t limit, const LeadBytes& lead);

// The same for UTF-8 text: the prefix never ends inside a sequence its lead byte
// announces. Malformed bytes count as characters of their own.
std::size_t Utf8Cut(std::string_view text, std::size_t limit);

}  // namespace tessel
