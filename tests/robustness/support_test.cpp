// The measuring tools of the robustness suites measure what they claim to.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "testing/GuardedBuffer.h"
#include "testing/ProcessResources.h"

namespace tessel::testing {
namespace {

HWND MakeWindow() {
  return CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 5, 5, nullptr, nullptr, nullptr, nullptr);
}

TEST(Support, ResourceCountsFollowObjectsMadeAndFreed) {
  // The first window of a thread brings the system's own objects for windows,
  // which live as long as the thread has a window.
  HWND first = MakeWindow();
  const ProcessResources before = MeasureResources();
  HBRUSH brushes[20];
  for (int i = 0; i < 20; ++i) brushes[i] = CreateSolidBrush(RGB(i, 1, 2));
  HWND windows[3];
  for (HWND& w : windows) w = MakeWindow();
  void* block = VirtualAlloc(nullptr, 8 << 20, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  const ProcessResources during = MeasureResources();
  EXPECT_EQ(during.gdi_objects - before.gdi_objects, 20) << ResourceSources();
  EXPECT_EQ(during.user_objects - before.user_objects, 3) << ResourceSources();
  EXPECT_GE(during.private_bytes - before.private_bytes, std::size_t{8} << 20) << ResourceSources();
  for (HBRUSH b : brushes) DeleteObject(b);
  for (HWND w : windows) DestroyWindow(w);
  VirtualFree(block, 0, MEM_RELEASE);
  const ProcessResources after = MeasureResources();
  DestroyWindow(first);
  EXPECT_EQ(after.gdi_objects, before.gdi_objects);
  EXPECT_EQ(after.user_objects, before.user_objects);
  EXPECT_LT(after.private_bytes, during.private_bytes);
}

// A leak is most often many small heap blocks: they must show in private memory.
TEST(Support, SmallHeapBlocksShowInPrivateMemory) {
  const ProcessResources before = MeasureResources();
  std::vector<void*> blocks;
  for (int i = 0; i < 16384; ++i) blocks.push_back(HeapAlloc(GetProcessHeap(), 0, 48));
  const ProcessResources during = MeasureResources();
  for (void* b : blocks) HeapFree(GetProcessHeap(), 0, b);
  EXPECT_GE(during.private_bytes, before.private_bytes + 16384 * 48);
}

TEST(Support, AGuardedBufferEndsAtAPageNoOneMayTouch) {
  GuardedBuffer buffer(64);
  ASSERT_NE(buffer.data(), nullptr);
  EXPECT_FALSE(buffer.Terminated());
  buffer.data()[63] = '\0';
  EXPECT_TRUE(buffer.Terminated());
  MEMORY_BASIC_INFORMATION info;
  ASSERT_EQ(VirtualQuery(buffer.data() + 64, &info, sizeof info), sizeof info);
  EXPECT_EQ(info.Protect, static_cast<DWORD>(PAGE_NOACCESS));
}

}  // namespace
}  // namespace tessel::testing
