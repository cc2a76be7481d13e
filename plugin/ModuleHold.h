// The session's hold on the library's own image, taken while its window is being made
// and while it exists, so that a host that unloads the library meanwhile unloads
// nothing. Entry points and the objects the library hands out hold the image too
// (common/ImageHold.h); the image goes once none holds it.
#pragma once

namespace tessel {

class ModuleHold {
 public:
  ModuleHold() = default;
  ModuleHold(const ModuleHold&) = delete;
  ModuleHold& operator=(const ModuleHold&) = delete;

  // Takes the hold, once; a second Take while held does nothing.
  void Take();
  // Gives it back, on the thread whose windows have just gone and which returns to its
  // message loop without handling sent messages on the way. That thread is still in
  // the library's code: if this was the last hold, the image goes only after the
  // thread has handled a message in its own loop.
  void Release();
  // Forgets the hold without giving it back: the image stays loaded for good. For a
  // window's thread that ended without a close (the objects of its apartment are left
  // as they are, and may still be called), and for the end of the process.
  void Forget() { taken_ = false; }
  // Hands the hold to the caller, who gives it back with ReleaseHandedOver once what
  // needed the image is gone: a teardown that lets a new session take a hold of its
  // own meanwhile. False when none was held.
  bool Handover() {
    const bool taken = taken_;
    taken_ = false;
    return taken;
  }
  // Gives back a hold that Handover gave, as Release does.
  static void ReleaseHandedOver();

 private:
  bool taken_ = false;
};

}  // namespace tessel
