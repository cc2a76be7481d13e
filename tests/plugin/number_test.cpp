// The settings file's path and the plug-in's small text rules.
#include <gtest/gtest.h>

#include <cstring>

#include "plugin/HostText.h"
#include "plugin/Settings.h"
#include "receiver/ReceiverFacts.h"

namespace tessel {
namespace {

TEST(SettingsPathFor, CutsAfterTheLastBackslashOrColon) {
  EXPECT_EQ(SettingsPathFor("C:\\Radio\\host.exe"), "C:\\Radio\\Tessel-Calder_Marlo.ini");
  EXPECT_EQ(SettingsPathFor("C:host.exe"), "C:Tessel-Calder_Marlo.ini");
  EXPECT_EQ(SettingsPathFor("host.exe"), "Tessel-Calder_Marlo.ini");
  std::string deep = "C:\\" + std::string(300, 'a') + "\\" + std::string(300, 'b') + "\\h.exe";
  std::string path = SettingsPathFor(deep);
  EXPECT_EQ(path.size(), deep.size() - 5 + 23) << "no length limit of its own";
  EXPECT_EQ(path.substr(path.size() - 24), "\\Tessel-Calder_Marlo.ini");
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
