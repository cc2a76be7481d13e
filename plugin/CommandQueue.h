// Work that other threads hand to the window's thread. A command waits in the
// queue's own table under a ticket; the window is told by a registered message that
// names only the ticket, so no pointer ever travels in a message and a message from
// anyone else (another process, a stale ticket) finds nothing to run.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tessel {

class CommandQueue {
 public:
  // What became of a command a caller waited for.
  enum class Outcome {
    kDone,       // it ran to its end
    kDropped,    // the window's thread did not take it in time: it never runs
    kOrphaned,   // the window went before its thread took it: it never runs
    kLate,       // it began in time and committed to its effect, and has not ended
    kAbandoned,  // it began in time but its caller gave up before it committed: it
                 // stops at its commit point and has no effect there
  };
  class Command;
  using CommandRef = std::shared_ptr<Command>;

  CommandQueue() = default;
  CommandQueue(const CommandQueue&) = delete;
  CommandQueue& operator=(const CommandQueue&) = delete;

  // Takes commands from now on, before there is a window to run them: they wait in
  // order until Attach.
  void Open();
  // The window whose thread runs the commands from now on (its thread calls this);
  // the commands queued before it are told to it at once.
  void Attach(HWND window, UINT message);
  // The window is going: no command is taken any more, and those still waiting are
  // handed back to their callers as orphaned (never run). On the window's thread.
  void Detach();

  // Queues `body` for the window's thread and tells that thread by the message naming
  // it. Null when the queue takes nothing (closed). Before Attach the command waits
  // for the window. The message is posted, behind what the thread's queue holds;
  // when the queue is full it is sent without waiting instead, so a command is never
  // left without a message.
  CommandRef Post(std::function<void()> body);
  // Waits up to `wait_ms` for the command to run; one that has not begun by then is
  // dropped. One that has begun is given `wait_ms` more to end; if it has not
  // committed by then it is abandoned (its commit point refuses). The wait ends at
  // once, as orphaned, when `owner` (the window's thread, if given) ends. The caller
  // handles the messages sent to its thread meanwhile, and a command not taken at
  // once is told to the window's thread again by a sent notice, which reaches it in
  // a SendMessage of its own as well.
  Outcome Wait(const CommandRef& command, unsigned wait_ms, HANDLE owner = nullptr);

  // In a command's body, on the window's thread: the point past which the command
  // has an effect its caller must hear of. False when the caller has given up (the
  // body must then stop without that effect); true outside a command (a call made on
  // the window's thread itself, whose caller is still there).
  bool CommitCurrent();
  // Marks a call made on the window's thread itself, inside a command's body perhaps
  // (from a callback of the host): its commit point is its own, not the command's.
  class DirectCall {
   public:
    DirectCall();
    ~DirectCall();
    DirectCall(const DirectCall&) = delete;
    DirectCall& operator=(const DirectCall&) = delete;

   private:
    Command* outer_;
  };

  // On the window's thread: runs the queued commands in order, up to and including
  // the one with `ticket`. A ticket that is not queued (stale, or not ours) runs
  // nothing.
  void RunUpTo(uintptr_t ticket);
  // On the window's thread: runs every queued command.
  void RunAll();

 private:
  // Runs commands in order up to the one with `ticket` (0: all of them).
  void Run(uintptr_t ticket);
  // Takes the next command to run, if any; `last` is set when it was the one wanted
  // (never for ticket 0).
  CommandRef TakeNext(uintptr_t ticket, bool* last);
  void Finish(const CommandRef& command);

  // Wakes every waiter of a command whose progress has changed.
  void Changed(const CommandRef& command);

  std::mutex mutex_;
  std::deque<CommandRef> queue_;  // in ticket order
  uintptr_t next_ticket_ = 1;
  bool open_ = false;
  HWND window_ = nullptr;
  UINT message_ = 0;
};

}  // namespace tessel
