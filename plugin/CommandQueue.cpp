#include "plugin/CommandQueue.h"

#include <algorithm>
#include <utility>

#include "common/Handles.h"
#include "framework/ThreadPointer.h"
#include "plugin/SentWait.h"

namespace tessel {
namespace {

// The command whose body runs on this thread now, if any (the one CommitCurrent asks
// for); with the queue it was taken from.
fw::ThreadPointer<CommandQueue::Command> running_command;

// How often a waiting caller looks whether the window's thread is still there.
constexpr unsigned kOwnerCheckMs = 20;
// How long a waiting caller leaves its command to the posted message before it
// sends the notice as well: a window's thread busy in a SendMessage of its own takes
// only sent messages.
constexpr unsigned kNudgeAfterMs = 10;

}  // namespace

class CommandQueue::Command {
 public:
  enum class State { kQueued, kRunning, kCommitted, kDone, kDropped, kOrphaned, kAbandoned };
  Command(uintptr_t ticket, std::function<void()> body) : Ticket(ticket), Body(std::move(body)) {}
  const uintptr_t Ticket;
  std::function<void()> Body;
  State Progress = State::kQueued;  // guarded by the queue's mutex
  // Signalled when Progress changes; made by the first waiter (guarded by the mutex).
  common::ScopedHandle Event;
};

void CommandQueue::Open() {
  std::lock_guard<std::mutex> lock(mutex_);
  open_ = true;
}

void CommandQueue::Attach(HWND window, UINT message) {
  WPARAM ticket = 0;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    window_ = window;
    message_ = message;
    if (!queue_.empty()) ticket = static_cast<WPARAM>(queue_.back()->Ticket);
  }
  // What came before the window is told now, as one notice for all of it. Outside the
  // lock: on this, the window's thread, a notice that cannot be posted runs at once.
  if (ticket != 0 && !::PostMessageW(window, message, ticket, 0))
    ::SendNotifyMessageW(window, message, ticket, 0);
}

void CommandQueue::Changed(const CommandRef& command) {
  if (command->Event) ::SetEvent(command->Event.get());
}

void CommandQueue::Detach() {
  std::deque<CommandRef> orphans;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = false;
    window_ = nullptr;
    orphans.swap(queue_);
    for (const CommandRef& command : orphans) {
      command->Progress = Command::State::kOrphaned;
      Changed(command);
    }
  }
  // The bodies go here, on the window's thread, with what they hold.
}

CommandQueue::CommandRef CommandQueue::Post(std::function<void()> body) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_) return nullptr;
  auto command = std::make_shared<Command>(next_ticket_++, std::move(body));
  // Told under the lock, so that Detach cannot come between queueing and telling. A
  // full queue refuses the post; the notice is then sent without waiting. A window
  // whose thread has ended without taking it down takes nothing more.
  const WPARAM ticket = static_cast<WPARAM>(command->Ticket);
  if (window_ != nullptr && !::PostMessageW(window_, message_, ticket, 0) &&
      !::SendNotifyMessageW(window_, message_, ticket, 0)) {
    return nullptr;
  }
  queue_.push_back(command);
  return command;
}

