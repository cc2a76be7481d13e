// The waterfall of a real stream from the stand-in through the plug-in while the
// output rate changes twice: the plug-in is made to change it by a settings file and
// a later InitHW, which clicks the rate button the file names. The picture is left
// in the test's folder as waterfall-rate-change.png.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <fstream>
#include <string>
#include <vector>

#include "tools/host/PluginApi.h"
#include "tools/host/PngFile.h"
#include "tools/host/Waterfall.h"
#include "tools/host/WaterfallPicture.h"

namespace tessel::host {
namespace {

PluginApi plugin{};
WaterfallBuilder waterfall;
int32_t rate = 0;
std::vector<double> change_seconds;  // stream time of each announced rate change

void __cdecl OnPlugin(int32_t count, int32_t status, float, int16_t* samples) {
  if (count == -1 && status == 100) {
    rate = plugin.GetHWSR();
    change_seconds.push_back(waterfall.Seconds());
  } else if (count > 0 && samples != nullptr) {
    waterfall.AddBlock(samples, static_cast<std::size_t>(count) / 2, rate);
  }
}

void Pump(DWORD ms) {
  DWORD end = GetTickCount() + ms;
  for (DWORD now = GetTickCount(); static_cast<int32_t>(end - now) > 0; now = GetTickCount()) {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
    MsgWaitForMultipleObjects(0, nullptr, FALSE, end - now, QS_ALLINPUT);
  }
}

std::string SettingsPath() {
  char exe[MAX_PATH];
  std::string path(exe, GetModuleFileNameA(nullptr, exe, MAX_PATH));
  return path.substr(0, path.find_last_of('\\') + 1) + "Tessel-Calder_Marlo.ini";
}

// Names the rate for the next InitHW to choose, as a user's earlier session would.
void InitWithRate(int32_t srate) {
  std::ofstream(SettingsPath()) << "[Parameters]\r\nSrate=" << srate
                                << "\r\nPreamp=1\r\nHFGain=-10\r\nIFGain=24\r\n";
  char name[256] = {}, model[256] = {};
  int32_t type = 0;
  ASSERT_TRUE(plugin.InitHW(name, model, &type)) << name;
}

TEST(WaterfallOfTheStandIn, RateChangesNarrowTheBandAndDropTheCarrierBeyondIt) {
  DeleteFileA(SettingsPath().c_str());
  SetEnvironmentVariableW(L"CALDER_SIM_CARRIER_HZ", L"10000");
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  std::string dll = "Z:" + std::string(TESSEL_PLUGIN_PATH);
  for (char& c : dll) c = c == '/' ? '\\' : c;
  HMODULE module = LoadLibraryA(dll.c_str());
  ASSERT_NE(module, nullptr) << dll;
  std::string missing;
  ASSERT_TRUE(ResolvePluginApi(module, &plugin, &missing)) << missing;
  char name[256] = {}, model[256] = {};
  int32_t type = 0;
  ASSERT_TRUE(plugin.InitHW(name, model, &type)) << name;
  plugin.SetCallback(&OnPlugin);
  rate = plugin.GetHWSR();
  plugin.StartHW(7100000);
  Pump(1500);
  InitWithRate(37793);  // the carrier at +10 kHz is still inside the band
  Pump(1500);
  InitWithRate(16276);  // now beyond 0.45 times the rate: filtered out
  Pump(1500);
  plugin.StopHW();
  plugin.CloseHW();
  DeleteFileA(SettingsPath().c_str());
  ASSERT_EQ(change_seconds.size(), 2u);
  EXPECT_EQ(rate, 16276);

  auto levels = waterfall.LevelsDb();
  double rs = waterfall.RowSeconds();
  EXPECT_EQ(waterfall.SpanHz(), 158730);
  int carrier = ColumnOf(10000, 158730, WaterfallBuilder::kColumns);
  int outside_37793 = ColumnOf(-20000, 158730, WaterfallBuilder::kColumns);
  int rows_checked[3] = {};
  for (std::size_t r = 0; r < levels.size(); ++r) {
    double start = r * rs, end = start + rs;
    const auto& row = levels[r];
    int brightest = 0;
    for (int c = 1; c < WaterfallBuilder::kColumns; ++c)
      if (!std::isnan(row[c]) && (std::isnan(row[brightest]) || row[c] > row[brightest]))
        brightest = c;
    if (end <= change_seconds[0]) {
      EXPECT_NEAR(brightest, carrier, 1) << "row " << r << " at 158730 Hz";
      EXPECT_FALSE(std::isnan(row[outside_37793]));
      ++rows_checked[0];
    } else if (start >= change_seconds[0] && end <= change_seconds[1]) {
      EXPECT_NEAR(brightest, carrier, 1) << "row " << r << " at 37793 Hz";
      EXPECT_TRUE(std::isnan(row[outside_37793])) << "row " << r;
      ++rows_checked[1];
    } else if (start >= change_seconds[1]) {
      EXPECT_TRUE(std::isnan(row[carrier])) << "row " << r << " at 16276 Hz";
      EXPECT_LT(row[brightest], -60) << "only noise is left, row " << r;
      ++rows_checked[2];
    }
  }
  for (int rows : rows_checked) EXPECT_GT(rows, 20);

  Picture picture = ComposeWaterfall(
      levels, ChooseScale(levels),
      {waterfall.SpanHz(), rs,
       "Tuned to 7100000 Hz, output rate 158730 -> 37793 -> 16276 Hz; one row per 20 ms, "
       "levels in dB of full scale"});
  std::string error;
  EXPECT_TRUE(WritePicturePng(picture, "waterfall-rate-change.png", &error)) << error;
}

}  // namespace
}  // namespace tessel::host
