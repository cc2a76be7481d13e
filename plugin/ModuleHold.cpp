#include "plugin/ModuleHold.h"

#include "common/ImageHold.h"

namespace tessel {

void ModuleHold::Take() {
  if (taken_) return;
  common::image_hold::Take();
  taken_ = true;
}

void ModuleHold::Release() {
  if (!taken_) return;
  taken_ = false;
  ReleaseHandedOver();
}

void ModuleHold::ReleaseHandedOver() {
  common::image_hold::DropOnWayToMessageLoop();
}

}  // namespace tessel
