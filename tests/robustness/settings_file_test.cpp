// Settings files that no one should have to write but some host machine will
// have: long lines, binary bytes, huge numbers, repeated keys and sections, odd
// line ends, a read-only file, a folder in the file's place, and seeded random
// damage. The plug-in must start and close without harm and keep every other
// section and key through its save, with its own four keys valid afterwards.
#include <gtest/gtest.h>

#include <windows.h>

#include <random>

#include "testing/HostWatch.h"
#include "testing/PluginHost.h"
#include "testing/ProfileContent.h"
#include "testing/WindowInput.h"

namespace tessel::testing {
namespace {

using namespace std::string_literals;

struct SessionOutcome {
  bool init_ok = false;
  int32_t rate = 0;
};

// A host session with the file as it is: InitHW, CloseHW, unload.
SessionOutcome RunSession(HostWatch& watch, const std::string& what) {
  watch.Note(what);
  SetEnv(L"CALDER_SIM_STATUS", L"1");
  SetEnv(L"CALDER_SIM_DEVICE", L"Calder");
  for (const wchar_t* off : {L"CALDER_SIM_FAIL", L"CALDER_SIM_FAIL_SWITCH", L"CALDER_SIM_LOG"})
    SetEnvironmentVariableW(off, nullptr);
  SessionOutcome outcome;
  outcome.init_ok = Init().ok;
  outcome.rate = Plugin().GetHWSR();
  Plugin().CloseHW();
  EXPECT_TRUE(UnloadPlugin()) << what;
  return outcome;
}

// Writes `text`, runs a session and checks what the save kept.
void CheckFile(HostWatch& watch, const std::string& what, const std::string& text) {
  RemoveSettings();
  WriteFileText(SettingsPath(), text);
  const ProfileContent before = ReadProfile(SettingsPath());
  SessionOutcome outcome = RunSession(watch, what);
  EXPECT_TRUE(outcome.init_ok) << what;
  const ProfileContent after = ReadProfile(SettingsPath());
  EXPECT_EQ(after.WithoutPluginKeys(), before.WithoutPluginKeys()) << what << ": before\n"
                                                                   << before.Describe() << "after\n"
                                                                   << after.Describe();
  EXPECT_EQ(CheckPluginKeys(after), "") << what;
  const std::string* rate = after.Find("Parameters", "Srate");
  if (rate != nullptr) {
    EXPECT_EQ(*rate, std::to_string(outcome.rate)) << what;
  }
}

std::string Repeat(char c, std::size_t n) {
  return std::string(n, c);
}

TEST(SettingsFile, OddFilesKeepTheirOtherContentThroughASave) {
  HostWatch watch;
  const std::string kTail = "[Tail]\r\nlast=1\r\n";
  const std::pair<const char*, std::string> kFiles[] = {
      {"long lines", "[Other]\r\nlong=" + Repeat('v', 100000) + "\r\n" + Repeat('k', 5000) +
                         "=x\r\n[Parameters]\r\nSrate=158730" + Repeat('9', 70000) +
                         "\r\nIFGain=" + Repeat(' ', 40000) + "6\r\n" + kTail},
      {"binary bytes",
       "[Bin]\r\nraw=\x01\x02\x7f\x80\xfe\xff\r\nnul=a\0b\r\n[Parameters]\r\nSrate=\xff\xfe\r\n"
       "HFGain=-2\x00"
       "0\r\nPreamp=\x01\r\n"s +
           kTail},
      {"huge numbers",
       "[Parameters]\r\nSrate=99999999999999999999999\r\nPreamp=18446744073709551617\r\n"
       "HFGain=-99999999999999999999\r\nIFGain=4294967296\r\n" +
           kTail},
      {"repeated keys and sections",
       "[Parameters]\r\nSrate=8138\r\nSrate=16276\r\nsrate=37793\r\n[Other]\r\na=1\r\n"
       "[PARAMETERS]\r\nHFGain=-30\r\nExtra=x\r\n[Other]\r\nb=2\r\n" +
           kTail},
      {"no line ends", "[Parameters]Srate=8138 HFGain=-30 [Other] a=1"},
      {"a last line without its end", "[Other]\r\na=1\r\n[Parameters]\r\nSrate=16276\r\nExtra=1"},
      {"bare line feeds and carriage returns",
       "[Other]\na=1\n[Parameters]\rSrate=55555\rIFGain=18\n" + kTail},
      {"a byte-order mark", "\xef\xbb\xbf[Parameters]\r\nSrate=111111\r\n" + kTail},
      {"only the section header", "[Parameters]"},
      {"an empty file", ""},
      {"keys before any section", "Srate=8138\r\nloose=1\r\n[Parameters]\r\nIFGain=0\r\n" + kTail},
  };
  for (const auto& [what, text] : kFiles) CheckFile(watch, what, text);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  RemoveSettings();
}

TEST(SettingsFile, ARandomlyDamagedFileKeepsItsOtherContent) {
  HostWatch watch;
  const std::string base =
      "; comment\r\n[Host]\r\nwindow=1,2,3,4\r\nname=Main\r\n[Parameters]\r\nSrate=37793\r\n"
      "Preamp=1\r\nHFGain=-20\r\nIFGain=12\r\nExtra=keep\r\n[Tail]\r\nlast=1\r\n";
  std::mt19937 rng(20261207);
  auto below = [&](std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng);
  };
  constexpr int kFiles = 60;
  for (int i = 0; i < kFiles; ++i) {
    std::string text = base;
    for (int m = 0, count = 1 + static_cast<int>(below(4)); m < count; ++m) {
      std::size_t at = below(text.size() + 1);
      switch (below(5)) {
        case 0:  // random bytes
          for (std::size_t n = 1 + below(8); n > 0; --n)
            text.insert(text.begin() + static_cast<std::ptrdiff_t>(at),
                        static_cast<char>(below(256)));
          break;
        case 1:  // a line repeated
          if (std::size_t start = text.rfind('\n', at); start != std::string::npos) {
            std::size_t end = text.find('\n', start + 1);
            if (end != std::string::npos) text.insert(end + 1, text.substr(start + 1, end - start));
          }
          break;
        case 2:  // a line end lost
          if (std::size_t cr = text.find("\r\n", at); cr != std::string::npos) text.erase(cr, 2);
          break;
        case 3:  // a long run of digits
          text.insert(at, Repeat('7', 1 + below(3000)));
          break;
        default:  // the rest cut off
          text.resize(at);
          break;
      }
    }
    CheckFile(watch, "damaged file " + std::to_string(i), text);
  }
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  RemoveSettings();
}

// As root a read-only file is still written; otherwise the save fails. Either
// way the host must not notice, and the file keeps its content.
TEST(SettingsFile, AReadOnlyFileOrAFolderInItsPlaceDoNoHarm) {
  HostWatch watch;
  const std::string text = "[Other]\r\na=1\r\n[Parameters]\r\nSrate=8138\r\nPreamp=0\r\n";
  RemoveSettings();
  WriteFileText(SettingsPath(), text);
  const ProfileContent before = ReadProfile(SettingsPath());
  ASSERT_TRUE(SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_READONLY));
  SessionOutcome outcome = RunSession(watch, "read-only file");
  EXPECT_TRUE(outcome.init_ok);
  EXPECT_EQ(outcome.rate, 8138);
  const ProfileContent after = ReadProfile(SettingsPath());
  EXPECT_EQ(after.WithoutPluginKeys(), before.WithoutPluginKeys());
  EXPECT_EQ(*after.Find("Parameters", "Srate"), "8138");

  RemoveSettings();
  ASSERT_TRUE(CreateDirectoryA(SettingsPath().c_str(), nullptr));
  outcome = RunSession(watch, "a folder at the path");
  EXPECT_TRUE(outcome.init_ok);
  EXPECT_EQ(outcome.rate, 111111) << "a folder reads as a file of empty values";
  EXPECT_NE(GetFileAttributesA(SettingsPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  EXPECT_EQ(watch.FatalExceptions(), 0) << watch.FirstFatal();
  RemoveSettings();
}

}  // namespace
}  // namespace tessel::testing
