#include "plugin/CommandQueue.h"

#include <algorithm>
#include <chrono>

namespace tessel {

class CommandQueue::Command {
 public:
  enum class State { kQueued, kRunning, kDone, kDropped, kOrphaned };
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
  // Posted under the lock, so that Detach cannot come between queueing and posting.
  // A full queue keeps the command for a later message; a window whose thread has
  // ended without taking it down takes nothing more.
  if (!::PostMessageW(window_, message_, static_cast<WPARAM>(command->Ticket), 0) &&
      !::IsWindow(window_)) {
    return nullptr;
  }
  queue_.push_back(command);
  return command;
}

CommandQueue::Outcome CommandQueue::Wait(const CommandRef& command, unsigned wait_ms) {
  using State = Command::State;
  std::unique_lock<std::mutex> lock(mutex_);
  auto settled = [&] { return command->Progress != State::kQueued; };
  if (!changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), settled)) {
    // Not taken in time: it leaves the queue and never runs.
    queue_.erase(std::remove(queue_.begin(), queue_.end(), command), queue_.end());
    command->Progress = State::kDropped;
    return Outcome::kDropped;
  }
  auto ended = [&] { return command->Progress != State::kRunning; };
  if (!changed_.wait_for(lock, std::chrono::milliseconds(wait_ms), ended)) return Outcome::kLate;
  return command->Progress == State::kDone ? Outcome::kDone : Outcome::kOrphaned;
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
    command->Progress = Command::State::kDone;
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
    try {
      command->Body();
    } catch (...) {
      // A command that fails leaves its caller with the fallback; the queue goes on.
    }
    Finish(command);
  }
}

}  // namespace tessel
