// Commands handed to a window's thread by ticket: what runs, when, and what the
// caller hears.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <thread>

#include "plugin/CommandQueue.h"

namespace tessel {
namespace {

constexpr UINT kMessage = WM_APP + 7;

LRESULT CALLBACK QueueWindow(HWND window, UINT message, WPARAM wp, LPARAM lp) {
  auto* queue = reinterpret_cast<CommandQueue*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (message == kMessage && queue != nullptr) {
    queue->RunUpTo(static_cast<uintptr_t>(wp));
    return 0;
  }
  return DefWindowProcW(window, message, wp, lp);
}

// A window on this thread whose messages run `queue`'s commands.
class QueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WNDCLASSW wc{};
    wc.lpfnWndProc = QueueWindow;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"CommandQueueTest";
    RegisterClassW(&wc);
    window_ = CreateWindowExW(0, wc.lpszClassName, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(window_, nullptr);
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&queue_));
    queue_.Attach(window_, kMessage);
  }
  void TearDown() override { DestroyWindow(window_); }

  // Handles this thread's messages until `done`, at most 5 s.
  static void PumpUntil(const std::atomic<bool>& done) {
    for (DWORD start = GetTickCount(); !done && GetTickCount() - start < 5000;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
      Sleep(1);
    }
  }

  CommandQueue queue_;
  HWND window_ = nullptr;
};

// A caller whose wait runs out while its command runs hears that it ran, not that it
// was dropped; one whose command was never taken hears that it was dropped, and the
// command never runs, even when its message comes later.
TEST_F(QueueTest, ACommandTakenInTimeIsWaitedForAndOneNotTakenNeverRuns) {
  std::atomic<bool> done{false};
  std::atomic<int> slow_runs{0};
  CommandQueue::Outcome slow = CommandQueue::Outcome::kDropped;
  std::thread caller([&] {
    auto command = queue_.Post([&] {
      Sleep(150);
      ++slow_runs;
    });
    slow = queue_.Wait(command, 200);
    done = true;
  });
  // Taken at about 150 ms, before the wait's 200 ms run out; ended after them.
  Sleep(150);
  PumpUntil(done);
  caller.join();
  EXPECT_EQ(slow, CommandQueue::Outcome::kDone);
  EXPECT_EQ(slow_runs, 1);

  // Nobody handles the window's messages while this caller waits.
  std::atomic<int> late_runs{0};
  CommandQueue::Outcome late = CommandQueue::Outcome::kDone;
  std::thread blocked([&] { late = queue_.Wait(queue_.Post([&] { ++late_runs; }), 100); });
  blocked.join();
  EXPECT_EQ(late, CommandQueue::Outcome::kDropped);
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  EXPECT_EQ(late_runs, 0) << "a dropped command runs when its message is handled later";
}

// Tickets that are not queued (made up, stale, zero) run nothing; a real one runs
// everything queued before it, in order; a window that goes orphans what is left.
TEST_F(QueueTest, OnlyQueuedTicketsRunAndAGoingWindowOrphansTheRest) {
  std::string order;
  ASSERT_NE(queue_.Post([&] { order += '1'; }), nullptr);
  ASSERT_NE(queue_.Post([&] { order += '2'; }), nullptr);
  for (uintptr_t ticket : {uintptr_t{0}, uintptr_t{1000}, uintptr_t{0xDEADBEEF}})
    queue_.RunUpTo(ticket);
  EXPECT_EQ(order, "");
  queue_.RunUpTo(2);  // the second command's ticket
  EXPECT_EQ(order, "12");
  queue_.RunUpTo(1);  // stale now
  EXPECT_EQ(order, "12");

  auto third = queue_.Post([&] { order += '3'; });
  queue_.Detach();
  EXPECT_EQ(queue_.Wait(third, 100), CommandQueue::Outcome::kOrphaned);
  EXPECT_EQ(queue_.Post([&] { order += '4'; }), nullptr) << "no window, nothing queued";
  queue_.RunAll();
  EXPECT_EQ(order, "12");
}

}  // namespace
}  // namespace tessel
