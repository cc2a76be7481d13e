// The host tool's command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tessel::host {

// Paths are UTF-8.
struct HostOptions {
  std::string dll;  // empty: the plug-in built beside this tool
  int seconds = 5;
  bool until_closed = false;
  bool open = false;
  int32_t frequency = 7100000;
  std::string out = "iq.wav";
  std::string waterfall;   // empty: no picture
  std::string screenshot;  // empty: no picture of the settings window
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name; on error returns false with a
// one-line message in `error`.
bool ParseOptions(const std::vector<std::string>& args, HostOptions* options, std::string* error);

// The --help text.
const char* UsageText();

// The --version line: the tool's name and the release it belongs to.
std::string VersionText();

}  // namespace tessel::host
