// What a plug-in can leak into its host's process: GDI objects, USER objects and
// private memory. Where the platform does not count them itself (Wine answers
// GetGuiResources with "not implemented" and reports no private usage), they
// are counted from the process's own tables.
#pragma once

#include <cstddef>
#include <string>

namespace tessel::testing {

struct ProcessResources {
  long gdi_objects = 0;
  long user_objects = 0;
  std::size_t private_bytes = 0;
  // Bytes in the blocks in use on all the process's heaps: exact to the block, where
  // committed memory grows in steps of 64 KiB.
  std::size_t heap_bytes = 0;
};

// The process's counts now. Call it from the thread that runs the plug-in, between
// messages, so that no object of a paint in progress is counted.
ProcessResources MeasureResources();

// How each count is obtained here ("GetGuiResources" or the fallback's name).
std::string ResourceSources();

}  // namespace tessel::testing
