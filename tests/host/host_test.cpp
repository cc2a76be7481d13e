// The host tool's pure parts, and the tool itself run against the plug-in and the
// stand-in receiver.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/ToolRun.h"
#include "tools/host/Options.h"
#include "tools/host/ToneFinder.h"
#include "tools/host/Wav.h"

namespace tessel::host {
namespace {

uint32_t Read32(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24;
}
uint16_t Read16(const uint8_t* p) {
  return static_cast<uint16_t>(p[0] | p[1] << 8);
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

TEST(Wav, HeaderDescribesStereo16BitPcm) {
  auto h = WavHeader(158730, 2, 16, 4000);
  EXPECT_EQ(std::memcmp(h.data(), "RIFF", 4), 0);
  EXPECT_EQ(Read32(&h[4]), 4036u);
  EXPECT_EQ(std::memcmp(&h[8], "WAVEfmt ", 8), 0);
  EXPECT_EQ(Read32(&h[16]), 16u);
  EXPECT_EQ(Read16(&h[20]), 1);
  EXPECT_EQ(Read16(&h[22]), 2);
  EXPECT_EQ(Read32(&h[24]), 158730u);
  EXPECT_EQ(Read32(&h[28]), 158730u * 4);
  EXPECT_EQ(Read16(&h[32]), 4);
  EXPECT_EQ(Read16(&h[34]), 16);
  EXPECT_EQ(std::memcmp(&h[36], "data", 4), 0);
  EXPECT_EQ(Read32(&h[40]), 4000u);
}

TEST(Wav, WriterAppendsBlocksAndDeclaresWholeFramesOnly) {
  std::string path = "wav-writer-test.wav";
  WavWriter w;
  ASSERT_TRUE(w.Open(path, 2));
  const int16_t a[] = {1, -2, 3, -4};
  const int16_t b[] = {5, -6, 7};
  ASSERT_TRUE(w.Append(a, 4));
  ASSERT_TRUE(w.Append(b, 3));
  ASSERT_TRUE(w.Close(8138));
  std::vector<uint8_t> bytes = ReadAll(path);
  ASSERT_EQ(bytes.size(), 44u + 14u);
  EXPECT_EQ(Read32(&bytes[24]), 8138u);
  EXPECT_EQ(Read32(&bytes[40]), 12u) << "the odd value is outside the declared data";
  EXPECT_EQ(static_cast<int16_t>(Read16(&bytes[46])), -2);
  EXPECT_EQ(static_cast<int16_t>(Read16(&bytes[54])), -6);
  DeleteFileA(path.c_str());
  WavWriter bad;
  EXPECT_FALSE(bad.Open("no-such-folder\\x.wav", 2));
}

std::vector<int16_t> Tone(double hz, double rate, std::size_t pairs, double amplitude = 8000) {
  std::vector<int16_t> iq(2 * pairs);
  for (std::size_t i = 0; i < pairs; ++i) {
    double phase = 2 * 3.14159265358979 * hz * static_cast<double>(i) / rate;
    iq[2 * i] = static_cast<int16_t>(std::lround(amplitude * std::cos(phase)));
    iq[2 * i + 1] = static_cast<int16_t>(std::lround(amplitude * std::sin(phase)));
  }
  return iq;
}

TEST(Spectrum, FindsTheToneAndItsSide) {
  const struct {
    double hz;
    double rate;
    std::size_t pairs;
  } rows[] = {{10000, 158730, 158730},
              {-3000, 158730, 40000},
              {2500, 8138, 8138},
              {-90000, 196078, 100000},
              {0, 55555, 1000}};
  for (const auto& row : rows) {
    auto iq = Tone(row.hz, row.rate, row.pairs);
    std::size_t n = 1;
    while (n * 2 <= row.pairs) n *= 2;
    double bin = row.rate / static_cast<double>(n);
    EXPECT_NEAR(StrongestFrequency(iq.data(), row.pairs, row.rate), row.hz, bin)
        << row.hz << " Hz at " << row.rate;
  }
  // A weaker tone beside a strong one does not win.
  auto strong = Tone(12000, 158730, 65536, 8000);
  auto weak = Tone(-20000, 158730, 65536, 800);
  for (std::size_t i = 0; i < strong.size(); ++i) strong[i] += weak[i];
  EXPECT_NEAR(StrongestFrequency(strong.data(), 65536, 158730), 12000, 3);
  EXPECT_EQ(StrongestFrequency(strong.data(), 15, 158730), 0);
}

TEST(Options, DefaultsFlagsAndOneLineErrors) {
  HostOptions o;
  std::string error;
  ASSERT_TRUE(ParseOptions({}, &o, &error));
  EXPECT_EQ(o.seconds, 5);
  EXPECT_EQ(o.out, "iq.wav");
  EXPECT_TRUE(o.dll.empty());
  EXPECT_TRUE(o.waterfall.empty());
  ASSERT_TRUE(ParseOptions({"--seconds", "2", "--until-closed", "--open", "--freq", "-5", "--out",
                            "x.wav", "--dll", "p.dll", "--waterfall", "w.png", "--version"},
                           &o, &error));
  EXPECT_EQ(o.waterfall, "w.png");
  EXPECT_TRUE(o.version);
  EXPECT_EQ(o.seconds, 2);
  EXPECT_TRUE(o.until_closed);
  EXPECT_TRUE(o.open);
  EXPECT_EQ(o.frequency, -5);
  EXPECT_EQ(o.out, "x.wav");
  EXPECT_EQ(o.dll, "p.dll");
  const std::vector<std::vector<std::string>> bad = {
      {"--seconds"}, {"--seconds", "0"},       {"--seconds", "2x"},
      {"-x"},        {"--freq", "9999999999"}, {"--waterfall"}};
  for (const auto& args : bad) {
    HostOptions ignored;
    error.clear();
    EXPECT_FALSE(ParseOptions(args, &ignored, &error)) << args[0];
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// Runs the built host tool with `args` (ASCII) in this test's folder, from a copy of
// its own there with the plug-in beside it (and so its settings file).
ToolRun RunTool(const std::string& args) {
  OwnCopy(TESSEL_PLUGIN_PATH);
  return RunProgram(OwnCopy(TESSEL_HOST_PATH), std::wstring(args.begin(), args.end()));
}

TEST(HostTool, StreamsAndWritesAWavWithTheCarrierAtItsOffset) {
  SetEnvironmentVariableW(L"CALDER_SIM_CARRIER_HZ", L"10000");
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  std::string wav = "host-tool-test.wav";
  ToolRun run = RunTool("--seconds 2 --out " + wav);
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_NE(run.output.find("InitHW: true"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("[  1 s] blocks"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("[  2 s] blocks"), std::string::npos) << run.output;
  std::vector<uint8_t> bytes = ReadAll(wav);
  ASSERT_GT(bytes.size(), 44u + 4u * 100000u) << "about two seconds of I/Q";
  EXPECT_EQ(Read16(&bytes[22]), 2);
  EXPECT_EQ(Read16(&bytes[34]), 16);
  uint32_t rate = Read32(&bytes[24]);
  EXPECT_EQ(rate, 158730u);
  uint32_t data = Read32(&bytes[40]);
  ASSERT_EQ(data + 44u, bytes.size());
  std::size_t pairs = data / 4;
  std::size_t last = pairs < rate ? pairs : rate;
  const int16_t* iq = reinterpret_cast<const int16_t*>(&bytes[44]) + 2 * (pairs - last);
  EXPECT_NEAR(StrongestFrequency(iq, last, rate), 10000, 3);
  DeleteFileA(wav.c_str());
}

TEST(HostTool, ReportsAMissingPluginOnOneLine) {
  ToolRun run = RunTool("--dll Z:\\no\\such\\plugin.dll --seconds 1");
  EXPECT_EQ(run.exit_code, 2u);
  EXPECT_EQ(run.output.rfind("error: cannot load the plug-in Z:\\no\\such\\plugin.dll", 0), 0u)
      << run.output;
  run = RunTool("--seconds zero");
  EXPECT_EQ(run.exit_code, 1u);
  EXPECT_EQ(run.output.rfind("error: --seconds", 0), 0u) << run.output;
}

TEST(HostTool, ReportsAPictureItCannotWriteBeforeStreaming) {
  ToolRun run = RunTool("--seconds 30 --out unwritten.wav --waterfall no-such-folder\\w.png");
  EXPECT_EQ(run.exit_code, 4u);
  EXPECT_NE(run.output.find("error: cannot create no-such-folder\\w.png"), std::string::npos)
      << run.output;
  EXPECT_EQ(run.output.find("StartHW"), std::string::npos) << run.output;
  EXPECT_EQ(GetFileAttributesA("unwritten.wav"), INVALID_FILE_ATTRIBUTES);
}

TEST(HostTool, ScreenshotIsAPngOfTheWindowsClientArea) {
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  DeleteFileA("window.png");
  ToolRun run = RunTool("--seconds 1 --out shot.wav --screenshot window.png");
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  std::vector<uint8_t> png = ReadAll("window.png");
  ASSERT_GT(png.size(), 24u) << run.output;
  EXPECT_EQ(std::string(png.begin() + 1, png.begin() + 4), "PNG");
  EXPECT_EQ(std::string(png.begin() + 12, png.begin() + 16), "IHDR");
  auto big_endian = [&](std::size_t at) {
    return (png[at] << 24) | (png[at + 1] << 16) | (png[at + 2] << 8) | png[at + 3];
  };
  EXPECT_EQ(big_endian(16), 363);
  EXPECT_EQ(big_endian(20), 324);
  // A folder that does not exist is reported, and the run stops.
  run = RunTool("--seconds 1 --out shot.wav --screenshot no-such-folder\\w.png");
  EXPECT_EQ(run.exit_code, 4u);
  EXPECT_NE(run.output.find("error: saving no-such-folder\\w.png failed"), std::string::npos)
      << run.output;
  DeleteFileA("window.png");
  DeleteFileA("shot.wav");
}

TEST(HostTool, ReportsAFailedInit) {
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"0");
  ToolRun run = RunTool("--seconds 1 --out unused.wav");
  SetEnvironmentVariableW(L"CALDER_SIM_STATUS", L"1");
  EXPECT_EQ(run.exit_code, 3u);
  EXPECT_NE(run.output.find("error: InitHW failed: Calder/Marlo not connected or powered off"),
            std::string::npos)
      << run.output;
}

}  // namespace
}  // namespace tessel::host
