// Where a text for the host's 64-byte buffers may be cut: never inside a character.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

#include "plugin/TextCut.h"

namespace tessel {
namespace {

// A double-byte code page shaped like the Japanese one: lead bytes 0x81-0x9F and
// 0xE0-0xFC; a trail byte may be any byte from 0x40, lead values included.
LeadBytes JapaneseLikeLeads() {
  LeadBytes lead;
  for (int b = 0x81; b <= 0x9F; ++b) lead[b] = true;
  for (int b = 0xE0; b <= 0xFC; ++b) lead[b] = true;
  return lead;
}

// The pieces one after the other (appended, which GCC 12's -Wrestrict accepts).
std::string Cat(std::initializer_list<std::string> pieces) {
  std::string text;
  for (const std::string& piece : pieces) text += piece;
  return text;
}

std::string Repeat(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

TEST(TextCut, DoubleByteTextIsCutBetweenCharactersOnly) {
  const LeadBytes lead = JapaneseLikeLeads();
  const std::string kanji = "\x8E\xF3";       // one character, its trail a lead value
  const std::string trail_lead = "\x88\x81";  // trail byte 0x81 is also a lead byte
  struct Row {
    std::string text;
    std::size_t limit;
    std::size_t expected;
    const char* what;
  };
  const Row rows[] = {
      {std::string(100, 'x'), 63, 63, "single bytes: cut at the limit"},
      {std::string(10, 'x'), 63, 10, "a short text is whole"},
      {Cat({std::string(62, 'x'), kanji}), 63, 62, "a character across the limit is left out"},
      {Cat({std::string(61, 'x'), kanji, "y"}), 63, 63, "a character that ends at the limit stays"},
      {Repeat(kanji, 40), 63, 62, "only two-byte characters: an even cut"},
      {Cat({"x", Repeat(trail_lead, 40)}), 63, 63, "trail bytes with lead values are no leads"},
      {Repeat(trail_lead, 40), 63, 62, "...counted from the start"},
      {Cat({std::string(62, 'x'), "\x82"}), 63, 63, "a lead byte that ends the text is its own"},
      {Cat({"\xA0\xB1\xDF", std::string(70, 'x')}), 63, 63, "single-byte katakana are no leads"},
      {kanji, 1, 0, "nothing fits"},
      {"", 63, 0, "empty"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DoubleByteCut(row.text, row.limit, lead), row.expected) << row.what;
  }
  // Without lead bytes (a single-byte code page) every byte is a character.
  EXPECT_EQ(DoubleByteCut(Cat({std::string(62, 'x'), kanji}), 63, LeadBytes()), 63u);
}

TEST(TextCut, Utf8TextIsCutBetweenCharactersOnly) {
  const std::string two = "\xD0\xAF";           // Я
  const std::string three = "\xE5\x8F\x97";     // 受
  const std::string four = "\xF0\x9F\x93\xBB";  // a radio, beyond the first plane
  struct Row {
    std::string text;
    std::size_t expected;
    const char* what;
  };
  const Row rows[] = {
      {std::string(100, 'x'), 63, "ASCII: cut at the limit"},
      {Cat({std::string(62, 'x'), two}), 62, "two bytes across the limit"},
      {Cat({std::string(61, 'x'), two, "y"}), 63, "two bytes ending at the limit"},
      {Cat({std::string(61, 'x'), three}), 61, "three bytes, two inside"},
      {Cat({std::string(62, 'x'), three}), 62, "three bytes, one inside"},
      {Cat({std::string(60, 'x'), three, "y"}), 63, "three bytes ending at the limit"},
      {Cat({std::string(60, 'x'), four}), 60, "four bytes, three inside"},
      {Cat({std::string(59, 'x'), four, "y"}), 63, "four bytes ending at the limit"},
      {Repeat(three, 30), 63, "21 whole characters"},
      {Repeat(two, 40), 62, "31 whole characters"},
      {Cat({std::string(60, 'x'), "\xBF\xBF\xBF\xBF\xBF"}), 63, "stray continuation bytes"},
      {Cat({std::string(62, 'x'), "\xFF\xBF"}), 63, "a byte that begins nothing"},
      {std::string(63, 'x'), 63, "exactly the limit"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(Utf8Cut(row.text, 63), row.expected) << row.what;
  }
  EXPECT_EQ(Utf8Cut(three, 2), 0u);
}

}  // namespace
}  // namespace tessel
