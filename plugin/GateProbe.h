// A point between the check of the stream gate and the call of the host's callback,
// where a test build of the library can hold the window's thread. The library itself
// does nothing there (GateProbe.cpp).
#pragma once

namespace tessel {

// Called on the window's thread after the gate let a report or block through and
// before the host's callback is called.
void GateProbePause();

}  // namespace tessel
