// The screen reader's reading of the settings window, from a thread of its own.
#pragma once

#include <windows.h>
#include <objbase.h>

#include <string>

#include "testing/PluginHost.h"
#include "tests/plugin/AccessTree.h"

namespace tessel::testing {

// The tree read on a thread of its own, in its own apartment, while this thread (the
// window's) answers its calls.
inline std::string TreeFromAnotherThread(HWND window) {
  std::string tree;
  RunOnThread([&] {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    tree = ReadAccessibleTree(window);
    CoUninitialize();
  });
  return tree;
}

}  // namespace tessel::testing
