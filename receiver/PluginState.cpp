#include "receiver/PluginState.h"

namespace tessel {

void NotifyHost(const PluginState& state, int32_t count, int32_t status, float iq_offset,
                int16_t* samples) noexcept {
  HostCallbackFn callback = state.HostCallback;
  if (callback == nullptr) return;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

BusyScope::~BusyScope() {
  if (--state_.BusyDepth == 0 && state_.ClosePending && state_.DeferredClose != nullptr) {
    state_.ClosePending = false;
    try {
      state_.DeferredClose();
    } catch (...) {
    }
  }
}

}  // namespace tessel
