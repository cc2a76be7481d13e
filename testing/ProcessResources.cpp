#include "testing/ProcessResources.h"

#include <windows.h>
#include <psapi.h>

#include <cstdint>
#include <vector>

namespace tessel::testing {
namespace {

// Wine keeps its GDI handle table in memory that the process's environment block
// points to (as Windows once did): 65536 entries, each with the object, its owner,
// the handle's upper half and the object type. A live entry has a type; its handle
// is the entry's index with that upper half, which GetObjectType confirms.
struct GdiEntry {
  uint64_t object;
  uint32_t owner;
  uint16_t unique;
  uint8_t type;
  uint8_t flags;
  uint64_t user_pointer;
};
static_assert(sizeof(GdiEntry) == 24);
constexpr std::size_t kGdiEntries = 0x10000;
constexpr std::size_t kPebGdiTable = 0x94;  // offset of the table pointer in a 32-bit PEB

const GdiEntry* GdiTable() {
  const uint8_t* peb = nullptr;
  asm("movl %%fs:0x30, %0" : "=r"(peb));  // the thread block's pointer to the PEB
  return *reinterpret_cast<const GdiEntry* const*>(peb + kPebGdiTable);
}

long CountGdiTable() {
  const GdiEntry* table = GdiTable();
  MEMORY_BASIC_INFORMATION info;
  if (table == nullptr || VirtualQuery(table, &info, sizeof info) != sizeof info ||
      info.State != MEM_COMMIT ||
      static_cast<const char*>(info.BaseAddress) + info.RegionSize <
          reinterpret_cast<const char*>(table + kGdiEntries))
    return -1;
  long count = 0;
  for (std::size_t i = 0; i < kGdiEntries; ++i) {
    if (table[i].type == 0) continue;
    auto handle = reinterpret_cast<HGDIOBJ>(static_cast<uintptr_t>(i | table[i].unique << 16));
    if (GetObjectType(handle) != 0) ++count;
  }
  return count;
}

BOOL CALLBACK CountChild(HWND, LPARAM count) {
  ++*reinterpret_cast<long*>(count);
  return TRUE;
}

BOOL CALLBACK CountTopLevel(HWND window, LPARAM count) {
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  if (process != GetCurrentProcessId()) return TRUE;
  ++*reinterpret_cast<long*>(count);
  EnumChildWindows(window, CountChild, count);
  return TRUE;
}

// Every window of the process, message-only ones included: the USER objects that
// a plug-in makes and can leave behind.
long CountWindows() {
  long count = 0;
  EnumWindows(CountTopLevel, reinterpret_cast<LPARAM>(&count));
  for (HWND w = FindWindowExW(HWND_MESSAGE, nullptr, nullptr, nullptr); w != nullptr;
       w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) {
    CountTopLevel(w, reinterpret_cast<LPARAM>(&count));
  }
  return count;
}

// Committed private memory, summed over the address space.
std::size_t CommittedPrivateBytes() {
  std::size_t total = 0;
  MEMORY_BASIC_INFORMATION info;
  for (auto* at = static_cast<char*>(nullptr); VirtualQuery(at, &info, sizeof info) == sizeof info;
       at = static_cast<char*>(info.BaseAddress) + info.RegionSize) {
    if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
    if (static_cast<char*>(info.BaseAddress) + info.RegionSize < at) break;  // wrapped
  }
  return total;
}

// The bytes of the blocks in use on every heap of the process.
std::size_t HeapBytesInUse() {
  std::vector<HANDLE> heaps(64);
  DWORD count = GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data());
  if (count > heaps.size()) {
    heaps.resize(count);
    count = GetProcessHeaps(count, heaps.data());
  }
  std::size_t total = 0;
  for (DWORD i = 0; i < count && i < heaps.size(); ++i) {
    if (!HeapLock(heaps[i])) continue;
    PROCESS_HEAP_ENTRY entry{};
    while (HeapWalk(heaps[i], &entry)) {
      if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
    }
    HeapUnlock(heaps[i]);
  }
  return total;
}

bool PlatformCountsGui() {
  SetLastError(0);
  DWORD gdi = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  return gdi != 0 || GetLastError() == 0;
}

std::size_t PlatformPrivateBytes() {
  PROCESS_MEMORY_COUNTERS_EX counters{};
  counters.cb = sizeof counters;
  if (!GetProcessMemoryInfo(GetCurrentProcess(),
                            reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters))
    return 0;
  return counters.PrivateUsage;
}

}  // namespace

ProcessResources MeasureResources() {
  ProcessResources r;
  if (PlatformCountsGui()) {
    r.gdi_objects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    r.user_objects = static_cast<long>(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS));
  } else {
    r.gdi_objects = CountGdiTable();
    r.user_objects = CountWindows();
  }
  r.private_bytes = PlatformPrivateBytes();
  if (r.private_bytes == 0) r.private_bytes = CommittedPrivateBytes();
  r.heap_bytes = HeapBytesInUse();
  return r;
}

std::string ResourceSources() {
  std::string gdi = PlatformCountsGui() ? "GetGuiResources" : "GDI handle table, windows";
  std::string memory = PlatformPrivateBytes() != 0 ? "PrivateUsage" : "committed private regions";
  return gdi + "; " + memory;
}

}  // namespace tessel::testing
