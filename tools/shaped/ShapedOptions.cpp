#include "tools/shaped/ShapedOptions.h"

#include <cerrno>
#include <cstdlib>

namespace tessel::shaped {

bool ParseShapedOptions(const std::vector<std::string>& args, ShapedOptions* options,
                        std::string* error) {
  ShapedOptions parsed;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      parsed.help = true;
    } else if (a == "--seconds") {
      if (i + 1 >= args.size()) {
        *error = "--seconds needs a number of seconds";
        return false;
      }
      const std::string& text = args[++i];
      char* end = nullptr;
      errno = 0;
      long n = std::strtol(text.c_str(), &end, 10);
      if (text.empty() || *end != '\0' || errno == ERANGE || n < 1 || n > 86400) {
        *error = "--seconds takes a whole number from 1 to 86400, not '" + text + "'";
        return false;
      }
      parsed.seconds = static_cast<int>(n);
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option " + a;
      return false;
    } else if (parsed.picture.empty()) {
      parsed.picture = a;
    } else {
      *error = "one picture only: '" + parsed.picture + "' and '" + a + "' were given";
      return false;
    }
  }
  if (parsed.picture.empty() && !parsed.help) {
    *error = "no picture file given";
    return false;
  }
  *options = parsed;
  return true;
}

const char* ShapedUsage() {
  return "usage: ShapedForm PICTURE.bmp [--seconds N]\n"
         "Shows a form shaped by the picture: pixels of its bottom-left colour are holes.\n"
         "Drag it with the left button; Esc or Alt+F4 closes it.\n"
         "  --seconds N   close after N seconds (default: run until closed)\n";
}

}  // namespace tessel::shaped
