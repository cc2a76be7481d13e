// The image hold, through a small library that holds its own image as the plug-in
// does: after the host's unload the image stays while a call, a thread on its way out
// of a call or an object handed out may still run its code, and goes once none can.
#include <gtest/gtest.h>

#include <windows.h>
#include <unknwn.h>

#include <string>
#include <thread>

namespace {

using HoldUntilFn = void(__stdcall*)(volatile LONG* go);
using DropThenStayFn = void(__stdcall*)(volatile LONG* dropped, volatile LONG* go);
using HandOutObjectFn = IUnknown*(__stdcall*)();
using HoldsFn = long(__stdcall*)();
using ThreadCountFn = long(__stdcall*)();

// The probe library's entry points, loaded from beside this program.
struct Probe {
  HMODULE module = nullptr;
  HoldUntilFn hold_until = nullptr;
  DropThenStayFn drop_then_stay = nullptr;
  HandOutObjectFn hand_out_object = nullptr;
  HoldsFn holds = nullptr;
  ThreadCountFn threads_started = nullptr;
  ThreadCountFn threads_ended = nullptr;
};

template <class Fn>
Fn Find(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

Probe LoadProbe() {
  // The probe stays in the build folder; each test runs from a folder of its own.
  std::string path = "Z:" + std::string(HOLD_PROBE_PATH);
  for (char& c : path) {
    if (c == '/') c = '\\';
  }
  Probe probe;
  probe.module = LoadLibraryA(path.c_str());
  if (probe.module == nullptr) return probe;
  probe.hold_until = Find<HoldUntilFn>(probe.module, "HoldUntil");
  probe.drop_then_stay = Find<DropThenStayFn>(probe.module, "DropThenStay");
  probe.hand_out_object = Find<HandOutObjectFn>(probe.module, "HandOutObject");
  probe.holds = Find<HoldsFn>(probe.module, "Holds");
  probe.threads_started = Find<ThreadCountFn>(probe.module, "ThreadsStarted");
  probe.threads_ended = Find<ThreadCountFn>(probe.module, "ThreadsEnded");
  return probe;
}

bool Loaded() {
  return GetModuleHandleW(L"HoldProbe.dll") != nullptr;
}

// Gives a wrong let-go time to happen before the library is looked for.
bool StillLoadedAfterAWhile() {
  Sleep(300);
  return Loaded();
}

bool GoneWithin(DWORD ms) {
  for (DWORD start = GetTickCount(); Loaded(); Sleep(5)) {
    if (GetTickCount() - start > ms) return false;
  }
  return true;
}

void WaitUntilSet(volatile LONG* flag) {
  while (__atomic_load_n(flag, __ATOMIC_ACQUIRE) == 0) Sleep(1);
}

// A call holds the image; another thread gave its hold back before the last one did,
// but has not returned yet: the image stays until it has.
TEST(ImageHold, TheImageStaysWhileAnyThreadMayStillRunItsCode) {
  Probe probe = LoadProbe();
  ASSERT_NE(probe.module, nullptr);
  volatile LONG holder_go = 0, dropped = 0, stayer_go = 0;
  std::thread holder([&] { probe.hold_until(&holder_go); });
  while (probe.holds() == 0) Sleep(1);
  std::thread stayer([&] { probe.drop_then_stay(&dropped, &stayer_go); });
  WaitUntilSet(&dropped);
  ASSERT_TRUE(FreeLibrary(probe.module));
  EXPECT_TRUE(StillLoadedAfterAWhile()) << "a call holds it";
  holder_go = 1;
  holder.join();
  EXPECT_TRUE(StillLoadedAfterAWhile()) << "a thread is still in its code";
  stayer_go = 1;
  stayer.join();
  EXPECT_TRUE(GoneWithin(3000));
}

// While the image is being let go of (a thread is still on its way out), a new call
// takes a hold: the image stays for that call, and goes after it.
TEST(ImageHold, AHoldTakenWhileTheImageIsBeingLetGoOfKeepsIt) {
  Probe probe = LoadProbe();
  ASSERT_NE(probe.module, nullptr);
  volatile LONG first_go = 0, dropped = 0, stayer_go = 0, second_go = 0;
  std::thread first([&] { probe.hold_until(&first_go); });
  while (probe.holds() == 0) Sleep(1);
  std::thread stayer([&] { probe.drop_then_stay(&dropped, &stayer_go); });
  WaitUntilSet(&dropped);
  ASSERT_TRUE(FreeLibrary(probe.module));
  first_go = 1;
  first.join();
  // The host loads the library again, calls it, and unloads it during the call.
  ASSERT_EQ(LoadProbe().module, probe.module);
  std::thread second([&] { probe.hold_until(&second_go); });
  while (probe.holds() == 0) Sleep(1);
  ASSERT_TRUE(FreeLibrary(probe.module));
  stayer_go = 1;
  stayer.join();
  EXPECT_TRUE(StillLoadedAfterAWhile()) << "the second call holds it";
  second_go = 1;
  second.join();
  EXPECT_TRUE(GoneWithin(3000));
}

// An object that the library handed out keeps it after the host's unload; its code
// still answers, and the image goes after its last Release.
TEST(ImageHold, AnObjectHandedOutKeepsTheImageUntilItsLastRelease) {
  Probe probe = LoadProbe();
  ASSERT_NE(probe.module, nullptr);
  IUnknown* object = probe.hand_out_object();
  ASSERT_NE(object, nullptr);
  ASSERT_TRUE(FreeLibrary(probe.module));
  ASSERT_TRUE(StillLoadedAfterAWhile());
  IUnknown* again = nullptr;
  EXPECT_EQ(object->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&again)), S_OK);
  EXPECT_EQ(again, object);
  if (again != nullptr) again->Release();
  EXPECT_TRUE(StillLoadedAfterAWhile());
  object->Release();
  EXPECT_TRUE(GoneWithin(3000));
}

}  // namespace

// The call that gives back the last hold returns only once the thread that lets go of
// the image runs: a host that ends its process right after such a call must not kill
// a thread that the system is still setting up (under Wine the process then died of a
// segmentation fault on its way out). The system tells the library of a new thread
// before the thread's own code runs. Several calls in a row, each a cycle from no hold
// to one and back, with the host's reference kept.
TEST(ImageHold, GivingBackTheLastHoldReturnsOnlyOnceTheLetGoThreadRuns) {
  Probe probe = LoadProbe();
  ASSERT_NE(probe.module, nullptr);
  volatile LONG go = 1;
  for (int call = 0; call < 20; ++call) {
    const long started = probe.threads_started();
    probe.hold_until(&go);
    EXPECT_GT(probe.threads_started(), started) << "call " << call;
    // The let-go thread gives its reference back and ends before the next cycle.
    for (DWORD start = GetTickCount(); probe.threads_ended() < probe.threads_started();) {
      ASSERT_LT(GetTickCount() - start, 3000u) << "the let-go thread of call " << call;
      Sleep(1);
    }
  }
  EXPECT_TRUE(Loaded());
  ASSERT_TRUE(FreeLibrary(probe.module));
  EXPECT_TRUE(GoneWithin(3000));
}
