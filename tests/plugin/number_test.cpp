// The settings file's number reading and the plug-in's small text rules.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "plugin/IniNumber.h"
#include "plugin/Plugin.h"
#include "plugin/Settings.h"

namespace tessel {
namespace {

TEST(ReadIniNumber, FollowsTheReadingRule) {
  struct Row {
    const char* text;
    int32_t value;
  };
  const Row rows[] = {
      {"158730", 158730},
      {"158730 Hz", 158730},
      {"1", 1},
      {"  1", 1},
      {"\t+1", 1},
      {"001", 1},
      {"1abc", 1},
      {" +001x", 1},
      {"-15", -15},
      {"  -10 dB", -10},
      {"0", 0},
      {"2", 2},
      {"true", 0},
      {"", 0},
      {"   ", 0},
      {"+", 0},
      {"-", 0},
      {"- 5", 0},
      {"+-5", 0},
      {"x12", 0},
      {"12 34", 12},
      {"\r\n7", 7},
      {"2147483647", INT32_MAX},
      {"-2147483648", INT32_MIN},
      {"2147483648", INT32_MAX},
      {"-2147483649", INT32_MIN},
      {"99999999999999999999999", INT32_MAX},
      {"-99999999999999999999999", INT32_MIN},
      {"000000000000000000000042", 42},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ReadIniNumber(row.text), row.value) << "'" << row.text << "'";
  }
}

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
