// Runs a function when a scope ends, however it ends: a return or an exception.
#pragma once

#include <utility>

namespace common {

// Calls `f` once, when it goes. `f` must not throw.
template <class F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)) {}
  ~ScopeExit() { f_(); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
};

}  // namespace common
