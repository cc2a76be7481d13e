// The one exception a rejected component access raises inside the library.
#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace tessel {

// A property read or write (or a call whose result matters) that the receiver
// component rejected. It ends the handler at the failing step and is always caught
// before control leaves the library.
class OleError : public std::runtime_error {
 public:
  explicit OleError(DISPID dispid)
      : std::runtime_error("component rejected dispatch id " + std::to_string(dispid)) {}
};

}  // namespace tessel
