// A second process that reads the settings window as a screen reader would:
//   access_probe WINDOW OUTPUT   (WINDOW as a decimal handle) writes the tree to OUTPUT.
#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/plugin/AccessTree.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  HWND window = reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoul(argv[1], nullptr, 10)));
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  std::string tree = tessel::testing::ReadAccessibleTree(window);
  CoUninitialize();
  FILE* out = std::fopen(argv[2], "wb");
  if (out == nullptr) return 1;
  std::fwrite(tree.data(), 1, tree.size(), out);
  std::fclose(out);
  return tree.empty() ? 1 : 0;
}
