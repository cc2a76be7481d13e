#include "framework/ThreadCall.h"

#include <atomic>
#include <memory>

namespace fw {
namespace {

// One carried call, shared by the waiting thread and the message: whichever of the
// two comes first decides whether the call runs.
struct PendingCall {
  enum State : int { kWaiting, kTaken, kAbandoned };
  std::function<void()> Body;
  std::atomic<int> Progress{kWaiting};
};
using PendingCallRef = std::shared_ptr<PendingCall>;

}  // namespace

bool RunOnWindowThread(HWND window, std::function<void()> body, unsigned timeout_ms,
                       LateCall late) {
  if (window == nullptr || !::IsWindow(window)) return false;
  auto call = std::make_shared<PendingCall>();
  call->Body = std::move(body);
  // The message owns one reference, given back by the window's thread when it takes
  // the message. A message that is never taken (its window went first) keeps it.
  auto* ticket = new PendingCallRef(call);
  DWORD_PTR answer = 0;
  LRESULT sent =
      ::SendMessageTimeoutW(window, kThreadCallMessage, 0, reinterpret_cast<LPARAM>(ticket),
                            SMTO_NORMAL, timeout_ms, &answer);
  if (sent != 0) return answer == 1;
  if (late == LateCall::kDrop) {
    // Should the sent message still be handled later, it finds the call abandoned.
    int waiting = PendingCall::kWaiting;
    call->Progress.compare_exchange_strong(waiting, PendingCall::kAbandoned);
    return false;
  }
  // A sent message whose wait ended may be dropped with it: the call also goes into
  // the window's queue, and whichever of the two is handled first runs it.
  auto* queued = new PendingCallRef(call);
  if (!::PostMessageW(window, kThreadCallMessage, 0, reinterpret_cast<LPARAM>(queued)))
    delete queued;
  return false;
}

LRESULT RunThreadCallMessage(LPARAM lp) {
  std::unique_ptr<PendingCallRef> ticket(reinterpret_cast<PendingCallRef*>(lp));
  if (!ticket || !*ticket) return 0;
  PendingCall& call = **ticket;
  int waiting = PendingCall::kWaiting;
  if (!call.Progress.compare_exchange_strong(waiting, PendingCall::kTaken)) return 0;
  call.Body();
  return 1;
}

}  // namespace fw
