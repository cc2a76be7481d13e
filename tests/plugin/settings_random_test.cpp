// The settings file read through the real profile functions on random texts: files
// generated with values of every length and shape, and the committed fuzz seeds with
// random damage. Each value must read as the number rule says of its text, however
// long, wherever the key stands; damaged files must be read without harm.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "plugin/IniNumber.h"
#include "plugin/Settings.h"

namespace tessel {
namespace {

constexpr int kFields = static_cast<int>(std::size(kSettingFields));

class SettingsFileTest : public testing::Test {
 protected:
  void TearDown() override {
    Forget();
    ::DeleteFileW(path_.c_str());
  }

  // Replaces the file beside the executable with `text`.
  void Write(const std::string& text) {
    Forget();
    std::ofstream(std::filesystem::path(path_), std::ios::binary) << text;
  }

  // Makes the profile functions drop what they hold of the file, so that a rewrite
  // within the file system's time resolution is still read anew.
  void Forget() { ::WritePrivateProfileStringW(nullptr, nullptr, nullptr, path_.c_str()); }

  const std::wstring path_ = SettingsPathFor(ExecutablePath());
  std::mt19937 rng_{20261207};

  int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

  // A value the profile functions hand back verbatim: no blank or quote at either
  // end, no comment or line break; digits, signs, blanks and other text mixed.
  std::string RandomValue() {
    static constexpr char kInner[] = "0123456789+- xabHz.=#[]";
    std::string v;
    switch (Pick(6)) {
      case 0:
        return v;  // empty
      case 1:      // a number far past any buffer, zero padded
        v = std::string(static_cast<size_t>(200 + Pick(4) * 20000), '0') +
            std::to_string(Pick(100000));
        break;
      case 2:  // a large magnitude
        if (Pick(2)) v = "-";
        v.append(static_cast<size_t>(8 + Pick(20)), '9');
        break;
      default:
        for (int n = 1 + Pick(12); n > 0; --n) v += kInner[Pick(sizeof kInner - 1)];
    }
    while (!v.empty() && v.back() == ' ') v.pop_back();
    while (!v.empty() && v.front() == ' ') v.erase(v.begin());
    return v;
  }
};

TEST_F(SettingsFileTest, GeneratedValuesReadAsTheNumberRuleSaysAtAnyLength) {
  for (int round = 0; round < 120; ++round) {
    std::array<std::string, kFields> values;
    std::array<bool, kFields> present{};
    std::vector<std::string> lines;
    for (int i = 0; i < kFields; ++i) {
      values[i] = RandomValue();
      present[i] = Pick(8) != 0;
      if (present[i]) lines.push_back(std::string(kSettingFields[i].Key) + "=" + values[i]);
    }
    std::shuffle(lines.begin(), lines.end(), rng_);
    // Other sections and comments around ours; one of them repeats our keys.
    std::string text = Pick(2) ? "; comment\r\n[Other]\r\nSrate=1\r\nHFGain=2\r\n" : "";
    text += "[Parameters]\r\n";
    for (const std::string& line : lines) text += line + (Pick(2) ? "\r\n" : "\n");
    if (Pick(2)) text += "[Tail]\r\nIFGain=3\r\n";
    Write(text);

    ReceiverSettings state;
    ASSERT_TRUE(LoadSettings(SettingsFilePath(), state));
    for (int i = 0; i < kFields; ++i) {
      ReceiverSettings want;  // the value as the state stores it (Preamp is a flag)
      kSettingFields[i].Set(want, ReadIniNumber(present[i] ? values[i] : ""));
      EXPECT_EQ(kSettingFields[i].Get(state), kSettingFields[i].Get(want))
          << kSettingFields[i].Key << "=" << values[i].substr(0, 40) << " (" << values[i].size()
          << " characters, " << (present[i] ? "present" : "missing") << ")";
    }
  }
}

TEST_F(SettingsFileTest, DamagedFilesAreReadWithoutHarmAndLeaveNoTrace) {
  std::vector<std::string> seeds;
  for (const auto& entry : std::filesystem::directory_iterator(TESSEL_SETTINGS_SEEDS)) {
    std::ifstream file(entry.path(), std::ios::binary);
    seeds.emplace_back(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }
  ASSERT_FALSE(seeds.empty());
  for (int round = 0; round < 150; ++round) {
    std::string text = seeds[Pick(static_cast<int>(seeds.size()))];
    for (int n = 1 + Pick(8); n > 0; --n) {
      const size_t at = text.empty() ? 0 : static_cast<size_t>(Pick(static_cast<int>(text.size())));
      const char byte = static_cast<char>(Pick(256));
      switch (Pick(3)) {
        case 0:
          text.insert(at, static_cast<size_t>(1 + Pick(3) * Pick(300)), byte);
          break;
        case 1:
          if (!text.empty()) text.erase(at, 1);
          break;
        default:
          if (!text.empty()) text[at] = byte;
      }
    }
    Write(text);
    ReceiverSettings state;
    ASSERT_TRUE(LoadSettings(SettingsFilePath(), state)) << round;
  }
  // Nothing of the damaged files is held: a clean file reads as it stands.
  Write("[Parameters]\r\nSrate=37793\r\nPreamp=0\r\nHFGain=-20\r\nIFGain=6\r\n");
  ReceiverSettings state;
  ASSERT_TRUE(LoadSettings(SettingsFilePath(), state));
  EXPECT_EQ(state.SampleRate, 37793);
  EXPECT_FALSE(state.PreampOn);
  EXPECT_EQ(state.HfGain, -20);
  EXPECT_EQ(state.IfGain, 6);
}

}  // namespace
}  // namespace tessel
