// The settings file's path and the plug-in's small text rules.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/Plugin.h"
#include "plugin/Settings.h"

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
