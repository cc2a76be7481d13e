#include "plugin/SentWait.h"

#include <algorithm>
#include <vector>

namespace tessel {

void HandleSentMessages() {
  // A peek for sent messages delivers every one that is waiting and takes nothing
  // from the posted queue.
  MSG message;
  ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
}

bool WaitHandlingSent(const std::function<bool()>& done, DWORD wait_ms,
                      std::initializer_list<HANDLE> wake, DWORD poll_ms) {
  std::vector<HANDLE> handles;
  for (HANDLE handle : wake) {
    if (handle != nullptr) handles.push_back(handle);
  }
  const DWORD start = ::GetTickCount();
  for (;;) {
    HandleSentMessages();
    if (done()) return true;
    const DWORD elapsed = ::GetTickCount() - start;
    if (elapsed >= wait_ms) return false;
    const DWORD slice = std::min(poll_ms, wait_ms - elapsed);
    ::MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()), handles.data(), slice,
                                  QS_SENDMESSAGE, 0);
  }
}

}  // namespace tessel
