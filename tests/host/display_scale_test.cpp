// The settings window at the display scales users run: the host tool's screenshot and
// the accessible objects' places with the Wine prefix set to 96, 120, 144 and 192 DPI.
// The prefix's DPI is read by each process when it starts, so every run is a new host
// process; the value this test finds is put back afterwards, also when a check fails,
// and a copy of it on disk lets the cleanup test put it back after a crash.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <fstream>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "framework/DpiScale.h"
#include "tests/host/PngRead.h"
#include "tests/host/ToolRun.h"
#include "tests/plugin/AccessTree.h"

namespace tessel::host {
namespace {

constexpr wchar_t kDesktopKey[] = L"Control Panel\\Desktop";
constexpr wchar_t kLogPixels[] = L"LogPixels";
// Where the value found is kept while this test has changed it.
constexpr char kSavedDpiFile[] = "display-scale-saved-dpi.txt";

std::optional<DWORD> ReadPrefixDpi() {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kDesktopKey, kLogPixels, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS)
    return std::nullopt;
  return value;
}

// Writes the prefix's DPI, or removes the value (the system's default) for nothing.
bool WritePrefixDpi(std::optional<DWORD> dpi) {
  HKEY key = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, kDesktopKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                      nullptr) != ERROR_SUCCESS)
    return false;
  LONG result = dpi ? RegSetValueExW(key, kLogPixels, 0, REG_DWORD,
                                     reinterpret_cast<const BYTE*>(&*dpi), sizeof(DWORD))
                    : RegDeleteValueW(key, kLogPixels);
  RegCloseKey(key);
  return result == ERROR_SUCCESS || (!dpi && result == ERROR_FILE_NOT_FOUND);
}

// Sets the prefix's DPI for its lifetime and puts back what was there.
class PrefixDpi {
 public:
  explicit PrefixDpi(DWORD dpi) : saved_(ReadPrefixDpi()) {
    std::ofstream(kSavedDpiFile) << (saved_ ? static_cast<long>(*saved_) : -1L);
    ok_ = WritePrefixDpi(dpi);
  }
  ~PrefixDpi() {
    if (WritePrefixDpi(saved_)) DeleteFileA(kSavedDpiFile);
  }
  PrefixDpi(const PrefixDpi&) = delete;
  PrefixDpi& operator=(const PrefixDpi&) = delete;
  bool ok() const { return ok_; }

 private:
  std::optional<DWORD> saved_;
  bool ok_ = false;
};

// One element of the accessible tree: its line without the place, and the place.
struct Element {
  std::string what;
  int x, y, w, h;
};

std::vector<Element> ParseTree(const std::string& tree) {
  static const std::regex line(R"(^(.*) @(-?\d+),(-?\d+) (-?\d+)x(-?\d+)$)");
  std::vector<Element> out;
  std::istringstream in(tree);
  std::string text;
  std::smatch m;
  while (std::getline(in, text)) {
    if (std::regex_match(text, m, line))
      out.push_back({m[1], std::stoi(m[2]), std::stoi(m[3]), std::stoi(m[4]), std::stoi(m[5])});
  }
  return out;
}

// The visible settings window.
bool IsSettingsWindow(HWND window) {
  wchar_t title[128] = L"";
  GetWindowTextW(window, title, 128);
  return IsWindowVisible(window) &&
         std::wstring(title).find(L"Calder/Marlo Hardware Settings") != std::wstring::npos;
}

// The host tool's own main window: closing it ends the tool's run.
bool IsHostWindow(HWND window) {
  wchar_t name[64] = L"";
  GetClassNameW(window, name, 64);
  return std::wstring(name) == L"TesselHost";
}

struct FindWindowOf {
  DWORD process;
  bool (*matches)(HWND);
  HWND found = nullptr;
};

// Keeps the first window of the searched process that matches.
BOOL CALLBACK FindFirstWindow(HWND window, LPARAM param) {
  auto* s = reinterpret_cast<FindWindowOf*>(param);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner == s->process && s->matches(window)) {
    s->found = window;
    return FALSE;
  }
  return TRUE;
}

// The first top-level window of process `pid` that `matches`, or null.
HWND WindowOf(DWORD pid, bool (*matches)(HWND)) {
  FindWindowOf search{pid, matches};
  EnumWindows(FindFirstWindow, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

struct Shot {
  std::optional<PngPixels> picture;
  std::vector<Element> tree;
  std::string output;
};

// Runs the host tool, which saves the window's screenshot and keeps it open while it
// streams; meanwhile the window's accessible tree is read from here, a third process.
// The tool streams until it is told to end: its main window is closed once the tree
// has been read.
Shot RunAtPrefixDpi(int dpi) {
  Shot shot;
  PrefixDpi prefix(static_cast<DWORD>(dpi));
  EXPECT_TRUE(prefix.ok()) << "cannot set the prefix's DPI";
  const std::wstring png = L"display-scale-" + std::to_wstring(dpi) + L".png";
  DeleteFileW(png.c_str());
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  OwnCopy(TESSEL_PLUGIN_PATH);
  std::wstring command = L"\"" + OwnCopy(TESSEL_HOST_PATH) +
                         L"\" --until-closed --out display-scale.wav --screenshot " + png;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    ADD_FAILURE() << "the host tool does not start";
    return shot;
  }
  // The picture is written once the window shows; the tree is read while it stays.
  HWND window = nullptr;
  for (int i = 0; i < 300 && !window; ++i) {
    if (GetFileAttributesW(png.c_str()) != INVALID_FILE_ATTRIBUTES)
      window = WindowOf(process.dwProcessId, IsSettingsWindow);
    if (!window) Sleep(20);
  }
  EXPECT_NE(window, nullptr) << "no settings window at " << dpi << " DPI";
  if (window) shot.tree = ParseTree(testing::ReadAccessibleTree(window));
  HWND host = nullptr;
  for (int i = 0; i < 500 && !host; ++i) {
    host = WindowOf(process.dwProcessId, IsHostWindow);
    if (!host) Sleep(20);
  }
  EXPECT_NE(host, nullptr) << "no host window at " << dpi << " DPI";
  if (host) PostMessageW(host, WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process.hProcess, 60000) != WAIT_OBJECT_0) {
    ADD_FAILURE() << "the host tool does not end at " << dpi << " DPI";
    TerminateProcess(process.hProcess, 1);
  }
  DWORD code = ~0u;
  GetExitCodeProcess(process.hProcess, &code);
  EXPECT_EQ(code, 0u) << "the host tool at " << dpi << " DPI";
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  shot.picture = ReadPng(png);
  DeleteFileW(L"display-scale.wav");
  return shot;
}

