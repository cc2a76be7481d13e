// The shaped form program's command line: PICTURE.bmp [--seconds N].
#pragma once

#include <string>
#include <vector>

namespace tessel::shaped {

struct ShapedOptions {
  std::string picture;
  int seconds = 0;  // 0: until the form is closed
  bool help = false;
};

// Parses the arguments after the program name; on error returns false with a
// one-line message in `error`.
bool ParseShapedOptions(const std::vector<std::string>& args, ShapedOptions* options,
                        std::string* error);

// The usage text printed with --help and after an error.
const char* ShapedUsage();

}  // namespace tessel::shaped
