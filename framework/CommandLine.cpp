#include "framework/CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "framework/HandleNames.h"
#include "framework/TextEncoding.h"

namespace fw {
namespace {

// The argument array of CommandLineToArgvW, one LocalFree for the whole.
struct LocalFreeTraits {
  static LPWSTR* InvalidValue() { return nullptr; }
  static void Free(LPWSTR* value) { ::LocalFree(value); }
};

}  // namespace

std::vector<std::string> CommandLineArguments() {
  int count = 0;
  Scoped<LPWSTR*, LocalFreeTraits> argv(::CommandLineToArgvW(::GetCommandLineW(), &count));
  std::vector<std::string> arguments;
  for (int i = 1; argv && i < count; ++i) arguments.push_back(ToUtf8(argv.get()[i]));
  return arguments;
}

}  // namespace fw