TEST(DisplayScale, TheWindowIsLaidOutAtThePrefixsDpi) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  constexpr int kBaseWidth = 363, kBaseHeight = 324;
  constexpr uint32_t kBackground = 0x3C3C3C;  // the window's own colour
  const Shot base = RunAtPrefixDpi(96);
  ASSERT_TRUE(base.picture);
  ASSERT_FALSE(base.tree.empty());

  // The 96-DPI window is today's, pixel for pixel.
  const auto today = ReadPng(BuildPath(TESSEL_SETTINGS_PICTURE));
  ASSERT_TRUE(today);
  EXPECT_EQ(base.picture->width, today->width);
  EXPECT_EQ(base.picture->height, today->height);
  EXPECT_TRUE(base.picture->bgr == today->bgr)
      << "the 96-DPI window differs from " << TESSEL_SETTINGS_PICTURE;

  std::string table = "DPI  client area (want)\n";
  for (int dpi : {96, 120, 144, 192}) {
    const fw::DpiScale scale(dpi);
    const Shot shot = dpi == 96 ? base : RunAtPrefixDpi(dpi);
    ASSERT_TRUE(shot.picture) << dpi << " DPI: no screenshot";
    const PngPixels& p = *shot.picture;
    char row[96];
    std::snprintf(row, sizeof row, "%3d  %u x %u (%d x %d)\n", dpi, p.width, p.height,
                  scale.Apply(kBaseWidth), scale.Apply(kBaseHeight));
    table += row;
    // The client area is the 96-DPI one times the factor.
    EXPECT_NEAR(static_cast<int>(p.width), scale.Apply(kBaseWidth), 1) << dpi << " DPI";
    EXPECT_NEAR(static_cast<int>(p.height), scale.Apply(kBaseHeight), 1) << dpi << " DPI";

    // Each control's place scales as the window does: one pixel of rounding per 96 DPI.
    // A label that sizes itself to its text is as wide as the text at the scaled font,
    // whose glyphs are fitted to whole pixels at each size: its far edges may stray
    // by a twentieth of its size more.
    const int slack = (dpi + 95) / 96;
    ASSERT_EQ(shot.tree.size(), base.tree.size()) << dpi << " DPI";
    for (std::size_t i = 0; i < base.tree.size(); ++i) {
      const Element& b = base.tree[i];
      const Element& e = shot.tree[i];
      ASSERT_EQ(e.what, b.what) << dpi << " DPI";
      const bool text_sized = e.what.find("static text") != std::string::npos;
      const int w_slack = slack + (text_sized ? scale.Apply(b.w) / 20 : 0);
      const int h_slack = slack + (text_sized ? scale.Apply(b.h) / 20 : 0);
      EXPECT_NEAR(e.x, scale.Apply(b.x), slack) << dpi << " DPI: " << e.what;
      EXPECT_NEAR(e.y, scale.Apply(b.y), slack) << dpi << " DPI: " << e.what;
      EXPECT_NEAR(e.x + e.w, scale.Apply(b.x + b.w), w_slack) << dpi << " DPI: " << e.what;
      EXPECT_NEAR(e.y + e.h, scale.Apply(b.y + b.h), h_slack) << dpi << " DPI: " << e.what;
    }

    // No ink outside the controls: every pixel the window's own colour does not
    // explain lies inside one of them (the client object itself excepted).
    int stray = 0;
    std::string first;
    for (int y = 0; y < static_cast<int>(p.height); ++y) {
      for (int x = 0; x < static_cast<int>(p.width); ++x) {
        if (p.At(x, y) == kBackground) continue;
        bool inside = false;
        for (std::size_t i = 1; i < shot.tree.size() && !inside; ++i) {
          const Element& e = shot.tree[i];
          inside = x >= e.x && x < e.x + e.w && y >= e.y && y < e.y + e.h;
        }
        if (!inside && stray++ == 0) first = std::to_string(x) + "," + std::to_string(y);
      }
    }
    EXPECT_EQ(stray, 0) << dpi << " DPI: pixels drawn outside every control, the first at "
                        << first;
  }
  std::printf("%s", table.c_str());
  CoUninitialize();
}

// Puts back a prefix DPI that a crashed run of the test above left behind.
TEST(DisplayScaleCleanup, ADpiLeftBehindIsPutBack) {
  std::ifstream saved(kSavedDpiFile);
  if (!saved) GTEST_SKIP() << "nothing was left behind";
  long value = 0;
  saved >> value;
  saved.close();
  std::optional<DWORD> dpi;
  if (value > 0) dpi = static_cast<DWORD>(value);
  ASSERT_TRUE(WritePrefixDpi(dpi));
  EXPECT_EQ(ReadPrefixDpi(), dpi);
  DeleteFileA(kSavedDpiFile);
}

}  // namespace
}  // namespace tessel::host
