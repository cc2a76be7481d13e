// A message-only window on the thread that creates it, through which the
// stand-in fires its events from that thread's message queue.
#pragma once

#include <windows.h>

#include "common/Handles.h"

namespace calder::sim {

class MessageWindow {
 public:
  // Receives the window's messages; returns false to leave one to DefWindowProc.
  class Handler {
   public:
    virtual bool OnWindowMessage(UINT message, WPARAM wparam, LPARAM lparam) = 0;

   protected:
    ~Handler() = default;
  };

  MessageWindow() = default;
  MessageWindow(const MessageWindow&) = delete;
  MessageWindow& operator=(const MessageWindow&) = delete;
  // Destroys the window; call on the creating thread.
  ~MessageWindow();

  // Creates the window on the calling thread. `handler` is borrowed and must
  // outlive the window.
  HRESULT Create(HINSTANCE module, Handler* handler);

  HWND hwnd() const { return window_.get(); }
  bool Post(UINT message, WPARAM wparam) const;
  void StartTimer(UINT_PTR id, UINT period_ms) const;
  void StopTimer(UINT_PTR id) const;

  // Removes the window class, when the module unloads.
  static void UnregisterWindowClass(HINSTANCE module);

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);

  common::ScopedWindow window_;
  Handler* handler_ = nullptr;
};

}  // namespace calder::sim
