// Writes every gallery case, or those whose file names contain one of the given
// filters, into the output folder.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "framework/CommandLine.h"
#include "framework/Render.h"
#include "framework/TextEncoding.h"
#include "tools/gallery/Gallery.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: gallery OUTDIR [FILTER...]\n"
               "Writes one 24-bit BMP per case into OUTDIR (created if missing); with\n"
               "filters, only the cases whose file names contain one of them.\n"
               "--list prints the case names.\n");
  return 2;
}

bool Selected(const std::string& name, const std::vector<std::string>& filters) {
  if (filters.empty()) return true;
  for (const auto& f : filters) {
    if (name.find(f) != std::string::npos) return true;
  }
  return false;
}

int Run(const std::vector<std::string>& args) {
  if (args.empty()) return Usage();
  const std::string& first = args[0];
  if (first == "--help" || first == "-h") {
    Usage();
    return 0;
  }
  if (first == "--list") {
    for (const auto& c : gallery::Cases()) std::printf("%s\n", c.FileName.c_str());
    return 0;
  }
  const std::string& outdir = first;
  if (!::CreateDirectoryW(fw::Widen(outdir).c_str(), nullptr) &&
      ::GetLastError() != ERROR_ALREADY_EXISTS) {
    std::fprintf(stderr, "gallery: cannot create %s\n", outdir.c_str());
    return 1;
  }
  std::vector<std::string> filters(args.begin() + 1, args.end());
  int failures = 0;
  int written = 0;
  for (const auto& c : gallery::Cases()) {
    if (!Selected(c.FileName, filters)) continue;
    std::string path = outdir + "\\" + c.FileName;
    try {
      std::unique_ptr<fw::TBitmap> picture = c.Render();
      if (!picture || picture->Empty() || !fw::SaveBitmapFile(*picture, path)) {
        std::fprintf(stderr, "gallery: %s: could not be written\n", c.FileName.c_str());
        ++failures;
        continue;
      }
      std::printf("%s %dx%d\n", c.FileName.c_str(), picture->Width(), picture->Height());
      ++written;
    } catch (const std::exception& e) {
      std::fprintf(stderr, "gallery: %s: %s\n", c.FileName.c_str(), e.what());
      ++failures;
    }
  }
  std::printf("%d written, %d failed\n", written, failures);
  if (written == 0 && failures == 0) {
    std::fprintf(stderr, "gallery: no case matches the filters (--list names them)\n");
    return 1;
  }
  return failures == 0 ? 0 : 1;
}

}  // namespace

int main() {
  try {
    // OUTDIR may be in any language: the arguments come from the wide command line.
    return Run(fw::CommandLineArguments());
  } catch (...) {
    std::fprintf(stderr, "gallery: unexpected failure\n");
    return 1;
  }
}
