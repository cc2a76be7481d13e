// A host installed in a folder whose name the system code page cannot spell: the
// host tool finds the plug-in beside it, the plug-in keeps its settings file beside
// the host, and the outputs go where they are named.
#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "framework/TextEncoding.h"
#include "tests/host/ToolRun.h"

namespace tessel::host {
namespace {

namespace fs = std::filesystem;

std::set<std::wstring> Names(const fs::path& folder) {
  std::set<std::wstring> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename());
  return names;
}

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The file's lines without their CR LF ends, blank ones left out.
std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

// What the settings file holds, or why it is not as the plug-in writes it: plain
// ASCII without a byte-order mark, whatever the folder is called.
std::vector<std::string> SettingsLines(const fs::path& file) {
  std::string text = Bytes(file);
  for (unsigned char c : text) {
    if (c >= 0x80) return {"not ASCII: " + text};
  }
  return Lines(text);
}

std::wstring Quoted(const fs::path& path) {
  return L"\"" + path.wstring() + L"\"";
}

TEST(HostTool, InAFolderInAnyLanguageItsPluginAndSettingsFileAreBesideIt) {
  const fs::path base = fs::current_path() / L"any-folder";
  fs::remove_all(base);
  const fs::path host = base / L"Радио 受信機";
  const fs::path start = base / L"start";
  const fs::path out = base / L"Ausgabe 出力";
  for (const fs::path& folder : {host, start, out}) ASSERT_TRUE(fs::create_directories(folder));
  const fs::path built_plugin = BuildPath(TESSEL_PLUGIN_PATH);
  fs::copy_file(BuildPath(TESSEL_HOST_PATH), host / L"TesselHost.exe");
  fs::copy_file(built_plugin, host / L"Tessel_Calder.dll");
  // The plug-in's own folder must never get a settings file of this host's.
  const fs::path beside_built_plugin = built_plugin.parent_path() / L"Tessel-Calder_Marlo.ini";
  fs::remove(beside_built_plugin);
  const fs::path settings = host / L"Tessel-Calder_Marlo.ini";
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");

  // First run, from another current folder: the plug-in beside the tool, no file yet.
  ToolRun run = RunProgram((host / L"TesselHost.exe").wstring(),
                           L"--seconds 1 --out " + Quoted(out / L"iq 1.wav") + L" --waterfall " +
                               Quoted(out / L"waterfall 1.png"),
                           start.wstring());
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_NE(run.output.find("loaded " + fw::ToUtf8((host / L"Tessel_Calder.dll").wstring())),
            std::string::npos)
      << run.output;
  EXPECT_NE(run.output.find("GetHWSR: 158730 Hz"), std::string::npos) << run.output;
  EXPECT_EQ(SettingsLines(settings),
            (std::vector<std::string>{"[Parameters]", "Srate=158730", "Preamp=1", "HFGain=-10",
                                      "IFGain=24"}));
  EXPECT_EQ(Names(host), (std::set<std::wstring>{L"TesselHost.exe", L"Tessel_Calder.dll",
                                                 L"Tessel-Calder_Marlo.ini"}));
  EXPECT_EQ(Names(out), (std::set<std::wstring>{L"iq 1.wav", L"waterfall 1.png"}));
  EXPECT_GT(fs::file_size(out / L"iq 1.wav"), 44u + 4u * 100000u) << "a second of I/Q";
  EXPECT_EQ(Bytes(out / L"waterfall 1.png").substr(1, 3), "PNG");

  // The user's rate in the file; the next start, with the plug-in loaded from a plain
  // folder, reads it back from beside the host and writes it there again.
  ASSERT_TRUE(WritePrivateProfileStringW(L"Parameters", L"Srate", L"37793", settings.c_str()));
  run = RunProgram(
      (host / L"TesselHost.exe").wstring(),
      L"--seconds 1 --dll " + Quoted(built_plugin) + L" --out " + Quoted(out / L"iq 2.wav"),
      start.wstring());
  ASSERT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_NE(run.output.find("GetHWSR: 37793 Hz"), std::string::npos) << run.output;
  EXPECT_EQ(SettingsLines(settings),
            (std::vector<std::string>{"[Parameters]", "Srate=37793", "Preamp=1", "HFGain=-10",
                                      "IFGain=24"}));

  // Nothing anywhere else: not in the current folder, not beside the plug-in.
  EXPECT_TRUE(Names(start).empty());
  EXPECT_FALSE(fs::exists(beside_built_plugin));
  EXPECT_EQ(Names(host).size(), 3u);
  EXPECT_EQ(Names(out), (std::set<std::wstring>{L"iq 1.wav", L"waterfall 1.png", L"iq 2.wav"}));
  EXPECT_EQ(Names(base), (std::set<std::wstring>{L"Радио 受信機", L"start", L"Ausgabe 出力"}));
  fs::remove_all(base);
}

}  // namespace
}  // namespace tessel::host