CommandQueue::Outcome CommandQueue::Wait(const CommandRef& command, unsigned wait_ms,
                                         HANDLE owner) {
  using State = Command::State;
  std::unique_lock<std::mutex> lock(mutex_);
  if (!command->Event) command->Event.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  const HANDLE changed = command->Event.get();
  lock.unlock();
  auto progress = [&] {
    std::lock_guard<std::mutex> hold(mutex_);
    return command->Progress;
  };
  // Waits until `done`, the owner's end or `wait_ms`, handling sent messages; the
  // first wait also sends the notice once the posted one has not been taken soon.
  bool alive = true;
  bool nudged = false;
  const DWORD start = ::GetTickCount();
  auto wait_for = [&](auto done) {
    WaitHandlingSent(
        [&] {
          if (done()) return true;
          if (owner != nullptr && ::WaitForSingleObject(owner, 0) == WAIT_OBJECT_0) {
            alive = false;
            return true;
          }
          if (!nudged && ::GetTickCount() - start >= kNudgeAfterMs) {
            // Once there is a window to send it to: a command queued during the start-up
            // is sent its notice when the start-up has ended.
            std::lock_guard<std::mutex> hold(mutex_);
            if (window_ != nullptr) {
              nudged = true;
              if (command->Progress == State::kQueued)
                ::SendNotifyMessageW(window_, message_, static_cast<WPARAM>(command->Ticket), 0);
            }
          }
          return false;
        },
        wait_ms, {changed}, nudged ? kOwnerCheckMs : kNudgeAfterMs);
  };
  wait_for([&] { return progress() != State::kQueued; });
  lock.lock();
  if (command->Progress == State::kQueued) {
    // Not taken in time, or never to be: it leaves the queue and never runs.
    queue_.erase(std::remove(queue_.begin(), queue_.end(), command), queue_.end());
    command->Progress = alive ? State::kDropped : State::kOrphaned;
    return alive ? Outcome::kDropped : Outcome::kOrphaned;
  }
  // Reset under the lock: a change after it signals again.
  ::ResetEvent(changed);
  lock.unlock();
  nudged = true;
  wait_for([&] {
    const State now = progress();
    return now != State::kRunning && now != State::kCommitted;
  });
  lock.lock();
  if (command->Progress == State::kRunning) {
    // Begun but not committed: its caller goes, and so does its effect.
    command->Progress = State::kAbandoned;
    return Outcome::kAbandoned;
  }
  if (command->Progress == State::kCommitted) return Outcome::kLate;
  return command->Progress == State::kDone ? Outcome::kDone : Outcome::kOrphaned;
}

CommandQueue::DirectCall::DirectCall() : outer_(running_command.Get()) {
  running_command.Set(nullptr);
}

CommandQueue::DirectCall::~DirectCall() {
  running_command.Set(outer_);
}

bool CommandQueue::CommitCurrent() {
  Command* command = running_command.Get();
  if (command == nullptr) return true;
  std::lock_guard<std::mutex> lock(mutex_);
  if (command->Progress != Command::State::kRunning) return false;
  command->Progress = Command::State::kCommitted;
  return true;
}

CommandQueue::CommandRef CommandQueue::TakeNext(uintptr_t ticket, bool* last) {
  std::lock_guard<std::mutex> lock(mutex_);
  // Not before the window: what came earlier waits for the notice of Attach.
  if (queue_.empty() || window_ == nullptr) return nullptr;
  // The queue is in ticket order: a ticket that is queued lies between its ends.
  if (ticket != 0 && (ticket < queue_.front()->Ticket || ticket > queue_.back()->Ticket))
    return nullptr;
  CommandRef command = queue_.front();
  queue_.pop_front();
  command->Progress = Command::State::kRunning;
  Changed(command);
  // A ticket dropped from the middle still ends the run where it stood.
  *last = ticket != 0 && command->Ticket >= ticket;
  return command;
}

void CommandQueue::Finish(const CommandRef& command) {
  std::lock_guard<std::mutex> lock(mutex_);
  // An abandoned command stays so: its caller has gone with the fallback.
  if (command->Progress != Command::State::kAbandoned) command->Progress = Command::State::kDone;
  Changed(command);
}

void CommandQueue::RunUpTo(uintptr_t ticket) {
  if (ticket != 0) Run(ticket);
}

void CommandQueue::RunAll() {
  Run(0);
}

void CommandQueue::Run(uintptr_t ticket) {
  for (bool last = false; !last;) {
    CommandRef command = TakeNext(ticket, &last);
    if (command == nullptr) return;
    Command* outer = running_command.Get();
    running_command.Set(command.get());
    try {
      command->Body();
    } catch (...) {
      // A command that fails leaves its caller with the fallback; the queue goes on.
    }
    running_command.Set(outer);
    Finish(command);
  }
}

}  // namespace tessel
