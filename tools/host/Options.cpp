#include "tools/host/Options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "tessel_version.h"

namespace tessel::host {
namespace {

bool ParseInt(const std::string& text, long min, long max, long* value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  long v = std::strtol(text.c_str(), &end, 10);
  if (errno != 0 || *end != '\0' || v < min || v > max) return false;
  *value = v;
  return true;
}

}  // namespace

const char* UsageText() {
  return "usage: TesselHost [options]\n"
         "Loads a Tessel hardware plug-in, streams I/Q from it and writes a WAV file.\n"
         "  --dll PATH        plug-in to load (default: Tessel_Calder.dll beside this tool, else\n"
         "                    the one in the build folder)\n"
         "  --seconds N       stream for N seconds (default 5)\n"
         "  --until-closed    stream until the host window is closed or Ctrl+C\n"
         "  --open            show the plug-in's settings window (OpenHW)\n"
         "  --freq HZ         tuning frequency (default 7100000)\n"
         "  --out FILE        WAV file to write (default iq.wav)\n"
         "  --waterfall FILE  also draw the stream as a waterfall picture (PNG)\n"
         "  --screenshot FILE show the settings window and save its client area (PNG)\n"
         "  --version         print the version\n"
         "  --help            this text\n";
}

std::string VersionText() {
  return "TesselHost " TESSEL_VERSION_STRING "\n";
}

bool ParseOptions(const std::vector<std::string>& args, HostOptions* options, std::string* error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string* out) {
      if (i + 1 >= args.size()) {
        *error = a + " needs a value";
        return false;
      }
      *out = args[++i];
      return true;
    };
    std::string v;
    long n = 0;
    if (a == "--help" || a == "-h") {
      options->help = true;
    } else if (a == "--version") {
      options->version = true;
    } else if (a == "--until-closed") {
      options->until_closed = true;
    } else if (a == "--open") {
      options->open = true;
    } else if (a == "--dll") {
      if (!value(&options->dll)) return false;
    } else if (a == "--out") {
      if (!value(&options->out)) return false;
    } else if (a == "--waterfall") {
      if (!value(&options->waterfall)) return false;
    } else if (a == "--screenshot") {
      if (!value(&options->screenshot)) return false;
    } else if (a == "--seconds") {
      if (!value(&v)) return false;
      if (!ParseInt(v, 1, 86400, &n)) {
        *error = "--seconds wants a whole number from 1 to 86400, not '" + v + "'";
        return false;
      }
      options->seconds = static_cast<int>(n);
    } else if (a == "--freq") {
      if (!value(&v)) return false;
      if (!ParseInt(v, INT32_MIN, INT32_MAX, &n)) {
        *error = "--freq wants a frequency in Hz, not '" + v + "'";
        return false;
      }
      options->frequency = static_cast<int32_t>(n);
    } else {
      *error = "unknown option '" + a + "' (see --help)";
      return false;
    }
  }
  return true;
}

}  // namespace tessel::host
