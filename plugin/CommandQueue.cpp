#include "plugin/CommandQueue.h"

#include "framework/ThreadPointer.h"

#include <algorithm>
#include <chrono>
#include <utility>

namespace tessel {
namespace {

// The command whose body runs on this thread now, if any (the one CommitCurrent asks
// for); with the queue it was taken from.
fw::ThreadPointer<CommandQueue::Command> running_command;

// How often a waiting caller looks whether the window's thread is still there.
constexpr unsigned kOwnerCheckMs = 20;

}  // namespace

class CommandQueue::Command {
 public:
  enum class State { kQueued, kRunning, kCommitted, kDone, kDropped, kOrphaned, kAbandoned };
  Command(uintptr_t ticket, std::function<void()> body) : Ticket(ticket), Body(std::move(body)) {}
  const uintptr_t Ticket;
  std::function<void()> Body;
  State Progress = State::kQueued;  // guarded by the queue's mutex
};

void CommandQueue::Attach(HWND window, UINT message) {
  std::lock_guard<std::mutex> lock(mutex_);
  window_ = window;
  message_ = message;
}

void CommandQueue::Detach() {
  std::deque<CommandRef> orphans;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    window_ = nullptr;
    orphans.swap(queue_);
    for (const CommandRef& command : orphans) command->Progress = Command::State::kOrphaned;
  }
  changed_.notify_all();
  // The bodies go here, on the window's thread, with what they hold.
}

CommandQueue::CommandRef CommandQueue::Post(std::function<void()> body) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return nullptr;
  auto command = std::make_shared<Command>(next_ticket_++, std::move(body));
  // Told under the lock, so that Detach cannot come between queueing and telling. A
  // full queue refuses the post; the notice is then sent without waiting. A window
  // whose thread has ended without taking it down takes nothing more.
  const WPARAM ticket = static_cast<WPARAM>(command->Ticket);
  if (!::PostMessageW(window_, message_, ticket, 0) &&
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
  // Waits until `done` or `wait_ms` have passed; false when the owner thread ended
  // first.
  auto wait_for = [&](auto done) {
    const DWORD start = ::GetTickCount();
    while (!done()) {
      const unsigned elapsed = ::GetTickCount() - start;
      if (elapsed >= wait_ms) return true;
      const unsigned slice =
          owner != nullptr ? std::min(kOwnerCheckMs, wait_ms - elapsed) : wait_ms - elapsed;
      changed_.wait_for(lock, std::chrono::milliseconds(slice));
      if (owner != nullptr && !done() && ::WaitForSingleObject(owner, 0) == WAIT_OBJECT_0)
        return false;
    }
    return true;
  };
  auto settled = [&] { return command->Progress != State::kQueued; };
  const bool owner_alive = wait_for(settled);
  if (!settled()) {
    // Not taken in time, or never to be: it leaves the queue and never runs.
    queue_.erase(std::remove(queue_.begin(), queue_.end(), command), queue_.end());
    command->Progress = owner_alive ? State::kDropped : State::kOrphaned;
    return owner_alive ? Outcome::kDropped : Outcome::kOrphaned;
  }
  auto ended = [&] {
    return command->Progress != State::kRunning && command->Progress != State::kCommitted;
  };
  wait_for(ended);
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
  if (queue_.empty()) return nullptr;
  if (ticket != 0 && std::none_of(queue_.begin(), queue_.end(),
                                  [&](const CommandRef& c) { return c->Ticket == ticket; })) {
    return nullptr;
  }
  CommandRef command = queue_.front();
  queue_.pop_front();
  command->Progress = Command::State::kRunning;
  *last = command->Ticket == ticket;
  return command;
}

void CommandQueue::Finish(const CommandRef& command) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    // An abandoned command stays so: its caller has gone with the fallback.
    if (command->Progress != Command::State::kAbandoned) command->Progress = Command::State::kDone;
  }
  changed_.notify_all();
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
    changed_.notify_all();
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
