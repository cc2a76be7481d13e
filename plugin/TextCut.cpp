#include "plugin/TextCut.h"

namespace tessel {
namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// How many bytes a UTF-8 sequence beginning with `byte` claims; 1 for a byte that
// begins none.
std::size_t SequenceLength(unsigned char byte) {
  if (byte >= 0xF0 && byte <= 0xF7) return 4;
  if (byte >= 0xE0) return byte <= 0xEF ? 3 : 1;
  if (byte >= 0xC0) return 2;
  return 1;
}

}  // namespace

std::size_t DoubleByteCut(std::string_view text, std::size_t limit, const LeadBytes& lead) {
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t step = lead[static_cast<unsigned char>(text[at])] ? 2 : 1;
    if (at + step > text.size()) step = text.size() - at;
    if (at + step > limit) break;
    at += step;
  }
  return at;
}

std::size_t Utf8Cut(std::string_view text, std::size_t limit) {
  if (limit >= text.size()) return text.size();
  // The byte at the cut begins a character unless it continues one; a sequence is
  // at most four bytes, so its start is at most three bytes back.
  std::size_t start = limit;
  while (start > 0 && limit - start < 3 && IsContinuation(static_cast<unsigned char>(text[start])))
    --start;
  if (start == limit) return limit;
  return start + SequenceLength(static_cast<unsigned char>(text[start])) > limit ? start : limit;
}

}  // namespace tessel
