// The settings file's path and the plug-in's small text rules.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "plugin/HostText.h"
#include "plugin/Settings.h"
#include "receiver/ReceiverFacts.h"

namespace tessel {
namespace {

TEST(SettingsPathFor, CutsAfterTheLastBackslashOrColon) {
  EXPECT_EQ(SettingsPathFor(L"C:\\Radio\\host.exe"), L"C:\\Radio\\Tessel-Calder_Marlo.ini");
  EXPECT_EQ(SettingsPathFor(L"C:host.exe"), L"C:Tessel-Calder_Marlo.ini");
  EXPECT_EQ(SettingsPathFor(L"host.exe"), L"Tessel-Calder_Marlo.ini");
  EXPECT_EQ(SettingsPathFor(L"C:\\Радио 受信機\\host.exe"),
            L"C:\\Радио 受信機\\Tessel-Calder_Marlo.ini");
  // No path at all must not become a file in whatever folder is current.
  EXPECT_EQ(SettingsPathFor(L""), L"");
  std::wstring deep =
      L"C:\\" + std::wstring(300, L'a') + L"\\" + std::wstring(300, L'b') + L"\\h.exe";
  std::wstring path = SettingsPathFor(deep);
  EXPECT_EQ(path.size(), deep.size() - 5 + 23) << "no length limit of its own";
  EXPECT_EQ(path.substr(path.size() - 24), L"\\Tessel-Calder_Marlo.ini");
}

TEST(HostText, IsCutToSixtyFourBytesWithItsTerminator) {
  char buffer[80];
  std::memset(buffer, '#', sizeof buffer);
  CopyHostText(buffer, std::string(100, 'x'));
  EXPECT_EQ(std::string(buffer), std::string(63, 'x'));
  EXPECT_EQ(buffer[64], '#');
  CopyHostText(buffer, "N/A");
  EXPECT_STREQ(buffer, "N/A");
  CopyHostText(buffer, std::string(63, 'y'));
  EXPECT_EQ(std::string(buffer), std::string(63, 'y'));
  CopyHostText(nullptr, "ignored");
}

// A text in `code_page` made from UTF-16, as the receiver's model text is made.
std::string Encode(const std::wstring& text, unsigned code_page) {
  int size = WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                 0, nullptr, nullptr);
  std::string bytes(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  WideCharToMultiByte(code_page, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                      nullptr, nullptr);
  return bytes;
}

// The copy, read back into UTF-16: a cut inside a character would show as a broken
// last letter.
std::wstring CopiedBack(const std::string& text, unsigned code_page) {
  char buffer[80];
  std::memset(buffer, '#', sizeof buffer);
  CopyHostTextIn(buffer, text, code_page);
  EXPECT_EQ(std::memchr(buffer, '\0', 64) != nullptr, true) << "terminated within 64 bytes";
  std::string copy(buffer);
  int size = MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, copy.data(),
                                 static_cast<int>(copy.size()), nullptr, 0);
  if (copy.empty()) return {};
  if (size <= 0) return L"<broken>";
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(code_page, 0, copy.data(), static_cast<int>(copy.size()), wide.data(), size);
  return wide;
}

TEST(HostText, AModelTextIsCutBetweenCharactersOfItsCodePage) {
  // Device names that fill the buffer with letters of two bytes (Japanese code page,
  // UTF-8) or three (UTF-8), placed so that byte 63 falls inside a letter.
  const std::wstring name = L"受信機 Радио";
  for (unsigned code_page : {932u, 65001u}) {
    for (int shift = 0; shift < 3; ++shift) {
      std::wstring model = std::wstring(static_cast<std::size_t>(shift), L'x');
      while (Encode(model, code_page).size() < 80) model += name;
      std::wstring back = CopiedBack(Encode(model, code_page), code_page);
      ASSERT_NE(back, L"<broken>") << "code page " << code_page << ", shift " << shift;
      EXPECT_EQ(model.compare(0, back.size(), back), 0) << "a prefix of whole letters";
      EXPECT_GT(Encode(back, code_page).size(), 60u) << "no more cut than a letter needs";
    }
  }
}

TEST(HostText, CalderPrefixIgnoresLetterCaseAndNeedsSixCharacters) {
  EXPECT_TRUE(IsCalderModel("Calder   -   1"));
  EXPECT_TRUE(IsCalderModel("CALDER"));
  EXPECT_TRUE(IsCalderModel("calder-x"));
  EXPECT_FALSE(IsCalderModel("Calde"));
  EXPECT_FALSE(IsCalderModel(""));
  EXPECT_FALSE(IsCalderModel("Marlo   -   1"));
  EXPECT_FALSE(IsCalderModel(" Calder"));
}

}  // namespace
}  // namespace tessel
