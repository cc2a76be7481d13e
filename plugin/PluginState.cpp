#include "plugin/PluginState.h"

namespace tessel {
namespace {

// Ends one level of plug-in code; the outermost end carries out a pending close.
void LeaveBusy(PluginState& state) {
  if (--state.BusyDepth == 0 && state.ClosePending && state.DeferredClose != nullptr) {
    state.ClosePending = false;
    try {
      state.DeferredClose();
    } catch (...) {
    }
  }
}

}  // namespace

void NotifyHost(const PluginState& state, int32_t count, int32_t status, float iq_offset,
                int16_t* samples) noexcept {
  HostCallbackFn callback = state.HostCallback;
  // A host that has closed the plug-in hears nothing more, also while the close
  // waits for the component's fire call to return.
  if (callback == nullptr || state.ClosePending) return;
  try {
    callback(count, status, iq_offset, samples);
  } catch (...) {
    // A host that throws gets no further; the plug-in carries on.
  }
}

BusyScope::~BusyScope() {
  LeaveBusy(state_);
}

void PluginHostLink::Leave() {
  LeaveBusy(state_);
}

void PluginHostLink::LeaveEvent() {
  if (state_.BusyDepth == 1 && state_.ClosePending && state_.PostClose != nullptr) {
    // Still pending: the posted message's handling runs the close.
    state_.BusyDepth = 0;
    state_.PostClose();
    return;
  }
  LeaveBusy(state_);
}

}  // namespace tessel
