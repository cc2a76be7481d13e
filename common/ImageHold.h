// A counted hold on the image (DLL or program) that this code is linked into: while
// any hold is taken, a host's FreeLibrary leaves the image mapped. Each image that
// links this has a count of its own.
//
// The first hold takes one reference to the image from the loader; the last one
// given back starts a thread of the image's own, which returns that reference only
// once no thread can run the image's code any more, and from FreeLibraryAndExitThread,
// which does not return into the image it may unmap. A hold taken meanwhile cancels
// that. In between, a hold is one atomic increment and one decrement.
//
// Whoever runs the image's code must hold it: an entry point for the length of its
// call, an object handed out for its life, a window procedure while its windows exist.
// A program is never unloaded: its count is kept, but it takes no reference.
#pragma once

namespace common::image_hold {

// Takes one hold.
void Take() noexcept;

// Gives one hold back. The caller makes no further call and leaves the image's code
// at once: a thread that gave back the last hold is let go of once it has run past
// the image's last instruction on its way out.
void Drop() noexcept;

// Gives one hold back from deep inside the image's code, on a thread that next
// returns to a message loop of its own outside the image (the windows whose procedures
// held it are gone): the image goes only after that thread has handled a message
// there. The thread must not handle sent messages before it is back in that loop.
void DropOnWayToMessageLoop() noexcept;

// Holds taken now, for tests and diagnostics.
long Count() noexcept;

}  // namespace common::image_hold

namespace common {

// A hold for the length of a call into the image from outside; give it the outermost
// frame, so that its end is the last thing the call does before returning.
class ScopedImageHold {
 public:
  ScopedImageHold() noexcept { image_hold::Take(); }
  ~ScopedImageHold() { image_hold::Drop(); }
  ScopedImageHold(const ScopedImageHold&) = delete;
  ScopedImageHold& operator=(const ScopedImageHold&) = delete;
};

}  // namespace common
